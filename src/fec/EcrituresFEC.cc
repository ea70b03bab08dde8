#include "fec/EcrituresFEC.h"

#include <algorithm>

#include "host/Cp1252.h"
#include "host/HostFactory.h"
#include "host/Text.h"
#include "state/EditionText.h"

namespace actifix {

namespace {

void Note(const FecOrigin& origin) {
  EditionState& e = MImmo().edt;
  e.entryOrigins.resize(e.entries.size(), origin);
}

// The entry's label lines, joined by " - " on one line.
std::string OneLine(const std::string& label) {
  std::string lines = label, line, joined;
  while (lines != "[]" && !lines.empty()) {
    Brackets().TakeFirst(lines, line);
    line = Trimmed(line);
    if (line.empty()) continue;
    if (!joined.empty()) joined += " - ";
    joined += line;
  }
  return joined;
}

// Where the derogatory entries' accounts are set: the company's fiscal option.
std::string FiscalAccountsCommand() {
  std::string prefix;
  Toolkit().CompanyPrefix(prefix);
  return " (actifix company fiscal " + Trimmed(prefix) + " --comptes P D R)";
}

// What to correct for an entry whose account came from `origin.account`.
std::string WhereToCorrect(const FecOrigin& origin) {
  const std::string nature = " de la nature " + origin.nature;
  switch (origin.account) {
    case FecAccount::kNCIDOT:
      return "le compte de dotation" + nature;
    case FecAccount::kNCIAMO:
      return "le compte d'amortissement" + nature;
    case FecAccount::kNCIMAT:
      return "le compte d'immobilisation" + nature;
    case FecAccount::kNCIVNC:
      return "le compte de valeur nette comptable des cessions" + nature;
    case FecAccount::kNCIPROD:
      return "le compte de produit des cessions" + nature;
    case FecAccount::kFiscalProvision:
      return std::string("le compte de provision des amortissements dérogatoires"_w) +
             FiscalAccountsCommand();
    case FecAccount::kFiscalAllowance:
      return std::string("le compte de dotation aux amortissements dérogatoires"_w) +
             FiscalAccountsCommand();
    case FecAccount::kFiscalWriteBack:
      return std::string("le compte de reprise sur amortissements dérogatoires"_w) +
             FiscalAccountsCommand();
    case FecAccount::kNCTRES:
      break;
  }
  return std::string("le compte de trésorerie ou client de la fiche d'immobilisation "_w) +
         origin.nature + " " + origin.order;
}

}  // namespace

void FecNoteDisposal(FecAccount account) {
  const AssetRecord& a = MImmo().immo;
  Note({Trimmed(a.CODNATI.view()), Trimmed(a.NUMNATI.view()), account});
}

void FecNoteDotation(const std::string& code, FecAccount account) {
  Note({Trimmed(code), "", account});
}

bool FecAccountValid(const std::string& account) {
  const std::string trimmed = Trimmed(account);
  if (trimmed.size() < 3) return false;
  for (std::size_t i = 0; i < 3; ++i)
    if (trimmed[i] < '0' || trimmed[i] > '9') return false;
  return true;
}

FecExtract::FecExtract() : file_(InstalledHostFactory().MakeFecFile()) { file_->Open(); }

void FecExtract::Add(std::size_t index, const LedgerEntry& entry, bool closesGroup) {
  const std::vector<FecOrigin>& origins = MImmo().edt.entryOrigins;
  const FecOrigin origin = index < origins.size() ? origins[index] : FecOrigin{};
  FecLine line;
  line.number = number_;
  line.date = entry.entryDate;
  line.account = Trimmed(entry.account);
  line.accountLabel = Trimmed(entry.accountLabel);
  const std::string text = OneLine(entry.entryLabel);
  line.label = text;
  if (origin.order.empty()) {
    line.pieceRef = (IsDerogatory(origin.account) ? "DER-" : "DOT-") + origin.nature;
    line.label += " - nature " + origin.nature;
  } else {
    line.pieceRef = "CES-" + origin.nature + "-" + origin.order;
  }
  line.side = entry.side;
  line.amount = entry.amount;
  if (!FecAccountValid(line.account)) {
    std::string amount;
    Convert().FormatAmount(line.amount, 2, amount);
    const std::string what =
        IsDerogatory(origin.account)
            ? std::string("amortissements dérogatoires de la nature "_w) + origin.nature
        : origin.order.empty()
            ? "dotation de la nature " + origin.nature
            : "cession de l'immobilisation " + origin.nature + " " + origin.order;
    const std::string fault = line.account.empty() ? "n'a pas de compte"
                                                   : "a le compte " + line.account +
                                                         " qui ne commence pas par trois chiffres";
    std::string message("L'écriture "_w);
    message += std::string(line.side == "D" ? "au débit"_w : "au crédit"_w) + " de " + amount +
               " (" + what + ", " + text + ") " + fault + " : corrigez " + WhereToCorrect(origin) +
               std::string(" puis relancez l'édition."_w);
    // "@" and "~" mark emphasis in a message box: a label's own stay plain.
    std::replace(message.begin(), message.end(), '@', ' ');
    std::replace(message.begin(), message.end(), '~', '-');
    faults_.push_back(std::move(message));
  }
  if (faults_.empty()) file_->WriteLine(line);  // past a fault the draft is dropped anyway
  if (closesGroup) ++number_;
}

void FecExtract::Finish() {
  if (faults_.empty()) {
    file_->Commit();
    return;
  }
  file_->Discard();
  std::string prefix;
  Toolkit().CompanyPrefix(prefix);
  const std::string title = "Fichier " + prefix + std::string("EcrituresFEC.txt non écrit"_w);
  // Past the first few, one more box counts the rest: a register of thousands of disposals
  // missing one account must not ask for thousands of key presses.
  constexpr std::size_t kShown = 10;
  int16_t result = 0;
  for (std::size_t i = 0; i < faults_.size() && i < kShown; ++i)
    MessageBox().Show("Simple", title, faults_[i], result);
  if (faults_.size() > kShown)
    MessageBox().Show("Simple", title,
                      "Et " + std::to_string(faults_.size() - kShown) +
                          std::string(" autres écritures sans compte valable : corrigez les "
                                      "comptes des natures et des fiches, puis relancez "
                                      "l'édition."_w),
                      result);
}

}  // namespace actifix
