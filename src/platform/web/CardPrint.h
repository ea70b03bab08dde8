// The asset card with its depreciation plan, printed by the module itself (the card edition,
// as EdtPImo prints it) for one asset of a company, into JSON lines kept in memory: the web
// page shows the very figures of the edition. The company is held shared and read in one
// transaction; nothing is written to it nor to any file.
#pragma once

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace actifix::platform {
class CompanyStore;
class Store;
}  // namespace actifix::platform

namespace actifix::platform::web {

// The JSON lines of the card of asset record `record` of company `code`, opened as `store`.
// Throws HostError when the record cannot be read.
std::vector<nlohmann::json> PrintCard(const std::shared_ptr<CompanyStore>& companies,
                                      const std::string& code, std::shared_ptr<Store> store,
                                      int32_t record);

}  // namespace actifix::platform::web
