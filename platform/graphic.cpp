#include "platform/graphic.h"

#include <algorithm>

#include "platform/exception.h"

namespace plat {

void TPersistent::CopyFrom(TPersistent* source) {
  if (source == nullptr) throw EConvertError(CannotAssignMessage("nil", ClassName()));
  source->CopyTo(this);
}

void TPersistent::CopyTo(TPersistent* target) {
  throw EConvertError(CannotAssignMessage(ClassName(), target ? target->ClassName() : "nil"));
}

namespace {
std::vector<TGraphicFormat>& Registry() {
  static std::vector<TGraphicFormat> formats;
  return formats;
}
}  // namespace

void TPicture::RegisterFormat(const std::string& extension, const std::string& description,
                              const std::string& className, TGraphicFactory create) {
  Registry().push_back({extension, description, className, create});
}

void TPicture::UnregisterFormat(const std::string& className) {
  auto& formats = Registry();
  formats.erase(std::remove_if(formats.begin(), formats.end(),
                               [&](const TGraphicFormat& f) { return f.className == className; }),
                formats.end());
}

const TGraphicFormat* TPicture::FindFormatByClassName(const std::string& className) {
  for (const auto& format : Registry()) {
    if (format.className == className) return &format;
  }
  return nullptr;
}

const std::vector<TGraphicFormat>& TPicture::Formats() { return Registry(); }

void TPicture::ReadStoredData(TStream& stream) {
  std::uint8_t length = 0;
  std::string name;
  if (stream.Read(&length, 1) == 1) {
    name.resize(length);
    name.resize(stream.Read(name.data(), length));
  }
  const TGraphicFormat* format = FindFormatByClassName(name);
  if (format == nullptr) throw EInvalidGraphic("Unknown picture class \"" + name + "\"");
  std::unique_ptr<TGraphic> graphic = format->create();
  graphic->LoadFromStream(stream);
  graphic_ = std::move(graphic);
}

}  // namespace plat
