#include "refdata/EntPCI.h"

#include "front/MImmo.h"
#include "host/Cp1252.h"
#include "refdata/InUse.h"

namespace actifix {

namespace {

const std::string kTitle = "ENTREE DU PLAN COMPTABLE IMMOBILISATION - Ecran Initial";
const std::string kFields =
    "[[NOCPTCG,NUMERO COMPTE DE COMPTABILITE GENERALE,A,10],"
    "[NOMCPTCG,NOM DU COMPTE DE COMPTABILITE GENERALE,A,40]]";
const std::string kEditionTitle = "EDITION DU PLAN COMPTABLE IMMOBILISATION";
const std::string kEditionColumns =
    "[PS,1,[[NOCPTCG,NUMERO COMPTE DE COMPTABILITE GENERALE,A,10,G],"
    "[NOMCPTCG,NOM DU COMPTE DE COMPTABILITE GENERALE,A,40,G]],[]]";

// Removes the record found for the key (its buffer holds it) and forgets the previous record.
void DeleteAccount(int32_t current, int32_t& previous) {
  MImmoState& m = MImmo();
  KeyedFile().Delete(m.kPcimo, m.pcimo.NOCPTCG.str(), current, m.fPcimo);
  previous = 0;
}

}  // namespace

EntryKeys AskEntryKeys() {
  HostToolkit& toolkit = Toolkit();
  EntryKeys keys;
  toolkit.KeyF1(keys.f1);
  toolkit.KeyF6(keys.f6);
  toolkit.KeyUp(keys.up);
  toolkit.KeyPageUp(keys.pageUp);
  toolkit.KeyValidate(keys.validate);
  return keys;
}

void BeginEntryPass(const std::string& title, const std::string& fieldList,
                    const std::string& keyField) {
  HostScreen& screen = Screen();
  int16_t status = 0;
  screen.Clear(status);
  screen.SetTitle(title);
  screen.DefineFields(fieldList);
  screen.SetFieldHint(keyField, "B", "Suppression : Confirmez par F6");
}

void ShowPreviousRecord(const std::string& storedKey) {
  Screen().ShowMessage("B", std::string("Enregistrement Précédent "_w) + storedKey);
}

void ShowModeNote(const std::string& keyField, bool found, bool deleting) {
  if (!found)
    Screen().SetFieldNote(keyField, "B", std::string("Création"_w));
  else
    Screen().SetFieldNote(keyField, "I", deleting ? "SUPPRESSION" : "MODIFICATION");
}

void ShowEntryMessage() {
  Screen().ShowMessage("B", std::string("F1 Enregistrement - Flêche et Page Haut Pour Remontée"_w));
}

bool ConfirmDeletion(const EntryKeys& keys) {
  int16_t answer = FalseValue();
  int16_t key = 0;
  Screen().AskConfirm(answer, key, "B");
  return key == keys.validate && answer != 0;
}

KeyOutcome AfterKey(const EntryKeys& keys, const std::string& keyField, bool found, int16_t key,
                    const std::function<std::string()>& inUse, const std::function<void()>& erase) {
  ShowModeNote(keyField, found, key == keys.f6);
  if (key == keys.f6 && found) {
    if (!ConfirmDeletion(keys) || DeletionRefused(inUse())) return KeyOutcome::kKept;
    erase();
    return KeyOutcome::kDeleted;
  }
  ShowEntryMessage();
  return KeyOutcome::kEntry;
}

bool EditionInterrupted() {
  int16_t flag = 0;
  Toolkit().Interrupted(flag);
  return flag != 0;
}

void OpenTitledEdition(const std::string& title) {
  HostToolkit& toolkit = Toolkit();
  toolkit.SetEditionTitle(title);
  const int16_t falseValue = FalseValue();
  const int16_t zero1 = ZeroValue();
  const int16_t zero2 = ZeroValue();
  std::string readBack;
  toolkit.GetEditionTitle(readBack);
  Edition().Open(falseValue, zero1, zero2, readBack, -1);
}

void AddTitleAndColumns(const std::string& descriptor) {
  std::string title;
  Toolkit().GetEditionTitle(title);
  Edition().AddTitle(title, "G");
  Edition().DefineColumns(descriptor);
}

void SetTextCell(const std::string& column, const std::string& text) {
  Edition().SetCell(column, text, "@");
}

void PrintFileEdition(int16_t keyHandle, int16_t recordHandle, const std::string& title,
                      const std::string& descriptor, const std::function<bool()>& printRecord) {
  int16_t found = 0;
  std::string key = EmptyText();
  KeyedFile().First(keyHandle, recordHandle, found, key);
  if (found == 0) return;
  OpenTitledEdition(title);
  AddTitleAndColumns(descriptor);
  HostEdition& edition = Edition();
  bool stopped = EditionInterrupted();
  while (!stopped && found != 0) {
    if (!printRecord()) {
      stopped = true;
      break;
    }
    edition.Step(1);
    key = EmptyText();
    KeyedFile().Next(keyHandle, recordHandle, found, key);
  }
  if (!stopped) edition.PrintTotals("[]");
  edition.Close(0);
}

void EntPCI() {
  Runtime().Enter();
  MImmoState& m = MImmo();
  HostScreen& screen = Screen();
  const EntryKeys keys = AskEntryKeys();
  int32_t previous = 0;

  bool entering = true;
  while (entering) {
    std::string keyText;
    std::string nameText;
    BeginEntryPass(kTitle, kFields, "NOCPTCG");
    if (previous != 0) {
      RecordFile().Read(m.fPcimo, previous);
      ShowPreviousRecord(m.pcimo.NOCPTCG.str());
    }

    int16_t key = 0;
    int16_t found = 0;
    int32_t current = 0;
    bool askingKey = true;
    for (;;) {
      if (askingKey) {
        screen.AskField("NOCPTCG", keyText, key, "[]", "B");
        if (keys.IsBack(key)) continue;  // no field above the key
        if (keyText.empty()) {
          entering = false;
          break;
        }
        m.pcimo.NOCPTCG = keyText;
        KeyedFile().Find(m.kPcimo, m.pcimo.NOCPTCG.str(), m.fPcimo, found);
        if (found != 0) {
          RecordFile().LastRecordNumber(m.fPcimo, current);
          nameText = m.pcimo.NOMCPTCG.str();
          screen.ShowField("NOMCPTCG", nameText);
        }
        // A deletion refused while a nature names the account goes back to the key, as when
        // not confirmed.
        const KeyOutcome outcome = AfterKey(
            keys, "NOCPTCG", found != 0, key, [&] { return AccountInUse(m.pcimo.NOCPTCG.str()); },
            [&] { DeleteAccount(current, previous); });
        if (outcome == KeyOutcome::kDeleted) break;
        askingKey = outcome == KeyOutcome::kKept;
        continue;
      }

      screen.AskField("NOMCPTCG", nameText, key, "[]", "B");
      if (keys.IsBack(key)) {
        askingKey = true;
        continue;
      }
      if (key != keys.f1 && nameText.empty()) {
        screen.RefuseField("NOMCPTCG",
                           std::string("nom du compte à donner (F1 : enregistrer sans)"_w));
        continue;
      }

      // A modification is stored as the old record deleted and a new one inserted.
      if (found != 0) {
        RecordFile().Read(m.fPcimo, current);
        DeleteAccount(current, previous);
      }
      m.pcimo.NOCPTCG = keyText;
      m.pcimo.NOMCPTCG = nameText;
      KeyedFile().Insert(m.kPcimo, m.pcimo.NOCPTCG.str(), m.fPcimo, previous);
      break;
    }
  }

  PrintFileEdition(m.kPcimo, m.fPcimo, kEditionTitle, kEditionColumns, [&m] {
    SetTextCell("NOCPTCG", m.pcimo.NOCPTCG.str());
    SetTextCell("NOMCPTCG", m.pcimo.NOMCPTCG.str());
    Edition().PrintLine();
    return !EditionInterrupted();
  });
  Runtime().Leave();
}

}  // namespace actifix
