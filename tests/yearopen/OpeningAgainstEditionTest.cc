// The year opening against the depreciation edition: after opening the twelve months that
// follow, the edition of the new current year gives every linear and declining asset kept the
// cumulative and the dotation that the edition of exercise 2 gave it before the opening.
#include <map>

#include "editions/EditionFixture.h"
#include "platform/app/RegisterGenerator.h"

namespace actifix::testing {
namespace {

// Cumulative and dotation of each L or D asset of the edition, by nature and order line.
std::map<std::string, std::pair<double, double>> Figures(const std::filesystem::path& dir) {
  std::map<std::string, std::pair<double, double>> figures;
  std::string nature;
  for (const auto& file : std::filesystem::directory_iterator(dir)) {
    if (file.path().extension() != ".jsonl") continue;
    std::ifstream in(file.path());
    for (std::string text; std::getline(in, text);) {
      const auto e = nlohmann::json::parse(text);
      if (e["kind"] == "title" && e["text"].get<std::string>().rfind("NATURE", 0) == 0)
        nature = e["text"];
      if (e["kind"] != "line" || !e["cells"].contains("MODAMO")) continue;
      const std::string mode = e["cells"]["MODAMO"];
      if (mode == "E") continue;
      const std::string order = e["cells"]["NOMFRN"].get<std::string>().substr(0, 13);
      // An asset disposed of within the year shows twice; its first line is the year's.
      figures.try_emplace(nature + " " + order, e["cells"].value("CUMAMO", 0.0),
                          e["cells"].value("DOTAMO", 0.0));
    }
  }
  return figures;
}

TEST_F(EditionTest, OpeningGivesWhatTheEditionOfTheNextYearShowed) {
  Build([] {
    platform::GeneratorOptions options;
    options.assets = 400;
    options.seed = 11;
    platform::GenerateRegister(options);
  });
  const std::string answers =
      "DATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n0\n1 =\nMARK 1,2,3,4,5,6,7\n";
  Run("EditImo", "CHOOSE 2\n" + answers);
  const auto before = Figures(company_.editions());
  {
    auto session = company_.Open("CONFIRM yes\n");
    session->SetYear("01/01/2027", "31/12/2027");
    session->Run("OuvImo");
  }
  std::filesystem::remove_all(company_.editions());
  {
    auto session = company_.Open("CHOOSE 1\n" + answers);
    session->SetYear("01/01/2027", "31/12/2027");
    session->Run("EditImo");
  }
  const auto after = Figures(company_.editions());
  ASSERT_GT(after.size(), 300u);
  for (const auto& [asset, figures] : after) {
    const auto it = before.find(asset);
    ASSERT_NE(it, before.end()) << asset;
    EXPECT_NEAR(figures.first, it->second.first, 0.001) << asset;
    EXPECT_NEAR(figures.second, it->second.second, 0.001) << asset;
  }
}

}  // namespace
}  // namespace actifix::testing
