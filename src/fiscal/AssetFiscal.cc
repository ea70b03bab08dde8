// The fiscal side of one asset of the register, from its record and its plan in "Immof".
#include "fiscal/AssetFiscal.h"

#include <cmath>

#include "host/HostConvert.h"
#include "host/HostError.h"
#include "host/Text.h"
#include "state/Amounts.h"
#include "state/MImmo.h"

namespace actifix::fiscal {

namespace {

// A packed amount of the plan's record; blanks (a field added after the record was written)
// read as 0.
double StoredAmount(const std::string& packed) {
  return Trim(packed).empty() ? 0.0 : UnpackedAmount(packed);
}

[[noreturn]] void Damaged(const std::string& cause) {
  const AssetRecord& r = MImmo().immo;
  throw HostError(ErrorKind::kDamaged, "ReadStoredPlan", r.CODNATI.str() + r.NUMNATI.str(), cause);
}

}  // namespace

bool ReadStoredPlan(StoredPlan& out) {
  MImmoState& m = MImmo();
  if (!m.fiscal.on || m.kImmof == 0) return false;
  int16_t found = 0;
  KeyedFile().Find(m.kImmof, m.immo.CODNATI.str() + m.immo.NUMNATI.str(), m.fImmof, found);
  if (found == 0) return false;
  const FiscalRecord& f = m.immof;
  const std::string mode = Trimmed(f.MODFIS.str());
  if (mode.empty()) return false;
  out.plan.mode = mode[0];
  Convert().UnpackSingle(f.TAUFIS.str(), out.plan.rate);
  out.plan.base = UnpackedAmount(m.immo.VALACQ.str());
  std::string text;
  Dates().UnpackDate(m.immo.DATACQ.str(), text, out.plan.acquired);
  out.plan.disposed = 0;
  if (!Trim(m.immo.DATCES.str()).empty())
    Dates().UnpackDate(m.immo.DATCES.str(), text, out.plan.disposed);
  out.state.cumulative = StoredAmount(f.CUMFIS.str());
  out.state.balance = StoredAmount(f.SLDDER.str());
  out.typed = StoredAmount(f.DOTFIS.str());
  if (!std::isfinite(out.state.cumulative) || !std::isfinite(out.state.balance) ||
      !std::isfinite(out.typed) || !std::isfinite(out.plan.rate))
    Damaged("montant du plan fiscal illisible");
  if (const std::string refusal = FiscalPlanRefusal(out.plan); !refusal.empty()) Damaged(refusal);
  return true;
}

Period ExercisePeriod(int32_t index) {
  const Exercise& e = MImmo().exercises[index];
  return {e.startDay, e.endDay};
}

FiscalYearResult CurrentYear(const StoredPlan& stored, double economicCharge) {
  const std::string mode = Trimmed(MImmo().immo.MODAMO.str());
  // The economic charge as the editions print it, to the cent.
  return RollYear(stored.plan, stored.state, ExercisePeriod(1), RoundHalfAway(economicCharge, 2),
                  mode.empty() ? 'L' : mode[0], stored.typed);
}

}  // namespace actifix::fiscal
