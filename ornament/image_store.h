// The named pictures of the window, decoded once when the window is made
// and found by name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphic.h"
#include "platform/resources.h"

class TPNGObject;

class TImageStore {
 public:
  // Reads every picture of the catalogue, in order, from its stored form:
  // a 32-bit little-endian byte count, then that many bytes holding the
  // length-prefixed graphic class name and the graphic's own data. A
  // picture that cannot be read raises plat::EReadError with
  // "Error reading <name>.Picture.Data: <reason>".
  void Load(const std::vector<std::string>& catalogue,
            plat::TResourceData (*find)(const char* name) = plat::FindResourceData);

  // The first entry, in catalogue order, whose name matches without regard
  // to the case of ASCII letters; nullptr for an empty or unknown name.
  TPNGObject* Find(const std::string& name) const;

  std::size_t Count() const { return entries_.size(); }

  // Changes at every Load, and differs between stores: pictures found
  // under one serial stay valid until it changes.
  std::uint64_t LoadSerial() const { return loadSerial_; }

 private:
  struct Entry {
    std::string name;
    plat::TPicture picture;
  };
  std::vector<std::unique_ptr<Entry>> entries_;
  std::uint64_t loadSerial_ = 0;
};

// Catalogue order of the window's description.
const std::vector<std::string>& PictureCatalogue();
