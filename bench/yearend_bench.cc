// The two operations that walk the whole register, each beside the least the store can do
// over the same records in the same run:
//   ImmoExcel  (writes <CODE>Immo.csv)         beside a walk of the "Immo" key file
//   OuvImo     (backup included, as run does)  beside a walk that rewrites every record,
//                                              and a backup alone
// on a register made by `actifix generate` (seed 1), through the program's own session.
// Prints the times and their ratios.
//
//   bench_yearend_bench [N...]      (default 100000 1000000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "front/MImmo.h"
#include "front/NvImmo.h"
#include "platform/app/Companies.h"
#include "platform/app/RegisterGenerator.h"
#include "platform/app/ScriptedInterface.h"
#include "platform/app/Session.h"
#include "platform/app/YearOpening.h"
#include "platform/screen/Script.h"
#include "platform/store/CompanyDatabase.h"
#include "platform/store/Store.h"

namespace {

using namespace actifix;
using namespace actifix::platform;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

std::unique_ptr<Session> Open(const fs::path& dir, const std::string& script) {
  SessionOptions options;
  options.dataDir = dir;
  options.company = "01";
  options.outDir = dir / "editions";
  options.pdf = false;
  return std::make_unique<Session>(
      options, std::make_unique<ScriptedInterface>(Script::FromText(script), dir / "transcript"));
}

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

void Run(const fs::path& dir, int64_t count) {
  CompanyDatabase::Create(CompanyDatabasePath(dir, "01"),
                          {"01", "Bench", "01/01/2026", "31/12/2026", "01/01/2026"});
  auto t = Clock::now();
  {
    auto session = Open(dir, "");
    GeneratorOptions generator;
    generator.assets = count;
    generator.commit = [&session] { session->Commit(); };
    session->RunWith([&](NvImmo&) { GenerateRegister(generator); });
  }
  std::printf("%lld assets generated in %.1f s\n", static_cast<long long>(count), Seconds(t));

  auto session = Open(dir, "CONFIRM yes\n");
  t = Clock::now();
  const int64_t walked = BareWalk(*session, false);
  const double walk = Seconds(t);
  t = Clock::now();
  session->Run("ImmoExcel");
  const double excel = Seconds(t);

  t = Clock::now();
  BareWalk(*session, true);
  const double rewrite = Seconds(t);
  {
    auto db = CompanyDatabase::Open(CompanyDatabasePath(dir, "01"));
    CompanySettings settings = db->Settings();
    settings.yearStart = "01/01/2027";
    settings.yearEnd = "31/12/2027";
    db->SaveSettings(settings);
  }
  t = Clock::now();
  session->store().database().BackupTo(dir / "alone.db");
  const double copy = Seconds(t);
  t = Clock::now();
  const fs::path backup = OpenFiscalYear(*session, {});
  const double opening = Seconds(t);

  std::printf("%lld assets walked; database %.0f MB, backup %.0f MB\n",
              static_cast<long long>(walked),
              static_cast<double>(fs::file_size(CompanyDatabasePath(dir, "01"))) / 1e6,
              static_cast<double>(fs::file_size(backup)) / 1e6);
  std::printf("%-34s %9s %9s %7s\n", "", "op s", "bare s", "ratio");
  std::printf("%-34s %9.2f %9.2f %7.2f\n", "ImmoExcel / walk", excel, walk, excel / walk);
  std::printf("%-34s %9.2f %9.2f %7.2f\n", "OuvImo with backup / walk+rewrite", opening, rewrite,
              opening / rewrite);
  std::printf("%-34s %9.2f\n", "  of which a backup alone", copy);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int64_t> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::strtoll(argv[i], nullptr, 10));
  if (counts.empty()) counts = {100000, 1000000};
  for (const int64_t count : counts) {
    if (count < 1) {
      std::fprintf(stderr, "usage: %s [count...]\n", argv[0]);
      return 2;
    }
    char pattern[] = "/tmp/actifix-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const fs::path dir = pattern;
    try {
      Run(dir, count);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "%s\n", error.what());
      fs::remove_all(dir);
      return 1;
    }
    fs::remove_all(dir);
  }
  return 0;
}
