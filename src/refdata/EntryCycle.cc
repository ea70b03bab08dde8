#include "refdata/EntryCycle.h"

#include "host/Cp1252.h"
#include "refdata/InUse.h"
#include "state/MImmo.h"

namespace actifix {

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

}  // namespace actifix
