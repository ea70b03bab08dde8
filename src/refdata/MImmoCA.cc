#include "refdata/MImmoCA.h"

#include <string>

#include "host/Cp1252.h"
#include "refdata/EntryCycle.h"
#include "refdata/InUse.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

const std::string kTitle = "ENTREE DES CODES ANALYSES - Ecran Initial";
const std::string kFields =
    "[@COL1,[TYPANA,TYPE D'ANALYSE,A,2],[CODEANA,CODE,A,6],[NOMANA,INTITULE,A,30]]";
const std::string kEditionTitle = "EDITION DES CODES ANALYSE";
const std::string kEditionColumns =
    "[MS,1,[[TYPANA,TYPE D'ANALYSE,A,30,G],[CODEANA,CODE,A,6,G],[NOMANA,INTITULE,A,30,G]],[]]";

// The number a text starts with, as the host reads a number typed in a text field: leading
// blanks skipped, then an optional sign and digits; anything else reads as 0.
int32_t ReadNumber(const std::string& text) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return 0;
  bool negative = false;
  if (text[i] == '-' || text[i] == '+') negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT32_MAX) return 0;  // beyond any heading number
  }
  return static_cast<int32_t>(negative ? -value : value);
}

// The label of heading number `type` (from 1); "" when the list has no such heading.
std::string HeadingLabel(int32_t type) {
  std::string label;
  Brackets().Item(MImmo().headingList, type, label);
  return label;
}

// The stored key of the analytic-code buffer: TYPANA & CODEANA.
std::string StoredKey() {
  const AnaimoRecord& a = MImmo().anaimo;
  return a.TYPANA.str() + a.CODEANA.str();
}

// Removes the code found for the key (its buffer holds it) and forgets the previous record.
void DeleteCode(int32_t current, int32_t& previous) {
  MImmoState& m = MImmo();
  KeyedFile().Delete(m.kAnaimo, StoredKey(), current, m.fAnaimo);
  previous = 0;
}

// Prints the codes grouped by heading, the heading's label on the first line of each group.
void PrintCodes() {
  MImmoState& m = MImmo();
  std::string lastType;
  PrintFileEdition(m.kAnaimo, m.fAnaimo, kEditionTitle, kEditionColumns, [&] {
    const AnaimoRecord& a = m.anaimo;
    HostEdition& edition = Edition();
    if (a.TYPANA.str() != lastType) {
      if (!lastType.empty()) edition.Step(3);
      SetTextCell("TYPANA", HeadingLabel(ReadNumber(a.TYPANA.str())));
      lastType = a.TYPANA.str();
    }
    SetTextCell("CODEANA", a.CODEANA.str());
    SetTextCell("NOMANA", a.NOMANA.str());
    edition.PrintLine();
    return !EditionInterrupted();
  });
}

}  // namespace

void EntAnaI() {
  Runtime().Enter();
  MImmoState& m = MImmo();
  std::string headings;
  Convert().Trim(m.headingList, headings);
  // A list that is empty, or so malformed that it counts no heading, leaves nothing to enter.
  if (headings.empty() || headings == "[]" || m.headingCount <= 0) {
    int16_t result = 0;
    MessageBox().Show("Simple", "Saisie des Codes Analyse",
                      std::string("La Liste des Intitulés Analytique est @Vide@ dans les "
                                  "Paramètres de l'Entreprise. Il n'y a donc pas lieu de saisir "
                                  "de Codes Analytique associés aux Intitulés"_w),
                      result);
    Runtime().Leave();
    return;
  }

  HostScreen& screen = Screen();
  const EntryKeys keys = AskEntryKeys();
  int32_t previous = 0;
  // The type stays from pass to pass; the last heading is offered first.
  std::string typeText = std::to_string(m.headingCount);

  enum class Step { kType, kCode, kLabel, kSave, kNextPass, kEnd };
  Step step = Step::kType;
  while (step != Step::kEnd) {
    std::string codeText;
    std::string labelText;
    BeginEntryPass(kTitle, kFields, "CODEANA");
    if (previous != 0) {
      RecordFile().Read(m.fAnaimo, previous);
      ShowPreviousRecord(StoredKey());
    }

    int16_t key = 0;
    bool found = false;
    int32_t current = 0;
    step = Step::kType;
    while (step != Step::kNextPass && step != Step::kEnd) {
      switch (step) {
        case Step::kType: {
          screen.SetFieldHint("TYPANA", "N", m.headingLegend);
          screen.AskField("TYPANA", typeText, key, "[]", "B");
          if (keys.IsBack(key) || typeText.empty()) {
            step = Step::kEnd;
            break;
          }
          const int32_t type = ReadNumber(typeText);
          typeText = std::to_string(type);
          if (type < 1 || type > m.headingCount) {
            screen.RefuseField("TYPANA", "type entre 1 et " + std::to_string(m.headingCount));
            break;
          }
          screen.SetFieldNote("TYPANA", "B", HeadingLabel(type));
          step = Step::kCode;
          break;
        }
        case Step::kCode: {
          screen.AskField("CODEANA", codeText, key, "[]", "B");
          if (keys.IsBack(key)) {
            step = Step::kType;
            break;
          }
          if (codeText.empty()) {
            screen.RefuseField("CODEANA", std::string("code à donner"_w));
            break;
          }
          m.anaimo.TYPANA = typeText;
          m.anaimo.CODEANA = codeText;
          int16_t foundFlag = 0;
          KeyedFile().Find(m.kAnaimo, StoredKey(), m.fAnaimo, foundFlag);
          found = foundFlag != 0;
          if (found) {
            RecordFile().LastRecordNumber(m.fAnaimo, current);
            labelText = m.anaimo.NOMANA.str();
            screen.ShowField("NOMANA", labelText);
          }
          // A deletion refused while cards hold the code under this heading goes back to the
          // type, as when not confirmed.
          const KeyOutcome outcome = AfterKey(
              keys, "CODEANA", found, key,
              [&] { return AnalyticCodeInUse(ReadNumber(typeText), m.anaimo.CODEANA.str()); },
              [&] { DeleteCode(current, previous); });
          step = outcome == KeyOutcome::kDeleted ? Step::kNextPass
                 : outcome == KeyOutcome::kKept  ? Step::kType
                                                 : Step::kLabel;
          break;
        }
        case Step::kLabel:
          screen.AskField("NOMANA", labelText, key, "[]", "B");
          if (key == keys.up)
            step = Step::kCode;
          else if (key == keys.pageUp)
            step = Step::kType;
          else if (key == keys.f1 || !labelText.empty())
            step = Step::kSave;
          else
            screen.RefuseField("NOMANA",
                               std::string("intitulé à donner (F1 : enregistrer sans)"_w));
          break;
        case Step::kSave:
          if (found) {
            RecordFile().Read(m.fAnaimo, current);
            DeleteCode(current, previous);
          }
          m.anaimo.TYPANA = typeText;
          m.anaimo.CODEANA = codeText;
          m.anaimo.NOMANA = labelText;
          KeyedFile().Insert(m.kAnaimo, StoredKey(), m.fAnaimo, previous);
          step = Step::kNextPass;
          break;
        case Step::kNextPass:
        case Step::kEnd:
          break;
      }
    }
  }

  PrintCodes();
  Runtime().Leave();
}

}  // namespace actifix
