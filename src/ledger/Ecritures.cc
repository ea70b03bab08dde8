// The general-ledger entries of the period: their forming (AdjEcr), the dotation-by-nature
// table, the disposal entries, the ledger edition and the interface file.
#include <cstdlib>
#include <optional>

#include "fec/EcrituresFEC.h"
#include "host/Cp1252.h"
#include "host/Text.h"
#include "ledger/MImmoLedger.h"
#include "state/Amounts.h"
#include "state/EditionText.h"

namespace actifix {

namespace {

void Report(const std::string& message) { Runtime().Report(message, "AdjEcr", TrueValue()); }

}  // namespace

void AdjEcr(const std::string& account, std::string& label, const std::string& side,
            const double& amount, const std::string& defaultLabel) {
  MImmoState& m = MImmo();
  const std::string trimmed = Trimmed(account);
  if (trimmed.empty())
    Report("Ecriture " + label +
           std::string(" - No Compte Non Mentionné dans la Nature d'Immo ou dans la Fiche "
                       "d'Immobilisation"_w));
  std::string key;
  Convert().Pad(account, 0, 10, key);
  const auto [known, added] = m.edt.accountLabels.try_emplace(key);
  if (added) {
    int16_t found = 0;
    KeyedFile().Find(m.kPcimo, key, m.fPcimo, found);
    if (found != 0) known->second = m.pcimo.NOMCPTCG.str();
  }
  std::string accountLabel = defaultLabel;
  if (known->second) {
    accountLabel = *known->second;
  } else if (Trim(defaultLabel).empty()) {
    Report("No Compte <" + trimmed + "> Inconnu dans le Plan Comptable Immo");
  }
  accountLabel = Trimmed(accountLabel);
  Brackets().Combine(label, accountLabel);
  std::string entry;
  Brackets().FromArray({trimmed, accountLabel, label, side, edt::Amount2(amount)}, entry);
  if (IsZero2(amount)) return;
  m.edt.entries.push_back(std::move(entry));
}

namespace {

// The row of the nature of the asset in the buffer, made at the end of the table when new.
NatureDotation& NatureRow() {
  MImmoState& m = MImmo();
  EditionState& e = m.edt;
  const std::string code = Trimmed(m.immo.CODNATI.view());
  auto [it, added] = e.dotationRow.try_emplace(code, e.dotations.size());
  if (added) e.dotations.push_back({code, m.nature.NCIDOT, m.nature.NCIAMO, ""});
  return e.dotations[it->second];
}

// The pair of entries of one derogatory movement of a nature: Dr `debit` / Cr `credit`.
void DerogatoryPair(const NatureDotation& row, const std::string& what, double amount,
                    const std::string& debit, FecAccount debitField, const std::string& credit,
                    FecAccount creditField) {
  if (IsZero2(amount)) return;  // nothing at all, not even a check of the accounts
  const MImmoState& m = MImmo();
  const std::string text = "[" + what + " du " + m.exercises[1].startText + " au " +
                           m.edt.criteria.DATFIN.text +
                           std::string(",Amortissements dérogatoires]"_w);
  std::string label = text;
  AdjEcr(debit, label, "D", amount, "");
  FecNoteDotation(row.code, debitField);
  label = text;
  AdjEcr(credit, label, "C", amount, "");
  FecNoteDotation(row.code, creditField);
}

}  // namespace

void AjoutDotationNature(double dotation) {
  NatureDotation& row = NatureRow();
  row.amount = edt::Amount2(edt::ReadAmount(row.amount) + dotation);
}

void AjoutDerogatoireNature(double allowance, double writeBack) {
  NatureDotation& row = NatureRow();
  row.allowance = Round2(row.allowance + allowance);
  row.writeBack = Round2(row.writeBack + writeBack);
}

void EcrituresCession(std::string& label, double cumulFin, double vnc, double price) {
  MImmoState& m = MImmo();
  const NatureRecord& n = m.nature;
  AdjEcr(n.NCIAMO, label, "D", cumulFin, "");
  FecNoteDisposal(FecAccount::kNCIAMO);
  AdjEcr(n.NCIMAT, label, "C", cumulFin, "");
  FecNoteDisposal(FecAccount::kNCIMAT);
  AdjEcr(n.NCIVNC, label, "D", vnc, "");
  FecNoteDisposal(FecAccount::kNCIVNC);
  AdjEcr(n.NCIMAT, label, "C", vnc, "");
  FecNoteDisposal(FecAccount::kNCIMAT);
  if (price == 0) return;
  if (Trim(m.immo.NCTRES.view()).empty()) m.immo.NCTRES = "No Ct Omis";
  AdjEcr(m.immo.NCTRES, label, "D", price, Trimmed(m.immo.NOMCLT.view()));
  FecNoteDisposal(FecAccount::kNCTRES);
  AdjEcr(n.NCIPROD, label, "C", price, "");
  FecNoteDisposal(FecAccount::kNCIPROD);
}

void EdtEcritures() {
  MImmoState& m = MImmo();
  EditionState& e = m.edt;
  if (Trim(m.parimo.COMPTA.view()) != "O") return;
  const HostBracketList& brackets = Brackets();
  HostEdition& edition = Edition();
  const EditionCriteria& c = e.criteria;

  const std::size_t disposalEntries = e.entries.size();
  for (const NatureDotation& row : e.dotations) {
    const double amount = edt::ReadAmount(row.amount);
    std::string label = "[Dotation du " + c.DATDEB.text + " au " + c.DATFIN.text + "]";
    AdjEcr(row.NCIDOT, label, "D", amount, "");
    FecNoteDotation(row.code, FecAccount::kNCIDOT);
    label = "[Dotation du " + c.DATDEB.text + " au " + c.DATFIN.text + "]";
    AdjEcr(row.NCIAMO, label, "C", amount, "");
    FecNoteDotation(row.code, FecAccount::kNCIAMO);
    // The derogatory movement of the nature's assets (none unless the fiscal option is on):
    // Dr allowance / Cr provision, then Dr provision / Cr write-back.
    const FiscalSettings& f = m.fiscal;
    DerogatoryPair(row, "Dotation", row.allowance, f.allowance, FecAccount::kFiscalAllowance,
                   f.provision, FecAccount::kFiscalProvision);
    DerogatoryPair(row, "Reprise", row.writeBack, f.provision, FecAccount::kFiscalProvision,
                   f.writeBack, FecAccount::kFiscalWriteBack);
  }

  // A run without an entry, or one that posts nothing, leaves the interface file and the FEC
  // extract as the last run left them: entries not yet imported there are not lost.
  std::unique_ptr<HostLedgerFile> file = InstalledHostFactory().MakeLedgerFile();
  const bool posts = !e.entries.empty() && file->Posts();
  if (posts) file->Open();
  edition.NewPage();
  edition.AddStyledTitle("ECRITURES DE COMPTABILITE GENERALE Au " + c.DATFIN.text, "PD", "Arial");
  edition.DefineColumns(
      "[PS,1,[[NC,No COMPTE,A,10,G],[LIB,LIBELLE,A,60,G],[D,DEBIT,M,11,2,D],[C,CREDIT,M,11,2,D]],"
      "[D,C]]");
  std::optional<FecExtract> fec;  // the same entries for the FEC extract
  if (posts) fec.emplace();
  double balance = 0;
  const std::size_t count = e.entries.size();
  for (std::size_t k = 0; k < count; ++k) {
    // The dotation entries first, then the disposal entries, each in the order made.
    const std::size_t index =
        k < count - disposalEntries ? disposalEntries + k : k - (count - disposalEntries);
    std::string entry = e.entries[index];
    std::string account, accountLabel, label, side, amountText;
    for (std::string* part : {&account, &accountLabel, &label, &side, &amountText})
      brackets.TakeFirst(entry, *part);
    const double amount = edt::ReadAmount(amountText);
    std::string lines = label, line;
    brackets.TakeFirst(lines, line);
    edition.SetCell("NC", account, "@");
    edition.SetCell("LIB", line, "@");
    edition.SetCell(side, amountText, "@");
    edition.PrintLine();
    while (lines != "[]") {
      brackets.First(lines, line);
      edition.SetCell("LIB", line, "@");
      edition.PrintLine();
    }
    balance = Round2(side == "D" ? balance + amount : balance - amount);
    if (IsZero2(balance)) edition.Step(1);
    LedgerEntry record;
    record.journal = "OD";
    record.fixedCode = " 1";
    record.entryDate = c.DATFIN.text;
    record.account = account;
    record.accountLabel = accountLabel;
    record.entryLabel = label;
    record.side = side;
    record.amount = amount;
    record.filler = " ";
    if (!posts) continue;
    file->WriteEntry(record);
    fec->Add(index, record, IsZero2(balance));
  }
  edition.PrintTotals("[D,C]");
  edition.PrintTotalLine("[[[LIB,TOTAL]],[[D,1],[C,1]]]", "+");
  edition.ResetTotals("[D,C]");
  edition.NewPage();
  if (posts) {
    file->Close();
    fec->Finish();
  }
  int16_t status = 0;
  Screen().Clear(status);

  std::string prefix, directory;
  Toolkit().CompanyPrefix(prefix);
  Toolkit().DataDirectory(directory);
  int16_t result = 0;
  if (!posts) {
    const std::string files = "@" + prefix + "TampCg.dat@ et @" + prefix +
                              std::string("EcrituresFEC.txt@ du Répertoire @ "_w) + directory +
                              std::string("@ sont laissés tels qu'ils étaient"_w);
    if (e.entries.empty())
      MessageBox().Show("Simple", std::string("Aucune écriture comptable"_w),
                        std::string("Aucune écriture n'a été produite du "_w) + c.DATDEB.text +
                            " au " + c.DATFIN.text + " : les fichiers " + files +
                            std::string(" ; les écritures qu'ils contiennent, intégrées ou non "
                                        "sous Compta Norvel, restent à leur place."_w),
                        result);
    else
      MessageBox().Show("Simple", std::string("Exercice clos : aucune écriture transmise"_w),
                        std::string("Ces écritures sont celles d'un exercice clos, lues dans son "
                                    "archive : elles ont été transmises quand il était en cours "
                                    "et ne sont pas écrites de nouveau. Les fichiers "_w) +
                            files + ".",
                        result);
    return;
  }
  MessageBox().Show(
      "Simple", std::string("Intégration sous Compta Norvel Windows"_w),
      "Le Fichier @" + prefix +
          std::string("TampCg.dat@ d'Interface avec Compta Norvel est à présent résident dans le "
                      "Répertoire  @ "_w) +
          directory +
          std::string("@. Pour Enregistrer les Ecritures dans le Journal  @ OD, Sous Compta Norvel "
                      "@ , dans la ~Gestion des Utilitaires~, lancez, ~Intégration Interface "
                      "d'Entrée - Format Compta Norvel~, Ou plus simplement Utilisez le "
                      "raccourci :  @ I@"_w),
      result);
}

}  // namespace actifix
