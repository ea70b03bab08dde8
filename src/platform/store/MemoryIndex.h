// The sort index "Tri" of a store: entries in memory by (key, seq), seq numbering insertions so
// that equal keys keep their order. Nothing of it reaches the database.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace actifix::platform {

class MemoryIndex {
 public:
  using Map = std::map<std::pair<std::string, int64_t>, int32_t>;
  using Entry = Map::iterator;

  Entry end() { return entries_.end(); }
  Entry begin() { return entries_.begin(); }
  // The entry after (key, seq) in index order.
  Entry After(const std::string& key, int64_t seq) { return entries_.upper_bound({key, seq}); }

  // The first entry of `key` that points at `number` (any number when `number` is 0).
  Entry Find(const std::string& key, int32_t number) {
    for (auto it = entries_.lower_bound({key, INT64_MIN});
         it != entries_.end() && it->first.first == key; ++it)
      if (number == 0 || it->second == number) return it;
    return entries_.end();
  }
  // Adds an entry; a `unique` index refuses a key it holds with HostError(operation, subject).
  void Add(const std::string& key, int32_t number, bool unique, const std::string& operation,
           const std::string& subject) {
    if (unique && Find(key, 0) != entries_.end()) RefuseDuplicate(operation, subject);
    entries_.emplace(std::pair{key, ++seq_}, number);
  }
  void Erase(Entry entry) { entries_.erase(entry); }
  // Removes the first entry of `key` that points at `number`: false when there is none.
  bool Remove(const std::string& key, int32_t number) {
    const auto it = Find(key, number);
    if (it == entries_.end()) return false;
    entries_.erase(it);
    return true;
  }
  void Clear() { entries_.clear(); }
  // "[n1,n2,...]": the record numbers of the keys starting with `prefix`, in index order.
  std::string ListPrefix(const std::string& prefix) const;
  // The number of keys starting with `prefix`; `first` the numbers of the first `listed`.
  int32_t CountPrefix(const std::string& prefix, int32_t listed, std::string& first) const;

 private:
  [[noreturn]] static void RefuseDuplicate(const std::string& operation,
                                           const std::string& subject);

  Map entries_;
  int64_t seq_ = 0;
};

}  // namespace actifix::platform
