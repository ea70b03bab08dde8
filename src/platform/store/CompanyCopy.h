// A company copied from one CompanyStore to another, whichever backends they are: the source
// describes its stored files (CompanyStore::Describe) and gives their rows through the Store's
// bulk scans; the target writes them into a new company (CompanyStore::Load) that appears
// whole when published, or not at all. Neither backend knows the other.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace actifix::platform {

// What a company holds besides its settings and the rows of its files.
struct StoredFiles {
  struct Records {
    std::string name;
    int32_t recordLength = 0;
    int32_t lastNumber = 0;  // the highest record number ever given, kept by the copy
    int64_t count = 0;
  };
  struct Keys {
    std::string name;
    int16_t keyLength = 0;
    std::string kind;     // "P" or "S"
    int64_t lastSeq = 0;  // an "S" file's highest insertion number (0 where none is kept)
    int64_t count = 0;
  };
  // The fiscal years opened: (start "dd/mm/yyyy", when).
  std::vector<std::pair<std::string, std::string>> yearsOpened;
  std::vector<Records> records;  // by name
  std::vector<Keys> keys;        // by name

  int64_t rows() const {
    int64_t n = 0;
    for (const Records& r : records) n += r.count;
    for (const Keys& k : keys) n += k.count;
    return n;
  }
};

// A new company being written by a copy, file after file. Destroyed unpublished, it leaves
// nothing behind. Every call throws HostError when the target refuses.
// The seq of the entries of a key file copied in key order: 0 in a "P" file, 1, 2... in an
// "S" file, which keeps equal keys in their order.
struct EntryNumbering {
  bool unique = false;
  int64_t last = 0;  // the highest given
  void Start(const std::string& kind) {
    unique = kind == "P";
    last = 0;
  }
  int64_t Next() { return unique ? 0 : ++last; }
};

class CompanyLoad {
 public:
  virtual ~CompanyLoad() = default;
  // Starts record file `file`; its records follow, in number order.
  virtual void RecordFile(const StoredFiles::Records& file) = 0;
  virtual void Record(int32_t number, std::string_view bytes) = 0;
  // Starts key file `file`; its entries follow in key order, equal keys in insertion order.
  virtual void KeyFile(const StoredFiles::Keys& file) = 0;
  virtual void Entry(std::string_view key, int32_t number) = 0;
  // Makes the company appear under its code, complete. Throws HostError, leaving nothing,
  // when a company of that code appeared meanwhile.
  virtual void Publish() = 0;
};

}  // namespace actifix::platform
