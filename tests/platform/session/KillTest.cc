// Programs killed (SIGKILL) at moments spread over the year opening (its last tenth included),
// and at seeded random moments of the card screen and an edition, on a generated register of
// 5,000 assets, in a data directory and on the test server.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <random>
#include <thread>

#include <sqlite3.h>

#include "platform/session/ScriptedInterface.h"
#include "platform/session/Session.h"
#include "platform/store/CompanyStore.h"
#include "platform/store/sqlite/SqliteStore.h"
#include "platform/tools/YearOpening.h"
#include "state/Records.h"
#include "support/AssetFixture.h"
#include "support/Backend.h"
#include "support/PgSql.h"
#include "support/TempDir.h"

namespace actifix::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The events of a child of OpenKilledAtEvent: it is killed at the start of the `killAtEvent`-th.
int64_t eventsSeen = 0, killAtEvent = 0;
int OnEvent() { return ++eventsSeen == killAtEvent ? raise(SIGKILL) : 0; }

// The parameter: on a PostgreSQL server, in a database of the test's own.
class KillTest : public OnEachBackend {
 protected:
  void SetUp() override {
    if (OnServer()) {
      const char* server = std::getenv("ACTIFIX_TEST_PG");
      ASSERT_NE(server, nullptr);
      server_ = server;
      database_ = "kill_" + std::to_string(getpid());
      Sql(server_, "DROP DATABASE IF EXISTS " + database_);
      Sql(server_, "CREATE DATABASE " + database_);
      data_ = WithDatabase(server_, database_);
      setenv("ACTIFIX_OUT", dir_.path().c_str(), 1);
    }
    Program("company create 01 --year 01/01/2026 31/12/2026", true);
    Program("generate --assets 5000 --seed 5", true);
    Program("company year 01 01/01/2027 31/12/2027", true);
    if (OnServer())
      Sql(server_, "CREATE DATABASE " + database_ + "_pristine TEMPLATE " + database_);
    else
      fs::copy_file(Database(), dir_.path() / "pristine.db");
    Script("yes.txt", "CONFIRM yes\n");
    Script("edition.txt",
           "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n0\n1 =\n2 =\n"
           "MARK 1,2,3,4,5,6,7\n");
    std::string cards = "CONF\n";
    for (int i = 1; i <= kCards; ++i)
      cards += "CODNATI = MOB\nNUMNATI\nDATACQ = 15/02/2027\nNOMFRN\nDESCRI = Kill " +
               std::to_string(i) +
               "\nREMIMO\nDATCES\n1 = ADM\n2 = AT1\nVALACQ = 1000\nMODAMO\nTAUX = 20 F1\n";
    Script("cards.txt", cards + "CODNATI =\n");
  }

  void TearDown() override {
    if (database_.empty()) return;
    for (const std::string& name : {database_, database_ + "_pristine"})
      Sql(server_, "DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
  }

  fs::path Database() const { return dir_.path() / "01Actifix.db"; }
  // The asset files once the programs on the company have ended (a killed program's server
  // session may still be finishing what it sent).
  std::map<std::string, Rows> Files() const {
    if (!OnServer()) return AssetFiles(Database());
    for (int wait = 0; Sql(data_,
                           "SELECT count(*) FROM pg_stat_activity WHERE datname = "
                           "current_database() AND pid <> pg_backend_pid()") != "0";
         ++wait) {
      if (wait == 2000) throw std::runtime_error("the killed program's session goes on");
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return AssetFiles(data_, "01");
  }
  void Script(const std::string& name, const std::string& text) const {
    std::ofstream(dir_.path() / name) << text;
  }

  // The register as it was before any operation.
  void Restore() const {
    if (OnServer()) {
      Sql(server_, "DROP DATABASE " + database_ + " WITH (FORCE)");
      Sql(server_, "CREATE DATABASE " + database_ + " TEMPLATE " + database_ + "_pristine");
      return;
    }
    for (const char* suffix : {"-wal", "-shm"}) fs::remove(Database().string() + suffix);
    fs::copy_file(dir_.path() / "pristine.db", Database(), fs::copy_options::overwrite_existing);
  }

  // What the store says of the year opening: the cumulatives' year, and whether 2027 is marked.
  std::string YearState() const {
    const auto companies = platform::MakeCompanyStore(data_);
    return companies->Settings("01").cumulativesYear +
           (companies->Open("01")->YearOpened("01/01/2027").empty() ? "" : " marked");
  }

  // Runs `args`; killed after `after` when given. Returns how long it ran, or -1 when it
  // ended with status 1 (refused).
  double Program(const std::string& args, bool mustSucceed = false,
                 std::optional<std::chrono::microseconds> after = {}) const {
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
      const std::string command = std::string(ACTIFIX_PROGRAM) + " --data '" + data_ +
                                  "' --company 01 " + args + " >/dev/null 2>&1";
      execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), nullptr);
      _exit(127);
    }
    if (after) {
      std::this_thread::sleep_for(*after);
      kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (mustSucceed) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << args;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 1) return -1;
    return std::chrono::duration<double>(Clock::now() - start).count();
  }

  // The opening run in a child of this test on the SQLite store, killed at the start of its
  // `event`-th row change or commit (SQLite's hooks on its connection), if it has that many.
  // Returns the events of the run when it was not killed.
  int64_t OpenKilledAtEvent(int64_t event) {
    const fs::path count = dir_.path() / "events";
    if (fork() == 0) {
      try {  // the child never returns into the test
        platform::SessionOptions options;
        options.companies = platform::MakeCompanyStore(dir_.path().string());
        options.company = "01";
        options.pdf = false;
        platform::Session session(options, std::make_unique<platform::ScriptedInterface>(
                                               platform::Script::FromText("CONFIRM yes\n"),
                                               dir_.path() / "transcript.txt"));
        killAtEvent = event;
        sqlite3* db = dynamic_cast<platform::SqliteStore&>(session.store()).database().handle();
        sqlite3_update_hook(
            db, [](void*, int, const char*, const char*, sqlite3_int64) { OnEvent(); }, nullptr);
        sqlite3_commit_hook(
            db, [](void*) { return OnEvent(); }, nullptr);
        platform::OpenFiscalYear(session, {});
        std::ofstream(count) << eventsSeen;
      } catch (...) {
      }
      _exit(0);
    }
    wait(nullptr);
    int64_t events = 0;
    std::ifstream(count) >> events;
    fs::remove(count);
    return events;
  }

  // `runs` random fractions of a run's length.
  std::vector<double> Random(int runs) {
    std::vector<double> fractions(runs);
    for (double& f : fractions) f = std::uniform_real_distribution<double>(0, 1)(random_);
    return fractions;
  }

  // Kills runs of `args` at these fractions of its length.
  template <typename Check>
  void KillRuns(const std::string& args, const std::vector<double>& fractions, Check check) {
    Restore();
    const double length = Program(args);
    for (const double fraction : fractions) {
      Restore();
      const auto at = std::chrono::microseconds(static_cast<int64_t>(fraction * length * 1e6));
      Program(args, false, at);
      SCOPED_TRACE(args + " killed after " + std::to_string(at.count()) + " us of " +
                   std::to_string(static_cast<int64_t>(length * 1e6)));
      check(Files());
    }
  }

  static constexpr int kCards = 40;
  TempDir dir_;
  std::string server_, database_, data_ = dir_.path();
  std::mt19937_64 random_{20261206};
  std::error_code error_;
};

TEST_P(KillTest, KilledOperationsLeaveTheRegisterBeforeOrAfterNeverHalf) {
  const auto run = [&](const std::string& operation, const char* script) {
    return "run " + operation + " --no-pdf --script " + (dir_.path() / script).string();
  };
  const std::string open = run("OuvImo", "yes.txt");
  Restore();
  const auto before = Files();
  ASSERT_EQ(YearState(), "01/01/2026");
  Program(open, true);
  const auto opened = Files();
  ASSERT_NE(opened, before);
  ASSERT_EQ(YearState(), "01/01/2027 marked");

  // Killed anywhere, a third of the times in the last tenth, where the roll meets the mark:
  // the register as before, or wholly opened and a second opening refused.
  int kept = 0, rolled = 0;
  const auto check = [&](const auto& f) {
    if (f == before) {
      ++kept;
      EXPECT_EQ(YearState(), "01/01/2026");
      return;
    }
    ++rolled;
    EXPECT_TRUE(f == opened);
    EXPECT_EQ(YearState(), "01/01/2027 marked");
    EXPECT_EQ(Program(open), -1.0) << "a second opening ran";
  };
  const std::vector<double> fractions = {0.1, 0.25, 0.4,  0.5,  0.6,  0.7,  0.8, 0.85,
                                         0.9, 0.92, 0.94, 0.96, 0.98, 0.99, 1.5};
  if (!OnServer()) {  // on SQLite at events: rows changed and commits, the last ones each
    Restore();
    const int64_t events = OpenKilledAtEvent(0);
    ASSERT_GT(events, 5000);
    std::vector<int64_t> at = {1, events - 3, events - 2, events - 1, events};
    for (const double fraction : fractions) at.push_back(static_cast<int64_t>(fraction * events));
    for (const int64_t event : at) {
      Restore();
      SCOPED_TRACE("OuvImo killed at event " + std::to_string(event) + " of " +
                   std::to_string(events));
      OpenKilledAtEvent(event);
      check(Files());
    }
  } else {
    KillRuns(open, fractions, check);
  }
  EXPECT_GT(kept * rolled, 0);  // the kills span the run
  KillRuns(run("EditImo", "edition.txt"), Random(10),
           [&](const auto& f) { EXPECT_TRUE(f == before); });
  int saved = 0;  // cards kept by the kills, over all runs
  KillRuns(run("EntImo", "cards.txt"), Random(20), [&](const auto& f) {
    // The register before, and the first k cards of the script, each whole with its keys.
    std::map<int64_t, std::string> added;
    for (const auto& [text, number] : f.at("r_Immo"))
      if (!before.at("r_Immo").contains({text, number})) added[number] = text;
    int k = 0;
    for (const auto& [number, text] : added) {
      AssetRecord a;
      FromText(text, a);
      EXPECT_EQ(a.DESCRI.str().rfind("Kill " + std::to_string(++k) + " ", 0), 0u) << a.DESCRI.str();
    }
    for (const auto& [file, perCard] :
         {std::pair{"k_Immo", 1u}, {"k_Immon", 1u}, {"k_Immoa", 2u}}) {
      std::size_t keys = 0;
      for (const auto& [key, number] : f.at(file)) keys += added.contains(number);
      EXPECT_EQ(keys, perCard * added.size()) << file;
      EXPECT_EQ(f.at(file).size() - keys, before.at(file).size()) << file;
    }
    saved += k;
  });
  EXPECT_GT(saved, 0);
}

// generate writes its register in one transaction: killed at any moment, it leaves all its cards
// or none, and a register that checks clean.
TEST_P(KillTest, KilledGenerateLeavesAllItsCardsOrNone) {
  Restore();
  const std::size_t before = Files().at("r_Immo").size();
  KillRuns("generate --assets 50000 --seed 9", Random(8), [&](const auto& f) {
    const std::size_t added = f.at("r_Immo").size() - before;
    EXPECT_TRUE(added == 0 || added == 50000) << added << " cards kept";
    Program("check", true);
  });
}

// A backup killed while it is written is never listed: each listed one opens, checked, and
// restores; the next backup removes what the killed ones left.
TEST_P(KillTest, KilledBackupsAreNeverListed) {
  Restore();
  const auto companies = platform::MakeCompanyStore(data_);
  for (const double fraction : Random(10)) {
    if (const pid_t child = fork(); child == 0) {  // backups until killed, the whole ones removed
      try {
        for (const auto store = companies->Open("01");;) {
          const fs::path done =
              companies->TakeBackup(*store, "01", platform::ClosedYear{"01/01/2026", "31/12/2026"})
                  .path;
          if (!OnServer())
            fs::remove(done), fs::remove(fs::path(done).replace_extension(".exercice"));
        }
      } catch (...) {
      }
      _exit(1);
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int64_t>(fraction * 3e5)));
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
  }
  Files();  // the killed programs' sessions have ended
  companies->TakeBackup(*companies->Open("01"), "01");
  for (const platform::Backup& backup : companies->Backups("01")) {
    EXPECT_NO_THROW(companies->OpenArchive(backup)) << backup.path;
    EXPECT_NO_THROW(companies->Restore("01", backup)) << backup.path;
  }
  for (const auto& entry : fs::directory_iterator(dir_.path() / "sauvegardes", error_))
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Stores, KillTest, EachBackend(), BackendName);

}  // namespace
}  // namespace actifix::testing
