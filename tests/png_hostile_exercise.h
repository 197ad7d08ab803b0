// What a caller does with bytes of unknown origin: read them, and when the
// read succeeds, draw the image onto a 32-bit surface and convert it into a
// bitmap. The outcome is the class of the first error, so that campaigns can
// tell codec errors from anything else that escapes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <typeinfo>
#include <vector>

#include "platform/bitmap.h"
#include "platform/stream.h"
#include "png/pngimage.h"

namespace pngtest {

// Empty on success; the codec class name; or "non-codec <what>" for
// anything that is not one of the codec's errors.
std::string ExerciseDecode(const std::uint8_t* data, std::size_t size);

bool IsCodecErrorClass(const std::string& name);

// Outcomes of one campaign, by class ("" counts as "ok").
struct TCampaignCounts {
  std::size_t mutations = 0;
  std::map<std::string, std::size_t> byOutcome;
  void Add(const std::string& outcome) {
    ++mutations;
    ++byOutcome[outcome.empty() ? "ok" : outcome];
  }
  std::string Table() const;
};

}  // namespace pngtest
