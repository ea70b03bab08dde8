// Asset cards written as the card screen stores them (record, "Immo" key, one "Immon" key,
// one "Immoa" key per analytic code), and the company's files read back row by row, for the
// tests of the operations that walk the register.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace actifix::testing {

struct AssetCard {
  std::string nature{}, number{}, acquired{}, disposed{};  // dates "dd/mm/yyyy", "" for none
  std::string mode = "L";
  double value = 0, cumulative = 0, charge = 0, proceeds = 0;
  float rate = 20;
  std::string codes = "[]";                  // LCANA
  std::string supplier{}, description{}, buyer{};  // Windows-1252
};

// Writes the card through the module's buffer and files. REQUIRES: the module's files open
// (inside Session::RunWith). Returns its record number.
int32_t WriteAsset(const AssetCard& card);

// (bytes, record number) rows of one table of the company's database ("r_Immo", "k_Immoa").
using Rows = std::multiset<std::pair<std::string, int64_t>>;
Rows ReadRows(const std::filesystem::path& database, const std::string& table);

// Every record and key of the asset file.
std::map<std::string, Rows> AssetFiles(const std::filesystem::path& database);

// Changes the company's fiscal year in its database, as `actifix company year` does.
void SetCompanyYear(const std::filesystem::path& database, const std::string& start,
                    const std::string& end);

}  // namespace actifix::testing
