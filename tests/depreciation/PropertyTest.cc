// Properties of the depreciation plans of many random assets: no negative charge, no
// cumulative above the value, every plan within the exercise table; and a count, by cause, of
// the plans that do not add up to the asset's value.
#include <cmath>
#include <iomanip>
#include <iostream>
#include <map>
#include <random>
#include <sstream>

#include "depreciation/AmortFixture.h"
#include "front/NvImmo.h"
#include "platform/print/EditionEngine.h"

namespace actifix::testing {
namespace {

#ifdef NDEBUG
constexpr int kAssets = 100000;
#else
constexpr int kAssets = 40000;  // the Debug build is several times slower
#endif
constexpr int kPrinted = 20;  // the edition engine costs several times the computation

struct RandomAsset {
  std::string mode;
  double value = 0;
  float rate = 0;
  int32_t acquired = 0;
  int32_t disposed = 0;  // 0: not disposed of
  int16_t startMonth = 1;
  int16_t yearsAfter = 0;  // current fiscal year: the one of acquisition, plus this many
};

class PlanPropertyTest : public AmortTest {
 protected:
  PlanPropertyTest() {
    component_.OuvImmo();
    MImmoState& m = MImmo();
    m.nature.CODNAT = "MAT";
    int32_t number = 0;
    KeyedFile().Insert(m.kNature, m.nature.CODNAT.str(), m.fNature, number);
    session_->Commit();
    UseEngine();
  }

  // Our edition engine, keeping nothing but the JSON lines it gives to json_: the plans are
  // read from there, with no files written.
  void UseEngine() {
    platform::EditionOptions options;
    options.pdf = false;
    options.jsonOut = &json_;
    MImmo().edition = std::make_unique<platform::EditionEngine>(std::move(options));
  }

  // Prints the card of the asset buffer and reads back its JSON lines.
  Printed PrintCard() {
    Edition().Open(FalseValue(), ZeroValue(), ZeroValue(), "PLAN", -1);
    EDTPA();
    Edition().Close(0);
    Printed printed;
    printed.Read(json_);
    json_.str("");
    json_.clear();
    return printed;
  }

  // Entry 1 of the table: the fiscal year starting on the first of `month` that holds `day`,
  // plus `after` years. Tables are built once and kept.
  void UseTable(int32_t day, int16_t month, int16_t after) {
    int16_t d = 0, mo = 0, y = 0;
    dates_.Split(DateText(day), d, mo, y);
    int16_t startYear = mo >= month ? y : static_cast<int16_t>(y - 1);
    startYear = static_cast<int16_t>(startYear + after);
    const int key = startYear * 100 + month;
    auto it = tables_.find(key);
    if (it == tables_.end()) {
      std::string start, next;
      dates_.Compose(1, month, startYear, start);
      dates_.Compose(1, month, static_cast<int16_t>(startYear + 1), next);
      UseYear(start, DateText(Day(next) - 1));
      it = tables_.emplace(key, MImmo().exercises).first;
    }
    MImmo().exercises = it->second;
    MImmo().exerciseIndex = 1;
  }

  // The plan of the asset buffer year by year, as the card print makes it: the prior
  // cumulative, then each year's charge from CalcAmort on the cumulative before it, up to the
  // last day (end of depreciation or disposal), a zero charge or the end of the table.
  Printed ComputePlan(double value, double charge) {
    MImmoState& m = MImmo();
    const AssetRecord& asset = m.immo;
    std::string acquired, disposed;
    int32_t acquiredDay = 0, lastDay = 0, disposedDay = 0;
    dates_.UnpackDate(asset.DATACQ, acquired, acquiredDay);
    dates_.UnpackDate(asset.DATCES, disposed, disposedDay);
    FINAM(asset.MODAMO, asset.TAUX, acquired, lastDay);
    if (disposedDay != 0 && disposedDay <= lastDay) lastDay = disposedDay;
    double cumulative = UnpackAmount(asset.CUMAMO);
    Printed plan;
    if (RoundHalfAway(cumulative, 2) != 0)
      plan.lines.push_back({{"EXER", "Antérieur"}, {"DOTAMO", cumulative}});
    for (int16_t index = 1; index <= 100 && lastDay >= m.exercises[index].startDay &&
                            RoundHalfAway(value - cumulative, 2) != 0;) {
      plan.lines.push_back(
          {{"EXER", m.exercises[index].startText + " Au " + m.exercises[index].endText},
           {"DOTAMO", charge},
           {"CUMFIN", cumulative + charge},
           {"VNC", value - (cumulative + charge)}});
      cumulative = RoundHalfAway(cumulative + charge, 2);
      if (++index > 100) break;
      m.exerciseIndex = index;
      std::string packedCumulative = PackAmount(cumulative), packedCharge;
      const int16_t no = 0;
      CalcAmort(asset.MODAMO, asset.VALACQ, packedCumulative, no, asset.TAUX, acquired, disposed,
                packedCharge);
      charge = UnpackAmount(packedCharge);
      if (charge == 0) lastDay = m.exercises[index].startDay - 1;
    }
    m.exerciseIndex = 1;
    return plan;
  }

  // The same years with the same charges, to the cent.
  static bool SameLines(const Printed& card, const Printed& plan) {
    if (card.lines.size() != plan.lines.size()) return false;
    for (std::size_t i = 0; i < card.lines.size(); ++i)
      if (Text(card.lines[i], "EXER") != Text(plan.lines[i], "EXER") ||
          std::fabs(*Amount(card.lines[i], "DOTAMO") -
                    RoundHalfAway(*Amount(plan.lines[i], "DOTAMO"), 2)) >= 0.005)
        return false;
    return true;
  }

  RandomAsset Draw(std::mt19937_64& rng) {
    static const int32_t first = Day("01/01/1990"), last = Day("31/12/2040");
    RandomAsset a;
    a.mode = rng() % 2 == 0 ? "L" : "D";
    a.value = static_cast<double>(1 + rng() % 100000000) / 100;  // 0.01 to 1,000,000.00
    a.rate = static_cast<float>(100 + rng() % 9901) / 100;       // 1.00 % to 100.00 %
    a.acquired = first + static_cast<int32_t>(rng() % static_cast<uint64_t>(last - first + 1));
    if (rng() % 4 == 0) a.disposed = a.acquired + static_cast<int32_t>(rng() % (15 * 366));
    a.startMonth = rng() % 2 == 0 ? 1 : static_cast<int16_t>(1 + rng() % 12);
    a.yearsAfter = static_cast<int16_t>(rng() % 4 == 0 ? 0 : rng() % 12);
    return a;
  }

  NvImmo component_;
  HostDates dates_;
  std::map<int, std::array<Exercise, 101>> tables_;
  std::stringstream json_;
};

TEST_F(PlanPropertyTest, RandomAssets) {
  std::mt19937_64 rng(20050701);
  std::map<std::string, int> notAddingUp;  // by cause
  int failures = 0, disposedCount = 0, beyondTable = 0, overshooting = 0;
  for (int i = 0; i < kAssets; ++i) {
    const RandomAsset a = Draw(rng);
    UseTable(a.acquired, a.startMonth, a.yearsAfter);
    MImmoState& m = MImmo();
    const std::string acquired = DateText(a.acquired);
    const std::string disposed = a.disposed == 0 ? "" : DateText(a.disposed);

    // The stored figures, as the card entry and the year opening leave them: the cumulative
    // recomputed, the year's charge from it.
    const std::string value = PackAmount(a.value), rate = PackRate(a.rate);
    std::string cumulative = PackAmount(0), charge;
    const int16_t yes = -1, no = 0;
    CalcAmort(a.mode, value, cumulative, yes, rate, acquired, disposed, charge);
    CalcAmort(a.mode, value, cumulative, no, rate, acquired, disposed, charge);
    const bool overRate = m.effectiveRate > 100;

    m.immo = AssetRecord();
    m.immo.CODNATI = "MAT";
    m.immo.MODAMO = a.mode;
    m.immo.VALACQ = value;
    m.immo.TAUX = rate;
    m.immo.CUMAMO = cumulative;
    m.immo.DOTAMO = charge;
    m.immo.DATACQ = PackDate(acquired);
    m.immo.DATCES = PackDate(disposed);
    // Every plan is computed in memory; one in kPrinted is also printed by the card print,
    // which must give the same lines.
    const Printed printed = ComputePlan(a.value, UnpackAmount(charge));
    if (i % kPrinted == 0) {
      const Printed card = PrintCard();
      if (!SameLines(card, printed) && ++failures <= 5)
        ADD_FAILURE() << "card print and plan differ: " << a.mode << " " << a.value << " at "
                      << a.rate << "% acquired " << acquired;
    }

    int32_t end = 0;
    FINAM(a.mode, rate, acquired, end);
    const bool pastTable = end > m.exercises[100].endDay;
    // The edition totals each charge rounded to the cent.
    double total = 0, left = a.value - UnpackAmount(cumulative);
    bool negative = false, above = false;
    std::size_t years = 0;
    for (const nlohmann::json& line : printed.lines) {
      const double dotamo = Amount(line, "DOTAMO").value_or(0);
      total += RoundHalfAway(dotamo, 2);
      if (!Amount(line, "CUMFIN")) continue;  // the "Antérieur" line
      ++years;
      negative |= dotamo < -0.005;
      above |= *Amount(line, "CUMFIN") > a.value + 0.01;
      left = *Amount(line, "VNC");
    }
    above |= UnpackAmount(cumulative) > a.value + 0.01;
    // A declining rate above 100 % takes more than the base in a year: the cumulative
    // overshoots the value and a negative charge brings it back. Counted, not a fault.
    if (overRate && (negative || above)) ++overshooting;
    // Never past entry 100; cut there only when the depreciation period runs past the table.
    const std::string lastExer = printed.lines.empty() ? "" : Text(printed.lines.back(), "EXER");
    const bool cutByTable = years == 100 && lastExer.substr(0, 10) == m.exercises[100].startText &&
                            std::fabs(left) >= 0.005;
    const bool bad = (!overRate && (negative || above)) || years > 100 ||
                     (cutByTable && !pastTable) || m.exerciseIndex != 1;
    if (bad && ++failures <= 5)
      ADD_FAILURE() << a.mode << " " << a.value << " at " << a.rate << "% acquired " << acquired
                    << " disposed " << disposed << " year " << m.exercises[1].startText << " lines "
                    << years << " total " << total;
    if (pastTable) ++beyondTable;
    if (a.disposed != 0) ++disposedCount;

    if (std::fabs(total - RoundHalfAway(a.value, 2)) < 0.005) continue;
    // Why not: the first cause that applies.
    // The plan stopped because the period was over: the year after its last line starts
    // after the end of the depreciation period.
    const int32_t nextStart =
        years == 0 ? m.exercises[1].startDay : Day(lastExer.substr(14, 10)) + 1;
    const bool periodOver = end < nextStart;
    std::string cause;
    if (a.disposed != 0 && a.disposed <= end)
      cause = "disposed of before the end of the period";
    else if (cutByTable)
      cause = "period runs past the exercise table";
    else if (overRate)
      cause = "declining rate above 100 %";
    else if (a.mode == "L" && periodOver && left > 0)
      cause = "linear: the period ends before year N, which takes what is left";
    else
      cause = "other";
    ++notAddingUp[cause];
    if (notAddingUp[cause] <= 2) {
      std::cout << std::setprecision(12) << "  e.g. (" << cause << "): " << a.mode << " " << a.value
                << " at " << a.rate << "% acquired " << acquired << " disposed " << disposed
                << " year " << m.exercises[1].startText << " total " << total << " R "
                << m.effectiveRate << " end " << DateText(end) << ":";
      for (const nlohmann::json& line : printed.lines)
        std::cout << " " << Text(line, "EXER").substr(6, 4) << " "
                  << Amount(line, "DOTAMO").value_or(0) << ";";
      std::cout << "\n";
    }
  }
  int count = 0;
  for (const auto& [cause, n] : notAddingUp) count += n;
  std::cout << kAssets << " assets, " << disposedCount << " disposed of, " << beyondTable
            << " with a period past the table, " << overshooting
            << " overshooting with a declining rate above 100 %; " << count
            << " plans not adding up to their value:\n";
  for (const auto& [cause, n] : notAddingUp) std::cout << "  " << n << "  " << cause << "\n";
  EXPECT_EQ(notAddingUp["other"], 0);
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace actifix::testing
