// Reading a register file in the layout of the export "<CODE>Immo.csv": the file ImmoExcel
// writes, or the same columns saved from a French spreadsheet. The file is read line by line
// (a register of a million lines is never held whole), in Windows-1252 or UTF-8 with or
// without a byte-order mark, lines ended by CR LF or LF, fields separated by ";", a field
// quoted by a spreadsheet ("Dupont; Fils") taken without its quotes. Dates are read as a
// spreadsheet writes them, days and months of one or two digits; amounts and rates are read as
// the card screen reads them (ReadTypedNumber, platform/screen/FieldFormat.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace actifix::platform {

enum class Charset { kWindows1252, kUtf8 };

class RegisterFile {
 public:
  // Bounds on what is read: a line of the export is about 300 bytes and a register of a
  // million assets about 300 MB; a spreadsheet's quotes and UTF-8 stay well within both.
  static constexpr std::size_t kMostLineBytes = 4096;
  static constexpr uint64_t kMostFileBytes = uint64_t{1} << 30;

  // Opens `path` and reads it once through to learn its character set (UTF-8 when it starts
  // with a byte-order mark, or when every line is valid UTF-8 and one is not plain ASCII;
  // Windows-1252 otherwise) and its number of lines. Throws UserError when it cannot be read,
  // is not a regular file (a pipe, a device, a directory), is larger than kMostFileBytes or
  // has a line longer than kMostLineBytes (also from Next).
  explicit RegisterFile(const std::filesystem::path& path);

  Charset charset() const { return charset_; }
  // Lines after the header that hold something (blank lines are skipped).
  int64_t dataLines() const { return dataLines_; }

  // Back to the first line.
  void Rewind();
  // The next line that holds something, cut at each ";" outside quotes into Windows-1252
  // fields; its number
  // in the file (1 for the header) in `number`. False at the end of the file. A character
  // that Windows-1252 does not have becomes the byte 0x00, which no check accepts.
  bool Next(std::vector<std::string>& fields, int64_t& number);

 private:
  std::filesystem::path path_;
  std::ifstream in_;
  Charset charset_ = Charset::kWindows1252;
  int64_t dataLines_ = 0;
  int64_t lineNumber_ = 0;
  std::string line_;
};

// A date "dd/mm/yyyy" (one or two digits for the day and the month) or "yyyy-mm-dd" with a
// year from 1900 to 9999, as its text "dd/mm/yyyy"; nothing when it is not a date of the
// calendar (31/02/2024).
std::optional<std::string> ReadDate(std::string_view text);

}  // namespace actifix::platform
