// A generated register of every mode, with disposals and partial disposals, printed for the
// current year over the whole year: the edition's dotation is the DOTAMO stored on the cards,
// its TOTAL GENERAL is A NOUVEAU + ACQUISITIONS - CESSIONS, and the ledger entries balance.
#include "editions/EditionFixture.h"
#include "front/Amounts.h"
#include "platform/app/RegisterGenerator.h"

namespace actifix::testing {
namespace {

TEST_F(EditionTest, GeneratedRegisterDotationIsTheStoredOneAndEntriesBalance) {
  double stored = 0;
  Build([&] {
    platform::GeneratorOptions options;
    options.assets = 700;
    options.seed = 3;
    ASSERT_EQ(platform::GenerateRegister(options), 700);
    MImmoState& m = MImmo();
    int16_t found = 0;
    std::string key;
    for (KeyedFile().First(m.kImmo, m.fImmo, found, key); found != 0;
         KeyedFile().Next(m.kImmo, m.fImmo, found, key))
      stored += UnpackedAmount(m.immo.DOTAMO.str());
  });
  const RunResult r = Run("EditImo",
                          "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n0\n1 =\n"
                          "MARK 1,2,3,4,5,6,7\n");
  ASSERT_EQ(r.editions.size(), 1u) << r.reports;

  double dotation = 0, debit = 0, credit = 0;
  double aNouveau = 0, acquisitions = 0, both = 0, cessions = 0;  // of the group being read
  int groups = 0, withCessions = 0;
  std::filesystem::path jsonl;
  for (const auto& file : std::filesystem::directory_iterator(company_.editions()))
    if (file.path().extension() == ".jsonl") jsonl = file.path();
  std::ifstream in(jsonl);
  for (std::string text; std::getline(in, text);) {
    const auto e = nlohmann::json::parse(text);
    if (e["kind"] != "total") continue;
    const std::string label = e["label"];
    const auto& cells = e["cells"];
    const double value = cells.value("VALACQ", 0.0);
    if (label == "TOTAL A NOUVEAU") aNouveau = value;
    if (label == "TOTAL ACQUISITION") acquisitions = value;
    if (label == "TOTAL CESSION") cessions = value;
    if (label == "TOTAL A NOUVEAU+ACQUISITION") {
      ++groups;
      EXPECT_NEAR(value, Round2(aNouveau + acquisitions), 0.001);
      dotation += cells.value("DOTAMO", 0.0);
      both = value;
      aNouveau = acquisitions = 0;
    }
    if (label == " TOTAL GENERAL") {
      ++withCessions;
      EXPECT_NEAR(value, Round2(both - cessions), 0.001);
    }
    if (cells.contains("D")) {
      debit = cells.value("D", 0.0);
      credit = cells.value("C", 0.0);
    }
  }
  EXPECT_GT(withCessions, 3);
  EXPECT_EQ(groups, 7);
  EXPECT_NEAR(Round2(dotation), Round2(stored), 0.001);
  EXPECT_GT(debit, Round2(stored));  // the dotations and the disposals' entries
  EXPECT_NEAR(debit, credit, 0.001);
}

}  // namespace
}  // namespace actifix::testing
