// The year opening against the depreciation edition: after opening the twelve months that
// follow, the edition of the new current year gives every linear and declining asset kept the
// cumulative and the dotation that the edition of exercise 2 gave it before the opening.
#include <cstdlib>
#include <map>
#include <sstream>

#include "editions/EditionFixture.h"
#include "platform/app/RegisterGenerator.h"

namespace actifix::testing {
namespace {

// Cumulative and dotation of each L or D asset an edition printed, by nature and order; an
// asset disposed of within the year shows twice, its first line is the year's.
std::map<std::string, std::string> Figures(const RunResult& r) {
  std::map<std::string, std::string> figures;
  std::string nature;
  for (const std::string& row : r.editions.at(0)) {
    if (row.rfind("T NATURE", 0) == 0) nature = row;
    std::vector<std::string> cells;
    std::istringstream in(row);
    for (std::string cell; std::getline(in, cell, '|');) cells.push_back(cell);
    if (row.rfind("L Ordre", 0) == 0 && cells.size() > 5 && cells[3] != "E")
      figures.try_emplace(nature + cells[0].substr(0, 15), cells[4] + "|" + cells[5]);
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
  const auto before = Figures(Run("EditImo", "CHOOSE 2\n" + answers));
  ASSERT_EQ(std::system((std::string(ACTIFIX_PROGRAM) + " --data " + company_.dataDir().string() +
                         " company year 01 01/01/2027 31/12/2027 >/dev/null")
                            .c_str()),
            0);
  Run("OuvImo", "CONFIRM yes\n");
  const auto after = Figures(Run("EditImo", "CHOOSE 1\n" + answers));
  ASSERT_GT(after.size(), 300u);
  for (const auto& [asset, figures] : after) {
    ASSERT_EQ(before.count(asset), 1u) << asset;
    EXPECT_EQ(figures, before.at(asset)) << asset;
  }
}

}  // namespace
}  // namespace actifix::testing
