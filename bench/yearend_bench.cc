// The two operations that walk the whole register, each beside the least the store can do
// over the same records in the same run:
//   ImmoExcel  (writes <CODE>Immo.csv)         beside a walk of the "Immo" key file; with the
//              typed spreadsheet (<CODE>Immo.xlsx) beside the CSV alone
//   OuvImo     (backup included, as run does)  beside a walk that rewrites every record,
//                                              and a backup alone
// on a register made by `actifix generate` (seed 1), through the program's own session.
// Each run is a child process with a session of its own, so that its peak memory is its own.
// Prints the times, their ratios and the peaks; --tsv prints the lines of bench/run.sh.
// With $ACTIFIX_BENCH_DATA (a --data value, such as a PostgreSQL server's address) the company
// is made there rather than in a temporary directory, and made again for each size; on a
// server, its tables are vacuumed and checkpointed before each measure that rewrites them.
//
//   bench_yearend_bench [--tsv] [N...]      (default 100000 1000000)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_common.h"
#include "front/NvImmo.h"
#include "platform/screen/Script.h"
#include "platform/session/Companies.h"
#include "platform/session/ScriptedInterface.h"
#include "platform/session/Session.h"
#include "platform/store/CompanyStore.h"
#include "platform/store/Store.h"
#include "platform/store/pg/Pg.h"
#include "platform/tools/RegisterGenerator.h"
#include "platform/tools/YearOpening.h"
#include "state/MImmo.h"

namespace {

using namespace actifix;
using namespace actifix::platform;
using bench::Clock;
using bench::Measure;
using bench::Seconds;
namespace fs = std::filesystem;

// Walks the asset key file, each record read into the module's buffer; rewrites each
// record as read when `rewrite`, the rewrites gathered as the year opening's are. Returns the
// number of assets.
int64_t BareWalk(Session& session, bool rewrite) {
  int64_t seen = 0;
  session.store().SetBulk(rewrite);
  session.RunWith([&](NvImmo&) {
    MImmoState& m = MImmo();
    int16_t found = 0;
    std::string key;
    for (KeyedFile().First(m.kImmo, m.fImmo, found, key); found != 0;
         KeyedFile().Next(m.kImmo, m.fImmo, found, key)) {
      ++seen;
      if (!rewrite) continue;
      int32_t number = 0;
      RecordFile().LastRecordNumber(m.fImmo, number);
      RecordFile().Write(m.fImmo, number);
    }
  });
  return seen;
}

// Where the company is made: $ACTIFIX_BENCH_DATA, else the run's directory.
std::string Data(const fs::path& dir) {
  const char* data = std::getenv("ACTIFIX_BENCH_DATA");
  return data != nullptr && *data != '\0' ? data : dir.string();
}

// On a server, what its autovacuum and checkpointer would have done before a user's next
// operation: each measure that rewrites the register starts from settled tables.
void Settle(const std::string& data) {
  if (data.rfind("postgresql://", 0) != 0 && data.rfind("postgres://", 0) != 0) return;
  pg::Connection server(data, "bench");
  server.Exec("VACUUM (ANALYZE)", "bench", "");
  server.Exec("CHECKPOINT", "bench", "");
}

// Runs `work` on a session of its own in a child process: its time (session opening
// left out) and peak memory.
Measure InChild(const fs::path& dir, const std::function<void(Session&)>& work,
                const std::string& script = "") {
  return bench::InChild([&] {
    auto session = bench::OpenSession(dir, script, false, false, false, Data(dir));
    const Clock::time_point start = Clock::now();
    work(*session);
    return Seconds(start);
  });
}

void Run(const fs::path& dir, int64_t count, bool tsv) {
  const auto companies = MakeCompanyStore(Data(dir));
  if (companies->Exists("01")) companies->Remove("01");
  companies->Create({"01", "Bench", "01/01/2026", "31/12/2026", "01/01/2026"});
  auto t = Clock::now();
  {
    auto session = bench::OpenSession(dir, "", false, false, false, Data(dir));
    GeneratorOptions generator;
    generator.assets = count;
    generator.commit = [&session] { session->Commit(); };
    session->store().SetBulk(true);  // as `actifix generate` writes
    session->RunWith([&](NvImmo&) { GenerateRegister(generator); });
  }
  if (!tsv)
    std::printf("%lld assets generated in %.1f s\n", static_cast<long long>(count), Seconds(t));

  const Measure walk = InChild(dir, [&](Session& session) {
    const int64_t walked = BareWalk(session, false);
    if (walked != count) throw std::runtime_error("the walk saw " + std::to_string(walked));
  });
  const Measure excel = InChild(dir, [](Session& session) { session.Run("ImmoExcel"); });
  // The module's CSV alone, without the typed spreadsheet the program writes beside it.
  const Measure csv = InChild(dir, [](Session& session) {
    session.RunWith([](NvImmo& component) { component.ImmoExcel(); });
  });
  Settle(Data(dir));
  const Measure rewrite = InChild(dir, [](Session& session) { BareWalk(session, true); });
  {
    const auto store = companies->Open("01");
    CompanySettings settings = store->Settings();
    settings.yearStart = "01/01/2027";
    settings.yearEnd = "31/12/2027";
    store->SaveSettings(settings);
    store->Commit();
  }
  const Measure copy = InChild(
      dir, [&](Session& session) { session.companies().TakeBackup(session.store(), "01"); });
  Settle(Data(dir));
  const Measure opening = InChild(
      dir, [](Session& session) { OpenFiscalYear(session, {}); }, "CONFIRM yes\n");

  if (tsv) {
    bench::TsvLine("ImmoExcel, CSV alone", count, csv.seconds, "walk", walk.seconds, csv.peakMb);
    bench::TsvLine("ImmoExcel, CSV and XLSX", count, excel.seconds, "CSV alone", csv.seconds,
                   excel.peakMb);
    bench::TsvLine("OuvImo with backup", count, opening.seconds, "walk+rewrite", rewrite.seconds,
                   opening.peakMb);
    bench::TsvLine("backup of the database alone", count, copy.seconds, "-", -1, copy.peakMb);
    return;
  }
  std::printf("%lld assets walked, in %s\n", static_cast<long long>(count),
              companies->Where().c_str());
  std::printf("%-34s %9s %9s %7s %8s\n", "", "op s", "bare s", "ratio", "peak MB");
  std::printf("%-34s %9.2f %9.2f %7.2f %8.0f\n", "ImmoExcel CSV alone / walk", csv.seconds,
              walk.seconds, csv.seconds / walk.seconds, csv.peakMb);
  std::printf("%-34s %9.2f %9.2f %7.2f %8.0f\n", "ImmoExcel CSV+XLSX / CSV alone", excel.seconds,
              csv.seconds, excel.seconds / csv.seconds, excel.peakMb);
  std::printf("%-34s %9.2f %9.2f %7.2f %8.0f\n", "OuvImo with backup / walk+rewrite",
              opening.seconds, rewrite.seconds, opening.seconds / rewrite.seconds, opening.peakMb);
  std::printf("%-34s %9.2f %9s %7s %8.0f\n", "  of which a backup alone", copy.seconds, "", "",
              copy.peakMb);
}

}  // namespace

int main(int argc, char** argv) { return actifix::bench::RunForSizes(argc, argv, Run); }
