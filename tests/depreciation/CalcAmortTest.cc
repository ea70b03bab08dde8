// The yearly depreciation computation and the end-of-depreciation date.
#include <cmath>
#include <tuple>
#include <vector>

#include "depreciation/AmortFixture.h"
#include "fiscal/AssetFiscal.h"

namespace actifix::testing {
namespace {

TEST_F(AmortTest, EndDates) {
  // Mode, rate, acquisition, end.
  const std::tuple<const char*, float, const char*, const char*> cases[] = {
      {"L", 20, "15/03/2005", "14/03/2010"},
      {"L", 15, "15/03/2005", "13/11/2011"},  // L = 6.67: plus Int(0.67 x 365) = 244 days
      {"L", 20, "01/07/2005", "30/06/2010"},
      {"D", 20, "15/07/2005", "30/06/2010"},  // declining: from the first of the month
      {"D", 15, "15/03/2005", "30/10/2011"},  // from 01/03/2005: 28/02/2011 + 244 days
      {"L", 30, "01/01/2005", "29/04/2008"},  // L = 3.33: 120 days into a leap year
      {"L", 100, "01/07/2005", "30/06/2006"},
      {"L", 1, "01/07/2005", "30/06/2105"},
      {"L", 25, "29/02/2008", "28/02/2012"},
      {"L", 20, "29/02/2008", "27/02/2013"},      // no 29/02/2013: the month's last day, less one
      {"L", 11.76f, "31/12/2005", "30/06/2014"},  // L = 8.50: 182 days past 30/12/2013
  };
  for (const auto& [mode, rate, acquired, expected] : cases) {
    int32_t end = 0;
    FINAM(mode, PackRate(rate), acquired, end);
    EXPECT_EQ(DateText(end), expected) << acquired;
  }
  EXPECT_TRUE(Reports().empty());
  // Mode "E" has no end: reported, the end left as it was.
  int32_t end = 12345;
  FINAM("E", PackRate(0), "01/01/2005", end);
  EXPECT_EQ(end, 12345);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].message, "FINAM Ne gère pas les Amortissements Exceptionnels");
  EXPECT_EQ(Reports()[0].routine, "FINAM");
}

TEST_F(AmortTest, ErrorsRaise) {
  int32_t end = 0;
  EXPECT_THROW(FINAM("L", PackRate(0), "01/01/2005", end), ArithmeticError);
  // 100 / 0.003 years does not fit a 16-bit count; 2005 + 30769 does not fit a 16-bit year.
  EXPECT_THROW(FINAM("L", PackRate(0.003f), "01/01/2005", end), ArithmeticError);
  EXPECT_THROW(FINAM("L", PackRate(0.00325f), "01/01/2005", end), ArithmeticError);
  EXPECT_THROW(Calc("L", 10000, 0, "01/01/2005"), ArithmeticError);
  EXPECT_THROW(Calc("L", 10000, 0.003f, "01/01/2005"), ArithmeticError);
  // Exercise indexes outside the table.
  EXPECT_THROW(Calc("L", 10000, 20, "01/01/2005", "", 0, false, 0), HostError);
  EXPECT_THROW(Calc("L", 10000, 20, "01/01/2005", "", 0, false, 101), HostError);
}

TEST_F(AmortTest, YearsProratedByDaysAddUpToTheValue) {
  // The first year, not rounded: linear from the acquisition day, 2000 x 184 / 365; declining
  // from the first of the month at 20 x (2.0 - 0.25) = 35 %, 3500 x 184 / 365.
  const Amort linear = Calc("L", 10000, 20, "01/07/2005"),
              declining = Calc("D", 10000, 20, "15/07/2005");
  EXPECT_DOUBLE_EQ(linear.charge, 2000.0 * 184 / 365);
  EXPECT_GT(std::fabs(linear.charge - 1008.22), 0.0005);
  EXPECT_FLOAT_EQ(linear.effectiveRate, 20);
  EXPECT_DOUBLE_EQ(declining.charge, 3500.0 * 184 / 365);
  EXPECT_FLOAT_EQ(declining.effectiveRate, 35);
  EXPECT_FLOAT_EQ(Calc("L", 10000, 33.333f, "01/01/2005").effectiveRate, 33.33f);
  // Recomputed cumulative each year. L: 2010 takes what is left. D (N = 5, T = 4): 35 % of the
  // balance, then 50 % and 100 %; nothing after N.
  const std::tuple<const char*, const char*, std::vector<double>> plans[] = {
      {"L", "01/07/2005", {1008.22, 2000, 2000, 2000, 2000, 991.78, 0}},
      {"D", "15/07/2005", {1764.38, 2882.47, 1873.60, 1739.78, 1739.77, 0}}};
  for (const auto& [mode, acquired, expected] : plans) {
    double total = 0;
    for (int16_t index = 1; index <= static_cast<int16_t>(expected.size()); ++index) {
      const Amort a = Calc(mode, 10000, 20, acquired, "", 0, true, index);
      EXPECT_NEAR(RoundHalfAway(a.charge, 2), expected[index - 1], 0.005) << mode << index;
      EXPECT_NEAR(a.cumulative, total, 0.005) << mode << index;
      total = RoundHalfAway(total + a.charge, 2);
    }
    EXPECT_NEAR(total, 10000, 0.005) << mode;
  }
}

TEST_F(AmortTest, DecliningCoefficientBands) {
  // Rate, acquisition, effective rate.
  const std::tuple<float, const char*, float> cases[] = {
      {25, "01/01/1995", 37.5f},       // L = 4: the lower band, 1.5
      {24.9f, "01/01/1995", 49.8f},    // L = 4.02: 2.0
      {16.67f, "01/01/1995", 33.34f},  // L = 6.00 (5.9988 rounded): 2.0
      {16.6f, "01/01/1995", 41.5f},    // L = 6.02: 2.5
      {12.5f, "01/01/2000", 31.25f},   // L = 8: 2.5
      {12.5f, "01/01/2001", 28.125f},  // 2.25 from 01/01/2001 on
      {20, "10/03/1996", 60},          // 2.0 + 1.0
      {20, "31/01/1996", 40},          // the +1 band starts on 01/02/1996...
      {20, "01/02/1996", 60},
      {20, "31/01/1997", 60},  // ...and ends on 31/01/1997, both inside
      {20, "01/02/1997", 40},
      {20, "31/12/2000", 40},
      {20, "01/01/2001", 35},  // 01/01/2001 itself takes -0.25
      {25, "01/02/1996", 62.5f},
      {25, "01/01/2001", 31.25f},
  };
  for (const auto& [rate, acquired, effective] : cases)
    EXPECT_NEAR(Calc("D", 10000, rate, acquired).effectiveRate, effective, 1e-4) << acquired;
}

TEST_F(AmortTest, DisposalsAndStoredCumulatives) {
  // Mode, acquired, disposed, cumulative (-1: recomputed), index; charge, cumulative given back.
  const std::tuple<const char*, const char*, const char*, double, int16_t, double, double> cases[] =
      {
          {"L", "01/07/2005", "01/01/2011", -1, 6, 991.78, 9008.22},  // after the period: ignored
          {"L", "01/07/2005", "30/06/2006", -1, 2, 2000.0 * 181 / 365, 1008.22},  // ends that day
          {"L", "01/07/2005", "01/01/2006", -1, 2, 0, 10000},  // on the first day: nothing
          {"L", "01/07/2005", "31/12/2005", -1, 1, 2000.0 * 184 / 365, 0},  // on the last: whole
          // After the last year, what the stored cumulative leaves, negative when it exceeds.
          {"L", "01/07/2005", "", 10100, 7, -100, 10100},
          {"L", "01/07/2005", "", 10000, 7, 0, 10000},
          // Cut to what the stored cumulative leaves, which is left as given.
          {"L", "01/01/2005", "", 9500, 4, 500, 9500},
          // The stored cumulative is the base of the current year, the earlier years computed.
          {"D", "15/07/2005", "", 9000, 2, 350, 9000},
      };
  for (const auto& [mode, acquired, disposed, cumulative, index, charge, after] : cases) {
    const Amort a =
        Calc(mode, 10000, 20, acquired, disposed, std::max(cumulative, 0.0), cumulative < 0, index);
    const double tolerance = charge == RoundHalfAway(charge, 2) ? 0.005 : 1e-9;  // not rounded
    EXPECT_NEAR(a.charge, charge, tolerance) << acquired << " " << disposed << " " << index;
    EXPECT_NEAR(a.cumulative, after, 0.005) << disposed << " " << index;
  }
}

TEST_F(AmortTest, FiscalYearsThatAreNotCalendarYears) {
  UseYear("01/07/2007", "30/06/2008");
  // Acquired in the fiscal year 2005/2006: 273 of its 365 days; then 2006/2007 whole.
  const Amort a = Calc("L", 10000, 20, "01/10/2005", "", 0, true);
  EXPECT_NEAR(a.cumulative, 1495.89 + 2000, 0.005);
  EXPECT_DOUBLE_EQ(a.charge, 2000.0 * 366 / 366);
  // The first year alone, from the current year's table entry 1 - 2 = 2005/2006.
  UseYear("01/07/2005", "30/06/2006");
  EXPECT_DOUBLE_EQ(Calc("L", 10000, 20, "01/10/2005").charge, 2000.0 * 273 / 365);
  UseYear("01/03/2007", "29/02/2008");
  // Years 03/2005-02/2006: 181 of 365 days at 1500, 03/2006-02/2007 whole; the current one is
  // the last, it takes what is left up to the end on 31/08/2007.
  const Amort b = Calc("L", 3000, 50, "01/09/2005", "", 0, true);
  EXPECT_NEAR(b.cumulative, 743.84 + 1500, 0.005);
  EXPECT_NEAR(b.charge, 3000 - 2243.84, 0.005);
}

TEST_F(AmortTest, ProrataFiscalCountsMonthsAnd360DayYears) {
  // Mode, value, rate, acquisition, disposal; the charge of 2005 by real days, then with the
  // company's "prorata fiscal"; a fiscal plan equal to the economic one then moves nothing.
  const std::tuple<const char*, double, float, const char*, const char*, double, double> cases[] = {
      {"D", 40000, 10, "15/04/2005", "", 9000.0 * 275 / 365, 6750},            // 22.5 % x 9 / 12
      {"L", 12000, 20, "15/03/2005", "", 2400.0 * 292 / 365, 1906.67},         // 286 / 360
      {"L", 12000, 20, "01/01/2003", "30/06/2005", 2400.0 * 181 / 365, 1200},  // 180 / 360
  };
  for (const auto& [mode, value, rate, acquired, disposed, days, practice] : cases) {
    MImmo().fiscal = {};
    EXPECT_NEAR(Calc(mode, value, rate, acquired, disposed, 0, true).charge, days, 0.005);
    MImmo().fiscal.prorata = true;  // asked without the option: nothing changes
    EXPECT_NEAR(Calc(mode, value, rate, acquired, disposed, 0, true).charge, days, 0.005);
    MImmo().fiscal.on = true;
    const Amort a = Calc(mode, value, rate, acquired, disposed, 0, true);
    EXPECT_NEAR(a.charge, practice, 0.005) << acquired;
    if (*disposed != 0) continue;
    int32_t from = 0;
    HostDates().DayNumber(acquired, from);
    const fiscal::FiscalYearResult r =
        fiscal::RollYear({*mode, rate, value, from, 0}, {a.cumulative, 0},
                         fiscal::ExercisePeriod(1), RoundHalfAway(a.charge, 2), *mode);
    EXPECT_NEAR(r.movement.allowance + r.movement.writeBack + r.movement.excess, 0, 0.005);
  }
  MImmo().fiscal = {};
}

}  // namespace
}  // namespace actifix::testing
