// The actifix program on a PostgreSQL server: a company made, filled by scripted screens, listed
// and checked; the year opening refused before it writes; a program refused while one holds it.
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

  // The year opening takes a backup before its first write: refused whole.
  EXPECT_NE(run("OuvImo", "CONFIRM yes\n", 1)
                .find("les copies de sauvegarde d'une entreprise sur "
                      "un serveur PostgreSQL ne sont pas encore"),
            std::string::npos);
  EXPECT_EQ(companies->Open("01")->YearOpened("01/01/2026"), "");

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
