// Several programs on one company, run as real processes of the actifix program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "host/HostError.h"
#include "platform/store/CompanyLock.h"
#include "platform/store/sqlite/CompanyDatabase.h"
#include "platform/store/sqlite/Sqlite.h"
#include "support/Program.h"

namespace actifix::platform::testing {
namespace {

using actifix::testing::FileBytes;
using namespace std::string_literals;

class TwoProgramsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Actifix("company create 01 --name Test --year 01/01/2026 31/12/2026").status, 0);
    ASSERT_EQ(
        Actifix("run LectParamImmo --script " + Script("p", "LINTANA = []\nCOMPTA = O\n")).status,
        0);
  }

  std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }
  std::filesystem::path database() const { return dir_.path() / "01Actifix.db"; }

  // Writes the script `name` and returns its path.
  std::string Script(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name)) << text;
    return Path(name);
  }
  // A script that creates `count` accounts named after `tag`.
  std::string Accounts(const std::string& tag, int count) const {
    std::string script;
    for (int i = 1; i <= count; ++i)
      script += "NOCPTCG = " + tag + std::to_string(i) + "\nNOMCPTCG = Compte " + tag + "\n";
    return Script(tag + ".txt", script + "NOCPTCG =\n");
  }

  // Runs `actifix --data DIR --company 01 ARGS` and waits for it.
  actifix::testing::ProgramRun Actifix(const std::string& args,
                                       const std::string& tag = "cmd") const {
    return actifix::testing::RunProgram(
        "--data '" + dir_.path().string() + "' --company 01 " + args, Path(tag));
  }

  int64_t Count(const std::string& sql) const {
    const auto db = CompanyDatabase::Open(database());
    Statement count = db->Prepare(sql);
    return count.Step("test", sql) ? count.Int(0) : -1;
  }

  actifix::testing::TempDir dir_;
};

// Entry screens and editions share the company; one holding it exclusively (the year opening)
// keeps everyone out, who gives up naming it.
TEST_F(TwoProgramsTest, OperationsHoldTheCompanyExclusivelyOrSharedAsTheyWriteOrRead) {
  ASSERT_EQ(Actifix("run EntPCI --no-pdf --script " + Accounts("C", 3)).status, 0);
  for (const auto& [mode, command] :
       {std::pair{CompanyLock::Mode::kExclusive, "actifix run EntImo"},
        std::pair{CompanyLock::Mode::kShared, "actifix run EditImo"}}) {
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready) | pipe(release), 0);
    const pid_t holder = fork();
    if (holder == 0) {
      const CompanyLock hold(database(), mode, command);
      char byte = 0;
      _exit(write(ready[1], &byte, 1) != 1 || read(release[0], &byte, 1) != 1);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    const auto writer = Actifix("run EntPCI --no-pdf --script " + Accounts("D", 2));
    const auto reader = Actifix("run ListImo --no-pdf --script " + Script("none", ""));
    ASSERT_EQ(write(release[1], &byte, 1), 1);
    waitpid(holder, nullptr, 0);
    const bool shared = mode == CompanyLock::Mode::kShared;
    EXPECT_EQ(writer.status, shared ? 0 : 1) << command;
    EXPECT_EQ(writer.err.find("utilisée par un autre programme ("s + command) == std::string::npos,
              shared)
        << writer.err;
    EXPECT_EQ(reader.status, shared ? 0 : 1) << reader.err;
  }
  EXPECT_EQ(Count("SELECT count(*) FROM r_Pcimo"), 5);
}

// A refusal names a holder still there, not one that let go meanwhile.
TEST_F(TwoProgramsTest, ARefusalNamesAHolderStillRunning) {
  const CompanyLock first(database(), CompanyLock::Mode::kShared, "run EntImo");
  std::make_unique<CompanyLock>(database(), CompanyLock::Mode::kShared, "run EditImo").reset();
  try {
    CompanyLock(database(), CompanyLock::Mode::kExclusive, "run OuvImo");
    ADD_FAILURE() << "not refused";
  } catch (const HostError& error) {
    EXPECT_NE(error.cause().find("(run EntImo, processus "), std::string::npos) << error.cause();
  }
}

// The quick check at open refuses a damaged page in every command that writes and leaves the
// file as it was; the list of companies reads their settings alone and lists it, and an edition,
// which only reads, runs while the damage lies in what it does not read.
TEST_F(TwoProgramsTest, DamagedFileIsRefusedAndLeftAsItWas) {
  ASSERT_EQ(Actifix("run EntPCI --no-pdf --script " + Accounts("D", 200)).status, 0);
  ASSERT_EQ(Actifix("company create 02 --name Autre --year 01/01/2026 31/12/2026").status, 0);
  const int64_t page = Count("SELECT rootpage FROM sqlite_schema WHERE name = 'k_Pcimo'");
  const int64_t pageSize = Count("PRAGMA page_size");
  ASSERT_GT(page, 1);
  std::string bytes = FileBytes(database());
  ASSERT_GE(static_cast<int64_t>(bytes.size()), page * pageSize);
  for (int64_t i = 0; i < 48; ++i) bytes[(page - 1) * pageSize + 3 + i] = static_cast<char>(0x5A);
  std::ofstream(database(), std::ios::binary) << bytes;

  const auto list = Actifix("company list");
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(Actifix("run ListImo --no-pdf --script " + Script("none", "")).status, 0);
  for (const char* listed : {"01  Test", "02  Autre"})
    EXPECT_NE(list.out.find(listed), std::string::npos) << list.out;
  for (const std::string& args : {"run EntPCI --no-pdf --script " + Accounts("E", 2),
                                  "company year 01 01/01/2027 31/12/2027"s}) {
    const auto outcome = Actifix(args);
    EXPECT_EQ(outcome.status, 1) << args;
    EXPECT_NE(outcome.err.find(SqliteCause(SQLITE_CORRUPT)), std::string::npos) << outcome.err;
  }
  EXPECT_TRUE(FileBytes(database()) == bytes) << "the damaged file was changed";
}

}  // namespace
}  // namespace actifix::platform::testing
