// EditDer and the derogatory tables of Tableaux2054 over a generated register with fiscal plans
// on half of its assets, on both stores: their totals are the sums of fiscal::RollYear over
// the assets, and the 2056 line ends at its start plus the allowances less the write-backs.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "editions/MImmoEdt.h"
#include "fiscal/Derogatory.h"
#include "front/NvImmo.h"
#include "platform/screen/Script.h"
#include "platform/session/ScriptedInterface.h"
#include "platform/session/Session.h"
#include "platform/store/CompanyStore.h"
#include "state/Amounts.h"
#include "state/MImmo.h"
#include "support/Backend.h"
#include "support/PgSql.h"
#include "support/Program.h"
#include "support/TestRegister.h"

namespace actifix::testing {
namespace {

using Json = nlohmann::json;
const char* const kColumns[] = {"ECO",    "FIS",    "SLDDEB", "DOTDER",
                                "REPDER", "REPCES", "SLDFIN", "EXCES"};

class DerogatoryTest : public OnEachBackend {
 protected:
  void SetUp() override {
    data_ = dir_.path().string();
    if (OnServer()) {
      server_ = std::getenv("ACTIFIX_TEST_PG");
      database_ = "derog_" + std::to_string(getpid());
      Sql(server_, "DROP DATABASE IF EXISTS " + database_);
      Sql(server_, "CREATE DATABASE " + database_);
      data_ = WithDatabase(server_, database_);
    }
    setenv("ACTIFIX_OUT", dir_.path().c_str(), 1);
    ASSERT_EQ(Program("company create 01 --year 01/01/2026 31/12/2026"), 0);
    Open("LINTANA = [Service,Atelier]\nCOMPTA\n")->RunWith([](NvImmo& component) {
      component.LectParamImmo();
      for (const char* account : {"145", "68725", "78725"}) AddAccount(account, account);
      Generate(300, 9);
    });
    ASSERT_EQ(Program("company fiscal 01 --on"), 0);
  }
  void TearDown() override {
    if (!database_.empty()) Sql(server_, "DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)");
  }

  int Program(const std::string& args) {
    return RunProgram("--data '" + data_ + "' " + args, (dir_.path() / "run").string()).status;
  }
  std::unique_ptr<platform::Session> Open(const std::string& script = "") {
    platform::SessionOptions options;
    options.companies = platform::MakeCompanyStore(data_);
    options.company = "01";
    options.editionsDir = dir_.path() / "editions";
    options.pdf = false;
    return std::make_unique<platform::Session>(
        options, std::make_unique<platform::ScriptedInterface>(platform::Script::FromText(script),
                                                               dir_.path() / "transcript.txt"));
  }
  // The JSON lines of the one edition `operation` prints.
  std::vector<Json> Events(const std::string& operation, const std::string& script) {
    std::filesystem::remove_all(dir_.path() / "editions");
    Open(script)->Run(operation);
    std::vector<Json> events;
    for (const auto& f : std::filesystem::directory_iterator(dir_.path() / "editions"))
      if (f.path().extension() == ".jsonl")
        for (std::ifstream in(f.path()); !in.eof();)
          if (std::string text; std::getline(in, text) && !text.empty())
            events.push_back(Json::parse(text));
    return events;
  }

  TempDir dir_;
  std::string data_, server_, database_;
};

TEST_P(DerogatoryTest, TotalsAreTheSumsOfTheAssetsYearsAnd2056Balances) {
  std::map<std::string, double> expected;
  Open()->RunWith([&](NvImmo& component) {
    component.LectParamImmo();
    MImmoState& m = MImmo();
    const Exercise& year = m.exercises[1];
    int16_t found = 0;
    std::string key, text;
    int n = 0;
    for (KeyedFile().First(m.kImmo, m.fImmo, found, key); found != 0;
         KeyedFile().Next(m.kImmo, m.fImmo, found, key)) {
      if (++n % 2 != 0) continue;
      // Linear or declining, at 1.25 times the economic rate; a fiscal cumulative above the
      // economic one, the difference as the balance.
      float rate = 0;
      Convert().UnpackSingle(m.immo.TAUX, rate);
      fiscal::FiscalPlan plan{n % 4 ? 'L' : 'D', std::min(33.33f, rate > 0 ? rate * 1.25f : 20),
                              UnpackAmount(m.immo.VALACQ.str())};
      Dates().UnpackDate(m.immo.DATACQ, text, plan.acquired);
      Dates().UnpackDate(m.immo.DATCES, text, plan.disposed);
      const double cumul = UnpackAmount(m.immo.CUMAMO.str());
      const fiscal::FiscalState state{std::min(plan.base, Round2(cumul * 1.3)),
                                      Round2(std::min(plan.base, cumul * 1.3) - cumul)};
      if (!fiscal::FiscalPlanRefusal(plan).empty()) continue;
      m.immof.CODNATF = m.immo.CODNATI.str();
      m.immof.NUMNATF = m.immo.NUMNATI.str();
      m.immof.MODFIS = std::string(1, plan.mode);
      m.immof.TAUFIS = PackRate(plan.rate);
      m.immof.CUMFIS = PackAmount(state.cumulative);
      m.immof.SLDDER = PackAmount(state.balance);
      m.immof.DOTFIS = PackAmount(0);
      int32_t number = 0;
      KeyedFile().Insert(m.kImmof, key, m.fImmof, number);
      if (plan.acquired > year.endDay || (plan.disposed != 0 && plan.disposed < year.startDay))
        continue;
      const double economic =
          EdtImoFigures("AN", 1, {year.startText, year.startDay}, {year.endText, year.endDay})
              .dotation;
      const fiscal::FiscalYearResult r = fiscal::RollYear(plan, state, {year.startDay, year.endDay},
                                                          economic, m.immo.MODAMO.str()[0]);
      const double amounts[] = {economic,
                                r.fiscal,
                                r.movement.balanceBefore,
                                r.movement.allowance,
                                r.movement.writeBack,
                                r.movement.disposalWriteBack,
                                r.movement.balanceAfter,
                                r.movement.excess};
      for (int k = 0; k < 8; ++k)
        expected[kColumns[k]] = Round2(expected[kColumns[k]] + amounts[k]);
    }
  });
  ASSERT_GT(expected["DOTDER"], 0);
  ASSERT_GT(expected["REPDER"], 0);
  ASSERT_GT(expected["REPCES"], 0);

  std::map<std::string, double> natures;
  int totals = 0;  // the company's total, one per column
  for (const Json& e : Events("EditDer",
                              "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\n"
                              "RECAPSEULE = O\nMARK 1,2,3,4,5,6,7\n")) {
    for (const char* c : kColumns) {
      if (e["kind"] == "line") natures[c] += e["cells"].value(c, 0.0);
      if (e["kind"] == "total" && ++totals) {
        EXPECT_NEAR(e["cells"][c].get<double>(), expected[c], 0.005) << c;
        EXPECT_NEAR(natures[c], expected[c], 0.005) << c;
      }
    }
  }
  EXPECT_EQ(totals, 8);
  bool form2056 = false, form2055 = false;
  for (const Json& e : Events("Tableaux2054", "CHOOSE 1\n")) {
    const Json& cells = e.value("cells", Json::object());
    if (e.value("label", "") == "TOTAL GENERAL" && cells.contains("DDUR")) {
      form2055 = true;
      EXPECT_NEAR(cells.value("DDUR", 0.0) + cells.value("DDEG", 0.0) + cells.value("DEXC", 0.0),
                  expected["DOTDER"], 0.005);
      EXPECT_NEAR(cells.value("RDUR", 0.0) + cells.value("RDEG", 0.0) + cells.value("REXC", 0.0),
                  expected["REPDER"], 0.005);
    }
    if (!cells.contains("FIN")) continue;
    form2056 = true;
    EXPECT_NEAR(
        cells["FIN"].get<double>(),
        cells["DEBUT"].get<double>() + cells["AUG"].get<double>() - cells["DIM"].get<double>(),
        0.005);
    EXPECT_NEAR(cells["DEBUT"].get<double>(), expected["SLDDEB"], 0.005);
    EXPECT_NEAR(cells["HG"].get<double>(), expected["DOTDER"], 0.005);
    EXPECT_NEAR(cells["HC"].get<double>(), expected["REPDER"], 0.005);
  }
  EXPECT_TRUE(form2055 && form2056);
}

INSTANTIATE_TEST_SUITE_P(Stores, DerogatoryTest, EachBackend(), BackendName);

}  // namespace
}  // namespace actifix::testing
