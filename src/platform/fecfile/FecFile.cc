#include "platform/fecfile/FecFile.h"

#include <unistd.h>

#include <array>
#include <system_error>

#include "export/ExportColumns.h"
#include "host/Cp1252.h"
#include "host/HostConvert.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "platform/store/WritePath.h"

namespace actifix::platform {

namespace {

constexpr char kOperation[] = "HostFecFile";

// What each Windows-1252 byte 0x80..0x9F becomes in ISO 8859-15 ("" for the undefined bytes,
// which are controls).
const std::array<std::string_view, 32> kHigh = {
    "\xA4", "",     ",", "f",    "\"",   "...", "+",    "+", "^",    "%",   "\xA6",
    "<",    "\xBC", "",  "\xB4", "",     "",    "'",    "'", "\"",   "\"",  "-",
    "-",    "-",    "~", "TM",   "\xA8", ">",   "\xBD", "",  "\xB8", "\xBE"};

// The eight Windows-1252 characters above 0x9F whose place ISO 8859-15 gives to others.
std::string_view Replaced(unsigned char byte) {
  switch (byte) {
    case 0xA4:
      return "?";
    case 0xA6:
      return "|";
    case 0xA8:
      return "\"";
    case 0xB4:
      return "'";
    case 0xB8:
      return ",";
    case 0xBC:
      return "1/4";
    case 0xBD:
      return "1/2";
    case 0xBE:
      return "3/4";
    default:
      return {};
  }
}

// "dd/mm/yyyy" as "yyyymmdd".
std::string Date(const std::string& text) {
  if (!IsDateText(text))
    throw HostError(ErrorKind::kInvalidInput, kOperation, text,
                    "date d'écriture invalide pour le fichier FEC");
  return text.substr(6, 4) + text.substr(3, 2) + text.substr(0, 2);
}

std::string Amount(double value) {
  std::string text;
  HostConvert().FormatAmount(value, 2, text);
  return text;
}

}  // namespace

const std::string FecFile::kHeader =
    "JournalCode\tJournalLib\tEcritureNum\tEcritureDate\tCompteNum\tCompteLib\tCompAuxNum\t"
    "CompAuxLib\tPieceRef\tPieceDate\tEcritureLib\tDebit\tCredit\tEcritureLet\tDateLet\t"
    "ValidDate\tMontantdevise\tIdevise";

FecFile::FecFile(std::filesystem::path dataDir, const std::string& companyCode)
    : dataDir_(std::move(dataDir)),
      path_(dataDir_ / (companyCode + "EcrituresFEC.txt")),
      draft_(dataDir_ / (companyCode + "EcrituresFEC.txt." + std::to_string(getpid()) + ".tmp")) {}

FecFile::~FecFile() {
  if (!out_.is_open()) return;
  out_.close();
  std::error_code ignored;
  std::filesystem::remove(draft_, ignored);
}

std::string FecFile::Iso885915(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size());
  AppendIso885915(out, cp1252);
  return out;
}

void FecFile::AppendIso885915(std::string& out, std::string_view cp1252) {
  for (std::size_t at = 0; at < cp1252.size();) {
    // A run of printable ASCII, the same in both, goes in whole.
    std::size_t end = at;
    while (end < cp1252.size() && cp1252[end] >= 0x20 && cp1252[end] < 0x7F) ++end;
    out.append(cp1252, at, end - at);
    if (end == cp1252.size()) break;
    const char c = cp1252[end];
    at = end + 1;
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 && byte <= 0x9F) {
      const std::string_view high = kHigh[byte - 0x80];
      out += high.empty() ? std::string_view(" ") : high;
    } else if (IsControlByte(c)) {
      out += ' ';
    } else if (const std::string_view other = Replaced(byte); !other.empty()) {
      out += other;
    } else {
      out += c;
    }
  }
}

std::string FecFile::Line(const FecLine& line) {
  static const std::string kJournalLabel("Opérations diverses"_w);
  const std::string date = Date(line.date);
  const bool debit = line.side == "D";
  const std::string amount = Amount(line.amount), zero = Amount(0);
  const std::string number = std::to_string(line.number);
  const std::string accountLabel =
      NeutralisedText(line.accountLabel.empty() ? "Compte " + line.account : line.accountLabel);
  const std::string label = NeutralisedText(line.label);
  const std::string_view fields[18] = {
      "OD", kJournalLabel, number, date,  line.account,          accountLabel,          "",
      "",   line.pieceRef, date,   label, debit ? amount : zero, debit ? zero : amount, "",
      "",   date,          "",     ""};
  std::string text;
  text.reserve(192);
  for (std::size_t i = 0; i < std::size(fields); ++i) {
    if (i > 0) text += '\t';
    AppendIso885915(text, fields[i]);
  }
  return text;
}

void FecFile::Open() {
  RequireIn(dataDir_, path_, kOperation);
  OpenNoFollow(out_, draft_, WriteMode::kNew, kOperation);
  out_ << kHeader << "\r\n";
}

void FecFile::WriteLine(const FecLine& line) {
  out_ << Line(line) << "\r\n";
  if (!out_)
    throw HostError(ErrorKind::kIo, kOperation, draft_.string(),
                    "impossible d'écrire dans le fichier");
}

void FecFile::Commit() {
  out_.close();
  if (!out_)
    throw HostError(ErrorKind::kIo, kOperation, draft_.string(),
                    "impossible d'écrire dans le fichier");
  std::error_code error;
  std::filesystem::rename(draft_, path_, error);
  if (error)
    throw HostError(ErrorKind::kIo, kOperation, path_.string(),
                    "impossible de remplacer le fichier");
}

void FecFile::Discard() {
  out_.close();
  std::error_code error;
  std::filesystem::remove(draft_, error);
  std::filesystem::remove(path_, error);
  if (error)
    throw HostError(ErrorKind::kIo, kOperation, path_.string(),
                    "impossible de supprimer le fichier");
}

}  // namespace actifix::platform
