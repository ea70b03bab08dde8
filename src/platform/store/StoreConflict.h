// A write refused because another program changed the company since this one read it: a "P"
// key taken meanwhile, or a record this program found (or wrote) by key and now removes, or
// reads again, changed or deleted meanwhile. Nothing of the refused call is written; the
// program rolls back the rest of the save in hand (Session::RunWith).
#pragma once

#include <cstdint>
#include <string>

#include "host/HostError.h"

namespace actifix::platform {

class StoreConflict : public HostError {
 public:
  // What the other program did. The error's kind is always ErrorKind::kConflict.
  enum class Reason { kKeyTaken, kChanged, kDeleted };

  // `file` names the key file, `key` the key as the module gave it (Windows-1252).
  StoreConflict(Reason reason, std::string operation, std::string file, std::string key);

  Reason reason() const { return reason_; }
  const std::string& file() const { return file_; }
  const std::string& key() const { return key_; }

 private:
  Reason reason_;
  std::string file_;
  std::string key_;
};

}  // namespace actifix::platform
