#include "refdata/MImmoNat.h"

#include <array>
#include <string>

#include "host/Cp1252.h"
#include "refdata/EntryCycle.h"
#include "refdata/InUse.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

const std::string kTitle = "ENTREE DES NATURES D'IMMOBILISATION";
const std::string kFields =
    "[@COL1,[CODNAT,CODE NATURE DE L'IMMOBILISATION,A,6],[LIBNAT,INTITULE DE LA NATURE,A,30],"
    "@COULN,[NUMNAT,NUMERO D'ORDRE EN COURS,N0,5],@COULI,"
    "[NCIMAT,No DE CPT DE L'IMMOBILISATION,A,10],[NCIAMO,No DE CPT D'AMORTISSEMENT,A,10,S1],"
    "[NCIDOT,No DE CPT DE DOTATION,A,10],[NCIVNC,No DE CPT DE VNC,A,10,S1],"
    "[NCIPROD,No DE CPT DE PRODUIT CESSION,A,10,S1]]";
const std::string kEditionTitle = "EDITION DES NATURES D'IMMOBILISATION";
const std::string kEditionColumns =
    "[PS,1,[[@NATURE,[CODNAT,CODE,A,6,G],[LIBNAT,INTITULE,A,30,G],[NUMNAT,ORDRE,N,5,0,D]],"
    "[@COMPTABILITE GENERALE,[NC,NO DE CPT ,A,10,G],[INC,INTITULE,A,40,G,[A]]]],[]]";

// The five accounts of a nature, in entry order.
constexpr std::size_t kAccountCount = 5;
const std::array<std::string, kAccountCount> kAccountFields = {"NCIMAT", "NCIAMO", "NCIDOT",
                                                               "NCIVNC", "NCIPROD"};
constexpr std::size_t kDepreciationAccount = 1;  // NCIAMO

// The entry texts of a run. The accounts are kept from pass to pass, so a new nature is
// offered the accounts of the nature handled last.
struct NatureTexts {
  std::string code;
  std::string label;
  std::string number;
  std::array<std::string, kAccountCount> accounts = {"", "", "68112", "6752", "7752"};
};

bool IsBlank(const std::string& text) {
  std::string trimmed;
  Convert().Trim(text, trimmed);
  return trimmed.empty();
}

// Looks an account up in the chart of accounts; when found its record is in the buffer.
bool FindAccount(const std::string& account) {
  if (account.empty()) return false;
  MImmoState& m = MImmo();
  const decltype(PcimoRecord::NOCPTCG) key(account);  // looked up padded to 10
  int16_t found = 0;
  KeyedFile().Find(m.kPcimo, key.str(), m.fPcimo, found);
  return found != 0;
}

// The accumulated-depreciation account proposed from the asset account: "8" inserted after
// its first character (2154 gives 28154).
std::string ProposedDepreciationAccount(const std::string& assetAccount) {
  return assetAccount.substr(0, 1) + "8" + (assetAccount.size() > 1 ? assetAccount.substr(1) : "");
}

// Takes the texts from the nature found and shows them.
void ShowNature(NatureTexts& texts) {
  const NatureRecord& n = MImmo().nature;
  HostScreen& screen = Screen();
  texts.label = n.LIBNAT.str();
  texts.number = n.NUMNAT.str();
  texts.accounts = {n.NCIMAT.str(), n.NCIAMO.str(), n.NCIDOT.str(), n.NCIVNC.str(),
                    n.NCIPROD.str()};
  screen.ShowField("LIBNAT", texts.label);
  screen.ShowField("NUMNAT", texts.number);
  for (std::size_t i = 0; i < kAccountCount; ++i)
    screen.ShowField(kAccountFields[i], texts.accounts[i]);
}

// Removes the nature found for the key (its buffer holds it) and forgets the previous record.
void DeleteNature(int32_t current, int32_t& previous) {
  MImmoState& m = MImmo();
  KeyedFile().Delete(m.kNature, m.nature.CODNAT.str(), current, m.fNature);
  previous = 0;
}

// Stores the texts as a nature, the old record (when the code was found) removed first; the
// new record's number becomes the previous record.
void SaveNature(const NatureTexts& texts, bool found, int32_t current, int32_t& previous) {
  MImmoState& m = MImmo();
  if (found) {
    RecordFile().Read(m.fNature, current);
    DeleteNature(current, previous);
  }
  NatureRecord& n = m.nature;
  n.CODNAT = texts.code;
  n.LIBNAT = texts.label;
  n.NUMNAT = texts.number;
  n.NCIMAT = texts.accounts[0];
  n.NCIAMO = texts.accounts[1];
  n.NCIDOT = texts.accounts[2];
  n.NCIVNC = texts.accounts[3];
  n.NCIPROD = texts.accounts[4];
  KeyedFile().Insert(m.kNature, n.CODNAT.str(), m.fNature, previous);
}

// Prints one account of a nature on a line of its own, with its name from the chart of
// accounts; a blank account prints nothing.
void PrintAccountLine(const std::string& account) {
  if (IsBlank(account)) return;
  MImmoState& m = MImmo();
  if (!FindAccount(account)) m.pcimo.NOMCPTCG = "*** Inconnu à Créer ***"_w;
  SetTextCell("NC", account);
  SetTextCell("INC", m.pcimo.NOMCPTCG.str());
  Edition().PrintLine();
}

// One nature of the edition; returns false when the user stops the edition.
bool PrintNature() {
  const MImmoState& m = MImmo();
  const NatureRecord& n = m.nature;
  SetTextCell("CODNAT", n.CODNAT.str());
  SetTextCell("LIBNAT", n.LIBNAT.str());
  SetTextCell("NUMNAT", n.NUMNAT.str());
  if (m.parimo.COMPTA.view() != "O") {
    Edition().PrintLine();
    return !EditionInterrupted();
  }
  for (const std::string& account :
       {n.NCIMAT.str(), n.NCIAMO.str(), n.NCIDOT.str(), n.NCIVNC.str(), n.NCIPROD.str()})
    PrintAccountLine(account);
  return true;
}

}  // namespace

void EntNat() {
  Runtime().Enter();
  MImmoState& m = MImmo();
  HostScreen& screen = Screen();
  const EntryKeys keys = AskEntryKeys();
  const bool withAccounts = m.parimo.COMPTA.view() != "N";
  NatureTexts texts;
  int32_t previous = 0;

  // The fields of a pass after the key: the label, then the five accounts.
  enum class Step { kKey, kLabel, kAccount, kSave, kNextPass, kEnd };
  Step step = Step::kKey;
  while (step != Step::kEnd) {
    texts.code.clear();
    texts.label.clear();
    texts.number = "0";
    BeginEntryPass(kTitle, kFields, "CODNAT");
    if (previous != 0) {
      RecordFile().Read(m.fNature, previous);
      ShowPreviousRecord(m.nature.CODNAT.str());
    }

    int16_t key = 0;
    bool found = false;
    int32_t current = 0;
    std::size_t account = 0;
    step = Step::kKey;
    while (step != Step::kNextPass && step != Step::kEnd) {
      switch (step) {
        case Step::kKey: {
          screen.AskField("CODNAT", texts.code, key, "[]", "B");
          if (keys.IsBack(key)) break;
          if (texts.code.empty()) {
            step = Step::kEnd;
            break;
          }
          m.nature.CODNAT = texts.code;
          int16_t foundFlag = 0;
          KeyedFile().Find(m.kNature, m.nature.CODNAT.str(), m.fNature, foundFlag);
          found = foundFlag != 0;
          if (found) {
            RecordFile().LastRecordNumber(m.fNature, current);
            ShowNature(texts);
          }
          // A deletion refused while cards use the nature stays on the key, as when not
          // confirmed.
          const KeyOutcome outcome = AfterKey(
              keys, "CODNAT", found, key, [&] { return NatureInUse(m.nature.CODNAT.str()); },
              [&] { DeleteNature(current, previous); });
          if (outcome == KeyOutcome::kDeleted) step = Step::kNextPass;
          if (outcome == KeyOutcome::kEntry) step = Step::kLabel;
          break;
        }
        case Step::kLabel:
          screen.AskField("LIBNAT", texts.label, key, "[]", "B");
          if (keys.IsBack(key)) {
            step = Step::kKey;
          } else if (key == keys.f1) {
            step = Step::kSave;
          } else if (!texts.label.empty()) {
            screen.ShowField("NUMNAT", texts.number);
            account = 0;
            step = withAccounts ? Step::kAccount : Step::kSave;
          } else {
            screen.RefuseField("LIBNAT",
                               std::string("intitulé à donner (F1 : enregistrer sans)"_w));
          }
          break;
        case Step::kAccount: {
          std::string& text = texts.accounts[account];
          if (account == kDepreciationAccount && IsBlank(text))
            text = ProposedDepreciationAccount(texts.accounts[0]);
          screen.AskField(kAccountFields[account], text, key, "[]", "B");
          if (key == keys.up) {
            if (account == 0)
              step = Step::kLabel;
            else
              --account;
          } else if (key == keys.pageUp) {
            step = Step::kKey;
          } else if (key == keys.f1) {
            step = Step::kSave;
          } else if (FindAccount(text)) {
            screen.SetFieldNote(kAccountFields[account], "B", m.pcimo.NOMCPTCG.str());
            if (++account == kAccountCount) step = Step::kSave;
          } else {
            screen.RefuseField(kAccountFields[account],
                               IsBlank(text) ? std::string("compte à donner"_w)
                                             : std::string("compte absent du plan comptable "
                                                           "immobilisations : créez-le d'abord"_w));
          }
          break;
        }
        case Step::kSave:
          SaveNature(texts, found, current, previous);
          step = Step::kNextPass;
          break;
        case Step::kNextPass:
        case Step::kEnd:
          break;
      }
    }
  }

  PrintFileEdition(m.kNature, m.fNature, kEditionTitle, kEditionColumns, PrintNature);
  Runtime().Leave();
}

}  // namespace actifix
