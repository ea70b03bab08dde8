#include "support/RegisterAudit.h"

#include <gtest/gtest.h>

#include "front/NvImmo.h"
#include "host/HostBracketList.h"
#include "platform/session/Companies.h"
#include "platform/store/sqlite/CompanyDatabase.h"
#include "state/MImmo.h"

namespace actifix::testing {

std::map<std::string, StoredAsset> AuditRegister(TestCompany& company) {
  std::map<int32_t, StoredAsset> byNumber;
  {
    auto session = company.Open();
    NvImmo component;  // answers the record call-backs of the walks
    component.OuvImmo();
    MImmoState& m = MImmo();
    for (auto [handle, keys] : {std::pair{m.kImmo, &StoredAsset::immo},
                                {m.kImmon, &StoredAsset::immon},
                                {m.kImmoa, &StoredAsset::immoa}}) {
      int16_t found = 0;
      std::string key;
      for (KeyedFile().First(handle, m.fImmo, found, key); found != 0;
           KeyedFile().Next(handle, m.fImmo, found, key)) {
        int32_t number = 0;
        RecordFile().LastRecordNumber(m.fImmo, number);
        byNumber[number].r = m.immo;
        byNumber[number].number = number;
        (byNumber[number].*keys).insert(key);
      }
    }
  }
  std::map<std::string, StoredAsset> byKey;
  for (const auto& [number, s] : byNumber) {
    const std::string date = s.r.DATACQ.str(), key = s.r.CODNATI.str() + s.r.NUMNATI.str();
    std::string list, code;
    HostConvert().Trim(s.r.LCANA.str(), list);
    std::multiset<std::string> analytic;
    for (const std::string& element : SplitList(list)) {
      HostConvert().Pad(element, 0, 6, code);
      analytic.insert(code + date);
    }
    EXPECT_EQ(s.immo, std::multiset<std::string>{key}) << number;
    EXPECT_EQ(s.immon, std::multiset<std::string>{s.r.CODNATI.str() + date}) << key;
    EXPECT_EQ(s.immoa, analytic) << key;
    byKey[key] = s;
  }
  auto db = platform::CompanyDatabase::Open(platform::CompanyDatabasePath(company.dataDir(), "01"));
  platform::Statement count = db->Prepare("SELECT count(*) FROM \"r_Immo\"");
  EXPECT_TRUE(count.Step("test", "r_Immo"));
  EXPECT_EQ(count.Int(0), static_cast<int64_t>(byNumber.size())) << "records without keys";
  return byKey;
}

}  // namespace actifix::testing
