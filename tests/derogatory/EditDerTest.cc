// EditDer and the derogatory tables of Tableaux2054 over a generated register with fiscal plans
// on half of its assets, on both stores: their totals are the sums of fiscal::RollYear over
// the assets, and so is the general total of form 2055 B.
#include <map>
#include <nlohmann/json.hpp>

#include "editions/MImmoEdt.h"
#include "fiscal/Derogatory.h"
#include "front/NvImmo.h"
#include "state/Amounts.h"
#include "state/MImmo.h"
#include "support/BackendData.h"
#include "support/TestRegister.h"

namespace actifix::testing {
namespace {

using Json = nlohmann::json;
const char* const kColumns[] = {"ECO",    "FIS",    "SLDDEB", "DOTDER",
                                "REPDER", "REPCES", "SLDFIN", "EXCES"};

class DerogatoryTest : public OnEachBackendData {
 protected:
  void SetUp() override {
    OnEachBackendData::SetUp();
    ASSERT_EQ(Program("company create 01 --year 01/01/2026 31/12/2026").status, 0);
    OpenSession("01", "LINTANA = []\nCOMPTA\n")->RunWith([](NvImmo& component) {
      component.LectParamImmo();
      for (const char* account : {"145", "68725", "78725"}) AddAccount(account, account);
      Generate(300, 9);
    });
    ASSERT_EQ(Program("company fiscal 01 --on").status, 0);
  }
};

TEST_P(DerogatoryTest, TotalsAreTheSumsOfTheAssetsYears) {
  std::map<std::string, double> expected;
  OpenSession("01")->RunWith([&](NvImmo& component) {
    component.LectParamImmo();
    MImmoState& m = MImmo();
    const Exercise& year = m.exercises[1];
    int16_t found = 0;
    std::string key, text;
    int n = 0;
    for (KeyedFile().First(m.kImmo, m.fImmo, found, key); found != 0;
         KeyedFile().Next(m.kImmo, m.fImmo, found, key)) {
      // Linear or declining at 1.25 times the economic rate on every other asset, a fiscal
      // cumulative 30 % above the economic one, the difference as the balance.
      float rate = 0;
      Convert().UnpackSingle(m.immo.TAUX, rate);
      fiscal::FiscalPlan plan{++n % 4 ? 'L' : 'D', std::min(33.33f, rate > 0 ? rate * 1.25f : 20),
                              UnpackAmount(m.immo.VALACQ.str())};
      Dates().UnpackDate(m.immo.DATACQ, text, plan.acquired);
      Dates().UnpackDate(m.immo.DATCES, text, plan.disposed);
      const double cumul = UnpackAmount(m.immo.CUMAMO.str());
      const double fiscalCumul = std::min(plan.base, Round2(cumul * 1.3));
      if (n % 2 != 0 || !fiscal::FiscalPlanRefusal(plan).empty()) continue;
      FromText(key + plan.mode + PackRate(plan.rate) + PackAmount(fiscalCumul) +
                   PackAmount(fiscalCumul - cumul) + PackAmount(0),
               m.immof);
      int32_t number = 0;
      KeyedFile().Insert(m.kImmof, key, m.fImmof, number);
      if (plan.acquired > year.endDay || (plan.disposed && plan.disposed < year.startDay)) continue;
      const double economic =
          EdtImoFigures("AN", 1, {year.startText, year.startDay}, {year.endText, year.endDay})
              .dotation;
      const fiscal::FiscalYearResult r =
          fiscal::RollYear(plan, {fiscalCumul, Round2(fiscalCumul - cumul)},
                           {year.startDay, year.endDay}, economic, m.immo.MODAMO.str()[0]);
      const fiscal::DerogatoryMovement& d = r.movement;
      const double amounts[] = {economic,       r.fiscal,    d.balanceBefore,
                                d.allowance,    d.writeBack, d.disposalWriteBack,
                                d.balanceAfter, d.excess};
      for (int k = 0; k < 8; ++k)
        expected[kColumns[k]] = Round2(expected[kColumns[k]] + amounts[k]);
    }
  });
  ASSERT_TRUE(expected["DOTDER"] > 0 && expected["REPDER"] > 0 && expected["REPCES"] > 0);

  std::map<std::string, double> natures;
  int totals = 0;  // the company's total, one per column
  for (const Json& e : EditionEvents("01", "EditDer",
                                     "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\n"
                                     "RECAPSEULE = O\nMARK 1,2,3,4,5,6,7\n"))
    for (const char* c : kColumns) {
      if (e["kind"] == "line") natures[c] += e["cells"].value(c, 0.0);
      if (e["kind"] == "total" && ++totals) {
        EXPECT_NEAR(e["cells"][c].get<double>(), expected[c], 0.005) << c;
        EXPECT_NEAR(natures[c], expected[c], 0.005) << c;
      }
    }
  EXPECT_EQ(totals, 8);
  int totalsB = 0;  // the general total of 2055 B (the 2056 line: FiscalOpeningTest)
  for (const Json& e : EditionEvents("01", "Tableaux2054", "CHOOSE 1\n")) {
    const Json c = e.value("cells", Json::object());
    if (e.value("label", "") != "TOTAL GENERAL" || !c.contains("DDUR") || !++totalsB) continue;
    EXPECT_NEAR(c.value("DDUR", 0.0) + c.value("DDEG", 0.0) + c.value("DEXC", 0.0),
                expected["DOTDER"], 0.005);
    EXPECT_NEAR(c.value("RDUR", 0.0) + c.value("RDEG", 0.0) + c.value("REXC", 0.0),
                expected["REPDER"], 0.005);
  }
  EXPECT_EQ(totalsB, 1);
}

INSTANTIATE_TEST_SUITE_P(Stores, DerogatoryTest, EachBackend(), BackendName);

}  // namespace
}  // namespace actifix::testing
