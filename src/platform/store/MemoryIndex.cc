#include "platform/store/MemoryIndex.h"

#include <algorithm>
#include <limits>

#include "host/HostError.h"

namespace actifix::platform {

bool MemoryIndex::Before(const Slot& a, const Slot& b) const {
  const int order = KeyOf(a).compare(KeyOf(b));
  return order != 0 ? order < 0 : a.seq < b.seq;
}

void MemoryIndex::Sort() {
  if (sorted_ == slots_.size()) return;
  const auto before = [this](const Slot& a, const Slot& b) { return Before(a, b); };
  const auto tail = slots_.begin() + static_cast<std::ptrdiff_t>(sorted_);
  // Added in seq order: a key's entries stay in order of insertion under any sort of the keys.
  std::sort(tail, slots_.end(), before);
  std::inplace_merge(slots_.begin(), tail, slots_.end(), before);
  sorted_ = slots_.size();
}

MemoryIndex::Entry MemoryIndex::LowerBound(std::string_view key, int64_t seq) {
  Sort();
  const auto it = std::partition_point(slots_.begin(), slots_.end(), [&](const Slot& slot) {
    const int order = KeyOf(slot).compare(key);
    return order != 0 ? order < 0 : slot.seq < seq;
  });
  return static_cast<Entry>(it - slots_.begin());
}

MemoryIndex::Entry MemoryIndex::After(std::string_view key, int64_t seq) {
  return LowerBound(key, seq + 1);  // seqs are numbered from 1 up, far from the limit
}

MemoryIndex::Entry MemoryIndex::Find(std::string_view key, int32_t number) {
  for (Entry at = LowerBound(key, std::numeric_limits<int64_t>::min());
       at != end() && KeyAt(at) == key; ++at)
    if (number == 0 || slots_[at].number == number) return at;
  return end();
}

void MemoryIndex::Add(std::string_view key, int32_t number, bool unique,
                      const std::string& operation, const std::string& subject) {
  if (unique && Find(key, 0) != end()) RefuseDuplicate(operation, subject);
  if (keys_.size() + key.size() > std::numeric_limits<uint32_t>::max())
    throw HostError(ErrorKind::kInvalidInput, operation, subject,
                    "index de tri trop grand pour la mémoire");
  slots_.push_back(
      {static_cast<uint32_t>(keys_.size()), static_cast<uint32_t>(key.size()), number, ++seq_});
  keys_ += key;
}

bool MemoryIndex::Remove(std::string_view key, int32_t number) {
  const Entry at = Find(key, number);
  if (at == end()) return false;
  // The key's bytes stay in keys_ until Clear: removals are rare.
  slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(at));
  sorted_ = slots_.size();
  return true;
}

void MemoryIndex::Clear() {
  slots_.clear();
  keys_.clear();
  sorted_ = 0;
}

std::string MemoryIndex::ListPrefix(std::string_view prefix) {
  std::string list = "[";
  for (Entry at = LowerBound(prefix, std::numeric_limits<int64_t>::min());
       at != end() && KeyAt(at).substr(0, prefix.size()) == prefix; ++at) {
    if (list.size() > 1) list += ',';
    list += std::to_string(slots_[at].number);
  }
  return list + "]";
}

int32_t MemoryIndex::CountPrefix(std::string_view prefix, int32_t listed, std::string& first) {
  first = "[";
  int32_t count = 0;
  for (Entry at = LowerBound(prefix, std::numeric_limits<int64_t>::min());
       at != end() && KeyAt(at).substr(0, prefix.size()) == prefix; ++at) {
    if (count < listed) {
      if (count > 0) first += ',';
      first += std::to_string(slots_[at].number);
    }
    ++count;
  }
  first += "]";
  return count;
}

void MemoryIndex::RefuseDuplicate(const std::string& operation, const std::string& subject) {
  throw HostError(ErrorKind::kConflict, operation, subject, "clé déjà présente");
}

}  // namespace actifix::platform
