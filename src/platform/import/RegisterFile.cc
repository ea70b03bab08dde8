#include "platform/import/RegisterFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/Cp1252.h"
#include "host/Text.h"
#include "platform/base/Printable.h"
#include "platform/base/UserError.h"

namespace actifix::platform {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kNarrowSpace = "\xE2\x80\xAF";

bool IsBlank(char c) { return kSpaceOrNoBreak.find(c) != std::string_view::npos; }

std::string Grouped(uint64_t n) {
  std::string digits = std::to_string(n);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, " ");
  return digits;
}

// Reads the next line into `line`, without its LF; false at the end of the file. Throws
// UserError when a line runs past `kMostLineBytes`: no register line is that long, and a
// file without line ends must not fill the memory.
bool ReadLine(std::istream& in, std::string& line, int64_t number) {
  line.clear();
  std::streambuf& buffer = *in.rdbuf();
  for (int c; (c = buffer.sbumpc()) != std::char_traits<char>::eof();) {
    if (c == '\n') return true;
    if (line.size() == RegisterFile::kMostLineBytes)
      throw UserError("ligne " + std::to_string(number) + " : plus de " +
                          Grouped(RegisterFile::kMostLineBytes) +
                          " octets, ce n'est pas une ligne du registre : importez le fichier que "
                          "l'export écrit, ou ses colonnes enregistrées par un tableur",
                      ErrorKind::kInvalidInput);
    line += static_cast<char>(c);
  }
  return !line.empty();
}

void CutLineEnd(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

// Whether the line is valid UTF-8, and whether it is more than ASCII.
void ScanUtf8(std::string_view line, bool& valid, bool& wide) {
  for (std::size_t at = 0; at < line.size();) {
    if (static_cast<unsigned char>(line[at]) < 0x80) {
      ++at;
      continue;
    }
    wide = true;
    if (NextCodePoint(line, at) < 0) valid = false;
  }
}

// A field that a spreadsheet quoted ("Dupont; Fils", "Le ""Bon"" Coin") starting at `start`:
// its text in `text`, and the position of the ";" or the end of line after it. npos when the
// field is not quoted that way (a text of the export that merely starts with a quote).
std::size_t Unquote(const std::string& line, std::size_t start, std::string& text) {
  if (start >= line.size() || line[start] != '"') return std::string::npos;
  for (std::size_t at = start + 1; at < line.size(); ++at) {
    if (line[at] != '"') {
      text += line[at];
    } else if (at + 1 < line.size() && line[at + 1] == '"') {
      text += '"';
      ++at;
    } else {
      return at + 1 == line.size() || line[at + 1] == ';' ? at + 1 : std::string::npos;
    }
  }
  return std::string::npos;
}

bool HoldsSomething(std::string_view line) {
  for (const char c : line)
    if (!IsBlank(c) && c != ';' && c != '\t') return true;
  return false;
}

}  // namespace

RegisterFile::RegisterFile(const std::filesystem::path& path) : path_(path) {
  const std::string shown = Printable(path.string());
  // Opened without waiting (a pipe with no writer would hold the company for ever), then
  // read only when it is a regular file of a register's size: the file is read twice, and
  // a device never ends.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    throw UserError("impossible de lire le fichier " + shown + " : vérifiez son nom et ses droits",
                    ErrorKind::kIo);
  struct stat info {};
  const bool stated = ::fstat(fd, &info) == 0;
  if (stated && S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) <= kMostFileBytes)
    in_.open("/proc/self/fd/" + std::to_string(fd), std::ios::binary);
  ::close(fd);
  if (!stated || !S_ISREG(info.st_mode))
    throw UserError("« " + shown + " » n'est pas un fichier ordinaire (" +
                        (S_ISDIR(info.st_mode)    ? "un répertoire"
                         : S_ISFIFO(info.st_mode) ? "un tube"
                                                  : "un périphérique") +
                        ") : enregistrez le registre dans un fichier, puis importez ce fichier",
                    ErrorKind::kBadArgument);
  if (static_cast<uint64_t>(info.st_size) > kMostFileBytes)
    throw UserError("le fichier " + shown + " fait plus de " + Grouped(kMostFileBytes) +
                        " octets : un registre d'un million d'immobilisations en fait moins du "
                        "tiers ; importez-le en plusieurs fichiers",
                    ErrorKind::kInvalidInput);
  if (!in_)
    throw UserError("impossible de lire le fichier " + shown + " : vérifiez son nom et ses droits",
                    ErrorKind::kIo);
  bool valid = true, wide = false, bom = false;
  int64_t number = 0;
  while (ReadLine(in_, line_, number + 1)) {
    CutLineEnd(line_);
    if (++number == 1 && line_.starts_with(kBom)) {
      bom = true;
      line_.erase(0, kBom.size());
    }
    if (valid) ScanUtf8(line_, valid, wide);
    if (number > 1 && HoldsSomething(line_)) ++dataLines_;
  }
  if (in_.bad()) throw UserError("lecture interrompue du fichier " + shown, ErrorKind::kIo);
  charset_ = bom || (valid && wide) ? Charset::kUtf8 : Charset::kWindows1252;
  Rewind();
}

void RegisterFile::Rewind() {
  in_.clear();
  in_.seekg(0);
  lineNumber_ = 0;
}

bool RegisterFile::Next(std::vector<std::string>& fields, int64_t& number) {
  while (ReadLine(in_, line_, lineNumber_ + 1)) {
    CutLineEnd(line_);
    if (++lineNumber_ == 1 && line_.starts_with(kBom)) line_.erase(0, kBom.size());
    if (!HoldsSomething(line_)) continue;
    if (charset_ == Charset::kUtf8) {
      // The narrow no-break space that French spreadsheets group thousands with.
      for (std::size_t at; (at = line_.find(kNarrowSpace)) != std::string::npos;)
        line_.replace(at, kNarrowSpace.size(), " ");
      line_ = FromUtf8(line_, '\0');
    }
    fields.clear();
    for (std::size_t start = 0;;) {
      std::string quoted;
      std::size_t end = Unquote(line_, start, quoted);
      if (end != std::string::npos) {
        fields.push_back(std::move(quoted));
      } else {
        end = line_.find(';', start);
        fields.emplace_back(line_, start, end == std::string::npos ? end : end - start);
      }
      if (end >= line_.size()) break;
      start = end + 1;
    }
    number = lineNumber_;
    return true;
  }
  return false;
}

std::optional<std::string> ReadDate(std::string_view text) {
  text = Trim(text, kSpaceOrNoBreak);
  int parts[3] = {0, 0, 0};
  int widths[3] = {0, 0, 0};
  const bool iso = text.find('-') != std::string_view::npos;
  const char separator = iso ? '-' : '/';
  int part = 0;
  for (const char c : text) {
    if (c == separator && part < 2) {
      ++part;
    } else if (c >= '0' && c <= '9' && widths[part] < 4) {
      parts[part] = parts[part] * 10 + (c - '0');
      ++widths[part];
    } else {
      return std::nullopt;
    }
  }
  const int yearAt = iso ? 0 : 2, dayAt = iso ? 2 : 0;
  if (part != 2 || widths[yearAt] != 4 || widths[1] < 1 || widths[1] > 2 || widths[dayAt] < 1 ||
      widths[dayAt] > 2)
    return std::nullopt;
  const int year = parts[yearAt], month = parts[1], day = parts[dayAt];
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (year < 1900 || month < 1 || month > 12 || day < 1 ||
      day > kDays[month - 1] + (month == 2 && leap ? 1 : 0))
    return std::nullopt;
  const auto two = [](int n) {
    return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
  };
  return two(day) + "/" + two(month) + "/" + std::to_string(year);
}

}  // namespace actifix::platform
