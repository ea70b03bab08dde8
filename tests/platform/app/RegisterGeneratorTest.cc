// The generated register keeps every rule of the card storage, and one seed gives one
// register.
#include <gtest/gtest.h>

#include "front/Amounts.h"
#include "front/MImmo.h"
#include "front/NvImmo.h"
#include "platform/app/RegisterGenerator.h"
#include "support/AssetFixture.h"
#include "support/RegisterAudit.h"

namespace actifix::testing {
namespace {

std::filesystem::path Generate(TestCompany& company, int64_t assets, uint64_t seed) {
  company.Open()->RunWith([&](NvImmo&) {
    platform::GeneratorOptions options;
    options.assets = assets;
    options.seed = seed;
    EXPECT_EQ(platform::GenerateRegister(options), assets);
  });
  return company.dataDir() / "01Actifix.db";
}

TEST(RegisterGenerator, EveryCardHasExactlyItsKeysAndOneSeedGivesOneRegister) {
  TestCompany company("01/01/2026", "31/12/2026"), again("01/01/2026", "31/12/2026");
  const auto files = AssetFiles(Generate(company, 3000, 7));
  EXPECT_EQ(AssetFiles(Generate(again, 3000, 7)), files);

  const auto cards = AuditRegister(company);
  ASSERT_EQ(cards.size(), 3000u);
  EXPECT_EQ(files.at("k_Immoa").size(), 6000u);  // two headings, "?" included
  std::map<std::string, int> highest;            // order number by nature
  int disposed = 0, modes[3] = {0, 0, 0};
  for (const auto& [key, card] : cards) {
    const AssetRecord& a = card.r;
    highest[a.CODNATI.str()] = std::max(highest[a.CODNATI.str()], std::stoi(a.NUMNATI.str()));
    EXPECT_EQ(a.RESERVED.str(), " ");
    const double value = UnpackedAmount(a.VALACQ.str());
    EXPECT_GT(value, 0);
    EXPECT_LE(UnpackedAmount(a.CUMAMO.str()) + UnpackedAmount(a.DOTAMO.str()), value + 0.005)
        << key;
    disposed += a.DATCES.str() != std::string(3, '\0');
    modes[std::string("LDE").find(a.MODAMO.str())]++;
  }
  // Every mode and some disposals, as a real register has; running numbers at least the
  // highest order number of their nature.
  EXPECT_GT(disposed, 60);
  for (int count : modes) EXPECT_GT(count, 60);
  company.Open()->RunWith([&](NvImmo& component) {
    component.LectParamImmo();
    MImmoState& m = MImmo();
    int16_t found = 0;
    std::string code;
    for (KeyedFile().First(m.kNature, m.fNature, found, code); found != 0;
         KeyedFile().Next(m.kNature, m.fNature, found, code))
      EXPECT_GE(std::stoi(m.nature.NUMNAT.str()), highest[code]) << code;
  });
}

}  // namespace
}  // namespace actifix::testing
