// HostFecFile of our host: the FEC extract <CODE>EcrituresFEC.txt in the company's data
// directory, laid out as the "fichier des écritures comptables" of the French tax procedure
// book (article A47 A-1): a header line of the 18 column names, then one line per entry,
// columns separated by a tab, lines ended by CR LF, text in ISO 8859-15, dates AAAAMMJJ,
// amounts with a decimal comma and no grouping. The columns, and what each one holds, are in
// docs/formats.md ("EcrituresFEC.txt").
//
// Open makes the draft <CODE>EcrituresFEC.txt.<pid>.tmp; Commit renames it over the file, so a
// failed run leaves the extract of the run before whole; a writer destroyed uncommitted
// removes its draft.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "host/HostFecFile.h"

namespace actifix::platform {

class FecFile : public HostFecFile {
 public:
  // The header line: the 18 column names, in their order, tab-separated.
  static const std::string kHeader;

  FecFile(std::filesystem::path dataDir, const std::string& companyCode);
  ~FecFile() override;
  FecFile(const FecFile&) = delete;
  FecFile& operator=(const FecFile&) = delete;

  // Each throws HostError when the file cannot be written, renamed or removed.
  void Open() override;
  void WriteLine(const FecLine& line) override;
  void Commit() override;
  void Discard() override;

  // The line of one entry, without its CR LF (Windows-1252 in, ISO 8859-15 out).
  // Throws HostError when its date is not dd/mm/yyyy.
  static std::string Line(const FecLine& line);
  // The ISO 8859-15 text of a Windows-1252 text, on one line: the characters both code pages
  // hold keep their meaning (the euro sign moves from 0x80 to 0xA4), those ISO 8859-15 lacks
  // are written in plain letters (’ as ', – as -, … as ...), and controls, tabs included,
  // become blanks.
  static std::string Iso885915(std::string_view cp1252);
  static void AppendIso885915(std::string& out, std::string_view cp1252);

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path dataDir_, path_, draft_;
  std::ofstream out_;
};

}  // namespace actifix::platform
