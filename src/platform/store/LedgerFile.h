// HostLedgerFile of our host: the accounting interface file <CODE>TampCg.dat in the company's
// data directory, one fixed-width Windows-1252 record of 314 bytes and CR LF per entry. The
// layout, field by field, is in docs/formats.md ("TampCg.dat"):
//
//   pos  width  value
//     1      2  journal          |  95  160  entry label: 4 lines of 40
//     3      2  fixed code       | 255    1  side
//     5     10  entry date       | 256   18  amount, right-aligned, "." and 2 decimals
//    15     10  account          | 274   40  values 12 to 15, 10 blanks each
//    25     40  account label    | 314    1  filler
//    65     30  values 6 to 8, 10 blanks each
//
// Open writes <CODE>TampCg.dat.<pid>.tmp (two programs never share it); Close renames it over
// <CODE>TampCg.dat, so that the file of an earlier run is replaced whole or not at all. A writer
// destroyed unclosed removes its temporary file.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "host/HostLedgerFile.h"

namespace actifix::platform {

class LedgerFile : public HostLedgerFile {
 public:
  static constexpr std::size_t kRecordLength = 314;

  LedgerFile(std::filesystem::path dataDir, const std::string& companyCode);
  ~LedgerFile() override;
  LedgerFile(const LedgerFile&) = delete;
  LedgerFile& operator=(const LedgerFile&) = delete;

  // Throws HostError when the file cannot be created.
  void Open() override;
  // Throws HostError when no file is open or it cannot be written.
  void WriteEntry(const LedgerEntry& entry) override;
  void Close() override;

  // The record of one entry, without its CR LF (Windows-1252 in, Windows-1252 out).
  static std::string Record(const LedgerEntry& entry);
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_, temporary_;
  std::ofstream out_;
};

}  // namespace actifix::platform
