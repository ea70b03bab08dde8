#include "derogatory/CardFiscal.h"

#include <algorithm>

#include "derogatory/AssetYear.h"
#include "host/Cp1252.h"
#include "host/Text.h"
#include "state/Amounts.h"
#include "state/MImmo.h"

namespace actifix::derog {

namespace {

// Gives the fiscal record buffer and the exercise index back, whatever the exit: the card
// screen keeps the plan being entered in the buffer.
class StateRestorer {
 public:
  StateRestorer() : immof_(MImmo().immof), index_(MImmo().exerciseIndex) {}
  ~StateRestorer() {
    MImmo().immof = immof_;
    MImmo().exerciseIndex = index_;
  }
  StateRestorer(const StateRestorer&) = delete;
  StateRestorer& operator=(const StateRestorer&) = delete;

 private:
  FiscalRecord immof_;
  int16_t index_;
};

// Whether the economic figures of the year can be computed: a card saved before its rate was
// accepted has no economic plan, and one outside the current year no charge in it.
bool InCurrentYear(const fiscal::FiscalPlan& plan) {
  const MImmoState& m = MImmo();
  const std::string mode = Trimmed(m.immo.MODAMO.view());
  float rate = 0;
  Convert().UnpackSingle(m.immo.TAUX, rate);
  if ((mode == "L" || mode == "D") && Round2(rate) <= 0) return false;
  const Exercise& year = m.exercises[1];
  return plan.acquired <= year.endDay && (plan.disposed == 0 || plan.disposed >= year.startDay);
}

}  // namespace

void PrintCardFiscal() {
  StateRestorer restorer;
  fiscal::StoredPlan stored;
  if (!fiscal::ReadStoredPlan(stored)) return;
  MImmoState& m = MImmo();
  HostEdition& edition = Edition();
  std::string rate;
  Convert().FormatNumber(stored.plan.rate, 2, rate);
  std::replace(rate.begin(), rate.end(), '.', ',');
  const std::string economicMode = Trimmed(m.immo.MODAMO.view());
  const fiscal::DerogatoryCause cause =
      fiscal::CauseOf(stored.plan.mode, economicMode.empty() ? 'L' : economicMode[0]);
  edition.AddStyledTitle(std::string("Plan Fiscal : Mode ") + stored.plan.mode + " - Taux " +
                             Trimmed(rate) + " % - Cause : " + fiscal::CauseLabel(cause),
                         "MS", "Arial");
  edition.DefineColumns(std::string(
      "[PS,1,[[EXER,EXERCICE,A,24,G],[FIS,Dot. Fiscale,M,12,2,D],[ECO,Dot. Eco.,M,12,2,D],"
      "[CUMFIS,Cumul Fiscal,M,12,2,D],[DOTDER,Dotation Dér.,M,12,2,D],"
      "[REPDER,Reprise Dér.,M,12,2,D],[SLDDER,Solde Dér.,M,12,2,D],"
      "[VNF,VN Fiscale,M,12,2,D]],[]]"_w));
  edition.SetCell("EXER", std::string("Antérieur"_w), "@");
  edition.SetAmount("CUMFIS", stored.state.cumulative, "@");
  edition.SetAmount("SLDDER", stored.state.balance, "@");
  edition.PrintLine();
  if (!InCurrentYear(stored.plan)) return;

  AssetYear a;
  if (!CurrentAssetYear(a)) return;
  const Exercise& year = m.exercises[1];
  const fiscal::DerogatoryMovement& move = a.year.movement;
  edition.SetCell("EXER", year.startText + " Au " + year.endText, "@");
  edition.SetAmount("FIS", a.year.fiscal, "@");
  edition.SetAmount("ECO", a.economic, "@");
  edition.SetAmount("CUMFIS", a.year.next.cumulative, "@");
  edition.SetAmount("DOTDER", move.allowance, "@");
  edition.SetAmount("REPDER", move.writeBack, "@");
  edition.SetAmount("SLDDER", move.balanceAfter, "@");
  const double economicCumulative = Round2(UnpackedAmount(m.immo.CUMAMO.str()) + a.economic);
  edition.SetAmount(
      "VNF", fiscal::FiscalNetValue(a.stored.plan.base, economicCumulative, move.balanceAfter),
      "@");
  edition.PrintLine();
}

}  // namespace actifix::derog
