// The fiscal plan and the derogatory depreciation, to the cent, over whole plans.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "depreciation/AmortFixture.h"
#include "fiscal/Derogatory.h"
#include "host/Cp1252.h"

namespace actifix::testing {
namespace {

using fiscal::FiscalPlan;
using fiscal::Period;

int32_t Day(const std::string& text) {
  int32_t day = 0;
  HostDates().DayNumber(text, day);
  return day;
}

// Calendar years from `first`, or the given years.
std::vector<Period> Calendar(int first, int count) {
  std::vector<Period> years;
  for (int y = first; y < first + count; ++y)
    years.push_back({Day("01/01/" + std::to_string(y)), Day("31/12/" + std::to_string(y))});
  return years;
}

FiscalPlan Plan(char mode, float rate, double base, const std::string& acquired,
                const std::string& disposed = "") {
  return {mode, rate, base, Day(acquired), disposed.empty() ? 0 : Day(disposed)};
}

// The fiscal charges of a plan year after year, each from the cumulative the year before.
std::vector<double> Charges(const FiscalPlan& plan, const std::vector<Period>& years) {
  std::vector<double> charges;
  double cumulative = 0;
  for (const Period& year : years) {
    charges.push_back(fiscal::FiscalCharge(plan, cumulative, year));
    cumulative = RoundHalfAway(cumulative + charges.back(), 2);
  }
  return charges;
}

// Amounts compared at the cent, in order.
void ExpectCents(const std::vector<double>& got, const std::vector<double>& expected,
                 const std::string& what) {
  ASSERT_EQ(got.size(), expected.size()) << what;
  for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], 0.005) << what << i;
}

TEST(FiscalCountsTest, DaysAndMonthsOfTaxPractice) {
  // From, to, 30E/360 days, whole months.
  const std::tuple<const char*, const char*, int, int> cases[] = {
      {"15/03/2025", "31/12/2025", 286, 10},
      {"01/01/2025", "31/12/2025", 360, 12},
      {"01/03/2025", "28/02/2026", 360, 12},  // 28 February, the month's last day, is a 30th
      {"01/03/2023", "29/02/2024", 360, 12},
      {"01/01/2025", "31/03/2026", 450, 15},  // a 15-month year
      {"28/02/2025", "31/03/2025", 31, 2},    // from the last of February: one day of it
      {"31/01/2025", "31/01/2025", 1, 1},
      {"30/06/2025", "01/07/2025", 2, 2},
      {"02/01/2025", "01/01/2025", 0, 1},  // before: no day, but the same month
  };
  for (const auto& [from, to, days, months] : cases) {
    EXPECT_EQ(fiscal::Days360(Day(from), Day(to)), days) << from << " " << to;
    EXPECT_EQ(fiscal::WholeMonths(Day(from), Day(to)), months) << from << " " << to;
  }
  // Ranks as the module counts them: earlier years of 12 months on the year's start.
  EXPECT_EQ(fiscal::YearRank(Day("15/03/2025"), Day("01/01/2025")), 1);
  EXPECT_EQ(fiscal::YearRank(Day("15/03/2025"), Day("01/01/2028")), 4);
  EXPECT_EQ(fiscal::YearRank(Day("15/03/2025"), Day("01/04/2027")), 4);  // 04/2024-03/2025
  EXPECT_EQ(fiscal::YearRank(Day("15/03/2025"), Day("15/03/2026")), 2);
  EXPECT_EQ(fiscal::YearRank(Day("14/03/2025"), Day("15/03/2026")), 3);
}

TEST(FiscalChargeTest, WholePlans) {
  const std::vector<Period> calendar = Calendar(2025, 7);
  // A 15-month first year, then years from 1 April.
  std::vector<Period> long1 = {{Day("01/01/2025"), Day("31/03/2026")}};
  for (int y = 2026; y < 2031; ++y)
    long1.push_back({Day("01/04/" + std::to_string(y)), Day("31/03/" + std::to_string(y + 1))});
  // Two calendar years, then a 15-month third year.
  std::vector<Period> long3 = Calendar(2025, 2);
  long3.push_back({Day("01/01/2027"), Day("31/03/2028")});
  const std::tuple<const char*, FiscalPlan, std::vector<Period>, std::vector<double>> cases[] = {
      {"linear 15/03",
       Plan('L', 20, 12000, "15/03/2025"),
       calendar,
       {1906.67, 2400, 2400, 2400, 2400, 493.33, 0}},
      {"declining 15/03",
       Plan('D', 20, 12000, "15/03/2025"),
       calendar,
       {3500, 2975, 1933.75, 1795.63, 1795.62, 0, 0}},
      {"linear 5 years from 01/01",
       Plan('L', 20, 10000, "01/01/2025"),
       calendar,
       {2000, 2000, 2000, 2000, 2000, 0, 0}},
      {"linear, 15-month first year",
       Plan('L', 20, 12000, "01/01/2025"),
       long1,
       {3000, 2400, 2400, 2400, 1800, 0}},
      // 35 % x 15 / 12; then the years left counted in 12-month steps (docs/fiscal.md).
      {"declining, 15-month first year",
       Plan('D', 20, 12000, "01/01/2025"),
       long1,
       {5250, 2362.50, 2193.75, 2193.75, 0, 0}},
      {"declining, 15-month third year",
       Plan('D', 20, 12000, "15/03/2025"),
       long3,
       {3500, 2975, 2417.19}},  // 5525 x 35 % x 15 / 12
      {"linear, 15-month third year",
       Plan('L', 20, 12000, "15/03/2025"),
       long3,
       {1906.67, 2400, 3000}},
      // Disposal on 30/06 of year 3: linear to that day; declining: no annuity that year.
      {"linear disposed",
       Plan('L', 20, 12000, "15/03/2025", "30/06/2027"),
       calendar,
       {1906.67, 2400, 1200, 0, 0, 0, 0}},
      {"declining disposed",
       Plan('D', 20, 12000, "15/03/2025", "30/06/2027"),
       calendar,
       {3500, 2975, 0, 0, 0, 0, 0}},
      // 12.5 % over 8 years from 2001 on: 2.25 x 12.5 = 28.125 %; 40,000 bought in April: 9/12.
      {"declining 10 %", Plan('D', 10, 40000, "10/04/2025"), Calendar(2025, 1), {6750}},
  };
  for (const auto& [what, plan, years, expected] : cases)
    ExpectCents(Charges(plan, years), expected, what);
}

TEST(FiscalChargeTest, RefusedPlansAndTypedCharges) {
  const Period year = Calendar(2025, 1)[0];
  const std::tuple<FiscalPlan, bool> plans[] = {
      {Plan('D', 34, 1000, "01/01/2025"), false},     // 2.94 years: no declining plan
      {Plan('D', 33.33f, 1000, "01/01/2025"), true},  // 3.00 years
      {Plan('L', 0, 1000, "01/01/2025"), false},
      {Plan('L', 100.01f, 1000, "01/01/2025"), false},
      {Plan('X', 20, 1000, "01/01/2025"), false},
      {Plan('L', 20, -1, "01/01/2025"), false},
      {Plan('E', 0, 1000, "01/01/2025"), true},
  };
  for (const auto& [plan, accepted] : plans) {
    EXPECT_EQ(fiscal::FiscalPlanRefusal(plan).empty(), accepted) << plan.mode << plan.rate;
    if (!accepted) {
      EXPECT_THROW(fiscal::FiscalCharge(plan, 0, year), HostError);
    }
  }
  // E: the typed charge, within what is left.
  const FiscalPlan e = Plan('E', 0, 1000, "01/01/2025");
  EXPECT_NEAR(fiscal::FiscalCharge(e, 0, year, 300), 300, 0.005);
  EXPECT_NEAR(fiscal::FiscalCharge(e, 900, year, 300), 100, 0.005);
  EXPECT_NEAR(fiscal::FiscalCharge(Plan('L', 20, 1000, "01/01/2026"), 0, year), 0, 0.005);
}

// Allowance, write-back and balance after, year after year, flat.
std::vector<double> Derogatory(const FiscalPlan& plan, const std::vector<double>& economic,
                               const std::vector<Period>& years, fiscal::FiscalState state = {}) {
  std::vector<double> rows;
  for (size_t i = 0; i < years.size(); ++i) {
    const fiscal::FiscalYearResult r = fiscal::RollYear(plan, state, years[i], economic[i], 'L');
    rows.insert(rows.end(), {r.movement.allowance, r.movement.writeBack, r.next.balance});
    state = r.next;
  }
  return rows;
}

TEST(DerogatoryTest, WorkedExamples) {
  const std::vector<Period> years = Calendar(2025, 8);
  // Economic linear by tax practice, fiscal declining; 12,000 from 15/03.
  const FiscalPlan declining = Plan('D', 20, 12000, "15/03/2025");
  const std::vector<double> linear = Charges(Plan('L', 20, 12000, "15/03/2025"), years);
  const std::vector<double> expected = {1593.33, 0, 1593.33, 575,     0, 2168.33, 0,      466.25,
                                        1702.08, 0, 604.37,  1097.71, 0, 604.38,  493.33, 0,
                                        493.33,  0, 0,       0,       0, 0,       0,      0};
  ExpectCents(Derogatory(declining, linear, years), expected, "declining against linear");
  // The same from a year opening in the middle: the stored figures of the fourth year.
  ExpectCents(Derogatory(declining, {linear.begin() + 3, linear.end()},
                         {years.begin() + 3, years.end()}, {3500 + 2975 + 1933.75, 1702.08}),
              {expected.begin() + 9, expected.end()}, "from the fourth year");
  // Duration: economic 8 years linear, fiscal 5 years, 10,000 from 01/01.
  ExpectCents(Derogatory(Plan('L', 20, 10000, "01/01/2025"), std::vector<double>(8, 1250), years),
              {750, 0, 750,  750, 0,    1500, 750, 0,    2250, 750, 0,    3000,
               750, 0, 3750, 0,   1250, 2500, 0,   1250, 1250, 0,   1250, 0},
              "duration");
  // Disposed on 30/06 of year 3: the year's difference, then what is left, written back.
  ExpectCents(Derogatory(Plan('D', 20, 12000, "15/03/2025", "30/06/2027"), {1906.67, 2400, 1200, 0},
                         Calendar(2025, 4)),
              {1593.33, 0, 1593.33, 575, 0, 2168.33, 0, 2168.33, 0, 0, 0, 0}, "disposed in year 3");
}

TEST(DerogatoryTest, PartialDisposalSplitsTheCard) {
  // A quarter of the 12,000 declining asset leaves on 30/06 of year 3, after two years: the
  // fiscal cumulative 6,475.00 and the balance 2,168.33 are shared as the card split shares.
  const fiscal::FiscalShares shares = fiscal::SplitFiscalState({6475, 2168.33}, 0.25);
  const Period year3 = Calendar(2027, 1)[0];
  // The disposed part: economic 3,000 x 20 % x 180 / 360, nothing fiscal, all written back.
  const fiscal::FiscalYearResult gone = fiscal::RollYear(
      Plan('D', 20, 3000, "15/03/2025", "30/06/2027"), shares.disposed, year3, 300, 'L');
  // The part kept: 9,000 declining, net 4,143.75 x 35 % = 1,450.31 against 1,800 economic.
  const fiscal::FiscalYearResult kept =
      fiscal::RollYear(Plan('D', 20, 9000, "15/03/2025"), shares.kept, year3, 1800, 'L');
  ExpectCents(
      {shares.disposed.cumulative, shares.disposed.balance, shares.kept.cumulative,
       shares.kept.balance, gone.fiscal, gone.movement.writeBack, gone.movement.disposalWriteBack,
       gone.next.balance, kept.fiscal, kept.movement.writeBack, kept.next.balance},
      {1618.75, 542.08, 4856.25, 1626.25, 0, 542.08, 242.08, 0, 1450.31, 349.69, 1276.56}, "split");
}

TEST(DerogatoryTest, ExcessCausesAndNetValue) {
  // Economic, fiscal, balance before; allowance, write-back, excess, after.
  const std::tuple<double, double, double, double, double, double, double> cases[] = {
      {1000, 1500, 0, 500, 0, 0, 500},   {1500, 1000, 800, 0, 500, 0, 300},
      {1500, 1000, 200, 0, 200, 300, 0}, {1000, 1000, 300, 0, 0, 0, 300},
      {0.004, 0, 100, 0, 0, 0, 100},  // a difference that rounds to 0
  };
  for (const auto& [economic, fiscalCharge, before, allowance, writeBack, excess, after] : cases) {
    const fiscal::DerogatoryMovement m =
        fiscal::Movement(economic, fiscalCharge, before, false, fiscal::DerogatoryCause::kDuration);
    ExpectCents({m.allowance, m.writeBack, m.excess, m.balanceAfter},
                {allowance, writeBack, excess, after}, std::to_string(economic));
  }
  using fiscal::DerogatoryCause;
  EXPECT_EQ(fiscal::CauseOf('D', 'L'), DerogatoryCause::kDeclining);
  EXPECT_EQ(fiscal::CauseOf('D', 'D'), DerogatoryCause::kDuration);
  EXPECT_EQ(fiscal::CauseOf('E', 'L'), DerogatoryCause::kExceptional);
  EXPECT_EQ(fiscal::CauseOf('L', 'D'), DerogatoryCause::kDuration);
  EXPECT_EQ(fiscal::CauseLabel(DerogatoryCause::kDeclining), std::string("mode dégressif"_w));
  EXPECT_NEAR(fiscal::FiscalNetValue(12000, 4306.67, 2168.33), 5525, 0.005);
}

// The module's charge by real days against tax practice's whole months, and the economic plan
// by tax practice through the prorata the module's computation can take instead of its own.
TEST_F(AmortTest, ModuleDaysAgainstTaxPractice) {
  UseYear("01/01/2025", "31/12/2025");
  const double module = RoundHalfAway(Calc("D", 40000, 10, "10/04/2025").charge, 2);
  const double tax =
      fiscal::FiscalCharge(Plan('D', 10, 40000, "10/04/2025"), 0, Calendar(2025, 1)[0]);
  EXPECT_NEAR(module - tax, 30.82, 0.005);
  // Share of the year: 286 / 360 linear from 15/03, 10 / 12 declining; 275 / 365 by days.
  const int32_t s = Day("01/01/2025"), e = Day("31/12/2025");
  EXPECT_DOUBLE_EQ(fiscal::FiscalProrata(false, Day("15/03/2025"), e, s, e), 286.0 / 360);
  EXPECT_DOUBLE_EQ(fiscal::FiscalProrata(true, Day("15/03/2025"), e, s, e), 10.0 / 12);
  EXPECT_DOUBLE_EQ(fiscal::FiscalProrata(false, s, Day("14/03/2025"), s, Day("14/03/2025")), 1);
}

}  // namespace
}  // namespace actifix::testing
