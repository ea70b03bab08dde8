#include "platform/web/RegisterIndex.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <numeric>

#include "host/Cp1252.h"
#include "host/HostBracketList.h"
#include "host/HostConvert.h"
#include "host/HostDates.h"
#include "platform/store/Store.h"
#include "state/Records.h"

namespace actifix::platform::web {

namespace {

constexpr const char* kColumnNames[] = {"nature",      "ordre",    "acquisition", "fournisseur",
                                        "description", "valeur",   "mode",        "taux",
                                        "cumul",       "dotation", "vnc",         "cession"};
static_assert(std::size(kColumnNames) == static_cast<std::size_t>(Column::kCount));

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
  return text;
}

// Windows-1252 letters to their plain lower-case letter.
constexpr std::array<char, 256> kFold = [] {
  std::array<char, 256> fold{};
  for (int b = 0; b < 256; ++b) fold[b] = static_cast<char>(b);
  for (int b = 'A'; b <= 'Z'; ++b) fold[b] = static_cast<char>(b - 'A' + 'a');
  const auto range = [&fold](int from, int to, char letter) {
    for (int b = from; b <= to; ++b) fold[b] = letter;
  };
  range(0xC0, 0xC5, 'a');
  range(0xE0, 0xE5, 'a');
  range(0xC7, 0xC7, 'c');
  range(0xE7, 0xE7, 'c');
  range(0xC8, 0xCB, 'e');
  range(0xE8, 0xEB, 'e');
  range(0xCC, 0xCF, 'i');
  range(0xEC, 0xEF, 'i');
  range(0xD1, 0xD1, 'n');
  range(0xF1, 0xF1, 'n');
  range(0xD2, 0xD6, 'o');
  range(0xF2, 0xF6, 'o');
  range(0xD8, 0xD8, 'o');
  range(0xF8, 0xF8, 'o');
  range(0xD9, 0xDC, 'u');
  range(0xF9, 0xFC, 'u');
  range(0xDD, 0xDD, 'y');
  range(0xFD, 0xFD, 'y');
  range(0xFF, 0xFF, 'y');
  return fold;
}();

void AppendFolded(std::string& out, std::string_view cp1252) {
  for (const char c : Trimmed(cp1252)) out += kFold[static_cast<unsigned char>(c)];
}

// Whether `list` ("[ADM,AT1]") holds `code` as one of its elements.
bool ListHolds(std::string_view list, const std::string& code) {
  if (list.size() < 2) return false;
  list = list.substr(1, list.size() - 2);
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    if (Trimmed(list.substr(0, comma)) == code) return true;
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return false;
}

}  // namespace

const char* ColumnName(Column column) { return kColumnNames[static_cast<int>(column)]; }

std::optional<Column> ColumnNamed(std::string_view name) {
  for (int i = 0; i < static_cast<int>(Column::kCount); ++i)
    if (name == kColumnNames[i]) return static_cast<Column>(i);
  return std::nullopt;
}

std::string FoldForSearch(std::string_view cp1252) {
  std::string out;
  for (const char c : cp1252) out += kFold[static_cast<unsigned char>(c)];
  return out;
}

std::shared_ptr<const RegisterIndex> RegisterIndex::Build(Store& store, int32_t yearStart,
                                                          int32_t yearEnd) {
  std::shared_ptr<RegisterIndex> index(new RegisterIndex());
  RegisterIndex& x = *index;
  const HostConvert convert;
  const HostDates dates;
  std::map<std::string, uint16_t> natures;
  std::vector<uint16_t> natureRaw;
  AssetRecord a;
  store.ReadConsistently([&] {
    store.ScanRecords("Parimo", [&](int32_t, std::string_view bytes) {
      if (!x.headings_.empty()) return;
      ParimoRecord p;
      FromText(std::string(bytes), p);
      const HostBracketList brackets;
      const std::string list(Trimmed(p.LINTANA.view()));
      int32_t count = 0;
      brackets.Count(list, count);
      for (int32_t i = 1; i <= count; ++i) {
        std::string heading;
        brackets.Item(list, i, heading);
        x.headings_.push_back(ToUtf8(Trimmed(heading)));
      }
    });
    store.ScanRecords("Immo", [&](int32_t number, std::string_view bytes) {
      FromText(std::string(bytes), a);
      x.recno_.push_back(number);
      const std::string code(Trimmed(a.CODNATI.view()));
      const auto [it, added] = natures.emplace(code, static_cast<uint16_t>(natures.size()));
      natureRaw.push_back(it->second);
      x.number_.push_back(std::atoi(a.NUMNATI.str().c_str()));
      std::string text;
      int32_t day = 0;
      dates.UnpackDate(a.DATACQ.str(), text, day);
      x.acquired_.push_back(day);
      day = 0;
      dates.UnpackDate(a.DATCES.str(), text, day);
      x.disposed_.push_back(day);
      x.mode_.push_back(a.MODAMO.view()[0]);
      float rate = 0;
      convert.UnpackSingle(a.TAUX.str(), rate);
      x.rate_.push_back(rate);
      double amount = 0;
      convert.UnpackDouble(a.VALACQ.str(), amount);
      x.value_.push_back(amount);
      convert.UnpackDouble(a.CUMAMO.str(), amount);
      x.cumulative_.push_back(amount);
      convert.UnpackDouble(a.DOTAMO.str(), amount);
      x.charge_.push_back(amount);
      x.textAt_.push_back(static_cast<uint32_t>(x.text_.size()));
      for (const std::string_view field : {a.NOMFRN.view(), a.DESCRI.view(), a.LCANA.view()}) {
        x.text_ += Trimmed(field);
        x.text_ += '\x1f';
      }
      x.searchAt_.push_back(static_cast<uint32_t>(x.search_.size()));
      for (const std::string_view field :
           {a.NOMFRN.view(), a.DESCRI.view(), a.REMIMO.view(), a.NOMCLT.view()}) {
        AppendFolded(x.search_, field);
        x.search_ += '\x1f';
      }
      x.search_.back() = '\x1e';
    });
  });
  // Grown by doubling while read: their spare room goes back now.
  for (auto* v : {&x.recno_, &x.number_, &x.acquired_, &x.disposed_}) v->shrink_to_fit();
  for (auto* v : {&x.value_, &x.cumulative_, &x.charge_}) v->shrink_to_fit();
  for (auto* v : {&x.textAt_, &x.searchAt_}) v->shrink_to_fit();
  x.rate_.shrink_to_fit();
  x.mode_.shrink_to_fit();
  x.text_.shrink_to_fit();
  x.search_.shrink_to_fit();
  // Nature codes numbered in code order, so that the numbers sort as the codes.
  std::vector<uint16_t> renumber(natures.size());
  for (const auto& [code, raw] : natures) {
    renumber[raw] = static_cast<uint16_t>(x.natureCodes_.size());
    x.natureCodes_.push_back(code);
  }
  x.nature_.resize(natureRaw.size());
  for (std::size_t i = 0; i < natureRaw.size(); ++i) x.nature_[i] = renumber[natureRaw[i]];

  // The key order, made now: every page and every other ordering starts from it.
  auto keyOrder = std::make_unique<std::vector<uint32_t>>(x.size());
  std::iota(keyOrder->begin(), keyOrder->end(), 0U);
  std::sort(keyOrder->begin(), keyOrder->end(), [&x](uint32_t l, uint32_t r) {
    if (x.nature_[l] != x.nature_[r]) return x.nature_[l] < x.nature_[r];
    if (x.number_[l] != x.number_[r]) return x.number_[l] < x.number_[r];
    return x.recno_[l] < x.recno_[r];
  });
  x.orderings_[static_cast<int>(Column::kNature)] = std::move(keyOrder);

  x.totals_.resize(x.natureCodes_.size() + 1);
  for (std::size_t n = 0; n < x.natureCodes_.size(); ++n) x.totals_[n].code = x.natureCodes_[n];
  for (uint32_t id = 0; id < x.size(); ++id) {
    for (NatureTotals* t : {&x.totals_[x.nature_[id]], &x.totals_.back()}) {
      ++t->assets;
      t->value += x.value_[id];
      t->cumulative += x.cumulative_[id];
      t->charge += x.charge_[id];
      t->net += x.net(id);
      if (x.disposed_[id] >= yearStart && x.disposed_[id] <= yearEnd && x.disposed_[id] != 0) {
        ++t->disposals;
        t->disposedValue += x.value_[id];
      }
    }
  }
  return index;
}

std::string_view RegisterIndex::Field(uint32_t id, int field) const {
  std::size_t at = textAt_[id];
  for (int f = 0; f < field; ++f) at = text_.find('\x1f', at) + 1;
  return std::string_view(text_).substr(at, text_.find('\x1f', at) - at);
}

const std::vector<uint32_t>& RegisterIndex::Ordering(Column column) const {
  const int c = static_cast<int>(column);
  if (column == Column::kNature) return *orderings_[c];  // made with the index
  std::call_once(orderingOnce_[c], [this, column, c] {
    // Equal values keep the key order: sorted stably from it.
    auto order = std::make_unique<std::vector<uint32_t>>(*orderings_[0]);
    const auto by = [&order](auto key) {
      std::stable_sort(order->begin(), order->end(),
                       [&key](uint32_t l, uint32_t r) { return key(l) < key(r); });
    };
    switch (column) {
      case Column::kNature:
        break;
      case Column::kNumber:
        by([this](uint32_t id) { return number_[id]; });
        break;
      case Column::kAcquired:
        by([this](uint32_t id) { return acquired_[id]; });
        break;
      case Column::kSupplier:
        by([this](uint32_t id) { return supplier(id); });
        break;
      case Column::kDescription:
        by([this](uint32_t id) { return description(id); });
        break;
      case Column::kValue:
        by([this](uint32_t id) { return value_[id]; });
        break;
      case Column::kMode:
        by([this](uint32_t id) { return mode_[id]; });
        break;
      case Column::kRate:
        by([this](uint32_t id) { return rate_[id]; });
        break;
      case Column::kCumulative:
        by([this](uint32_t id) { return cumulative_[id]; });
        break;
      case Column::kCharge:
        by([this](uint32_t id) { return charge_[id]; });
        break;
      case Column::kNet:
        by([this](uint32_t id) { return net(id); });
        break;
      case Column::kDisposed:
        by([this](uint32_t id) { return disposed_[id]; });
        break;
      case Column::kCount:
        break;
    }
    orderings_[c] = std::move(order);
  });
  return *orderings_[c];
}

bool RegisterIndex::Matches(uint32_t id, const RegisterQuery& query, int natureId,
                            const std::string& analytic) const {
  if (natureId >= 0 && nature_[id] != natureId) return false;
  if (query.mode != 0 && mode_[id] != query.mode) return false;
  if (query.disposed >= 0 && (disposed_[id] != 0) != (query.disposed == 1)) return false;
  if (!analytic.empty() && !ListHolds(Field(id, 2), analytic)) return false;
  return true;
}

RegisterPage RegisterIndex::Find(const RegisterQuery& query) const {
  RegisterPage page;
  const std::vector<uint32_t>& order = Ordering(query.sort);
  int natureId = -1;
  if (!query.nature.empty()) {
    const std::string code = FromUtf8(query.nature);
    const auto it = std::lower_bound(natureCodes_.begin(), natureCodes_.end(), code);
    if (it == natureCodes_.end() || *it != code) return page;
    natureId = static_cast<int>(it - natureCodes_.begin());
  }
  const std::string analytic = FromUtf8(query.analytic);
  const int64_t n = static_cast<int64_t>(order.size());
  const int64_t from = std::max<int64_t>(0, query.from);
  const auto at = [&](int64_t i) { return order[query.descending ? n - 1 - i : i]; };

  // Without search nor filter the page is a slice of the ordering.
  const bool filtered = natureId >= 0 || query.mode != 0 || query.disposed >= 0 ||
                        !analytic.empty() || !query.search.empty();
  if (!filtered) {
    page.total = n;
    for (int64_t i = from; i < n && i < from + query.limit; ++i) page.rows.push_back(at(i));
    return page;
  }
  // The matches of a query met lately are kept in their order: its next pages are slices.
  const std::string key = query.search + '\x1f' + query.nature + '\x1f' + query.analytic + '\x1f' +
                          query.mode + '\x1f' + std::to_string(query.disposed) + '\x1f' +
                          ColumnName(query.sort) + (query.descending ? "-" : "+");
  const auto Slice = [&](const std::vector<uint32_t>& matches) {
    page.total = static_cast<int64_t>(matches.size());
    for (int64_t i = from; i < page.total && i < from + query.limit; ++i)
      page.rows.push_back(matches[static_cast<std::size_t>(i)]);
    return page;
  };
  {
    const std::lock_guard<std::mutex> lock(cacheMutex_);
    for (auto it = cached_.begin(); it != cached_.end(); ++it) {
      if (it->first != key) continue;
      cached_.splice(cached_.begin(), cached_, it);
      const std::shared_ptr<const std::vector<uint32_t>> matches = it->second;
      return Slice(*matches);
    }
  }
  // The search runs once over the folded texts, each hit marking its asset.
  std::vector<bool> found;
  if (!query.search.empty()) {
    // Each hit marks its asset, and the search goes on at the next asset.
    std::string needle = FoldForSearch(FromUtf8(query.search));
    std::erase_if(needle, [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    found.assign(size(), needle.empty());
    const char* const begin = search_.data();
    const char* const end = begin + search_.size();
    for (const char* at = begin; !needle.empty() && at < end;) {
      const void* hit =
          memmem(at, static_cast<std::size_t>(end - at), needle.data(), needle.size());
      if (hit == nullptr) break;
      const auto offset = static_cast<std::size_t>(static_cast<const char*>(hit) - begin);
      const auto next = std::upper_bound(searchAt_.begin(), searchAt_.end(), offset);
      found[static_cast<std::size_t>(next - searchAt_.begin()) - 1] = true;
      at = next == searchAt_.end() ? end : begin + *next;
    }
  }
  auto matches = std::make_shared<std::vector<uint32_t>>();
  for (int64_t i = 0; i < n; ++i) {
    const uint32_t id = at(i);
    if (!found.empty() && !found[id]) continue;
    if (Matches(id, query, natureId, analytic)) matches->push_back(id);
  }
  matches->shrink_to_fit();
  {
    const std::lock_guard<std::mutex> lock(cacheMutex_);
    cached_.emplace_front(key, matches);
    cachedIds_ += matches->size();
    while (cachedIds_ > kCachedIds && cached_.size() > 1) {
      cachedIds_ -= cached_.back().second->size();
      cached_.pop_back();
    }
  }
  return Slice(*matches);
}

std::optional<uint32_t> RegisterIndex::FindKey(std::string_view nature, int32_t number) const {
  const std::vector<uint32_t>& order = *orderings_[0];
  const auto it =
      std::lower_bound(order.begin(), order.end(), std::pair{nature, number},
                       [this](uint32_t id, const std::pair<std::string_view, int32_t>& key) {
                         const std::string_view code = natureCodes_[nature_[id]];
                         return code != key.first ? code < key.first : number_[id] < key.second;
                       });
  if (it == order.end() || natureCodes_[nature_[*it]] != nature || number_[*it] != number)
    return std::nullopt;
  return *it;
}

}  // namespace actifix::platform::web
