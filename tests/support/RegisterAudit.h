// The audit of a company's register: every asset record read by walking its three key files,
// each holding exactly the keys its fields give, and no record left without keys. Findings
// are gtest failures.
#pragma once

#include <map>
#include <set>
#include <string>

#include "state/Records.h"
#include "support/TestCompany.h"

namespace actifix::testing {

struct StoredAsset {
  AssetRecord r;
  int32_t number = 0;
  std::multiset<std::string> immo, immon, immoa;
};

// Every asset by its "Immo" key. REQUIRES: no session open on the company.
std::map<std::string, StoredAsset> AuditRegister(TestCompany& company);

}  // namespace actifix::testing
