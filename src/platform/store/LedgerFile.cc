#include "platform/store/LedgerFile.h"

#include <unistd.h>

#include <system_error>
#include <vector>

#include "host/HostBracketList.h"
#include "host/HostConvert.h"
#include "host/HostError.h"
#include "platform/store/WritePath.h"

namespace actifix::platform {

namespace {

constexpr std::size_t kLabelLines = 4;
constexpr std::size_t kLabelWidth = 40;

// `text` left-aligned in `width` columns, cut when longer.
void Put(std::string& record, const std::string& text, std::size_t width) {
  record.append(text, 0, std::min(text.size(), width));
  record.append(width - std::min(text.size(), width), ' ');
}

}  // namespace

LedgerFile::LedgerFile(std::filesystem::path dataDir, const std::string& companyCode)
    : path_(dataDir / (companyCode + "TampCg.dat")),
      temporary_(dataDir / (companyCode + "TampCg.dat." + std::to_string(getpid()) + ".tmp")) {}

LedgerFile::~LedgerFile() {
  if (out_.is_open()) {
    out_.close();
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
  }
}

std::string LedgerFile::Record(const LedgerEntry& entry) {
  std::string record;
  record.reserve(kRecordLength);
  Put(record, entry.journal, 2);
  Put(record, entry.fixedCode, 2);
  Put(record, entry.entryDate, 10);
  Put(record, entry.account, 10);
  Put(record, entry.accountLabel, 40);
  for (const std::string* empty : {&entry.empty6, &entry.empty7, &entry.empty8})
    Put(record, *empty, 10);
  std::vector<std::string> lines = SplitList(entry.entryLabel);
  lines.resize(kLabelLines);
  for (const std::string& line : lines) Put(record, line, kLabelWidth);
  Put(record, entry.side, 1);
  std::string amount;
  HostConvert().FormatNumber(entry.amount, 2, amount);
  if (amount.size() > 18)
    throw HostError(ErrorKind::kInvalidInput, "HostLedgerFile.WriteEntry", amount,
                    "montant trop grand pour le fichier d'interface comptable");
  record.append(18 - amount.size(), ' ');
  record += amount;
  for (const std::string* empty : {&entry.empty12, &entry.empty13, &entry.empty14, &entry.empty15})
    Put(record, *empty, 10);
  Put(record, entry.filler, 1);
  return record;
}

void LedgerFile::Open() {
  if (out_.is_open()) out_.close();
  OpenNoFollow(out_, temporary_, WriteMode::kNew, "HostLedgerFile.Open");
}

void LedgerFile::WriteEntry(const LedgerEntry& entry) {
  if (!out_.is_open())
    throw HostError(ErrorKind::kInvalidInput, "HostLedgerFile.WriteEntry", path_.string(),
                    "le fichier n'est pas ouvert");
  const std::string record = Record(entry) + "\r\n";
  out_.write(record.data(), static_cast<std::streamsize>(record.size()));
  if (!out_)
    throw HostError(ErrorKind::kIo, "HostLedgerFile.WriteEntry", temporary_.string(),
                    "impossible d'écrire dans le fichier");
}

void LedgerFile::Close() {
  if (!out_.is_open()) return;
  out_.close();
  if (!out_)
    throw HostError(ErrorKind::kIo, "HostLedgerFile.Close", temporary_.string(),
                    "impossible d'écrire dans le fichier");
  std::error_code error;
  std::filesystem::rename(temporary_, path_, error);
  if (error)
    throw HostError(ErrorKind::kIo, "HostLedgerFile.Close", path_.string(),
                    "impossible de remplacer le fichier");
}

}  // namespace actifix::platform
