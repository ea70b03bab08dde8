// The asset files of a company's database read back row by row, to compare them whole.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace actifix::testing {

// The (bytes, record number) rows of "r_Immo", "k_Immo", "k_Immon" and "k_Immoa".
using Rows = std::multiset<std::pair<std::string, int64_t>>;
std::map<std::string, Rows> AssetFiles(const std::filesystem::path& database);
// The same rows of company 01 in the PostgreSQL database at `uri`.
std::map<std::string, Rows> ServerAssetFiles(const std::string& uri);

}  // namespace actifix::testing
