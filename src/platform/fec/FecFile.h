// HostFecFile of our host: the FEC extract <CODE>EcrituresFEC.txt in the company's data
// directory, laid out as the "fichier des écritures comptables" of the French tax procedure
// book (article A47 A-1): a header line of the 18 column names, then one line per entry,
// columns separated by a tab, lines ended by CR LF, text in ISO 8859-15, dates AAAAMMJJ,
// amounts with a decimal comma and no grouping. The columns, and what each one holds, are in
// docs/formats.md ("EcrituresFEC.txt").
//
// Write makes <CODE>EcrituresFEC.txt.<pid>.tmp and renames it over the file only once it is
// complete, so a failed run leaves the extract of the run before whole.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "fec/HostFecFile.h"

namespace actifix::platform {

class FecFile : public HostFecFile {
 public:
  // The header line: the 18 column names, in their order, tab-separated.
  static const std::string kHeader;

  FecFile(std::filesystem::path dataDir, const std::string& companyCode);
  ~FecFile() override;
  FecFile(const FecFile&) = delete;
  FecFile& operator=(const FecFile&) = delete;

  // Throws HostError when the file cannot be written where it belongs.
  void Write(const std::vector<FecLine>& lines) override;
  void Remove() override;

  // The line of one entry, without its CR LF (Windows-1252 in, ISO 8859-15 out).
  // Throws HostError when its date is not dd/mm/yyyy.
  static std::string Line(const FecLine& line);
  // The ISO 8859-15 text of a Windows-1252 text, on one line: the characters both code pages
  // hold keep their meaning (the euro sign moves from 0x80 to 0xA4), those ISO 8859-15 lacks
  // are written in plain letters (’ as ', – as -, … as ...), and controls, tabs included,
  // become blanks.
  static std::string Iso885915(std::string_view cp1252);

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path dataDir_, path_, draft_;
};

}  // namespace actifix::platform
