// A reproducible register of N assets for a company, written through the module's own files
// at bulk speed: the benchmarks and the large tests stand on it, and a user can try the
// program on a register of realistic size.
//
// What it writes, from one seed:
// - the company parameters when there are none (two analytic headings "Service" and
//   "Atelier", the module keeping the accounts);
// - seven natures of French fixed assets with their accounts (asset, depreciation,
//   charge, net book value, proceeds) and a few analytic codes per heading, each only when
//   missing;
// - N asset cards acquired over the twenty years up to the end of the current fiscal
//   year, in the three modes (linear, declining on natures that allow it, about 5 % typed by
//   hand), with some disposed of during the current year and some split by a partial
//   disposal; `CUMAMO` and `DOTAMO` computed as the card screen computes them;
// - when asked (`fiscal`), a fiscal plan in "Immof" for about a quarter of the cards, drawn
//   from a stream of its own (the cards stay those of the same seed without it): linear
//   shorter than the economic plan, declining over an economic linear plan, and a few
//   exceptional ones with a typed charge; the fiscal cumulative and the derogatory balance
//   of the earlier years computed, and the three fiscal accounts added to the chart.
// Every card has the keys the card screen gives it: one "Immo", one "Immon", one "Immoa"
// per element of its analytic list; each nature's running number ends at least at its
// highest order number.
#pragma once

#include <cstdint>
#include <functional>

namespace actifix::platform {

struct GeneratorOptions {
  int64_t assets = 0;
  uint64_t seed = 1;
  // Called now and then with the number of cards written so far.
  std::function<void(int64_t written)> progress;
  // Called every `commitEvery` cards when given (benchmarks that need no whole-or-nothing
  // register); `actifix generate` gives none: its register is one transaction.
  std::function<void()> commit;
  int64_t commitEvery = 20000;
  // Fiscal plans for about a quarter of the cards. REQUIRES: the company's fiscal option on
  // and the module's files opened with it ("Immof" open).
  bool fiscal = false;
};

// Writes the register. REQUIRES: the module attached and its files open (Session::RunWith).
// Returns the number of cards written (a partial disposal writes two).
int64_t GenerateRegister(const GeneratorOptions& options);

}  // namespace actifix::platform
