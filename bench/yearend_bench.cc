// The two operations that walk the whole register, each beside the least the store can do
// over the same records in the same run:
//   ImmoExcel  (writes <CODE>Immo.csv)         beside a walk of the "Immo" key file; with the
//              typed spreadsheet (<CODE>Immo.xlsx) beside the CSV alone
//   OuvImo     (backup included, as run does)  beside a walk that rewrites every record,
//                                              and a backup alone
// on a register made by `actifix generate` (seed 1), through the program's own session.
// Each run is a child process with a session of its own, so that its peak memory is its own.
// Prints the times, their ratios and the peaks; --tsv prints the lines of bench/run.sh.
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
#include "platform/store/sqlite/CompanyDatabase.h"
#include "platform/store/sqlite/SqliteStore.h"
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
// record as read when `rewrite`. Returns the number of assets.
int64_t BareWalk(Session& session, bool rewrite) {
  int64_t seen = 0;
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

// Runs `work` on a session of its own in a child process: its time (session opening
// left out) and peak memory.
Measure InChild(const fs::path& dir, const std::function<void(Session&)>& work,
                const std::string& script = "") {
  return bench::InChild([&] {
    auto session = bench::OpenSession(dir, script);
    const Clock::time_point start = Clock::now();
    work(*session);
    return Seconds(start);
  });
}

void Run(const fs::path& dir, int64_t count, bool tsv) {
  CompanyDatabase::Create(CompanyDatabasePath(dir, "01"),
                          {"01", "Bench", "01/01/2026", "31/12/2026", "01/01/2026"});
  auto t = Clock::now();
  {
    auto session = bench::OpenSession(dir, "");
    GeneratorOptions generator;
    generator.assets = count;
    generator.commit = [&session] { session->Commit(); };
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
  const Measure rewrite = InChild(dir, [](Session& session) { BareWalk(session, true); });
  {
    auto db = CompanyDatabase::Open(CompanyDatabasePath(dir, "01"));
    CompanySettings settings = db->Settings();
    settings.yearStart = "01/01/2027";
    settings.yearEnd = "31/12/2027";
    db->SaveSettings(settings);
  }
  const Measure copy = InChild(dir, [&](Session& session) {
    dynamic_cast<SqliteStore&>(session.store()).database().BackupTo(dir / "alone.db");
  });
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
  std::printf("%lld assets walked; database %.0f MB, its backup %.0f MB\n",
              static_cast<long long>(count),
              static_cast<double>(fs::file_size(CompanyDatabasePath(dir, "01"))) / 1e6,
              static_cast<double>(fs::file_size(dir / "alone.db")) / 1e6);
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
