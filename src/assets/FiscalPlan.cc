// Storage of an asset's fiscal plan, our own addition beside the card: one record of "Immof"
// per asset that has a plan, under the asset's own key, written and removed together with
// the card in the same transaction.
#include "assets/MImmoImmo.h"
#include "host/Text.h"
#include "state/Amounts.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

// The number of the plan stored under `key`, read into the buffer; 0 when there is none.
int32_t FindPlan(const std::string& key) {
  MImmoState& m = MImmo();
  int16_t found = 0;
  KeyedFile().Find(m.kImmof, key, m.fImmof, found);
  if (found == 0) return 0;
  int32_t number = 0;
  RecordFile().LastRecordNumber(m.fImmof, number);
  return number;
}

}  // namespace

void LirePlanFiscal(const std::string& key, AssetCard& c) {
  const FiscalRecord& r = MImmo().immof;
  if (FindPlan(key) == 0) {
    c.MODFIS.clear();
    Convert().PackSingle(0.0f, c.TAUFIS);
    c.CUMFIS = c.SLDDER = c.DOTFIS = PackedAmount(0);
    return;
  }
  c.MODFIS = Trimmed(r.MODFIS.str());
  c.TAUFIS = r.TAUFIS.str();
  c.CUMFIS = r.CUMFIS.str();
  c.SLDDER = r.SLDDER.str();
  // A record written before DOTFIS existed holds blanks there.
  c.DOTFIS = Trim(r.DOTFIS.str()).empty() ? PackedAmount(0) : r.DOTFIS.str();
}

void EcrirePlanFiscal(const std::string& key, const AssetCard& c) {
  MImmoState& m = MImmo();
  int32_t number = FindPlan(key);
  if (Trim(c.MODFIS).empty()) {
    if (number != 0) KeyedFile().Delete(m.kImmof, key, number, m.fImmof);
    return;
  }
  FiscalRecord& r = m.immof;
  r.CODNATF = key.substr(0, 6);
  r.NUMNATF = key.substr(6);
  r.MODFIS = c.MODFIS;
  r.TAUFIS = c.TAUFIS;
  r.CUMFIS = c.CUMFIS;
  r.SLDDER = c.SLDDER;
  r.DOTFIS = c.DOTFIS.empty() ? PackedAmount(0) : c.DOTFIS;
  if (number != 0)
    RecordFile().Write(m.fImmof, number);
  else
    KeyedFile().Insert(m.kImmof, key, m.fImmof, number);
}

void SupprimerPlanFiscal(const std::string& key) {
  MImmoState& m = MImmo();
  if (const int32_t number = FindPlan(key); number != 0)
    KeyedFile().Delete(m.kImmof, key, number, m.fImmof);
}

}  // namespace actifix
