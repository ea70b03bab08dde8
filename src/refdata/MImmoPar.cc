#include "refdata/MImmoPar.h"

#include <string>

#include "host/Cp1252.h"
#include "refdata/EntryCycle.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

const std::string kTitle = "ENTREE DES PARAMETRES DE L'ENTREPRISE - Ecran Initial";
const std::string kFields =
    "[[CEIMO,CODE ENTREPRISE,A,2],[LINTANA,LISTE DES INTITULES ANALYTIQUES,A,50],"
    "[COMPTA,GESTION COMPTABILITE DES IMMOBILISATIONS,B]]";
const std::string kEditionTitle = "EDITION DES PARAMETRES DE L'ENTREPRISE";
const std::string kEditionColumns =
    std::string("[PS,1,[[RUB,Rubriques,A,40,G],[DON,Données,A,80,G]],[]]"_w);

// The edition keeps the first 80 characters of the heading list (the record holds 100).
constexpr std::size_t kPrintedListWidth = 80;

// The texts of one pass of the screen.
struct ParameterTexts {
  std::string company;
  std::string headings;
  std::string accounting;
};

// Looks the company's record up and shows what the screen starts from; returns whether it
// exists, with its record number in `current`.
bool LookUpParameters(ParameterTexts& texts, int32_t& current) {
  MImmoState& m = MImmo();
  HostScreen& screen = Screen();
  screen.ShowField("CEIMO", texts.company);
  m.parimo.CEIMO = texts.company;
  int16_t found = 0;
  KeyedFile().Find(m.kParimo, m.parimo.CEIMO.str(), m.fParimo, found);
  if (found != 0) {
    RecordFile().LastRecordNumber(m.fParimo, current);
    texts.headings = m.parimo.LINTANA.str();
    texts.accounting = m.parimo.COMPTA.str();
    screen.ShowField("LINTANA", texts.headings);
    screen.ShowField("COMPTA", texts.accounting);
  }
  ShowModeNote("CEIMO", found != 0, false);
  ShowEntryMessage();
  return found != 0;
}

// Stores the texts as the company's record, the old record (when there is one) removed first.
void SaveParameters(const ParameterTexts& texts, bool found, int32_t current) {
  MImmoState& m = MImmo();
  if (found) {
    RecordFile().Read(m.fParimo, current);
    KeyedFile().Delete(m.kParimo, m.parimo.CEIMO.str(), current, m.fParimo);
  }
  m.parimo.CEIMO = texts.company;
  m.parimo.LINTANA = texts.headings;
  m.parimo.COMPTA = texts.accounting;
  int32_t number = 0;
  KeyedFile().Insert(m.kParimo, m.parimo.CEIMO.str(), m.fParimo, number);
}

// One row of the edition: a label and its value. Returns false when the user stops the edition.
bool PrintParameterRow(const std::string& label, const std::string& value) {
  SetTextCell("RUB", label);
  SetTextCell("DON", value);
  Edition().PrintLine();
  return !EditionInterrupted();
}

// Prints each parameter record on a page of its own.
void PrintParameters() {
  MImmoState& m = MImmo();
  HostEdition& edition = Edition();
  int16_t found = 0;
  std::string key = EmptyText();
  KeyedFile().First(m.kParimo, m.fParimo, found, key);
  if (found == 0) return;
  OpenTitledEdition(kEditionTitle);
  while (found != 0) {
    AddTitleAndColumns(kEditionColumns);
    if (EditionInterrupted()) break;
    if (!PrintParameterRow("CODE ENTREPRISE", m.parimo.CEIMO.str())) break;
    if (!PrintParameterRow("LISTE DES INTITULES ANALYTIQUES",
                           m.parimo.LINTANA.str().substr(0, kPrintedListWidth)))
      break;
    std::string accounting = m.parimo.COMPTA.str();
    Screen().FormatValue(accounting, "B");
    if (!PrintParameterRow("GESTION COMPTABILITE DES IMMOBILISATIONS", accounting)) break;
    edition.Step(1);
    edition.PrintTotals("[]");
    edition.NewPage();
    key = EmptyText();
    KeyedFile().Next(m.kParimo, m.fParimo, found, key);
  }
  edition.Close(0);
}

// "Erreur de notation au" & position & "ème Caractère".
std::string NotationErrorHint(int32_t position) {
  return "Erreur de notation au" + std::to_string(position) + std::string("ème Caractère"_w);
}

}  // namespace

void EntPar() {
  Runtime().Enter();
  HostScreen& screen = Screen();
  const EntryKeys keys = AskEntryKeys();

  ParameterTexts texts;
  Toolkit().CompanyPrefix(texts.company);
  texts.headings = "[]";
  texts.accounting = "O";
  BeginEntryPass(kTitle, kFields, "CEIMO");

  enum class Step { kLookUp, kHeadings, kAccounting, kSave, kLeave };
  Step step = Step::kLookUp;
  bool found = false;
  int32_t current = 0;
  int16_t key = 0;
  while (step != Step::kSave && step != Step::kLeave) {
    switch (step) {
      case Step::kLookUp:
        found = LookUpParameters(texts, current);
        step = Step::kHeadings;
        break;
      case Step::kHeadings: {
        screen.AskField("LINTANA", texts.headings, key, "[]", "B");
        if (keys.IsBack(key)) {
          step = Step::kLeave;
        } else if (key == keys.f1) {
          step = Step::kSave;  // saved as typed, well formed or not
        } else {
          int16_t correct = 0;
          int32_t position = 0;
          Brackets().CheckNotation(texts.headings, correct, position);
          if (correct == 0) {
            screen.SetFieldHint("LINTANA", "B", NotationErrorHint(position));
          } else {
            screen.SetFieldHint("LINTANA", "B", EmptyText());
            step = Step::kAccounting;
          }
        }
        break;
      }
      case Step::kAccounting:
        screen.AskField("COMPTA", texts.accounting, key, "[]", "B");
        if (key == keys.up)
          step = Step::kHeadings;
        else if (key == keys.pageUp)
          step = Step::kLookUp;
        else
          step = Step::kSave;
        break;
      case Step::kSave:
      case Step::kLeave:
        break;
    }
  }

  if (step == Step::kSave) {
    SaveParameters(texts, found, current);
    PrintParameters();
  }
  Runtime().Leave();
}

}  // namespace actifix
