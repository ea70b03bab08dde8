// The register of one company as the web view lists it: the list columns of every asset,
// packed in memory (numbers in arrays, texts in two arenas, nature codes by number), built
// by one walk of the asset records in one consistent state of the store. A page of the list
// is a slice of one ordering: the key order (nature, order number) made at the build, every
// other column's ordering made at its first use and kept, both directions read from it.
// Search, filters and counts run over these arrays, never over the store; the matches of the
// last queries are kept, so that paging through them is a slice too.
//
// The index is immutable once built; the server replaces it whole when the store changed.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace actifix::platform {
class Store;
}

namespace actifix::platform::web {

enum class Column {
  kNature,
  kNumber,
  kAcquired,
  kSupplier,
  kDescription,
  kValue,
  kMode,
  kRate,
  kCumulative,
  kCharge,
  kNet,
  kDisposed,
  kCount
};

// The name of a column in a URL ("valeur"), and back (nothing for an unknown name).
const char* ColumnName(Column column);
std::optional<Column> ColumnNamed(std::string_view name);

struct RegisterQuery {
  std::string search;    // UTF-8, found in the supplier, description, remark or customer
  std::string nature;    // a nature code, or empty for all
  std::string analytic;  // one of the asset's analytic codes, or empty
  char mode = 0;         // 'L', 'D', 'E', or 0 for all
  int disposed = -1;     // -1 all, 0 kept, 1 disposed of
  Column sort = Column::kNature;
  bool descending = false;
  int64_t from = 0;  // the first row of the page, 0-based, in the filtered ordering
  int limit = 50;
};

struct RegisterPage {
  std::vector<uint32_t> rows;  // asset ids, in page order
  int64_t total = 0;           // rows matching the query
};

// The year's figures of one nature (or of all, code empty), from the stored cards.
struct NatureTotals {
  std::string code;  // Windows-1252, trimmed
  int64_t assets = 0;
  double value = 0, cumulative = 0, charge = 0, net = 0;
  int64_t disposals = 0;     // disposed of within the fiscal year
  double disposedValue = 0;  // their value
};

class RegisterIndex {
 public:
  // Walks the asset records of `store` in one read transaction. `yearStart`/`yearEnd` are the
  // fiscal year's day numbers (disposals of the year). Throws HostError when a record cannot
  // be read.
  static std::shared_ptr<const RegisterIndex> Build(Store& store, int32_t yearStart,
                                                    int32_t yearEnd);

  std::size_t size() const { return recno_.size(); }
  RegisterPage Find(const RegisterQuery& query) const;
  // The asset of nature `nature` (Windows-1252, trimmed) and order number `number`.
  std::optional<uint32_t> FindKey(std::string_view nature, int32_t number) const;

  // One asset's list columns (texts Windows-1252, trimmed).
  int32_t record(uint32_t id) const { return recno_[id]; }
  const std::string& nature(uint32_t id) const { return natureCodes_[nature_[id]]; }
  int32_t number(uint32_t id) const { return number_[id]; }
  int32_t acquired(uint32_t id) const { return acquired_[id]; }
  int32_t disposed(uint32_t id) const { return disposed_[id]; }
  char mode(uint32_t id) const { return mode_[id]; }
  float rate(uint32_t id) const { return rate_[id]; }
  double value(uint32_t id) const { return value_[id]; }
  double cumulative(uint32_t id) const { return cumulative_[id]; }
  double charge(uint32_t id) const { return charge_[id]; }
  double net(uint32_t id) const { return value_[id] - cumulative_[id] - charge_[id]; }
  std::string_view supplier(uint32_t id) const { return Field(id, 0); }
  std::string_view description(uint32_t id) const { return Field(id, 1); }
  std::string_view analytic(uint32_t id) const { return Field(id, 2); }

  const std::vector<std::string>& natureCodes() const { return natureCodes_; }
  // The company's analytic headings (UTF-8), in the order of the assets' codes.
  const std::vector<std::string>& headings() const { return headings_; }
  // By nature in code order, then the whole register (code empty) last.
  const std::vector<NatureTotals>& totals() const { return totals_; }

 private:
  RegisterIndex() = default;
  std::string_view Field(uint32_t id, int field) const;
  const std::vector<uint32_t>& Ordering(Column column) const;
  bool Matches(uint32_t id, const RegisterQuery& query, int natureId,
               const std::string& analytic) const;

  std::vector<int32_t> recno_, number_, acquired_, disposed_;
  std::vector<uint16_t> nature_;
  std::vector<char> mode_;
  std::vector<float> rate_;
  std::vector<double> value_, cumulative_, charge_;
  // Supplier, description and analytic codes, each followed by '\x1f'; text_[textAt_[id]].
  std::string text_;
  std::vector<uint32_t> textAt_;
  // Supplier, description, remark and customer folded for search (lower case, no accents),
  // one asset after the other, each ended by '\x1e'; search_[searchAt_[id]].
  std::string search_;
  std::vector<uint32_t> searchAt_;
  std::vector<std::string> natureCodes_;  // sorted; nature_ holds the position
  std::vector<NatureTotals> totals_;
  std::vector<std::string> headings_;

  // Each ordering made once, by the first request that needs it; the others wait for that one
  // column only.
  mutable std::array<std::once_flag, static_cast<int>(Column::kCount)> orderingOnce_;
  mutable std::array<std::unique_ptr<std::vector<uint32_t>>, static_cast<int>(Column::kCount)>
      orderings_;
  // The matches of the queries with a search or a filter met lately, most recent first, by
  // their query less its page; at most kCachedIds ids in all.
  static constexpr std::size_t kCachedIds = 8'000'000;
  mutable std::mutex cacheMutex_;
  mutable std::list<std::pair<std::string, std::shared_ptr<const std::vector<uint32_t>>>> cached_;
  mutable std::size_t cachedIds_ = 0;
};

// `text` (Windows-1252) folded for search: letters in lower case without their accents.
std::string FoldForSearch(std::string_view cp1252);

}  // namespace actifix::platform::web
