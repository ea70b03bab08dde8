// The yearly depreciation computation and the end-of-depreciation date.
#include <cmath>

#include "depreciation/AmortFixture.h"

namespace actifix::testing {
namespace {

class FinamTest : public AmortTest {
 protected:
  std::string End(const std::string& mode, float rate, const std::string& acquired) {
    int32_t end = 0;
    FINAM(mode, PackRate(rate), acquired, end);
    return DateText(end);
  }
};

TEST_F(FinamTest, EndDates) {
  struct Case {
    const char* mode;
    float rate;
    const char* acquired;
    const char* end;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) EXPECT_EQ(End(c.mode, c.rate, c.acquired), c.end) << c.acquired;
  EXPECT_TRUE(Reports().empty());
}

TEST_F(FinamTest, ExceptionalModeIsReportedAndLeavesTheEnd) {
  int32_t end = 12345;
  FINAM("E", PackRate(0), "01/01/2005", end);
  EXPECT_EQ(end, 12345);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].message, "FINAM Ne gère pas les Amortissements Exceptionnels");
  EXPECT_EQ(Reports()[0].routine, "FINAM");
}

TEST_F(FinamTest, ZeroRateAndHugeLivesRaise) {
  int32_t end = 0;
  EXPECT_THROW(FINAM("L", PackRate(0), "01/01/2005", end), ArithmeticError);
  // 100 / 0.003 years does not fit a 16-bit count; 2005 + 30769 does not fit a 16-bit year.
  EXPECT_THROW(FINAM("L", PackRate(0.003f), "01/01/2005", end), ArithmeticError);
  EXPECT_THROW(FINAM("L", PackRate(0.00325f), "01/01/2005", end), ArithmeticError);
}

TEST_F(AmortTest, LinearFirstYearIsProratedFromTheAcquisitionDay) {
  const Amort a = Calc("L", 10000, 20, "01/07/2005");
  EXPECT_DOUBLE_EQ(a.charge, 2000.0 * 184 / 365);  // 1008.219..., not rounded
  EXPECT_GT(std::fabs(a.charge - 1008.22), 0.0005);
  EXPECT_NEAR(a.cumulative, 0, 0.005);
  EXPECT_FLOAT_EQ(a.effectiveRate, 20);
}

TEST_F(AmortTest, LinearLastYearTakesWhatIsLeftWithRecomputedCumulative) {
  const Amort a = Calc("L", 10000, 20, "01/07/2005", "", 0, true, 6);  // entry 6: 2010
  EXPECT_NEAR(a.cumulative, 9008.22, 0.005);
  EXPECT_NEAR(a.charge, 991.78, 0.005);
}

TEST_F(AmortTest, LinearYearsAddUpToTheValue) {
  const double expected[] = {1008.22, 2000, 2000, 2000, 2000, 991.78};
  double total = 0;
  for (int16_t index = 1; index <= 6; ++index) {
    const Amort a = Calc("L", 10000, 20, "01/07/2005", "", 0, true, index);
    EXPECT_NEAR(RoundHalfAway(a.charge, 2), expected[index - 1], 0.005) << index;
    EXPECT_NEAR(a.cumulative, total, 0.005) << index;
    total = RoundHalfAway(total + a.charge, 2);
  }
  EXPECT_NEAR(total, 10000, 0.005);
}

TEST_F(AmortTest, DecliningFirstYearStartsOnTheFirstOfTheMonth) {
  const Amort a = Calc("D", 10000, 20, "15/07/2005");
  EXPECT_FLOAT_EQ(a.effectiveRate, 35);            // L = 5: 2.0, less 0.25 after 2000
  EXPECT_DOUBLE_EQ(a.charge, 3500.0 * 184 / 365);  // 1764.383...
}

TEST_F(AmortTest, DecliningYearsSwitchToLinearAndStopAfterYearN) {
  // N = 5, T = 4: 35 % on the balance, then 50 % and 100 % of it; the sixth calendar year of
  // the period gets nothing since n > N.
  const double expected[] = {1764.38, 2882.47, 1873.60, 1739.78, 1739.77, 0};
  for (int16_t index = 1; index <= 6; ++index) {
    const Amort a = Calc("D", 10000, 20, "15/07/2005", "", 0, true, index);
    EXPECT_NEAR(RoundHalfAway(a.charge, 2), expected[index - 1], 0.005) << index;
  }
  EXPECT_NEAR(Calc("D", 10000, 20, "15/07/2005", "", 0, true, 6).cumulative, 10000, 0.005);
}

TEST_F(AmortTest, DecliningCoefficientBands) {
  struct Case {
    float rate;
    const char* acquired;
    float effective;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) {
    EXPECT_NEAR(Calc("D", 10000, c.rate, c.acquired).effectiveRate, c.effective, 1e-4)
        << c.rate << " " << c.acquired;
  }
}

TEST_F(AmortTest, EffectiveRateOfLinearModeIsTheRoundedRate) {
  EXPECT_FLOAT_EQ(Calc("L", 10000, 33.333f, "01/01/2005").effectiveRate, 33.33f);
}

TEST_F(AmortTest, Disposals) {
  // After the end of the depreciation period: ignored.
  const Amort late = Calc("L", 10000, 20, "01/07/2005", "01/01/2011", 0, true, 6);
  EXPECT_NEAR(late.charge, 991.78, 0.005);
  // Inside the year: the period ends on the disposal day.
  const Amort inside = Calc("L", 10000, 20, "01/07/2005", "30/06/2006", 0, true, 2);
  EXPECT_DOUBLE_EQ(inside.charge, 2000.0 * 181 / 365);
  EXPECT_NEAR(inside.cumulative, 1008.22, 0.005);
  // On the first day of the year: nothing, and the recomputed cumulative is the value.
  const Amort first = Calc("L", 10000, 20, "01/07/2005", "01/01/2006", 0, true, 2);
  EXPECT_EQ(first.charge, 0);
  EXPECT_NEAR(first.cumulative, 10000, 0.005);
  // On the last day of the year: that year is whole.
  const Amort before = Calc("L", 10000, 20, "01/07/2005", "31/12/2005", 0, true, 1);
  EXPECT_DOUBLE_EQ(before.charge, 2000.0 * 184 / 365);
}

TEST_F(AmortTest, AfterTheLastYearNothingIsCharged) {
  const Amort a = Calc("L", 10000, 20, "01/07/2005", "", 0, true, 7);  // 2011: n > N
  EXPECT_EQ(a.charge, 0);
  EXPECT_NEAR(a.cumulative, 10000, 0.005);
  // With the stored figures: what the stored cumulative leaves, negative when it exceeds.
  EXPECT_NEAR(Calc("L", 10000, 20, "01/07/2005", "", 10100, false, 7).charge, -100, 0.005);
  EXPECT_NEAR(Calc("L", 10000, 20, "01/07/2005", "", 10000, false, 7).charge, 0, 0.005);
}

TEST_F(AmortTest, ChargeIsCutToWhatTheStoredCumulativeLeaves) {
  const Amort a = Calc("L", 10000, 20, "01/01/2005", "", 9500, false, 4);  // 2008
  EXPECT_NEAR(a.charge, 500, 0.005);
  EXPECT_NEAR(a.cumulative, 9500, 0.005);  // not recomputed: left as given
  // The stored cumulative is the base of the current year, the earlier years computed.
  EXPECT_NEAR(Calc("D", 10000, 20, "15/07/2005", "", 9000, false, 2).charge, 350, 0.005);
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
}

TEST_F(AmortTest, YearEndingOnTheLastDayOfFebruary) {
  UseYear("01/03/2007", "29/02/2008");
  // Acquired 01/03/2005: years 03/2005-02/2006, 03/2006-02/2007, then the current one.
  const Amort a = Calc("L", 3000, 50, "01/09/2005", "", 0, true);
  // First year: 181 of 365 days at 1500; second year whole: 1500 + 743.84 = 2243.84.
  EXPECT_NEAR(a.cumulative, 743.84 + 1500, 0.005);
  // Third year: the last one, it takes what is left, up to the end on 31/08/2007.
  EXPECT_NEAR(a.charge, 3000 - 2243.84, 0.005);
}

TEST_F(AmortTest, ErrorsRaise) {
  EXPECT_THROW(Calc("L", 10000, 0, "01/01/2005"), ArithmeticError);
  EXPECT_THROW(Calc("L", 10000, 20, "01/01/2005", "", 0, false, 0), HostError);
  EXPECT_THROW(Calc("L", 10000, 20, "01/01/2005", "", 0, false, 101), HostError);
  EXPECT_THROW(Calc("L", 10000, 0.003f, "01/01/2005"), ArithmeticError);
}

}  // namespace
}  // namespace actifix::testing
