#include "ornament/image_store.h"

#include <algorithm>
#include <cctype>

#include "platform/exception.h"
#include "png/pngimage.h"

namespace {

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

void ReadStoredPicture(plat::TPicture& picture, const plat::TResourceData& resource) {
  if (resource.data == nullptr || resource.size < 4) throw plat::EReadError("Stream read error");
  const std::uint32_t count = static_cast<std::uint32_t>(resource.data[0]) |
                              static_cast<std::uint32_t>(resource.data[1]) << 8 |
                              static_cast<std::uint32_t>(resource.data[2]) << 16 |
                              static_cast<std::uint32_t>(resource.data[3]) << 24;
  const std::size_t available = std::min<std::size_t>(count, resource.size - 4);
  plat::TBufferStream stream(resource.data + 4, available);
  picture.ReadStoredData(stream);
}

}  // namespace

void TImageStore::Load(const std::vector<std::string>& catalogue, plat::TResourceData (*find)(const char* name)) {
  static std::uint64_t loads = 0;
  loadSerial_ = ++loads;
  entries_.clear();
  for (const std::string& name : catalogue) {
    auto entry = std::make_unique<Entry>();
    entry->name = name;
    try {
      ReadStoredPicture(entry->picture, find(name.c_str()));
    } catch (const std::exception& error) {
      throw plat::EReadError("Error reading " + name + "." + "Picture.Data" + ": " + error.what());
    }
    entries_.push_back(std::move(entry));
  }
}

TPNGObject* TImageStore::Find(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (const auto& entry : entries_) {
    if (SameNameIgnoringCase(entry->name, name)) return dynamic_cast<TPNGObject*>(entry->picture.Graphic());
  }
  return nullptr;
}

const std::vector<std::string>& PictureCatalogue() {
  static const std::vector<std::string> catalogue = {
      "Star1", "Star2", "Star3", "Star4", "Star5", "Star6", "imgTree",
      "img_0_1", "img_0_2", "img_0_3", "img_0_4", "img_1_1", "img_1_2", "img_1_3", "img_1_4"};
  return catalogue;
}
