// actifix calc, run through RunCalcCommand as the program runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/cli/CalcCommand.h"

namespace actifix::platform {
namespace {

struct Output {
  int status = 0;
  std::string out, err;
};

// Runs the linear asset of 2005 with `changes`: a value replaced, or an option added.
Output Calc(const std::vector<std::vector<std::string>>& changes = {}) {
  std::vector<std::string> args = {"--year", "01/01/2005", "31/12/2005", "--mode",
                                   "L",      "--value",    "10000",      "--rate",
                                   "20",     "--acquired", "01/07/2005"};
  for (const std::vector<std::string>& change : changes) {
    const auto at = std::find(args.begin(), args.end(), change[0]);
    if (at == args.end())
      args.insert(args.end(), change.begin(), change.end());
    else
      std::copy(change.begin() + 1, change.end(), at + 1);
  }
  std::ostringstream out, err;
  const int status = RunCalcCommand(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(CalcCommandTest, ResultsAsJson) {
  Output o = Calc();
  ASSERT_EQ(o.status, 0) << o.err;
  // Keys in the documented order; the charge 2000 x 184 / 365 at full precision.
  EXPECT_EQ(o.out, R"({"dotamo":1008.2191780821918,"cumamo":0.0,"end":"30/06/2010",)"
                   R"("effective_rate":20.0,"index":1,"year":["01/01/2005","31/12/2005"]})"
                   "\n");
  o = Calc({{"--index", "6"}, {"--recompute"}});
  nlohmann::json j = nlohmann::json::parse(o.out);
  EXPECT_NEAR(j["cumamo"].get<double>(), 9008.22, 0.005);
  EXPECT_NEAR(j["dotamo"].get<double>(), 991.78, 0.005);
  EXPECT_EQ(j["year"], nlohmann::json::array({"01/01/2010", "31/12/2010"}));
  // French numbers; 1.75 x 16.67 declining, the float written shortest.
  o = Calc({{"--mode", "D"}, {"--rate", "16,67"}, {"--acquired", "15/07/2005"}});
  EXPECT_EQ(nlohmann::json::parse(o.out)["effective_rate"].get<double>(), 29.1725) << o.err;
  o = Calc({{"--index", "4"},
            {"--value", "10 000,00"},
            {"--acquired", "01/01/2005"},
            {"--cumul", "9 500,00"}});
  EXPECT_NEAR(nlohmann::json::parse(o.out)["dotamo"].get<double>(), 500, 0.005) << o.err;
}

TEST(CalcCommandTest, RefusedValues) {
  const std::vector<std::vector<std::string>> refused = {
      {"--mode", "E"},
      {"--mode", "X"},
      {"--rate", "0"},
      {"--rate", "0.004"},
      {"--rate", "100.01"},
      {"--rate", "vingt"},
      {"--value", "0.004"},
      {"--index", "0"},
      {"--acquired", "32/01/2005"},
      {"--disposed", "2005"},
      {"--index", "101"},
      {"--year", "31/12/2005", "01/01/2005"},
      {"--charge", "100"},                                        // only with --plan
      {"--fiscal-mode", "D"},                                     // only with --fiscal
      {"--fiscal", "--fiscal-mode", "D", "--fiscal-rate", "34"},  // declining under 3 years
      {"--fiscal", "--fiscal-mode", "X", "--fiscal-rate", "20"},
      {"--fiscal", "--fiscal-mode", "L"},  // no rate
  };
  for (const std::vector<std::string>& change : refused) {
    const Output o = Calc({change});
    EXPECT_EQ(o.status, kExitUsage) << change[0] << " " << change[1];
    EXPECT_TRUE(o.out.empty()) << change[0];
    EXPECT_EQ(o.err.rfind("actifix calc : ", 0), 0u) << o.err;
  }
  std::ostringstream out, err;
  EXPECT_EQ(RunCalcCommand({"--mode", "L"}, out, err), kExitUsage);  // --year and others missing
}

// The card print's plan (whose figures the plan tests pin) as JSON lines, down to its total.
TEST(CalcCommandTest, PlanAsJsonLines) {
  const Output o = Calc({{"--plan"}, {"--charge", "1008.22"}});
  EXPECT_NE(o.out.find(R"({"kind":"total","label":" TOTAL","cells":{"DOTAMO":10000.0}})"),
            std::string::npos)
      << o.err << o.out;
}

// The fiscal plan beside the module's economic one: 10,000 from 01/01, economic 8 years,
// fiscal 5 years: 750 allowed a year, then 1,250 written back; the cause is the duration.
TEST(CalcCommandTest, FiscalPlanAsJsonLines) {
  const Output o = Calc({{"--rate", "12.5"},
                         {"--acquired", "01/01/2005"},
                         {"--fiscal", "--fiscal-mode", "L", "--fiscal-rate", "20"}});
  ASSERT_EQ(o.status, 0) << o.err;
  std::istringstream lines(o.out);
  std::string line;
  std::vector<nlohmann::json> years;
  while (std::getline(lines, line))
    if (nlohmann::json j = nlohmann::json::parse(line); j["kind"] == "fiscal") years.push_back(j);
  ASSERT_EQ(years.size(), 8u) << o.out;
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_NEAR(years[i]["allowance"].get<double>(), i < 5 ? 750 : 0, 0.005) << i;
    EXPECT_NEAR(years[i]["write_back"].get<double>(), i < 5 ? 0 : 1250, 0.005) << i;
  }
  EXPECT_EQ(years[7]["balance_end"].get<double>(), 0);
  EXPECT_EQ(years[0]["cause"], "différentiel de durée");
}

}  // namespace
}  // namespace actifix::platform
