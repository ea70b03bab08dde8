#include "support/AssetFixture.h"

#include "platform/store/CompanyStore.h"
#include "platform/store/Store.h"

namespace actifix::testing {

std::map<std::string, Rows> AssetFiles(const std::string& data, const std::string& code) {
  const std::unique_ptr<platform::Store> store = platform::MakeCompanyStore(data)->Open(code);
  std::map<std::string, Rows> files;
  // The rows as stored, damaged ones included.
  const auto row = [&](int32_t number, std::string_view bytes) {
    files["r_Immo"].emplace(bytes, number);
  };
  store->ScanRecords("Immo", row, row);
  for (const std::string name : {"Immo", "Immon", "Immoa"})
    store->ScanKeys(name, [&, table = "k_" + name](std::string_view key, int32_t number) {
      files[table].emplace(key, number);
    });
  return files;
}

std::map<std::string, Rows> AssetFiles(const std::filesystem::path& database) {
  const std::string file = database.filename().string();
  return AssetFiles(database.parent_path().string(), file.substr(0, file.find("Actifix.db")));
}

}  // namespace actifix::testing
