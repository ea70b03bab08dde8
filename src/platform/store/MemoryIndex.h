// The sort index "Tri" of a store: entries in memory by (key, seq), seq numbering insertions so
// that equal keys keep their order. Nothing of it reaches the database.
//
// An edition adds one entry per asset and then walks them, so the entries are kept compact:
// the keys side by side in one string, each entry a slot of fixed size, sorted once when first
// read rather than on every addition (a register of 1,000,000 assets takes about 40 MB, where a
// node per entry took over twice that and a cache miss for each).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace actifix::platform {

class MemoryIndex {
 public:
  // The position of an entry in index order: valid until the index is next changed.
  using Entry = std::size_t;

  Entry end() const { return slots_.size(); }
  Entry begin() {
    Sort();
    return 0;
  }
  // The entry after (key, seq) in index order.
  Entry After(std::string_view key, int64_t seq);
  // The first entry of `key` that points at `number` (any number when `number` is 0).
  Entry Find(std::string_view key, int32_t number);

  std::string_view KeyAt(Entry entry) const {
    const Slot& slot = slots_[entry];
    return {keys_.data() + slot.offset, slot.length};
  }
  int64_t SeqAt(Entry entry) const { return slots_[entry].seq; }
  int32_t NumberAt(Entry entry) const { return slots_[entry].number; }

  // Adds an entry; a `unique` index refuses a key it holds with HostError(operation, subject).
  void Add(std::string_view key, int32_t number, bool unique, const std::string& operation,
           const std::string& subject);
  // Removes the first entry of `key` that points at `number`: false when there is none.
  bool Remove(std::string_view key, int32_t number);
  void Clear();
  // "[n1,n2,...]": the record numbers of the keys starting with `prefix`, in index order.
  std::string ListPrefix(std::string_view prefix);
  // The number of keys starting with `prefix`; `first` the numbers of the first `listed`.
  int32_t CountPrefix(std::string_view prefix, int32_t listed, std::string& first);

 private:
  struct Slot {
    uint32_t offset;  // of the key in keys_
    uint32_t length;
    int32_t number;
    int64_t seq;
  };

  [[noreturn]] static void RefuseDuplicate(const std::string& operation,
                                           const std::string& subject);
  // Puts the entries added since the last read in their place.
  void Sort();
  std::string_view KeyOf(const Slot& slot) const {
    return {keys_.data() + slot.offset, slot.length};
  }
  bool Before(const Slot& a, const Slot& b) const;
  // The first entry not before (key, seq).
  Entry LowerBound(std::string_view key, int64_t seq);

  std::string keys_;
  std::vector<Slot> slots_;
  std::size_t sorted_ = 0;  // slots_[0, sorted_) are in index order
  int64_t seq_ = 0;
};

}  // namespace actifix::platform
