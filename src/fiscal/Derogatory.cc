// The derogatory movement of a year, its cause, and the roll of the fiscal figures.
#include "fiscal/Derogatory.h"

#include <algorithm>

#include "host/Cp1252.h"
#include "host/HostConvert.h"

namespace actifix::fiscal {

namespace {

double Round2(double value) { return RoundHalfAway(value, 2); }

}  // namespace

DerogatoryCause CauseOf(char fiscalMode, char economicMode) {
  if (fiscalMode == 'E') return DerogatoryCause::kExceptional;
  if (fiscalMode == 'D' && economicMode == 'L') return DerogatoryCause::kDeclining;
  return DerogatoryCause::kDuration;
}

std::string CauseLabel(DerogatoryCause cause) {
  switch (cause) {
    case DerogatoryCause::kDeclining:
      return std::string("mode dégressif"_w);
    case DerogatoryCause::kExceptional:
      return std::string("amortissement fiscal exceptionnel"_w);
    case DerogatoryCause::kDuration:
      break;
  }
  return std::string("différentiel de durée"_w);
}

DerogatoryMovement Movement(double economic, double fiscal, double balanceBefore, bool disposed,
                            DerogatoryCause cause) {
  DerogatoryMovement m;
  m.cause = cause;
  m.balanceBefore = Round2(std::max(balanceBefore, 0.0));
  const double delta = Round2(fiscal - economic);
  if (delta > 0) {
    m.allowance = delta;
  } else if (delta < 0) {
    m.writeBack = std::min(-delta, m.balanceBefore);
    m.excess = Round2(-delta - m.writeBack);
  }
  m.balanceAfter = Round2(m.balanceBefore + m.allowance - m.writeBack);
  if (disposed && m.balanceAfter > 0) {
    m.disposalWriteBack = m.balanceAfter;
    m.writeBack = Round2(m.writeBack + m.disposalWriteBack);
    m.balanceAfter = 0;
  }
  return m;
}

double FiscalNetValue(double value, double economicCumulative, double balance) {
  return Round2(value - economicCumulative - balance);
}

FiscalShares SplitFiscalState(const FiscalState& state, double ratio) {
  FiscalShares shares;
  shares.disposed.cumulative = Round2(state.cumulative * ratio);
  shares.disposed.balance = Round2(state.balance * ratio);
  shares.kept.cumulative = Round2(state.cumulative - shares.disposed.cumulative);
  shares.kept.balance = Round2(state.balance - shares.disposed.balance);
  return shares;
}

FiscalYearResult RollYear(const FiscalPlan& plan, const FiscalState& state, const Period& year,
                          double economic, char economicMode, double typed) {
  FiscalYearResult r;
  r.fiscal = FiscalCharge(plan, state.cumulative, year, typed);
  const bool disposed = plan.disposed != 0 && plan.disposed <= year.end;
  r.movement =
      Movement(economic, r.fiscal, state.balance, disposed, CauseOf(plan.mode, economicMode));
  r.next.cumulative = Round2(state.cumulative + r.fiscal);
  r.next.balance = r.movement.balanceAfter;
  return r;
}

}  // namespace actifix::fiscal
