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

}  // namespace
}  // namespace actifix::platform::testing
