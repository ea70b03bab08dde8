#include "platform/tools/RegisterCheck.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "assets/CardRules.h"
#include "fiscal/FiscalPlan.h"
#include "host/Cp1252.h"
#include "host/HostError.h"
#include "host/Text.h"
#include "platform/screen/TypedText.h"
#include "platform/store/Store.h"
#include "state/MImmo.h"
#include "state/Records.h"

namespace actifix::platform {

namespace {

// The record files and, for each key file, the record file it points into.
// "Immof", our own fiscal plans, is read only where it was made; an empty file otherwise.
enum RecordFileIndex {
  kAssets,
  kNatures,
  kParameters,
  kAccounts,
  kAnalytics,
  kPlans,
  kRecordFiles
};
const char* const kRecordNames[kRecordFiles] = {"Immo",  "Nature", "Parimo",
                                                "Pcimo", "Anaimo", "Immof"};

enum KeyFileIndex { kImmo, kImmon, kImmoa, kNature, kParimo, kPcimo, kAnaimo, kImmof, kKeyFiles };
struct KeyFileShape {
  const char* name;
  RecordFileIndex records;
  bool unique;
};
const KeyFileShape kKeyShapes[kKeyFiles] = {
    {"Immo", kAssets, true},      {"Immon", kAssets, false},     {"Immoa", kAssets, false},
    {"Nature", kNatures, true},   {"Parimo", kParameters, true}, {"Pcimo", kAccounts, true},
    {"Anaimo", kAnalytics, true}, {"Immof", kPlans, true}};

// One key entry, held in place: the longest key is 11 bytes; a longer stored key keeps 12,
// enough to differ from every right one.
struct Entry {
  std::array<char, 12> bytes{};
  uint8_t size = 0;
  int32_t number = 0;

  Entry(std::string_view key, int32_t n)
      : size(static_cast<uint8_t>(std::min<std::size_t>(key.size(), 12))), number(n) {
    std::copy_n(key.begin(), size, bytes.begin());
  }
  std::string_view key() const { return {bytes.data(), size}; }
  // Keys compare as unsigned bytes (char_traits<char> does), then by record number.
  bool operator<(const Entry& other) const {
    const int c = key().compare(other.key());
    return c != 0 ? c < 0 : number < other.number;
  }
  bool operator==(const Entry& other) const {
    return number == other.number && key() == other.key();
  }
};

// Record bytes as one printable UTF-8 line.
std::string Shown(std::string_view cp1252) { return Printable(ToUtf8(Trimmed(cp1252))); }

std::string Hex(std::string_view bytes) {
  std::string text;
  for (const char c : bytes) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%s%02X", text.empty() ? "" : " ",
                  static_cast<unsigned char>(c));
    text += byte;
  }
  return text;
}

// The day number of a packed date (0 for the empty date), or nothing when the bytes are no
// date of 01/01/1900 to 31/12/9999: the test HostDates makes, without building the text.
std::optional<int32_t> DayOf(std::string_view packed) {
  if (packed.size() != 3) return std::nullopt;
  if (packed == "   ") return 0;
  int32_t day = 0;
  for (const char c : packed) day = (day << 8) | static_cast<unsigned char>(c);
  if (day == 0) return 0;
  if (day < 2 || day > 2958465) return std::nullopt;
  return day;
}

std::string DateText(int32_t day) {
  std::string text;
  HostDates().DateOfDay(day, text);
  return text;
}

std::string Pad(std::string_view text, int width) {
  std::string padded(text.substr(0, static_cast<std::size_t>(width)));
  padded.resize(static_cast<std::size_t>(width), ' ');
  return padded;
}

std::string FiveDigits(int64_t number) {
  char text[24];
  std::snprintf(text, sizeof text, "%05lld", static_cast<long long>(number));
  return text;
}

// Val of a digits field; -1 when it is not digits alone (blanks around kept apart).
int64_t Digits(std::string_view field) {
  const std::string text = Trimmed(field);
  if (text.empty() ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  return std::stoll(text);
}

// A key as a reader knows it: "MAT 00012", "MAT du 01/03/2020", "1/ADM".
std::string KeyShown(KeyFileIndex file, std::string_view key) {
  if (file == kImmo || file == kImmof) return Shown(key.substr(0, 6)) + " " + Shown(key.substr(6));
  if (file == kImmon || file == kImmoa) {
    const std::string code = Shown(key.substr(0, 6));
    if (key.size() != 9) return code + " (clé de " + std::to_string(key.size()) + " octets)";
    const auto day = DayOf(key.substr(6));
    return (code.empty() ? "(vide)" : code) + " du " +
           (day ? (*day == 0 ? "(sans date)" : DateText(*day))
                : "(date illisible " + Hex(key.substr(6)) + ")");
  }
  if (file == kAnaimo) return Shown(key.substr(0, 2)) + "/" + Shown(key.substr(2));
  return Shown(key);
}

struct NatureInfo {
  int32_t number = 0;   // its record
  int64_t running = 0;  // Val(NUMNAT), -1 when not digits
  std::string shown;    // NUMNAT as stored, for messages
};

struct Difference {
  std::vector<Entry> missing, extra;
  bool empty() const { return missing.empty() && extra.empty(); }
};

// The key file that names the records of each record file in messages.
const KeyFileIndex kNamingKey[kRecordFiles] = {kImmo, kNature, kParimo, kPcimo, kAnaimo, kImmof};
const char* const kRecordKinds[kRecordFiles] = {"",        "nature ",          "paramètres ",
                                                "compte ", "code analytique ", "plan fiscal "};
const std::size_t kKeyLengths[kRecordFiles] = {11, 6, 2, 10, 8, 11};

// The text fields of each record file (name, offset, width): no control byte belongs there.
struct TextField {
  const char* name;
  int offset, width;
};

// The field `member` of a record layout, placed as the buffer places it: the buffers' fields
// are their bytes, in layout order, with nothing between them.
template <typename Record, std::size_t W>
TextField Text(const char* name, FixedText<W> Record::*member) {
  static_assert(std::is_standard_layout_v<Record> && alignof(Record) == 1);
  static const Record record;
  const auto offset =
      reinterpret_cast<const char*>(&(record.*member)) - reinterpret_cast<const char*>(&record);
  return {name, static_cast<int>(offset), static_cast<int>(W)};
}

const std::vector<TextField> kTextFields[kRecordFiles] = {
    {Text("CODNATI", &AssetRecord::CODNATI), Text("NOMFRN", &AssetRecord::NOMFRN),
     Text("DESCRI", &AssetRecord::DESCRI), Text("REMIMO", &AssetRecord::REMIMO),
     Text("NOMCLT", &AssetRecord::NOMCLT), Text("LCANA", &AssetRecord::LCANA),
     Text("NCTRES", &AssetRecord::NCTRES)},
    {Text("CODNAT", &NatureRecord::CODNAT), Text("LIBNAT", &NatureRecord::LIBNAT),
     Text("NCIMAT", &NatureRecord::NCIMAT), Text("NCIAMO", &NatureRecord::NCIAMO),
     Text("NCIDOT", &NatureRecord::NCIDOT), Text("NCIVNC", &NatureRecord::NCIVNC),
     Text("NCIPROD", &NatureRecord::NCIPROD)},
    {Text("CEIMO", &ParimoRecord::CEIMO), Text("LINTANA", &ParimoRecord::LINTANA),
     Text("COMPTA", &ParimoRecord::COMPTA)},
    {Text("NOCPTCG", &PcimoRecord::NOCPTCG), Text("NOMCPTCG", &PcimoRecord::NOMCPTCG)},
    {Text("TYPANA", &AnaimoRecord::TYPANA), Text("CODEANA", &AnaimoRecord::CODEANA),
     Text("NOMANA", &AnaimoRecord::NOMANA)},
    {Text("CODNATF", &FiscalRecord::CODNATF), Text("NUMNATF", &FiscalRecord::NUMNATF)}};

// What the check of a fiscal plan needs of its asset, kept only when "Immof" holds plans.
struct AssetFacts {
  double value = 0, cumulative = 0;
  int32_t acquired = 0, disposed = 0;
};

// A plan of "Immof" read, under its own key CODNATF & NUMNATF.
struct PlanFacts {
  Entry entry;
  char mode = ' ';
  float rate = 0;
  double cumulative = 0, balance = 0;
  bool readable = true;  // mode and figures readable, so the checks against the asset apply
};

// What one reading of the register gives.
struct Scan {
  RegisterFindings found;
  // Entries each key file should hold and those it holds. Once compared, both are in key
  // order, equal keys by record number, and the later records of a "P" key are left out of
  // `expected`.
  std::array<std::vector<Entry>, kKeyFiles> expected, actual;
  std::array<Difference, kKeyFiles> differences;
  // The live records of each file by number, with their naming key.
  std::array<std::vector<Entry>, kRecordFiles> records;
  std::map<std::string, NatureInfo> natures;                  // by CODNAT
  std::set<std::string> analytics;                            // TYPANA & CODEANA
  std::map<std::string, int64_t> highest;                     // highest order number by CODNATI
  std::map<std::string, int64_t> missingNatures;              // code -> highest order number
  std::set<std::string> missingAnalytics;                     // TYPANA & CODEANA
  std::vector<int32_t> lostAcquisition;                       // assets whose DATACQ is no date
  std::vector<std::pair<RecordFileIndex, int32_t>> overlong;  // records past their length
  // Records whose bytes differ from their checksum, by number, in each file; their key
  // entries are left as they are (`keptKeys`), neither checked nor rebuilt.
  std::array<std::set<int32_t>, kRecordFiles> damaged;
  std::array<std::vector<Entry>, kKeyFiles> keptKeys;
  // The fiscal plans: the facts of each asset in the order of records[kAssets] (only when
  // "Immof" was made), the plans read, and those the repair removes: a plan whose asset does
  // not exist, and a plan under the same key as an earlier one.
  bool withPlans = false;
  std::vector<AssetFacts> assetFacts;
  std::vector<PlanFacts> plans;
  std::vector<Entry> plansRemoved;

  // How messages name record `number` of `file`; "" when there is no such record.
  std::string Label(RecordFileIndex file, int32_t number) const {
    const auto& list = records[file];
    const auto it = std::lower_bound(list.begin(), list.end(), number,
                                     [](const Entry& e, int32_t n) { return e.number < n; });
    if (it == list.end() || it->number != number) return "";
    return kRecordKinds[file] + KeyShown(kNamingKey[file], it->key());
  }
  void Report(const std::string& line) { found.lines.push_back(line); }
};

// Reads one record file; `each` gets each record's text blank-filled to the record length. A
// longer record is read by its first bytes, as the module reads it, then reported.
template <typename Each>
void ReadFile(Store& store, Scan& scan, RecordFileIndex file, Each each) {
  const std::string name = kRecordNames[file];
  const std::size_t length = static_cast<std::size_t>(store.RecordLength(name));
  std::string text;
  const auto damaged = [&](int32_t number, std::string_view bytes) {
    scan.damaged[file].insert(number);
    if (file == kAssets) ++scan.found.assets;
    const std::string named =
        file == kAssets
            ? KeyShown(kImmo, bytes.substr(0, 11))
            : kRecordKinds[file] + KeyShown(kNamingKey[file], bytes.substr(0, kKeyLengths[file]));
    scan.Report(named + " : enregistrement " + std::to_string(number) + " du fichier " + name +
                " endommagé (ses octets ne sont plus ceux écrits) : restaurez une copie de "
                "sauvegarde");
  };
  store.ScanRecords(
      name,
      [&](int32_t number, std::string_view bytes) {
        text.assign(bytes.substr(0, length));
        text.resize(length, ' ');
        each(number, text);
        for (const TextField& field : kTextFields[file]) {
          const std::string_view value = std::string_view(text).substr(
              std::min<std::size_t>(field.offset, text.size()), field.width);
          const auto bad = std::find_if(value.begin(), value.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
          });
          if (bad == value.end()) continue;
          char code[8];
          std::snprintf(code, sizeof code, "%02X", static_cast<unsigned char>(*bad));
          scan.Report(scan.Label(file, number) + " : caractère de contrôle (octet " + code +
                      ") dans le champ " + field.name + " : corrigez-le par son écran de saisie");
        }
        if (bytes.size() <= length) return;
        scan.overlong.emplace_back(file, number);
        scan.Report(scan.Label(file, number) + " : enregistrement " + std::to_string(number) +
                    " du fichier " + name + " de " + std::to_string(bytes.size()) +
                    " octets, plus long que la longueur des enregistrements (" +
                    std::to_string(length) + ")");
      },
      damaged);
}

// A record read, under its naming key.
void Named(Scan& scan, RecordFileIndex file, const std::string& key, int32_t number) {
  scan.records[file].emplace_back(key, number);
  scan.expected[kNamingKey[file]].emplace_back(key, number);
}

void ReadReferenceFiles(Store& store, Scan& scan) {
  ReadFile(store, scan, kNatures, [&](int32_t number, const std::string& text) {
    NatureRecord n;
    FromText(text, n);
    Named(scan, kNatures, n.CODNAT.str(), number);
    scan.natures[n.CODNAT.str()] = {number, Digits(n.NUMNAT.str()), Shown(n.NUMNAT.str())};
  });
  ReadFile(store, scan, kParameters, [&](int32_t number, const std::string& text) {
    ParimoRecord p;
    FromText(text, p);
    Named(scan, kParameters, p.CEIMO.str(), number);
  });
  ReadFile(store, scan, kAccounts, [&](int32_t number, const std::string& text) {
    PcimoRecord a;
    FromText(text, a);
    Named(scan, kAccounts, a.NOCPTCG.str(), number);
  });
  ReadFile(store, scan, kAnalytics, [&](int32_t number, const std::string& text) {
    AnaimoRecord a;
    FromText(text, a);
    Named(scan, kAnalytics, a.TYPANA.str() + a.CODEANA.str(), number);
    scan.analytics.insert(a.TYPANA.str() + a.CODEANA.str());
  });
}

// The checks of one asset's fields, and the keys it should have.
void ReadAsset(Scan& scan, int32_t number, const std::string& text) {
  AssetRecord a;
  FromText(text, a);
  const std::string code = a.CODNATI.str(), date = a.DATACQ.str();
  Named(scan, kAssets, code + a.NUMNATI.str(), number);
  ++scan.found.assets;
  const auto report = [&](const std::string& what) {
    scan.Report(KeyShown(kImmo, code + a.NUMNATI.str()) + " : " + what);
  };

  const int64_t order = Digits(a.NUMNATI.str());
  if (order < 0 || a.NUMNATI.str().find(' ') != std::string::npos)
    report("numéro d'ordre « " + Shown(a.NUMNATI.str()) + " » qui n'est pas de cinq chiffres");
  const HostConvert convert;
  for (const auto& [field, packed] : {std::pair{"VALACQ", &a.VALACQ},
                                      {"CUMAMO", &a.CUMAMO},
                                      {"DOTAMO", &a.DOTAMO},
                                      {"MTCESS", &a.MTCESS}}) {
    double value = 0;
    convert.UnpackDouble(packed->str(), value);
    if (!std::isfinite(value)) {
      report(std::string("montant ") + field + " illisible (" + Hex(packed->str()) + ")");
    } else if (RoundHalfAway(value, 2) < 0) {  // below 0 at the cent
      std::string shown;
      convert.FormatAmount(value, 2, shown);
      report(std::string("montant ") + field + " négatif (" + shown + ")");
    }
  }
  const auto acquired = DayOf(date);
  if (scan.withPlans) {
    AssetFacts& facts = scan.assetFacts.emplace_back();
    convert.UnpackDouble(a.VALACQ.str(), facts.value);
    convert.UnpackDouble(a.CUMAMO.str(), facts.cumulative);
    facts.acquired = acquired.value_or(0);
    facts.disposed = DayOf(a.DATCES.str()).value_or(0);
  }
  if (!acquired || *acquired == 0) {
    report(acquired ? "date d'acquisition absente"
                    : "date d'acquisition illisible (" + Hex(date) + ")");
    scan.lostAcquisition.push_back(number);
  }
  if (!DayOf(a.DATCES.str())) report("date de cession illisible (" + Hex(a.DATCES.str()) + ")");
  const std::string mode = a.MODAMO.str();
  if (mode != "L" && mode != "D" && mode != "E")
    report("mode d'amortissement « " + Printable(ToUtf8(mode)) + " » autre que L, D ou E");
  float rate = 0;
  convert.UnpackSingle(a.TAUX.str(), rate);
  const double rounded = std::isfinite(rate) ? RoundHalfAway(rate, 2) : 0;
  if (!std::isfinite(rate) || rounded < 0 || rounded > 100 || (rounded == 0 && mode != "E")) {
    std::string shown;
    convert.NumberToText(rate, shown);
    report("taux " + (std::isfinite(rate) ? shown : "illisible (" + Hex(a.TAUX.str()) + ")") +
           (std::isfinite(rate) && rounded == 0 ? " nul en mode " + Printable(ToUtf8(mode))
                                                : " hors de 0 à 100"));
  }

  const auto nature = scan.natures.find(code);
  int64_t& highest = nature != scan.natures.end() ? scan.highest[code] : scan.missingNatures[code];
  highest = std::max(highest, order);
  if (nature == scan.natures.end()) report("la nature « " + Shown(code) + " » n'existe pas");

  scan.expected[kImmon].emplace_back(code + date, number);
  std::string list;
  convert.Trim(a.LCANA.str(), list);
  if (list.empty()) list = "[]";
  const HostBracketList brackets;
  for (int heading = 1; list != "[]"; ++heading) {
    std::string element;
    brackets.TakeFirst(list, element);
    const std::string padded = Pad(element, 6);
    scan.expected[kImmoa].emplace_back(padded + date, number);
    const std::string named = Trimmed(element);
    if (named.empty() || named == "?") continue;
    const std::string key = Pad(std::to_string(heading), 2) + padded;
    if (scan.analytics.contains(key)) continue;
    report("le code analytique « " + Shown(element) + " » de la rubrique " +
           std::to_string(heading) + " n'existe pas");
    scan.missingAnalytics.insert(key);
  }
}

// A packed amount of a plan; blanks (a field added after the record was written) read as 0.
double PlanAmount(const std::string& packed) {
  double value = 0;
  if (!Trimmed(packed).empty()) HostConvert().UnpackDouble(packed, value);
  return value;
}

// The checks of one fiscal plan's own fields.
void ReadPlan(Scan& scan, int32_t number, const std::string& text) {
  FiscalRecord f;
  FromText(text, f);
  const std::string key = f.CODNATF.str() + f.NUMNATF.str();
  Named(scan, kPlans, key, number);
  PlanFacts& plan = scan.plans.emplace_back(PlanFacts{Entry(key, number)});
  const auto report = [&](const std::string& what) {
    scan.Report(KeyShown(kImmo, key) + " : plan fiscal : " + what);
    plan.readable = false;
  };
  const std::string mode = f.MODFIS.str();
  if (mode != "L" && mode != "D" && mode != "E")
    report("mode fiscal « " + Printable(ToUtf8(mode)) + " » autre que L, D ou E");
  plan.mode = mode[0];
  HostConvert().UnpackSingle(f.TAUFIS.str(), plan.rate);
  if (!std::isfinite(plan.rate)) report("taux fiscal illisible (" + Hex(f.TAUFIS.str()) + ")");
  double typed = 0;
  for (const auto& [field, packed, value] : {std::tuple{"CUMFIS", &f.CUMFIS, &plan.cumulative},
                                             {"SLDDER", &f.SLDDER, &plan.balance},
                                             {"DOTFIS", &f.DOTFIS, &typed}}) {
    *value = PlanAmount(packed->str());
    if (!std::isfinite(*value)) {
      report(std::string("montant ") + field + " illisible (" + Hex(packed->str()) + ")");
    } else if (RoundHalfAway(*value, 2) < 0) {
      std::string shown;
      HostConvert().FormatAmount(*value, 2, shown);
      report(std::string("montant ") + field + " négatif (" + shown + ")");
    }
  }
}

// Each plan against its asset, both lists taken in key order: a plan without its asset, and
// the figures the card's fiscal page would refuse. Asset facts are dropped once used.
void CheckPlans(Scan& scan) {
  const std::vector<Entry>& assets = scan.records[kAssets];
  std::vector<int32_t> order(assets.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
  std::sort(order.begin(), order.end(),
            [&](int32_t a, int32_t b) { return assets[a] < assets[b]; });
  std::vector<PlanFacts>& plans = scan.plans;
  std::sort(plans.begin(), plans.end(),
            [](const PlanFacts& a, const PlanFacts& b) { return a.entry < b.entry; });
  auto asset = order.begin();
  for (const PlanFacts& plan : plans) {
    const std::string_view key = plan.entry.key();
    while (asset != order.end() && assets[*asset].key() < key) ++asset;
    const std::string shown = KeyShown(kImmo, key);
    if (asset == order.end() || assets[*asset].key() != key) {
      // A damaged card may be this plan's: nothing is removed before the copy is restored.
      const bool removable = scan.damaged[kAssets].empty();
      scan.Report(shown + " : plan fiscal sans immobilisation (enregistrement " +
                  std::to_string(plan.entry.number) + " du fichier Immof)" +
                  (removable ? " : actifix check --repair le retire" : ""));
      if (removable) scan.plansRemoved.push_back(plan.entry);
      continue;
    }
    const AssetFacts& facts = scan.assetFacts[static_cast<std::size_t>(*asset)];
    if (!plan.readable || !std::isfinite(facts.value) || !std::isfinite(facts.cumulative)) continue;
    const fiscal::FiscalPlan computed{plan.mode, plan.rate, facts.value, facts.acquired,
                                      facts.disposed};
    for (const std::string& refusal :
         {fiscal::FiscalPlanRefusal(computed),
          FiscalCumulativeRefusal(facts.value, plan.cumulative),
          BalanceRefusal(facts.value, facts.cumulative, plan.balance)}) {
      if (refusal.empty()) continue;
      scan.Report(shown + " : plan fiscal : " + ToUtf8(refusal));
      break;
    }
  }
  scan.assetFacts = {};
}

// Sorts both lists of `file` in place, leaves out the later records of a "P" key (each
// reported) and tells what differs.
void CompareKeys(Scan& scan, KeyFileIndex file) {
  const KeyFileShape& shape = kKeyShapes[file];
  const std::string name = std::string("« ") + shape.name + " »";
  const auto label = [&](int32_t number) {
    const std::string l = scan.Label(shape.records, number);
    return l.empty() ? "enregistrement " + std::to_string(number) : l;
  };
  std::vector<Entry>& expected = scan.expected[file];
  std::vector<Entry>& actual = scan.actual[file];
  const std::set<int32_t>& damaged = scan.damaged[shape.records];
  if (!damaged.empty()) {
    const auto kept = std::stable_partition(
        actual.begin(), actual.end(), [&](const Entry& e) { return !damaged.contains(e.number); });
    scan.keptKeys[file].assign(kept, actual.end());
    actual.erase(kept, actual.end());
  }
  std::sort(expected.begin(), expected.end());
  std::sort(actual.begin(), actual.end());
  if (shape.unique) {
    const auto kept =
        std::unique(expected.begin(), expected.end(), [&](const Entry& a, const Entry& b) {
          if (a.key() != b.key()) return false;
          scan.Report(label(b.number) + " : même clé " + name + " que l'enregistrement " +
                      std::to_string(a.number) + ", qui la garde");
          if (file == kImmof) scan.plansRemoved.push_back(b);
          return true;
        });
    expected.erase(kept, expected.end());
  }
  Difference& d = scan.differences[file];
  std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(),
                      std::back_inserter(d.missing));
  std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(),
                      std::back_inserter(d.extra));
  for (const Entry& e : d.missing)
    scan.Report(label(e.number) + " : clé " + name + " absente (" + KeyShown(file, e.key()) + ")");
  for (const Entry& e : d.extra) {
    const std::string l = scan.Label(shape.records, e.number);
    scan.Report(!l.empty()
                    ? l + " : clé " + name + " en trop (" + KeyShown(file, e.key()) + ")"
                    : "clé " + name + " " + KeyShown(file, e.key()) + " : l'enregistrement " +
                          std::to_string(e.number) + " n'existe pas");
  }
}

Scan ScanRegister(Store& store) {
  Scan scan;
  ReadReferenceFiles(store, scan);
  scan.withPlans = store.RecordLength(kRecordNames[kPlans]) > 0;
  ReadFile(store, scan, kAssets,
           [&](int32_t number, const std::string& text) { ReadAsset(scan, number, text); });
  if (scan.withPlans) {
    ReadFile(store, scan, kPlans,
             [&](int32_t number, const std::string& text) { ReadPlan(scan, number, text); });
    CheckPlans(scan);
  }
  // A company with records but no parameters of its own lost them: the screens would ask
  // for them again as for a new company.
  const std::string code = store.Settings().code;
  const auto& parameters = scan.records[kParameters];
  const bool hasParameters = std::any_of(parameters.begin(), parameters.end(),
                                         [&](const Entry& e) { return e.key() == code; }) ||
                             !scan.damaged[kParameters].empty();
  bool anyRecord = false;
  for (int file = 0; file < kRecordFiles; ++file)
    anyRecord |= !scan.records[file].empty() || !scan.damaged[file].empty();
  if (anyRecord && !hasParameters)
    scan.Report("paramètres de l'entreprise " + code +
                " absents du fichier Parimo : saisissez-les par actifix run EntPar");
  for (int file = 0; file < kKeyFiles; ++file) {
    auto& actual = scan.actual[file];
    store.ScanKeys(kKeyShapes[file].name,
                   [&](std::string_view key, int32_t number) { actual.emplace_back(key, number); });
    CompareKeys(scan, static_cast<KeyFileIndex>(file));
  }
  for (const auto& [code, nature] : scan.natures) {
    const auto it = scan.highest.find(code);
    if (it == scan.highest.end() || nature.running >= it->second) continue;
    scan.Report("nature " + Shown(code) + " : numéro d'ordre en cours « " + nature.shown +
                " » au-dessous du plus grand numéro d'ordre de ses immobilisations (" +
                FiveDigits(it->second) + ")");
  }
  return scan;
}

}  // namespace

RegisterFindings CheckRegister(Store& store) {
  RegisterFindings found;
  store.ReadConsistently([&] { found = ScanRegister(store).found; });
  return found;
}

std::vector<std::string> RepairRegister(Store& store, HostComponent& component) {
  std::vector<std::string> changes;
  MImmoState& m = MImmo();
  // No other program writes between what is read here and what is rebuilt from it.
  store.HoldWriteLock();
  // The fiscal plans' file is open only with the company's option on; a plan left behind
  // while it was off is mended all the same.
  if (m.fImmof == 0 && store.RecordLength(kRecordNames[kPlans]) > 0) {
    RecordFile().Open(TrueValue(), kRecordNames[kPlans], FiscalRecord::kLength, m.fImmof,
                      component);
    KeyedFile().Open(TrueValue(), kKeyShapes[kImmof].name, 11, "P", m.kImmof);
  }
  {
    // Acquisition dates lost from a record, taken back from the asset's own keys.
    const Scan scan = ScanRegister(store);
    std::unordered_map<int32_t, std::string> dates;
    for (const int32_t number : scan.lostAcquisition) dates[number];
    for (const KeyFileIndex file : {kImmon, kImmoa}) {
      for (const Entry& e : scan.actual[file]) {
        const auto it = dates.find(e.number);
        if (it == dates.end() || !it->second.empty() || e.size != 9) continue;
        const auto day = DayOf(e.key().substr(6));
        if (day && *day != 0) it->second = std::string(e.key().substr(6));
      }
    }
    // A record longer than its file's records is written again as the module reads it.
    const int16_t handles[kRecordFiles] = {m.fImmo,  m.fNature, m.fParimo,
                                           m.fPcimo, m.fAnaimo, m.fImmof};
    for (const auto& [file, number] : scan.overlong) {
      RecordFile().Read(handles[file], number);
      RecordFile().Write(handles[file], number);
      changes.push_back(scan.Label(file, number) + " : enregistrement " + std::to_string(number) +
                        " du fichier " + kRecordNames[file] + " ramené à sa longueur");
    }
    for (const int32_t number : scan.lostAcquisition) {
      const std::string& date = dates[number];
      if (date.empty()) continue;
      RecordFile().Read(m.fImmo, number);
      m.immo.DATACQ = date;
      RecordFile().Write(m.fImmo, number);
      changes.push_back(scan.Label(kAssets, number) +
                        " : date d'acquisition reprise de ses clés, le " + DateText(*DayOf(date)));
    }
    // A plan no card reaches: its asset is gone, or an earlier plan holds its key. Its key
    // entry goes with it when it has one; the rebuild below removes any other.
    std::vector<Entry> removed = scan.plansRemoved;
    std::sort(removed.begin(), removed.end());
    removed.erase(std::unique(removed.begin(), removed.end()), removed.end());
    for (const Entry& e : removed) {
      if (scan.damaged[kPlans].contains(e.number)) continue;
      KeyedFile().Delete(m.kImmof, std::string(e.key()), e.number, m.fImmof);
      changes.push_back("plan fiscal " + KeyShown(kImmof, e.key()) + " : enregistrement " +
                        std::to_string(e.number) + " du fichier Immof retiré");
    }
  }
  const Scan scan = ScanRegister(store);
  bool anyDamaged = false;
  for (int file = 0; file < kRecordFiles; ++file) {
    for (const int32_t number : scan.damaged[file])
      changes.push_back("enregistrement " + std::to_string(number) + " du fichier " +
                        kRecordNames[file] +
                        " endommagé : non réparé, restaurez une copie de sauvegarde (actifix "
                        "company backups, puis actifix company restore)");
    anyDamaged |= !scan.damaged[file].empty();
  }
  for (int f = 0; f < kKeyFiles; ++f) {
    const Difference& d = scan.differences[f];
    if (d.empty()) continue;
    // In key order, equal keys by record number: the order the cards wrote them in. The
    // entries of damaged records stay as they are.
    std::vector<Entry> kept = scan.expected[f];
    kept.insert(kept.end(), scan.keptKeys[f].begin(), scan.keptKeys[f].end());
    std::sort(kept.begin(), kept.end());
    std::vector<std::pair<std::string, int32_t>> entries;
    entries.reserve(kept.size());
    for (const Entry& e : kept) entries.emplace_back(std::string(e.key()), e.number);
    store.RebuildKeys(kKeyShapes[f].name, entries);
    changes.push_back(std::string("fichier de clés « ") + kKeyShapes[f].name +
                      " » reconstruit depuis les fiches : " + std::to_string(d.missing.size()) +
                      " clé(s) ajoutée(s), " + std::to_string(d.extra.size()) + " retirée(s), " +
                      std::to_string(entries.size()) + " au total");
  }
  // A damaged nature or analytic code may be the one an asset names: nothing is made again
  // before the copy is restored.
  if (anyDamaged) return changes;
  for (const auto& [code, highest] : scan.missingNatures) {
    m.nature = NatureRecord();
    m.nature.CODNAT = code;
    m.nature.LIBNAT = FromUtf8("Nature recréée par le contrôle");
    m.nature.NUMNAT = FiveDigits(std::max<int64_t>(highest, 0));
    int32_t number = 0;
    KeyedFile().Insert(m.kNature, m.nature.CODNAT.str(), m.fNature, number);
    changes.push_back("nature " + Shown(code) + " recréée, numéro d'ordre en cours " +
                      m.nature.NUMNAT.str() + " : donnez-lui son intitulé et ses comptes");
  }
  for (const std::string& key : scan.missingAnalytics) {
    m.anaimo = AnaimoRecord();
    m.anaimo.TYPANA = key.substr(0, 2);
    m.anaimo.CODEANA = key.substr(2);
    m.anaimo.NOMANA = FromUtf8("Code recréé par le contrôle");
    int32_t number = 0;
    KeyedFile().Insert(m.kAnaimo, key, m.fAnaimo, number);
    changes.push_back("code analytique " + KeyShown(kAnaimo, key) +
                      " recréé : donnez-lui son intitulé");
  }
  for (const auto& [code, nature] : scan.natures) {
    const auto it = scan.highest.find(code);
    if (it == scan.highest.end() || nature.running >= it->second) continue;
    RecordFile().Read(m.fNature, nature.number);
    m.nature.NUMNAT = FiveDigits(it->second);
    RecordFile().Write(m.fNature, nature.number);
    changes.push_back("nature " + Shown(code) + " : numéro d'ordre en cours porté de « " +
                      nature.shown + " » à " + m.nature.NUMNAT.str());
  }
  return changes;
}

}  // namespace actifix::platform
