// Cost of the depreciation computation: ns per asset-year of CalcAmort and of a whole plan
// (EDTPA into an edition that prints nothing), beside a bare loop doing the same arithmetic on
// day numbers without the host services; and the yearly charge of 1,000,000 in-memory assets
// at their 5th year, which must take under 2 s on one core.
//
//   bench_depreciation_bench [--size N] [benchmark flags]   (N assets instead of 1,000,000)
//   bench_depreciation_bench --tsv [--size N]   the charge of N assets and the bare loop, each
//                                               once in a child process: bench/run.sh lines
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "bench_common.h"
#include "depreciation/MImmoAmort.h"
#include "front/Front.h"
#include "state/MImmo.h"

namespace actifix {
namespace {

// --- A host that answers the fiscal year and prints nothing.

class BenchToolkit : public HostToolkit {
 public:
  void TrueValue(int16_t& v) override { v = -1; }
  void FalseValue(int16_t& v) override { v = 0; }
  void ZeroValue(int16_t& v) override { v = 0; }
  void EmptyText(std::string& v) override { v.clear(); }
  void KeyF1(int16_t& c) override { c = 0; }
  void KeyF2(int16_t& c) override { c = 0; }
  void KeyF6(int16_t& c) override { c = 0; }
  void KeyF8(int16_t& c) override { c = 0; }
  void KeyF12(int16_t& c) override { c = 0; }
  void KeyUp(int16_t& c) override { c = 0; }
  void KeyPageUp(int16_t& c) override { c = 0; }
  void KeyValidate(int16_t& c) override { c = 0; }
  void CompanyPrefix(std::string& code) override { code = "01"; }
  void DataDirectory(std::string& path) override { path = "./"; }
  void YearStartText(std::string& date) override { date = "01/01/2005"; }
  void YearEndText(std::string& date) override { date = "31/12/2005"; }
  void YearStartDay(std::string& day) override { day = Day("01/01/2005"); }
  void YearEndDay(std::string& day) override { day = Day("31/12/2005"); }
  void WorkDate(std::string& date) override { date = "01/01/2005"; }
  void SetEditionTitle(const std::string&) override {}
  void GetEditionTitle(std::string& title) override { title.clear(); }
  void Interrupted(int16_t& flag) override { flag = 0; }
  void PageLength(int16_t& lines) override { lines = 66; }
  void PageLine(int16_t& line) override { line = 1; }

 private:
  static std::string Day(const std::string& date) {
    int32_t day = 0;
    HostDates().DayNumber(date, day);
    return std::to_string(day);
  }
};

class BenchRuntime : public HostRuntime {
 public:
  void Enter() override {}
  void Leave() override {}
  void Report(const std::string&, const std::string&, const int16_t&) override {}
};

class BenchEdition : public HostEdition {
 public:
  void Open(const int16_t&, const int16_t&, const int16_t&, const std::string&,
            const int16_t&) override {}
  void AddTitle(const std::string&, const std::string&) override {}
  void AddStyledTitle(const std::string&, const std::string&, const std::string&) override {}
  void DefineColumns(const std::string&) override {}
  void SetCell(const std::string&, const std::string&, const std::string&) override {}
  void SetAmount(const std::string&, double value, const std::string&) override {
    benchmark::DoNotOptimize(value);
  }
  void PrintLine() override {}
  void Step(const int16_t&) override {}
  void SectionTotals(const std::string&, const int16_t&) override {}
  void PrintSectionTotalLine(const std::string&, const std::string&) override {}
  void CarryTotal(const std::string&, const int16_t&, const std::string&) override {}
  void PrintTotals(const std::string&) override {}
  void PrintTotalLine(const std::string&, const std::string&) override {}
  void ResetTotals(const std::string&) override {}
  void Feed(const int16_t&) override {}
  void NewPage() override {}
  void Close(const int16_t&) override {}
};

class BenchKeyedFile : public HostKeyedFile {
 public:
  void Open(const int16_t&, const std::string&, const int16_t&, const std::string&,
            int16_t& handle) override {
    handle = 1;
  }
  void Find(const int16_t&, const std::string&, const int16_t&, int16_t& found) override {
    found = -1;
  }
  void Insert(const int16_t&, const std::string&, const int16_t&, int32_t&) override {}
  void AddKey(const int16_t&, const std::string&, const int32_t&) override {}
  void Delete(const int16_t&, const std::string&, const int32_t&, const int16_t&) override {}
  void RemoveKey(const int16_t&, const std::string&, const int32_t&) override {}
  void Clear(const int16_t&) override {}
  void First(const int16_t&, const int16_t&, int16_t& found, std::string&) override { found = 0; }
  void Next(const int16_t&, const int16_t&, int16_t& found, std::string&) override { found = 0; }
  void ListPrefix(const int16_t&, const std::string&, std::string& list) override { list = "[]"; }
  void CountPrefix(const int16_t&, const std::string&, const int32_t&, int32_t& count,
                   std::string& first) override {
    count = 0;
    first = "[]";
  }
  void Close(const int16_t&) override {}
};

class BenchHost : public HostFactory {
 public:
  std::unique_ptr<HostStartup> MakeStartup() override { return nullptr; }
  std::unique_ptr<HostLauncher> MakeLauncher() override { return nullptr; }
  std::unique_ptr<HostRuntime> MakeRuntime() override { return std::make_unique<BenchRuntime>(); }
  std::unique_ptr<HostToolkit> MakeToolkit() override { return std::make_unique<BenchToolkit>(); }
  std::unique_ptr<HostScreen> MakeScreen() override { return nullptr; }
  std::unique_ptr<HostChoiceList> MakeChoiceList() override { return nullptr; }
  std::unique_ptr<HostMessageBox> MakeMessageBox() override { return nullptr; }
  std::unique_ptr<HostEdition> MakeEdition() override { return std::make_unique<BenchEdition>(); }
  std::unique_ptr<HostRecordFile> MakeRecordFile() override { return nullptr; }
  std::unique_ptr<HostKeyedFile> MakeKeyedFile() override {
    return std::make_unique<BenchKeyedFile>();
  }
  std::unique_ptr<HostLedgerFile> MakeLedgerFile() override { return nullptr; }
};

BenchHost& Host() {
  static BenchHost host;
  return host;
}

// Module state on the bench host with the exercise table from 2005 on.
void SetUp() {
  ResetModuleState();
  InstallHostFactory(&Host());
  BuildExerciseTable();
}

// --- The assets: acquired in 2005, linear or declining, 10 % to 33 %.

struct PackedAsset {
  std::string mode, value, rate, acquired;
};

std::vector<PackedAsset> MakeAssets(std::size_t count) {
  std::mt19937 rng(42);
  const HostConvert convert;
  const HostDates dates;
  std::vector<PackedAsset> assets(count);
  for (PackedAsset& a : assets) {
    a.mode = rng() % 2 == 0 ? "L" : "D";
    convert.PackDouble(static_cast<double>(100000 + rng() % 10000000) / 100, a.value);
    convert.PackSingle(static_cast<float>(1000 + rng() % 2300) / 100, a.rate);
    dates.DateOfDay(38353 + static_cast<int32_t>(rng() % 365), a.acquired);  // in 2005
  }
  return assets;
}

// Charge of each asset at exercise `index`; returns their sum.
double ChargeAll(const std::vector<PackedAsset>& assets, int16_t index) {
  MImmo().exerciseIndex = index;
  const HostConvert& convert = Convert();
  const std::string disposal;
  const int16_t recompute = -1;
  std::string cumulative, charge;
  double sum = 0;
  for (const PackedAsset& a : assets) {
    convert.PackDouble(0, cumulative);
    CalcAmort(a.mode, a.value, cumulative, recompute, a.rate, a.acquired, disposal, charge);
    double c = 0;
    convert.UnpackDouble(charge, c);
    sum += c;
  }
  return sum;
}

// --- The same arithmetic on day numbers, without the host services.

int32_t DaysFromCivil(int y, int m, int d) {  // day 1 = 31/12/1899, as the host's
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 25569;
}

void CivilFromDays(int32_t day, int& y, int& m, int& d) {
  const int32_t z = day - 25569 + 719468;
  const int era = (z >= 0 ? z : z - 146096) / 146097;
  const int doe = z - era * 146097;
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp + (mp < 10 ? 3 : -9);
  y = yoe + era * 400 + (m <= 2);
}

int MonthDays(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

int32_t Compose(int d, int m, int y) { return DaysFromCivil(y, m, std::min(d, MonthDays(y, m))); }

double Round2(double x) { return std::round(x * 100) / 100; }

struct BareAsset {
  bool declining;
  double value;
  float rate;
  int32_t acquired;
};

// CalcAmort's steps on plain numbers, for a year [S0, F0] starting on d0/m0/y0.
double BareCharge(const BareAsset& a, int32_t S0, int32_t F0, int d0, int m0, int y0) {
  int ay, am, ad;
  CivilFromDays(a.acquired, ay, am, ad);
  const float L = static_cast<float>(Round2(100.0 / a.rate));
  const int whole = static_cast<int>(std::floor(L));
  int32_t E = Compose(a.declining ? 1 : ad, am, ay + whole) - 1;
  const double f = std::round((L - whole) * 1000) / 1000;
  if (f != 0) E += static_cast<int32_t>(std::floor(f * 365));
  float R = static_cast<float>(Round2(a.rate));
  float c = 0;
  if (a.declining) {
    c = L <= 4 ? 1.5f : (L <= 6 ? 2.0f : 2.5f);
    if (a.acquired >= 36892) c -= 0.25f;
    R = static_cast<float>(static_cast<double>(c) * R);
  }
  int n = 1, y = y0;
  int32_t S = S0, F = F0;
  while (a.acquired < S) {
    ++n;
    F = S - 1;
    S = Compose(d0, m0, --y);
  }
  int N = 0, T = 0;
  if (a.declining) {
    N = static_cast<int>(std::floor(L + 0.99));
    T = static_cast<int>(std::floor((c - 1) * N / c + 2));
  } else {
    const double r2 =
        Round2(static_cast<float>(100.0 / R - double(F - a.acquired + 1) / double(F - S + 1)));
    N = static_cast<int>(std::floor(r2)) + (r2 == std::floor(r2) ? 1 : 2);
  }
  if (n > N) return 0;
  int Y, M, D;
  CivilFromDays(F, Y, M, D);
  const int32_t first = a.declining ? Compose(1, am, ay) : a.acquired;
  double acc = 0, charge = 0;
  for (int k = 1; k <= n; ++k) {
    const double B = Round2(a.value - acc);
    double C;
    if (a.declining) {
      const float Rk = k >= T ? static_cast<float>(100.0 / (N - k + 1)) : R;
      C = Round2(Rk * B / 100);
    } else {
      C = k == N ? B : Round2(R * a.value / 100);
    }
    int32_t Pe = F, De = F;
    if (S <= E && E <= F) Pe = De = E;
    const int32_t Ps = k == 1 ? first : S;
    const double Ck = C * (Pe - Ps + 1) / (De - S + 1);
    if (k < n) {
      acc = Round2(acc + Ck);
      S = F + 1;
      ++Y;
      F = Compose(MonthDays(Y, M), M, Y);
    } else {
      charge = Ck;
    }
  }
  return charge;
}

constexpr int16_t kYear = 5;  // the 5th year of assets acquired in 2005: 2009

void BM_CalcAmortAssetYear(benchmark::State& state) {
  SetUp();
  const std::vector<PackedAsset> assets = MakeAssets(1000);
  for (auto _ : state) benchmark::DoNotOptimize(ChargeAll(assets, kYear));
  state.counters["ns_per_asset_year"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * assets.size() * kYear,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  ResetModuleState();
}
BENCHMARK(BM_CalcAmortAssetYear)->Unit(benchmark::kMicrosecond);

std::vector<BareAsset> MakeBareAssets(std::size_t count) {
  const std::vector<PackedAsset> packed = MakeAssets(count);
  std::vector<BareAsset> assets;
  assets.reserve(count);
  const HostConvert convert;
  const HostDates dates;
  for (const PackedAsset& p : packed) {
    BareAsset a{p.mode == "D", 0, 0, 0};
    convert.UnpackDouble(p.value, a.value);
    convert.UnpackSingle(p.rate, a.rate);
    dates.DayNumber(p.acquired, a.acquired);
    assets.push_back(a);
  }
  return assets;
}

// The bare charge of each asset in 2009, their 5th year; returns their sum.
double BareChargeAll(const std::vector<BareAsset>& assets) {
  const int32_t S0 = DaysFromCivil(2009, 1, 1), F0 = DaysFromCivil(2009, 12, 31);
  double sum = 0;
  for (const BareAsset& a : assets) sum += BareCharge(a, S0, F0, 1, 1, 2009);
  return sum;
}

void BM_BareLoopAssetYear(benchmark::State& state) {
  const std::vector<BareAsset> assets = MakeBareAssets(1000);
  for (auto _ : state) benchmark::DoNotOptimize(BareChargeAll(assets));
  state.counters["ns_per_asset_year"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * assets.size() * kYear,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BareLoopAssetYear)->Unit(benchmark::kMicrosecond);

// A whole plan of a 5-year asset: EDTPA computes each later year from the running cumulative.
void BM_Plan(benchmark::State& state) {
  SetUp();
  MImmoState& m = MImmo();
  const HostConvert& convert = Convert();
  AssetRecord& a = m.immo;
  std::string packed;
  a.CODNATI = "MAT";
  a.MODAMO = "L";
  convert.PackDouble(10000, packed);
  a.VALACQ = packed;
  convert.PackSingle(20, packed);
  a.TAUX = packed;
  convert.PackDouble(0, packed);
  a.CUMAMO = packed;
  convert.PackDouble(1008.22, packed);
  a.DOTAMO = packed;
  Dates().PackDate("01/07/2005", packed);
  a.DATACQ = packed;
  Dates().PackDate("", packed);
  a.DATCES = packed;
  for (auto _ : state) EDTPA();
  // Six plan lines; the computation runs for years 2 to 6, walking 2 + 3 + ... + 6 years.
  state.counters["ns_per_asset_year"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 6,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  ResetModuleState();
}
BENCHMARK(BM_Plan)->Unit(benchmark::kMicrosecond);

// CPU time of this thread: the machine may be shared, the limit is on one core's time.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::size_t gAssets = 1000000;  // --size

// The yearly charge of 1,000,000 in-memory assets (--size) at their 5th year, timed once; the
// 2 s of CPU allowed for a million scale with the count.
void BM_MillionAssetsFifthYear(benchmark::State& state) {
  SetUp();
  const std::vector<PackedAsset> assets = MakeAssets(gAssets);
  const double limit = 2.0 * static_cast<double>(gAssets) / 1e6;
  for (auto _ : state) {
    const double cpuStart = ThreadSeconds();
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(ChargeAll(assets, kYear));
    const double cpu = ThreadSeconds() - cpuStart;
    state.counters["cpu_seconds"] = cpu;
    state.counters["wall_seconds"] =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (cpu >= limit) state.SkipWithError("the assets took over 2 s of CPU a million");
  }
  ResetModuleState();
}
BENCHMARK(BM_MillionAssetsFifthYear)->Iterations(1)->Unit(benchmark::kMillisecond);

// The charge of `count` assets through CalcAmort and through the bare loop, each in a child
// process: the lines of bench/run.sh.
void PrintTsv(std::size_t count) {
  const bench::Measure module = bench::InChild([count] {
    SetUp();
    const std::vector<PackedAsset> assets = MakeAssets(count);
    const auto start = bench::Clock::now();
    benchmark::DoNotOptimize(ChargeAll(assets, kYear));
    const double seconds = bench::Seconds(start);
    ResetModuleState();
    return seconds;
  });
  const bench::Measure bare = bench::InChild([count] {
    const std::vector<BareAsset> assets = MakeBareAssets(count);
    const auto start = bench::Clock::now();
    benchmark::DoNotOptimize(BareChargeAll(assets));
    return bench::Seconds(start);
  });
  bench::TsvLine("CalcAmort, charge of the 5th year", static_cast<int64_t>(count), module.seconds,
                 "bare loop", bare.seconds, module.peakMb);
}

}  // namespace
}  // namespace actifix

int main(int argc, char** argv) {
  const bool tsv = actifix::bench::TakeTsvFlag(argc, argv);
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      const long long size = std::strtoll(argv[++i], nullptr, 10);
      if (size < 1) {
        std::fprintf(stderr, "usage: %s [--tsv] [--size N] [benchmark flags]\n", argv[0]);
        return 2;
      }
      actifix::gAssets = static_cast<std::size_t>(size);
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  if (tsv) {
    try {
      actifix::PrintTsv(actifix::gAssets);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "%s\n", error.what());
      return 1;
    }
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
