// EditImo over a register made by `actifix generate` (seed 1), all groups, beside a bare
// ordered walk of the same records through the store in the same run: RECAPSEULE and full
// detail to text and JSON lines, then full detail with the typeset PDF as well, and with the
// grid PDF instead: the pages a second of each PDF, from the time it adds. Each run is a child
// process, so that its peak memory is its own. Then Tableaux2054 for the current year, in its
// four forms (text, JSON lines, CSV, PDF). Last, the company's fiscal option is set and a quarter
// of the assets get a fiscal plan: EditImo full detail again, with its derogatory entries, and
// its ratio to the same register without. The walk and the editions open the company as
// `actifix run` opens what only reads. Prints times, ratios and peak memory; --tsv
// prints the lines of bench/run.sh instead.
//
//   bench_editions_bench [--tsv] [N...]      (default 100000 1000000)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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
#include "platform/store/sqlite/CompanyDatabase.h"
#include "platform/tools/RegisterGenerator.h"
#include "state/Amounts.h"
#include "state/MImmo.h"

namespace {

using namespace actifix;
using namespace actifix::platform;
using bench::Clock;
using bench::Measure;
using bench::Seconds;
namespace fs = std::filesystem;

// Runs `work` in a child process, session opening included: its time and peak memory.
Measure InChild(const std::function<void()>& work) {
  return bench::InChild([&work] {
    const Clock::time_point start = Clock::now();
    work();
    return Seconds(start);
  });
}

// The answers of EditImo for the current year over the whole year, sorted by nature, every
// group (nature) marked.
std::string EditImoScript(bool recapOnly, int groups) {
  std::string marks = "MARK ";
  for (int g = 1; g <= groups; ++g) marks += (g > 1 ? "," : "") + std::to_string(g);
  return std::string("CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE = ") +
         (recapOnly ? "O" : "N") + "\n0 = 1\n1 =\n2 =\n" + marks + "\n";
}

// Sets the company's fiscal option and gives every fourth asset in key order a fiscal plan,
// as a card would store it: linear at 1.25 times its economic rate (at most 100) from the same
// figures, or declining at its rate when that allows a declining plan; typed cards none.
void AddFiscalPlans(const fs::path& dir) {
  {
    const std::unique_ptr<CompanyStore> companies = MakeCompanyStore(dir.string());
    const std::unique_ptr<Store> store = companies->Open("01");
    CompanySettings settings = store->Settings();
    settings.fiscal.on = true;
    store->SaveSettings(settings);
    store->Commit();
  }
  auto session = bench::OpenSession(dir, "", false);
  session->RunWith([&](NvImmo&) {
    MImmoState& m = MImmo();
    int16_t found = 0;
    std::string key;
    int64_t rank = 0;
    for (KeyedFile().First(m.kImmo, m.fImmo, found, key); found != 0;
         KeyedFile().Next(m.kImmo, m.fImmo, found, key)) {
      const std::string mode = m.immo.MODAMO.str();
      if (rank++ % 4 != 0 || (mode != "L" && mode != "D")) continue;
      float rate = 0;
      Convert().UnpackSingle(m.immo.TAUX.str(), rate);
      const bool declining = mode == "L" && rate <= 33.33f;
      std::string packedRate;
      Convert().PackSingle(declining ? rate : std::min(100.0f, rate * 1.25f), packedRate);
      FiscalRecord& r = m.immof;
      r.CODNATF = m.immo.CODNATI.str();
      r.NUMNATF = m.immo.NUMNATI.str();
      r.MODFIS = declining ? "D" : "L";
      r.TAUFIS = packedRate;
      r.CUMFIS = m.immo.CUMAMO.str();
      r.SLDDER = PackedAmount(0);
      r.DOTFIS = PackedAmount(0);
      int32_t number = 0;
      KeyedFile().Insert(m.kImmof, m.immo.CODNATI.str() + m.immo.NUMNATI.str(), m.fImmof, number);
    }
  });
  session->Commit();
}

int CountGroups(const fs::path& dir) {
  // Groups of the first level: one per nature.
  int natures = 0;
  auto session = bench::OpenSession(dir, "", false);
  session->RunWith([&](NvImmo&) {
    MImmoState& m = MImmo();
    int16_t found = 0;
    std::string key;
    for (KeyedFile().First(m.kNature, m.fNature, found, key); found != 0;
         KeyedFile().Next(m.kNature, m.fNature, found, key))
      ++natures;
  });
  return natures;
}

void Run(const fs::path& dir, int64_t count, bool tsv) {
  CompanyDatabase::Create(CompanyDatabasePath(dir, "01"),
                          {"01", "Bench", "01/01/2026", "31/12/2026", "01/01/2026"});
  {
    auto session = bench::OpenSession(dir, "", false);
    GeneratorOptions generator;
    generator.assets = count;
    generator.commit = [&session] { session->Commit(); };
    session->RunWith([&](NvImmo&) { GenerateRegister(generator); });
  }
  const int groups = CountGroups(dir);
  const Measure walk = InChild([&] {
    auto session = bench::OpenSession(dir, "", false, false, true);
    session->RunWith([&](NvImmo&) {
      MImmoState& m = MImmo();
      int16_t found = 0;
      std::string key;
      for (KeyedFile().First(m.kImmo, m.fImmo, found, key); found != 0;
           KeyedFile().Next(m.kImmo, m.fImmo, found, key)) {
      }
    });
  });
  const auto edition = [&](bool recap, bool pdf, bool grid = false) {
    fs::remove_all(dir / "editions");
    return InChild([&] {
      bench::OpenSession(dir, EditImoScript(recap, groups), pdf, grid, true)->Run("EditImo");
    });
  };
  const Measure recap = edition(true, false);
  const Measure full = edition(false, false);
  std::uintmax_t bytes = 0;
  for (const auto& entry : fs::directory_iterator(dir / "editions")) bytes += entry.file_size();
  const Measure withGrid = edition(false, true, true);
  const Measure withPdf = edition(false, true);
  int pages = 0;
  for (const auto& entry : fs::directory_iterator(dir / "editions"))
    if (entry.path().extension() == ".txt") {
      std::FILE* text = std::fopen(entry.path().c_str(), "rb");
      for (int c; (c = std::fgetc(text)) != EOF;) pages += c == '\f';
      std::fclose(text);
    }
  ++pages;
  const Measure tables = InChild([&] {
    fs::remove_all(dir / "editions");
    bench::OpenSession(dir, "CHOOSE 1\n", true, false, true)->Run("Tableaux2054");
  });
  // The same edition again just before and after the plans, so that both meet the same cache.
  const Measure plain = edition(false, false);
  AddFiscalPlans(dir);
  const Measure fiscal = edition(false, false);
  int derogatory = 0;  // the FEC extract's derogatory lines: the plans were read
  std::ifstream fec(dir / "01EcrituresFEC.txt");
  for (std::string line; std::getline(fec, line);) derogatory += line.find("\tDER-") != line.npos;

  if (tsv) {
    bench::TsvLine("EditImo RECAPSEULE", count, recap.seconds, "bare walk", walk.seconds,
                   recap.peakMb);
    bench::TsvLine("EditImo full, text + JSON lines", count, full.seconds, "bare walk",
                   walk.seconds, full.peakMb);
    bench::TsvLine("EditImo full, text + JSON + PDF", count, withPdf.seconds, "bare walk",
                   walk.seconds, withPdf.peakMb);
    bench::TsvLine("EditImo full, text + JSON + grid PDF", count, withGrid.seconds, "bare walk",
                   walk.seconds, withGrid.peakMb);
    bench::TsvLine("Tableaux2054, text + JSON + CSV + PDF", count, tables.seconds, "bare walk",
                   walk.seconds, tables.peakMb);
    bench::TsvLine("EditImo full, fiscal plans on 1/4", count, fiscal.seconds,
                   "EditImo full without", plain.seconds, fiscal.peakMb);
    return;
  }
  std::printf("%lld assets, %d natures; full detail %.0f MB of text and JSON lines, %d pages\n",
              static_cast<long long>(count), groups, static_cast<double>(bytes) / 1e6, pages);
  std::printf("%-36s %8s %8s %8s\n", "", "s", "ratio", "peak MB");
  const auto row = [&](const char* what, const Measure& m) {
    std::printf("%-36s %8.2f %8.1f %8.0f\n", what, m.seconds, m.seconds / walk.seconds, m.peakMb);
  };
  row("bare walk of the Immo key file", walk);
  row("EditImo RECAPSEULE", recap);
  row("EditImo full, text + JSON lines", full);
  row("EditImo full, text + JSON + PDF", withPdf);
  row("EditImo full, text + JSON + grid PDF", withGrid);
  row("Tableaux2054, all four forms", tables);
  row("EditImo full, fiscal plans on 1/4", fiscal);
  std::printf(
      "EditImo with fiscal plans on a quarter of the assets / without: %.2f (%.2f s / "
      "%.2f s; %d derogatory lines in the FEC extract)\n",
      fiscal.seconds / plain.seconds, fiscal.seconds, plain.seconds, derogatory);
  for (const auto& [what, m] : {std::pair{"typeset", withPdf}, std::pair{"grid", withGrid}})
    std::printf("%s PDF alone: %.2f s, %.0f pages a second\n", what, m.seconds - full.seconds,
                pages / std::max(0.01, m.seconds - full.seconds));
}

}  // namespace

int main(int argc, char** argv) { return actifix::bench::RunForSizes(argc, argv, Run); }
