// Pointer lists of the codec: the chunk list of an image and the registry
// of chunk classes. A list never owns its items.
#pragma once

#include <cstdint>
#include <vector>

class TPNGObject;
class TChunk;
struct TChunkClass;

// Exactly ItemCount() slots are visible. The storage behind them grows
// geometrically, so appending a million items stays linear; new slots read
// as empty (nullptr).
template <class T>
class TPNGPointerList {
 public:
  explicit TPNGPointerList(TPNGObject* owner = nullptr) : ListOwner(owner) {}
  virtual ~TPNGPointerList() = default;
  TPNGPointerList(const TPNGPointerList&) = delete;
  TPNGPointerList& operator=(const TPNGPointerList&) = delete;

  std::uint32_t ItemCount() const { return static_cast<std::uint32_t>(items_.size()); }

  // Grows or shrinks to n slots; 0 releases the storage.
  void SetCount(std::uint32_t n) {
    items_.resize(n, nullptr);
    if (n == 0) items_.shrink_to_fit();
  }
  void Append(T* item) { items_.push_back(item); }
  // nullptr outside 0..ItemCount() - 1.
  T* ItemAt(std::uint32_t i) const { return i < items_.size() ? items_[i] : nullptr; }
  // Ignored outside 0..ItemCount() - 1.
  void PutAt(std::uint32_t i, T* item) {
    if (i < items_.size()) items_[i] = item;
  }
  // Removes the last slot holding `item` and closes the gap; returns `item`,
  // or nullptr when it is not in the list.
  virtual T* Detach(T* item) {
    for (std::size_t i = items_.size(); i-- > 0;) {
      if (items_[i] == item) {
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
        return item;
      }
    }
    return nullptr;
  }

  TPNGObject* const ListOwner;

 private:
  std::vector<T*> items_;
};

class TPNGList : public TPNGPointerList<TChunk> {
 public:
  using TPNGPointerList<TChunk>::TPNGPointerList;
  // The first chunk that is of `chunkClass` or derives from it, or nullptr.
  TChunk* FirstOfClass(const TChunkClass& chunkClass) const;
  template <class C>
  C* FirstOfClass() const {
    return static_cast<C*>(FirstOfClass(C::Class()));
  }
};
