// Asset cards written as the card screen stores them (record, "Immo" key, one "Immon" key,
// one "Immoa" key per analytic code), and the asset files read back row by row.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace actifix::testing {

struct AssetCard {
  std::string nature{}, number{}, acquired{}, disposed{};  // dates "dd/mm/yyyy", "" for none
  std::string mode = "L";
  double value = 0, cumulative = 0, charge = 0, proceeds = 0;
  float rate = 20;
  std::string codes = "[]";                        // LCANA
  std::string supplier{}, description{}, buyer{};  // Windows-1252
};

// REQUIRES: the module's files open (inside Session::RunWith).
void WriteAsset(const AssetCard& card);

// The (bytes, record number) rows of "r_Immo", "k_Immo", "k_Immon" and "k_Immoa".
using Rows = std::multiset<std::pair<std::string, int64_t>>;
std::map<std::string, Rows> AssetFiles(const std::filesystem::path& database);

}  // namespace actifix::testing
