// Registers written in bulk on a PostgreSQL server (by COPY): a generated register exports the
// same bytes as on SQLite, and an import whose lines are already in the register is refused
// in French with nothing written.
#include <gtest/gtest.h>

#include "platform/store/CompanyStore.h"
#include "support/Program.h"

namespace actifix::platform::testing {
namespace {

using actifix::testing::FileBytes;
using actifix::testing::RunProgram;

TEST(PgBulkTest, AGeneratedRegisterExportsAsOnSqliteAndAnImportOfItIsRefusedWhole) {
  const char* uri = std::getenv("ACTIFIX_TEST_PG");
  ASSERT_NE(uri, nullptr);
  const actifix::testing::TempDir dir;
  const std::string out = dir.path() / "pg", scratch = dir.path() / "run";
  setenv("ACTIFIX_OUT", out.c_str(), 1);
  MakeCompanyStore(uri)->Remove("G7");
  std::string exports[2];
  for (const std::string& data : {(dir.path() / "sqlite").string(), std::string(uri)}) {
    const std::string program = "--data '" + data + "' --company G7 ";
    RunProgram(program + "company create G7 --year 01/01/2026 31/12/2026", scratch);
    // More cards than a walk's batch, with the partial disposals' second cards.
    const auto generated = RunProgram(program + "generate --assets 1500 --seed 7", scratch);
    ASSERT_EQ(generated.status, 0) << generated.err;
    const auto exported =
        RunProgram(program + "run ImmoExcel --script /dev/null --no-pdf", scratch);
    ASSERT_EQ(exported.status, 0) << exported.err;
    exports[data == uri] = FileBytes((data == uri ? out : data) + "/G7Immo.csv");
  }
  EXPECT_GT(exports[0].size(), 1500u * 100);
  EXPECT_EQ(exports[0], exports[1]);

  const std::string program = "--data '" + std::string(uri) + "' --company G7 ";
  const auto imported =
      RunProgram(program + "import '" + dir.path().string() + "/sqlite/G7Immo.csv'", scratch);
  EXPECT_EQ(imported.status, 1);
  EXPECT_NE(imported.out.find("est déjà dans le registre"), std::string::npos) << imported.out;
  EXPECT_NE(imported.out.find(" : rien n'est importé."), std::string::npos) << imported.out;
  RunProgram(program + "run ImmoExcel --script /dev/null --no-pdf", scratch);
  EXPECT_EQ(FileBytes(out + "/G7Immo.csv"), exports[0]);
  MakeCompanyStore(uri)->Remove("G7");
}

}  // namespace
}  // namespace actifix::platform::testing
