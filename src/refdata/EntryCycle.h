// The record entry screen cycle shared by every entry screen (key, look-up, creation,
// modification or deletion of one record, a new blank screen for the next key, and the edition
// of the whole file once the key is left empty): its keys, messages and notes, and the
// edition of a whole reference file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace actifix {

// The host's codes of the keys an entry screen reacts to, asked once per run.
struct EntryKeys {
  int16_t f1 = 0;
  int16_t f6 = 0;
  int16_t up = 0;
  int16_t pageUp = 0;
  int16_t validate = 0;

  // Up or Page Up: the user goes back a field.
  bool IsBack(int16_t key) const { return key == up || key == pageUp; }
};
EntryKeys AskEntryKeys();

// Starts a pass: blank screen, title, field list, and the deletion hint on the key field.
void BeginEntryPass(const std::string& title, const std::string& fieldList,
                    const std::string& keyField);
// "Enregistrement Précédent " followed by the stored key of the record saved last.
void ShowPreviousRecord(const std::string& storedKey);
// The mode note beside the key field: "Création" for a new key, "SUPPRESSION" for an existing
// key left with F6, "MODIFICATION" otherwise.
void ShowModeNote(const std::string& keyField, bool found, bool deleting);
// "F1 Enregistrement - Flêche et Page Haut Pour Remontée", shown before the other fields.
void ShowEntryMessage();
// Asks the deletion confirmation; true only when answered yes and left with the validation key.
bool ConfirmDeletion(const EntryKeys& keys);

// Where the key of an entry pass leads once it is looked up.
enum class KeyOutcome {
  kEntry,    // on to the other fields, the entry message shown
  kDeleted,  // F6 on an existing record, confirmed and allowed: the record is gone
  kKept,     // F6 on an existing record, not confirmed or refused: nothing changed
};
// The mode note beside `keyField`, then, for F6 on an existing record, the deletion confirmed,
// checked by `inUse` (the refusal, "" for none; asked only once confirmed) and done by `erase`.
KeyOutcome AfterKey(const EntryKeys& keys, const std::string& keyField, bool found, int16_t key,
                    const std::function<std::string()>& inUse, const std::function<void()>& erase);

// Sets the edition title and opens the edition under the title read back.
void OpenTitledEdition(const std::string& title);
// The title line (the title read back) and the columns of the descriptor.
void AddTitleAndColumns(const std::string& descriptor);
// One text cell of the current edition line.
void SetTextCell(const std::string& column, const std::string& text);

// Prints a whole reference file in key order: nothing at all when the file is empty; else the
// edition is opened, `printRecord` is called for each record (its fields in the buffer) and
// returns false to stop the walk at once, then the totals are closed unless the walk was
// stopped, and the edition is closed.
void PrintFileEdition(int16_t keyHandle, int16_t recordHandle, const std::string& title,
                      const std::string& descriptor, const std::function<bool()>& printRecord);

}  // namespace actifix
