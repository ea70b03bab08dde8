#include "platform/tools/RegisterGenerator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "assets/MImmoImmo.h"
#include "depreciation/MImmoAmort.h"
#include "fiscal/Derogatory.h"
#include "front/Front.h"
#include "host/Cp1252.h"
#include "state/Amounts.h"
#include "state/MImmo.h"

namespace actifix::platform {

namespace {

struct NatureModel {
  const char* code;
  const char* label;  // UTF-8
  const char* assetAccount;
  const char* depreciationAccount;
  bool declining;  // the fiscal declining balance is allowed for this kind of asset
  std::array<float, 3> rates;
  int weight;  // share of the register, in parts
};

const NatureModel kNatures[] = {
    {"LOGI", "Logiciels", "2051", "28051", false, {33.33f, 25.0f, 20.0f}, 8},
    {"CONS", "Constructions", "2131", "28131", false, {5.0f, 4.0f, 2.5f}, 4},
    {"INST", "Installations techniques", "2151", "28151", true, {10.0f, 12.5f, 20.0f}, 10},
    {"MAT", "Matériel industriel", "2154", "28154", true, {10.0f, 12.5f, 20.0f}, 25},
    {"TRANS", "Matériel de transport", "2182", "28182", true, {20.0f, 25.0f, 20.0f}, 15},
    {"BUR", "Matériel de bureau", "2183", "28183", true, {20.0f, 25.0f, 33.33f}, 28},
    {"MOB", "Mobilier", "2184", "28184", false, {10.0f, 12.5f, 20.0f}, 10},
};

// The accounts every nature shares: charge, net book value, proceeds, and the receivable
// of a disposal.
const char* const kChargeAccount = "68112";
const char* const kBookValueAccount = "675";
const char* const kProceedsAccount = "775";
const char* const kReceivableAccount = "462";

struct Account {
  const char* number;
  const char* name;  // UTF-8
};

const Account kSharedAccounts[] = {
    {kChargeAccount, "Dotations aux amortissements des immobilisations"},
    {kBookValueAccount, "Valeurs comptables des éléments d'actif cédés"},
    {kProceedsAccount, "Produits des cessions d'éléments d'actif"},
    {kReceivableAccount, "Créances sur cessions d'immobilisations"},
};

// Analytic codes of the first two headings; further headings get "G1".."G3".
const Account kServices[] = {{"ADM", "Administration"},
                             {"PROD", "Production"},
                             {"COM", "Commercial"},
                             {"LOGI", "Logistique"}};
const Account kWorkshops[] = {
    {"AT1", "Atelier 1"}, {"AT2", "Atelier 2"}, {"AT3", "Atelier 3"}, {"AT4", "Atelier 4"}};
const Account kGroups[] = {{"G1", "Groupe 1"}, {"G2", "Groupe 2"}, {"G3", "Groupe 3"}};

const char* const kSuppliers[] = {
    "Manutan", "Dell France",  "Renault Trucks",  "Bureau Vallée", "Schneider",
    "Kärcher", "Leroy Merlin", "Haas Automation", "Würth France",  "Ikea Business"};
const char* const kCustomers[] = {"Garage Martin", "SARL Dupont", "Reprise fournisseur",
                                  "Particulier", "Brocante Petit"};

std::string PackedRate(float rate) {
  std::string packed;
  Convert().PackSingle(rate, packed);
  return packed;
}

std::string DateText(int32_t day) {
  std::string text;
  Dates().DateOfDay(day, text);
  return text;
}

// Stores the record in the buffer under `key` unless the key file already has it.
template <typename Record>
void InsertMissing(int16_t keyHandle, int16_t recordHandle, const std::string& key, Record& buffer,
                   const Record& record) {
  int16_t found = 0;
  KeyedFile().Find(keyHandle, key, recordHandle, found);
  if (found != 0) return;
  buffer = record;
  int32_t number = 0;
  KeyedFile().Insert(keyHandle, key, recordHandle, number);
}

void WriteParametersWhenMissing() {
  MImmoState& m = MImmo();
  std::string code;
  Toolkit().CompanyPrefix(code);
  ParimoRecord parameters;
  parameters.CEIMO = code;
  parameters.LINTANA = "[Service,Atelier]";
  parameters.COMPTA = "O";
  InsertMissing(m.kParimo, m.fParimo, parameters.CEIMO.str(), m.parimo, parameters);
}

void WriteAccount(const std::string& number, const std::string& nameUtf8) {
  MImmoState& m = MImmo();
  PcimoRecord account;
  account.NOCPTCG = number;
  account.NOMCPTCG = FromUtf8(nameUtf8);
  InsertMissing(m.kPcimo, m.fPcimo, account.NOCPTCG.str(), m.pcimo, account);
}

void WriteReferenceData() {
  MImmoState& m = MImmo();
  for (const Account& account : kSharedAccounts) WriteAccount(account.number, account.name);
  for (const NatureModel& model : kNatures) {
    WriteAccount(model.assetAccount, model.label);
    WriteAccount(model.depreciationAccount, std::string("Amortissements ") + model.label);
  }
  for (int heading = 1; heading <= m.headingCount; ++heading) {
    const Account* first = heading == 1   ? std::begin(kServices)
                           : heading == 2 ? std::begin(kWorkshops)
                                          : std::begin(kGroups);
    const Account* last = heading == 1   ? std::end(kServices)
                          : heading == 2 ? std::end(kWorkshops)
                                         : std::end(kGroups);
    for (const Account* code = first; code != last; ++code) {
      AnaimoRecord record;
      record.TYPANA = std::to_string(heading);
      record.CODEANA = code->number;
      record.NOMANA = FromUtf8(code->name);
      InsertMissing(m.kAnaimo, m.fAnaimo, record.TYPANA.str() + record.CODEANA.str(), m.anaimo,
                    record);
    }
  }
}

// Finds nature `code` of `model`, made when missing, and leaves it in the nature buffer.
// Returns its record number.
int32_t OpenNature(const NatureModel& model, const std::string& code) {
  MImmoState& m = MImmo();
  NatureRecord nature;
  nature.CODNAT = code;
  nature.LIBNAT = FromUtf8(model.label);
  nature.NUMNAT = "00000";
  nature.NCIMAT = model.assetAccount;
  nature.NCIAMO = model.depreciationAccount;
  nature.NCIDOT = kChargeAccount;
  nature.NCIVNC = kBookValueAccount;
  nature.NCIPROD = kProceedsAccount;
  InsertMissing(m.kNature, m.fNature, nature.CODNAT.str(), m.nature, nature);
  int16_t found = 0;
  KeyedFile().Find(m.kNature, nature.CODNAT.str(), m.fNature, found);
  int32_t number = 0;
  RecordFile().LastRecordNumber(m.fNature, number);
  return number;
}

// The analytic code chosen for heading `heading` (1-based).
const char* CodeFor(int heading, std::mt19937_64& random) {
  if (heading == 1) return kServices[random() % std::size(kServices)].number;
  if (heading == 2) return kWorkshops[random() % std::size(kWorkshops)].number;
  return kGroups[random() % std::size(kGroups)].number;
}

// One card as the card screen leaves it, before it is stored.
struct Card {
  std::string number;  // five digits
  int32_t acquired = 0, disposed = 0;
  double value = 0, cumulative = 0, charge = 0, proceeds = 0;
  char mode = 'L';
  float rate = 0;
  std::string analytic = "[]";
  std::string supplier, description, customer;
};

// `CUMAMO` and `DOTAMO` as the card screen computes them: the earlier depreciation
// recomputed (0 for a card acquired within the year), then the charge on it.
void Depreciate(Card& card) {
  const MImmoState& m = MImmo();
  const std::string acquired = DateText(card.acquired);
  const std::string disposed = card.disposed != 0 ? DateText(card.disposed) : "";
  const std::string mode(1, card.mode), value = PackedAmount(card.value),
                                        rate = PackedRate(card.rate);
  std::string cumulative = PackedAmount(0), charge;
  CalcAmort(mode, value, cumulative, -1, rate, acquired, disposed, charge);
  if (card.acquired >= m.exercises[1].startDay) cumulative = PackedAmount(0);
  CalcAmort(mode, value, cumulative, 0, rate, acquired, disposed, charge);
  card.cumulative = Round2(UnpackedAmount(cumulative));
  card.charge = Round2(UnpackedAmount(charge));
}

// A card's fiscal plan, as "Immof" stores it; no plan when `mode` is 0.
struct GeneratedPlan {
  char mode = 0;
  float rate = 0;
  fiscal::FiscalState state;
  double typed = 0;
};

// The fiscal years before the current one, most recent first, as the module counts them:
// twelve months each, starting on the current year's day and month.
std::vector<fiscal::Period> EarlierYears(int32_t count) {
  const MImmoState& m = MImmo();
  int16_t d = 0, mo = 0, y = 0;
  Dates().Split(m.exercises[1].startText, d, mo, y);
  std::vector<fiscal::Period> years;
  int32_t nextStart = m.exercises[1].startDay;
  for (int32_t k = 1; k <= count; ++k) {
    std::string text;
    Dates().Compose(d, mo, static_cast<int16_t>(y - k), text);
    int32_t start = 0;
    Dates().DayNumber(text, start);
    years.push_back({start, nextStart - 1});
    nextStart = start;
  }
  return years;
}

// Draws the plan of `card` (about one card in four has one) from `random`, always the same
// number of draws per card so that each card's plan depends on the seed alone. Its fiscal
// cumulative rolls over the earlier years; its derogatory balance is taken as what the
// fiscal cumulative exceeds the economic one by, within the net book value.
GeneratedPlan DrawPlan(const Card& card, bool decliningAllowed, std::mt19937_64& random,
                       const std::vector<fiscal::Period>& earlier) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double has = unit(random), kind = unit(random), factor = unit(random), share = unit(random);
  GeneratedPlan p;
  if (has >= 0.25) return p;
  if (card.mode == 'L' && decliningAllowed && kind < 0.4 && card.rate <= 33.33f) {
    p.mode = 'D';  // declining over an economic linear plan, same duration
    p.rate = card.rate;
  } else if (card.mode != 'E' && kind < 0.92) {
    p.mode = 'L';  // linear, a shorter duration than the economic one
    p.rate = std::min(100.0f, card.rate * (factor < 0.4 ? 1.25f : factor < 0.8 ? 1.5f : 2.0f));
  } else {
    p.mode = 'E';
  }
  const fiscal::FiscalPlan plan{p.mode, p.rate, card.value, card.acquired, card.disposed};
  double cumulative = 0;
  if (p.mode == 'E') {
    if (!earlier.empty() && card.acquired <= earlier.front().end)
      cumulative = Round2(card.value * share * 0.8);
    p.typed = share < 0.5 ? Round2(std::min(card.value * 0.25, card.value - cumulative)) : 0;
  } else {
    for (auto year = earlier.rbegin(); year != earlier.rend(); ++year)
      if (year->end >= card.acquired)
        cumulative = Round2(cumulative + fiscal::FiscalCharge(plan, cumulative, *year));
  }
  p.state.cumulative = cumulative;
  p.state.balance = Round2(
      std::clamp(cumulative - card.cumulative, 0.0, std::max(0.0, card.value - card.cumulative)));
  return p;
}

// Stores `plan` under the key of the asset in the buffer, just inserted: its order number is
// new, past the nature's running number, so no plan can be there.
void StorePlan(const GeneratedPlan& plan) {
  MImmoState& m = MImmo();
  FiscalRecord& r = m.immof;
  r.CODNATF = m.immo.CODNATI.str();
  r.NUMNATF = m.immo.NUMNATI.str();
  r.MODFIS = std::string(1, plan.mode);
  r.TAUFIS = PackedRate(plan.rate);
  r.CUMFIS = PackedAmount(plan.state.cumulative);
  r.SLDDER = PackedAmount(plan.state.balance);
  r.DOTFIS = PackedAmount(plan.typed);
  int32_t number = 0;
  KeyedFile().Insert(m.kImmof, r.CODNATF.str() + r.NUMNATF.str(), m.fImmof, number);
}

void StoreCard(const std::string& natureCode, const Card& card, const GeneratedPlan& plan) {
  const MImmoState& m = MImmo();
  AssetCard c;
  c.CODNATI = natureCode;
  c.NUMNATI = card.number;
  c.DATACQ = DateText(card.acquired);
  c.DATCES = card.disposed != 0 ? DateText(card.disposed) : "";
  c.NOMFRN = FromUtf8(card.supplier);
  c.DESCRI = FromUtf8(card.description);
  c.REMIMO = FromUtf8("Bâtiment A");
  c.VALACQ = PackedAmount(card.value);
  c.MODAMO = std::string(1, card.mode);
  c.TAUX = PackedRate(card.rate);
  c.CUMAMO = PackedAmount(card.cumulative);
  c.NOMCLT = FromUtf8(card.customer);
  c.DOTAMO = PackedAmount(card.charge);
  c.analytic = card.analytic;
  c.MTCESS = PackedAmount(card.proceeds);
  c.NCTRES = card.proceeds != 0 && m.parimo.COMPTA.str() == "O" ? kReceivableAccount : "";
  CardToRecord(c);
  int32_t number = 0;
  InsertAsset(c.analytic, number);
  if (plan.mode != 0) StorePlan(plan);
}

std::string FiveDigits(int64_t number) {
  char text[8];
  std::snprintf(text, sizeof text, "%05d", static_cast<int>(number));
  return text;
}

constexpr int64_t kHighestOrderNumber = 99999;
// A nature holds at most this many generated cards; more go to "MAT2", "MAT3"...
constexpr int64_t kCardsPerNature = 90000;

// Writes `count` cards of one kind of asset, acquired on `days` (in order), under the
// nature `code`; returns how many were written (fewer when its order numbers run out).
class CardWriter {
 public:
  CardWriter(const GeneratorOptions& options, std::mt19937_64& random)
      : options_(options), random_(random), fiscalRandom_(options.seed ^ 0x9e3779b97f4a7c15ULL) {
    if (options.fiscal) earlier_ = EarlierYears(21);
  }

  int64_t written() const { return written_; }

  void Write(const NatureModel& model, const std::string& code, const std::vector<int32_t>& days) {
    MImmoState& m = MImmo();
    const int32_t natureRecord = OpenNature(model, code);
    int64_t running = std::strtol(m.nature.NUMNAT.str().c_str(), nullptr, 10);
    const int32_t yearStart = m.exercises[1].startDay, yearEnd = m.exercises[1].endDay;
    for (std::size_t i = 0; i < days.size() && running + 2 <= kHighestOrderNumber; ++i) {
      Card card;
      card.number = FiveDigits(++running);
      card.acquired = days[i];
      card.value = Round2(std::exp(std::log(300.0) + Unit() * std::log(250000.0 / 300.0)));
      card.rate = model.rates[random_() % 3];
      const double draw = Unit();
      card.mode = draw < 0.05 ? 'E' : (model.declining && draw < 0.30 ? 'D' : 'L');
      if (card.mode == 'E') card.rate = 0;
      card.supplier = kSuppliers[random_() % std::size(kSuppliers)];
      card.description = std::string(model.label) + " " + card.number;
      std::string list = "[";
      for (int heading = 1; heading <= m.headingCount; ++heading) {
        if (heading > 1) list += ',';
        list += Unit() < 0.03 ? "?" : CodeFor(heading, random_);
      }
      card.analytic = list + "]";
      const bool disposed = Unit() < 0.06;
      const bool split = disposed && i + 1 < days.size() && Unit() < 0.2;
      if (disposed) {
        const int32_t from = std::max(card.acquired, yearStart);
        card.disposed = from + static_cast<int32_t>(random_() % (yearEnd - from + 1));
        card.customer = kCustomers[random_() % std::size(kCustomers)];
      }
      if (card.mode == 'E') {
        if (card.acquired < yearStart) card.cumulative = Round2(card.value * Unit() * 0.8);
        if (Unit() < 0.5)
          card.charge = Round2(std::min(card.value * 0.2, card.value - card.cumulative));
      } else {
        Depreciate(card);
      }
      GeneratedPlan plan;
      if (options_.fiscal) plan = DrawPlan(card, model.declining, fiscalRandom_, earlier_);
      if (!split) {
        if (disposed) card.proceeds = Unit() < 0.2 ? 0 : Round2(card.value * Unit());
        StoreCard(code, card, plan);
        Advance(1);
        continue;
      }
      // A partial disposal: the disposed share keeps the number, recomputed to its disposal
      // date; the rest takes the next number with the proportional remainder.
      Card rest = card;
      const double share = Round2(card.value * (0.2 + 0.6 * Unit()));
      const double part = share / rest.value;
      card.value = share;
      card.cumulative = Round2(rest.cumulative * part);
      card.charge = Round2(rest.charge * part);
      if (card.mode != 'E') Depreciate(card);
      card.proceeds = Round2(share * Unit());
      rest.number = FiveDigits(++running);
      rest.value = Round2(rest.value - share);
      rest.cumulative = Round2(rest.cumulative - Round2(rest.cumulative * part));
      rest.charge = Round2(rest.charge - Round2(rest.charge * part));
      rest.disposed = 0;
      rest.customer.clear();
      // The plan's figures shared as the card screen's split shares them.
      GeneratedPlan restPlan = plan;
      if (plan.mode != 0) {
        const fiscal::FiscalShares shares = fiscal::SplitFiscalState(plan.state, part);
        plan.state = shares.disposed;
        restPlan.state = shares.kept;
        plan.typed = Round2(restPlan.typed * part);
        restPlan.typed = Round2(restPlan.typed - plan.typed);
      }
      StoreCard(code, card, plan);
      StoreCard(code, rest, restPlan);
      ++i;
      Advance(2);
    }
    // The running number ends at the highest order number given.
    RecordFile().Read(m.fNature, natureRecord);
    if (std::strtol(m.nature.NUMNAT.str().c_str(), nullptr, 10) < running) {
      m.nature.NUMNAT = FiveDigits(running);
      RecordFile().Write(m.fNature, natureRecord);
    }
  }

 private:
  double Unit() { return unit_(random_); }

  void Advance(int64_t cards) {
    written_ += cards;
    if (options_.progress && written_ >= nextProgress_) {
      options_.progress(written_);
      nextProgress_ = written_ + 1000;
    }
    if (options_.commit && written_ >= nextCommit_) {
      options_.commit();
      nextCommit_ = written_ + options_.commitEvery;
    }
  }

  const GeneratorOptions& options_;
  std::mt19937_64& random_;
  std::mt19937_64 fiscalRandom_;  // the fiscal plans' own draws
  std::vector<fiscal::Period> earlier_;
  std::uniform_real_distribution<double> unit_{0.0, 1.0};
  int64_t written_ = 0;
  int64_t nextProgress_ = 0;
  int64_t nextCommit_ = 0;
};

}  // namespace

int64_t GenerateRegister(const GeneratorOptions& options) {
  WriteParametersWhenMissing();
  LoadParameters();
  WriteReferenceData();
  const MImmoState& m = MImmo();
  if (options.fiscal) {
    WriteAccount(m.fiscal.provision, "Amortissements dérogatoires");
    WriteAccount(m.fiscal.allowance,
                 "Dotations aux provisions réglementées (amortissements "
                 "dérogatoires)");
    WriteAccount(m.fiscal.writeBack,
                 "Reprises sur provisions réglementées (amortissements "
                 "dérogatoires)");
  }
  std::mt19937_64 random(options.seed);
  const int32_t yearEnd = m.exercises[1].endDay;
  const int32_t firstDay = yearEnd - 20 * 365;

  int totalWeight = 0;
  for (const NatureModel& model : kNatures) totalWeight += model.weight;
  CardWriter writer(options, random);
  int64_t left = options.assets;
  for (std::size_t n = 0; n < std::size(kNatures) && left > 0; ++n) {
    const NatureModel& model = kNatures[n];
    int64_t count =
        n + 1 == std::size(kNatures) ? left : options.assets * model.weight / totalWeight;
    count = std::min(count, left);
    for (int series = 1; count > 0 && series <= 9; ++series) {
      const std::string code = model.code + (series > 1 ? std::to_string(series) : "");
      // Order numbers follow the acquisition dates, as in a register entered over the years.
      std::vector<int32_t> days(static_cast<std::size_t>(std::min(count, kCardsPerNature)));
      for (int32_t& day : days)
        day = firstDay + static_cast<int32_t>(random() % (yearEnd - firstDay + 1));
      std::sort(days.begin(), days.end());
      const int64_t before = writer.written();
      writer.Write(model, code, days);
      count -= writer.written() - before;
      left -= writer.written() - before;
    }
  }
  if (options.progress) options.progress(writer.written());
  return writer.written();
}

}  // namespace actifix::platform
