#include "platform/store/MemoryIndex.h"

#include "host/HostError.h"

namespace actifix::platform {

std::string MemoryIndex::ListPrefix(const std::string& prefix) const {
  std::string list = "[";
  for (auto it = entries_.lower_bound({prefix, INT64_MIN});
       it != entries_.end() && it->first.first.compare(0, prefix.size(), prefix) == 0; ++it)
    list += (list.size() > 1 ? "," : "") + std::to_string(it->second);
  return list + "]";
}

int32_t MemoryIndex::CountPrefix(const std::string& prefix, int32_t listed,
                                 std::string& first) const {
  first = "[";
  int32_t count = 0;
  for (auto it = entries_.lower_bound({prefix, INT64_MIN});
       it != entries_.end() && it->first.first.compare(0, prefix.size(), prefix) == 0; ++it) {
    if (count < listed) first += (count > 0 ? "," : "") + std::to_string(it->second);
    ++count;
  }
  first += "]";
  return count;
}

void MemoryIndex::RefuseDuplicate(const std::string& operation, const std::string& subject) {
  throw HostError(ErrorKind::kConflict, operation, subject, "clé déjà présente");
}

}  // namespace actifix::platform
