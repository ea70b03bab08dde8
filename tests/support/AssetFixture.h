// The asset files of a company read back row by row through its store, to compare them whole.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace actifix::testing {

// The (bytes, record number) rows of "r_Immo", "k_Immo", "k_Immon" and "k_Immoa".
using Rows = std::multiset<std::pair<std::string, int64_t>>;
// Of company `code` kept at `data` (a directory or a PostgreSQL server).
std::map<std::string, Rows> AssetFiles(const std::string& data, const std::string& code);
// Of the company whose SQLite file is `database`.
std::map<std::string, Rows> AssetFiles(const std::filesystem::path& database);

}  // namespace actifix::testing
