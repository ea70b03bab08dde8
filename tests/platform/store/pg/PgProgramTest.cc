// The actifix program on a PostgreSQL server: a company held, copied between the stores, its year
// opening backed up and restored.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/store/CompanyStore.h"
#include "platform/store/Store.h"
#include "support/Program.h"

namespace actifix::platform::testing {
namespace {

using actifix::testing::RunProgram;

// Made, filled, listed and checked on a server: the scenarios (scenario-pg/...). Here: a program
// refused while another holds the company, naming it, then let in.
TEST(PgProgramTest, AProgramIsRefusedWhileAnotherHoldsTheCompanyAndNamesIt) {
  const char* uri = std::getenv("ACTIFIX_TEST_PG");
  ASSERT_NE(uri, nullptr);
  const actifix::testing::TempDir dir;
  setenv("ACTIFIX_OUT", dir.path().c_str(), 1);
  const auto companies = MakeCompanyStore(uri);
  companies->Remove("01");
  companies->Create({"01", "Société Serveur", "01/01/2026", "31/12/2026", "15/03/2026"});
  const std::string check = "--data '" + std::string(uri) + "' --company 01 check",
                    scratch = dir.path() / "run";
  {
    const auto hold = companies->Hold("01", CompanyHold::Mode::kExclusive, "actifix run OuvImo");
    const auto refused = RunProgram(check, scratch);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("l'entreprise est utilisée par un autre programme (actifix run "
                               "OuvImo, processus " +
                               std::to_string(getpid()) + ") : réessayez quand il aura terminé"),
              std::string::npos)
        << refused.err;
  }
  EXPECT_EQ(RunProgram(check, scratch).out.rfind("0 anomalie, 0 immobilisation vérifiée en ", 0),
            0u);
}

TEST(PgProgramTest, ACompanyCopiedToTheServerAndBackChecksCleanExportsAlikeAndIsRestored) {
  const char* uri = std::getenv("ACTIFIX_TEST_PG");
  ASSERT_NE(uri, nullptr);
  const actifix::testing::TempDir dir;
  const std::filesystem::path out = dir.path() / "out", from = dir.path() / "from",
                              back = dir.path() / "back";
  setenv("ACTIFIX_OUT", out.c_str(), 1);
  const auto companies = MakeCompanyStore(uri);
  companies->Remove("C1");
  const std::string server = "'" + std::string(uri) + "'", scratch = dir.path() / "run",
                    script = dir.path() / "script";
  std::ofstream(script) << "CONFIRM yes\n";
  const auto program = [&](const std::string& data, const std::string& args, int status = 0) {
    const auto result = RunProgram("--data " + data + " " + args, scratch);
    EXPECT_EQ(result.status, status) << args << ": " << result.err;
    return result.out + result.err;
  };
  // The export of the company C1 at `data`, whose CSV goes to `csv`.
  const auto exported = [&](const std::string& data, const std::filesystem::path& csv) {
    program(data, "--company C1 run ImmoExcel --no-pdf --script /dev/null --transcript " + scratch +
                      ".t");
    return actifix::testing::FileBytes(csv / "C1Immo.csv");
  };

  program(from, "company create C1 --year 01/01/2026 31/12/2026");
  program(from, "--company C1 generate --assets 400");
  program(from, "--company C1 run OuvImo --again --no-pdf --script " + script + " --transcript " +
                    scratch + ".t");
  EXPECT_NE(program(from, "company copy C1 --to " + server).find("copiée dans postgresql://"),
            std::string::npos);
  EXPECT_NE(program(from, "company copy C1 --to " + server, 1)
                .find("L'entreprise C1 existe déjà dans postgresql://"),
            std::string::npos);
  EXPECT_NE(program(server, "company copy C1 --to " + from.string(), 1).find("rien n'a été copié"),
            std::string::npos);
  EXPECT_EQ(program(server, "--company C1 check").rfind("0 anomalie, 400 immobilisations", 0), 0u);
  const std::string csv = exported(from.string(), from);
  EXPECT_GT(csv.size(), 400u * 50);
  EXPECT_EQ(exported(server, out), csv);
  // Every stored file alike: lengths, kinds, last numbers, records, entries in order.
  const auto stored = [](CompanyStore& at) {
    const auto store = at.Open("C1");
    std::string all = store->YearOpened("01/01/2026") + "|";
    store->ReadConsistently([&] {
      const StoredFiles files = at.Describe(*store, "C1");
      for (const auto& f : files.records) {
        all += f.name + std::to_string(f.recordLength) + "/" + std::to_string(f.lastNumber) + ":";
        store->ScanRecords(f.name,
                           [&](int32_t n, std::string_view r) { (all += std::to_string(n)) += r; });
      }
      for (const auto& f : files.keys) {
        all += f.name + std::to_string(f.keyLength) + f.kind + ":";
        store->ScanKeys(f.name,
                        [&](std::string_view k, int32_t n) { (all += k) += std::to_string(n); });
      }
    });
    return all;
  };
  EXPECT_EQ(stored(*companies), stored(*MakeCompanyStore(from)));
  EXPECT_GT(stored(*companies).size(), 400u * 225 + 20);
  program(server, "company copy C1 --to " + back.string());
  EXPECT_EQ(stored(*MakeCompanyStore(back)), stored(*companies));
  EXPECT_EQ(program(back, "--company C1 check").rfind("0 anomalie, 400 immobilisations", 0), 0u);
  EXPECT_EQ(exported(back.string(), back), csv);

  // The next opening on the server takes a backup; restored, it gives the register back.
  program(server, "company year C1 01/01/2027 31/12/2027");
  const std::string before = exported(server, out);
  const std::string opened = program(server, "--company C1 run OuvImo --no-pdf --script " + script +
                                                 " --transcript " + scratch + ".t");
  const std::size_t at = opened.find("actifix_C1_sauvegarde_");
  ASSERT_NE(at, std::string::npos) << opened;
  const std::string name = opened.substr(at, opened.find('\n', at) - at);
  EXPECT_NE(exported(server, out), before);
  EXPECT_NE(program(server, "company backups").find("C1  " + name + "  du "), std::string::npos);
  program(server, "company restore C1 " + name + " --yes");
  EXPECT_EQ(exported(server, out), before);
  EXPECT_EQ(program(server, "--company C1 check").rfind("0 anomalie, 400 immobilisations", 0), 0u);
}

}  // namespace
}  // namespace actifix::platform::testing
