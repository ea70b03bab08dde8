// The fiscal plan's refusals on each side of their bounds: a declining plan of 3 years at
// least, cumulative within the value, balance within the net book value.
#include <gtest/gtest.h>

#include "assets/CardRules.h"
#include "host/Cp1252.h"
#include "state/Amounts.h"
#include "state/MImmo.h"

namespace actifix::testing {
namespace {

AssetCard Card(const char* mode, float rate, double cumulative, double fiscal, double balance) {
  AssetCard c;
  c.VALACQ = PackedAmount(10000);
  c.CUMAMO = PackedAmount(cumulative);
  c.MODFIS = mode;
  Convert().PackSingle(rate, c.TAUFIS);
  c.CUMFIS = PackedAmount(fiscal);
  c.SLDDER = PackedAmount(balance);
  return c;
}

TEST(FiscalFiguresTest, EachBoundRefusedJustPastIt) {
  struct Case {
    const char* mode;
    float rate;
    double cumulative, fiscal, balance;
    const char* field;  // "" when the plan is kept
  } const cases[] = {
      {"", 0, 0, 0, 0, ""},                 // no plan: nothing checked
      {"", 500, 0, -1, 99999, ""},          // ... whatever its leftover figures
      {"D", 33.33f, 0, 0, 0, ""},           // 3 years exactly
      {"D", 33.34f, 0, 0, 0, "TAUFIS"},     // under 3 years
      {"L", 50, 0, 0, 0, ""},               // linear under 3 years is fine
      {"L", 0, 0, 0, 0, "TAUFIS"},          // a rate to compute with
      {"E", 0, 0, 0, 0, ""},                // typed charges: no rate
      {"X", 20, 0, 0, 0, "MODFIS"},         //
      {"L", 20, 0, 10000, 0, ""},           // fully depreciated for tax
      {"L", 20, 0, 10000.01, 0, "CUMFIS"},  // past the value
      {"L", 20, 0, -0.01, 0, "CUMFIS"},     //
      {"L", 20, 2500, 4000, 7500, ""},      // fiscal net value 0
      {"L", 20, 2500, 4000, 7500.01, "SLDDER"},
      {"L", 20, 2500, 4000, -0.01, "SLDDER"},
  };
  for (const Case& c : cases) {
    const CardRefusal refusal =
        CheckFiscalFigures(Card(c.mode, c.rate, c.cumulative, c.fiscal, c.balance));
    EXPECT_EQ(refusal.field, c.field) << c.mode << " " << c.rate << " " << c.fiscal << " "
                                      << c.balance << ": " << ToUtf8(refusal.reason);
    EXPECT_EQ(refusal.reason.empty(), refusal.field.empty());
  }
}

}  // namespace
}  // namespace actifix::testing
