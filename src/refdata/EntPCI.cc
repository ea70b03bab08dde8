#include "refdata/EntPCI.h"

#include <string>

#include "host/Cp1252.h"
#include "refdata/EntryCycle.h"
#include "refdata/InUse.h"
#include "state/MImmo.h"

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
