// The actifix program on a PostgreSQL server: a company made, filled by scripted screens, listed
// and checked; the year opening's backup listed and restored; a program refused while one holds
// it.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/store/CompanyStore.h"
#include "platform/store/Store.h"
#include "support/Program.h"

namespace actifix::platform::testing {
namespace {

using actifix::testing::RunProgram;

TEST(PgProgramTest, ACompanyOnAServerIsMadeFilledListedCheckedAndHeld) {
  const char* uri = std::getenv("ACTIFIX_TEST_PG");
  ASSERT_NE(uri, nullptr);
  const actifix::testing::TempDir dir;
  setenv("ACTIFIX_OUT", dir.path().c_str(), 1);
  const auto companies = MakeCompanyStore(uri);
  companies->Remove("01");
  const std::string data = "--data '" + std::string(uri) + "' ", scratch = dir.path() / "run",
                    script = dir.path() / "script";
  // `actifix run OPERATION` answering `lines`: its transcript and error stream.
  const auto run = [&](const std::string& operation, const std::string& lines, int status = 0) {
    std::ofstream(script) << lines;
    const auto result = RunProgram(data + "--company 01 run " + operation + " --no-pdf --script '" +
                                       script + "' --transcript '" + scratch + ".t'",
                                   scratch);
    EXPECT_EQ(result.status, status) << operation << ": " << result.err;
    return actifix::testing::FileBytes(scratch + ".t") + result.err;
  };

  EXPECT_EQ(RunProgram(data + "company create 01 --name 'Société Serveur' --year 01/01/2026 "
                              "31/12/2026 --work-date 15/03/2026",
                       scratch)
                .out,
            "Entreprise 01 « Société Serveur » créée, exercice du 01/01/2026 au 31/12/2026.\n");
  run("LectParamImmo", "LINTANA\nCOMPTA = N\n");
  run("EntPCI",
      "NOCPTCG = 2154\nNOMCPTCG = Matériel industriel\nNOCPTCG = 28154\n"
      "NOMCPTCG = Amortissements du matériel\nNOCPTCG =\n");
  run("EntNat", "CODNAT = MAT\nLIBNAT = Matériel industriel\nCODNAT =\n");
  EXPECT_NE(run("EntPCI", "NOCPTCG = 28154\nNOMCPTCG\nNOCPTCG =\n")
                .find("SHOW NOMCPTCG Amortissements du matériel"),
            std::string::npos);
  EXPECT_NE(
      run("EntNat", "CODNAT = MAT\nLIBNAT\nCODNAT =\n").find("SHOW LIBNAT Matériel industriel"),
      std::string::npos);
  EXPECT_NE(RunProgram(data + "company list", scratch)
                .out.find("01  Société Serveur  exercice du 01/01/2026 au 31/12/2026  date de "
                          "travail 15/03/2026\n"),
            std::string::npos);
  const auto checked = RunProgram(data + "--company 01 check", scratch);
  EXPECT_EQ(checked.out.rfind("0 anomalie, 0 immobilisation vérifiée en ", 0), 0u) << checked.err;

  // The year opening takes a backup first; listed, it brings the company back as it was.
  EXPECT_NE(
      run("OuvImo", "CONFIRM yes\n").find("Sauvegarde interne de l'entreprise 01 : actifix_01_"),
      std::string::npos);
  EXPECT_NE(companies->Open("01")->YearOpened("01/01/2026"), "");
  const std::string listed = RunProgram(data + "company backups 01", scratch).out;
  const std::size_t at = listed.find("\n01  actifix_01_sauvegarde_");
  ASSERT_NE(at, std::string::npos) << listed;
  const std::string name = listed.substr(at + 5, listed.find(' ', at + 5) - at - 5);
  EXPECT_EQ(RunProgram(data + "company restore 01 " + name + " --yes", scratch).out,
            "Entreprise 01 restaurée depuis la sauvegarde " + name + ".\n");
  EXPECT_EQ(companies->Open("01")->YearOpened("01/01/2026"), "");
  EXPECT_EQ(companies->FindBackup(name)->code, "01");

  {
    const auto hold = companies->Hold("01", CompanyHold::Mode::kExclusive, "actifix run EntImo");
    const auto refused = RunProgram(data + "--company 01 check", scratch);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("l'entreprise est utilisée par un autre programme (actifix run "
                               "EntImo, processus " +
                               std::to_string(getpid()) + ") : réessayez quand il aura terminé"),
              std::string::npos)
        << refused.err;
  }
  EXPECT_EQ(RunProgram(data + "--company 01 check", scratch).status, 0);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "editions"));
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
  program(from, "--company C1 run OuvImo --no-pdf --script " + script + " --transcript " + scratch +
                    ".t");
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
