// The tax return's tables against the depreciation edition of the same register: 40 generated
// assets and one asset per kind of account line, "Non classé" included, for the current year
// and the next. Every column sums over the lines to the edition's figures of the whole year,
// and every line holds start + increases - decreases = end.
#include <algorithm>
#include <map>
#include <set>

#include "editions/EditionFixture.h"
#include "tables/Lines2054.h"

namespace actifix::testing {
namespace {

using Json = nlohmann::ordered_json;  // cells in column order
using Sums = std::map<std::string, double>;

TEST(Lines2054, EachAccountGoesToTheLineOfItsLongestPrefix) {
  const std::pair<const char*, std::size_t> cases[] = {
      {"201", 0},  {"2030", 0}, {"2051", 1},  {"208", 1},  {"2321", 1},   {"237", 1},  {"2111", 2},
      {"212", 2},  {"2131", 3}, {"2138", 3},  {"2135", 5}, {"21 35", 5},  {"2140", 4}, {"2154", 6},
      {"2181", 7}, {"2182", 8}, {"2183", 9},  {"2184", 9}, {"2186", 10},  {"218", 10}, {"2311", 11},
      {"238", 12}, {"261", 14}, {"2671", 14}, {"271", 15}, {"2770", 15},  {"274", 16}, {"2761", 16},
      {"21", 17},  {"2", 17},   {"6063", 17}, {"", 17},    {"28182", 17}, {"2201", 17}};
  for (const auto& [account, line] : cases)
    EXPECT_EQ(tables::LineOfAccount(account), line) << account;
}

class TablesTest : public EditionTest {
 protected:
  void SetUp() override {
    Build([this] {
      ASSERT_GE(Generate(40, 11), 40);
      const char* const natures[][2] = {{"FRA", "2012"}, {"TER", "2111"}, {"AGE", "2135"},
                                        {"AUT", "2148"}, {"AGD", "2181"}, {"EMB", "2186"},
                                        {"ENC", "2313"}, {"AVA", "238"},  {"PAR", "261"},
                                        {"PRE", "275"},  {"XXX", "6063"}};
      for (const auto& n : natures) AddNature(n[0], n[0], n[1], std::string("28") + n[1]);
      // Acquired in the year, disposed of in the year or the next, depreciated over both.
      AddAssets(R"(FRA|00001|01/03/2026|3000|L|20||500
TER|00001|01/01/2010|80000|E|0||0|15/09/2026|90000
AGE|00001|01/07/2020|12000|L|10|6600|1200
AUT|00001|01/01/2024|40000|L|5|4000|2000
AGD|00001|01/01/2025|5000|D|20|1750|1137.5|30/06/2026|3000
EMB|00001|01/01/2022|900|E|0|600|150
ENC|00001|01/10/2026|25000|E|0||0
AVA|00001|01/11/2026|4000|E|0||0
PAR|00001|01/01/2015|10000|E|0||0|31/03/2027|12000
PRE|00001|01/01/2023|2500|E|0||0
XXX|00001|01/01/2025|700|L|50|350|350)");
      // The groups of the depreciation edition: the natures of the assets kept in each year.
      MImmoState& m = MImmo();
      std::set<std::string> groups[2];
      int16_t found = 0;
      std::string key, text;
      for (KeyedFile().First(m.kImmo, m.fImmo, found, key); found != 0;
           KeyedFile().Next(m.kImmo, m.fImmo, found, key)) {
        int32_t disposed = 0;
        Dates().UnpackDate(m.immo.DATCES, text, disposed);
        for (int year = 0; year < 2; ++year)
          if (disposed == 0 || disposed > m.exercises[year].endDay)
            groups[year].insert(key.substr(0, 6));
      }
      for (int year = 0; year < 2; ++year)
        for (std::size_t g = 1; g <= groups[year].size(); ++g)
          marks_[year] += (g > 1 ? "," : "MARK ") + std::to_string(g);
    });
  }

  // The JSON lines of the only edition of `operation` run with `script`.
  std::vector<Json> Events(const std::string& operation, const std::string& script) {
    const RunResult r = Run(operation, script);
    EXPECT_EQ(r.editions.size(), 1u) << r.reports;
    std::vector<Json> events;
    std::string text;
    lastEdition_ = r.files.at(0);
    for (std::ifstream in(lastEdition_); std::getline(in, text);)
      events.push_back(Json::parse(text));
    return events;
  }

  std::string marks_[2];
  std::filesystem::path lastEdition_;  // the JSON lines file Events read last
};

TEST_F(TablesTest, ColumnsAddUpToTheDepreciationEditionAndLinesBalance) {
  for (const char* year : {"1", "2"}) {
    SCOPED_TRACE(std::string("exercise ") + year);
    // The depreciation edition over the whole year, every asset acquired up to its end.
    Sums e;
    const char* const modes[] = {"LINEAIRE", "DEGRESSIF", "EXCEPTIONNEL"};
    const char* const splits[] = {"LIN", "DEG", "EXC"};
    for (const Json& event :
         Events("EditImo", std::string("CHOOSE ") + year + "\nDATDEB\nDATFIN\nDATDEBA\n" +
                               "DATFINA = 31/12/" + (year[0] == '1' ? "2026" : "2027") +
                               "\nRECAPSEULE\n0\n1 =\n" + marks_[year[0] - '1'] + "\n")) {
      const Json& cells = event.value("cells", Json::object());
      const std::string label = event.value("label", "");
      if (label == "TOTAL A NOUVEAU") e["VBD"] += cells.value("VALACQ", 0.0);
      if (label == "TOTAL ACQUISITION") e["ACQ"] += cells.value("VALACQ", 0.0);
      if (label == "TOTAL CESSION") e["CES"] += cells.value("VALACQ", 0.0);
      for (int k = 0; k < 3; ++k)
        if (cells.value("MA", "") == std::string("TOTAL ") + modes[k]) {
          for (const auto& [from, to] :
               {std::pair{"VA", "VBF"}, {"CD", "AD"}, {"DOT", "DOT"}, {"CES", "RED"}, {"CF", "AF"}})
            e[to] += cells.value(from, 0.0);
          e[splits[k]] += cells.value("DOT", 0.0);
        }
    }
    EXPECT_GT(e["CES"], 0);
    EXPECT_GT(e["DEG"], 0);

    Sums lines, general;
    std::string placed;  // nature -> line, from the last block
    for (const Json& event : Events("Tableaux2054", std::string("CHOOSE ") + year + "\n")) {
      const Json& cells = event.value("cells", Json::object());
      // Each general total carries the boxes of its form.
      if (event["kind"] == "total" && (event["label"] == "TOTAL GENERAL 0G 0J 0K 0L" ||
                                       event["label"] == "TOTAL GENERAL 0N 0P 0Q 0R"))
        for (const auto& [name, value] : cells.items()) general[name] = value;
      if (event["kind"] != "line") continue;
      if (cells.contains("CODNAT")) {
        placed +=
            cells["CODNAT"].get<std::string>() + ">" + cells["LIGNE"].get<std::string>() + "\n";
        continue;
      }
      Sums c;
      for (const auto& [name, value] : cells.items())
        if (value.is_number()) lines[name] += c[name] = value;
      const std::string line = cells["LIBELLE"];
      static const std::map<std::string, std::string> boxes = {
          // each line with its boxes
          {"Terrains 2054", "KG KI LX LY"},
          {"Terrains 2055", "PI PJ PK PL"},
          {"Avances et acomptes 2054", "LK LM ND NE"},
          {"Non classé 2055", ""}};
      const std::string form = line + (cells.contains("VBF") ? " 2054" : " 2055");
      EXPECT_TRUE(boxes.count(form) == 0 || cells.value("CASES", "") == boxes.at(form)) << form;
      if (cells.contains("VBF")) {
        EXPECT_NEAR(c["VBD"] + c["ACQ"] - c["CES"], c["VBF"], 0.005) << line;
      } else {
        EXPECT_NEAR(c["AD"] + c["DOT"] - c["RED"], c["AF"], 0.005) << line;
        EXPECT_NEAR(c["LIN"] + c["DEG"] + c["EXC"], c["DOT"], 0.005) << line;
      }
    }
    for (const char* column :
         {"VBD", "ACQ", "CES", "VBF", "AD", "DOT", "RED", "AF", "LIN", "DEG", "EXC"}) {
      EXPECT_NEAR(lines[column], e[column], 0.005) << column;
      EXPECT_NEAR(general[column], e[column], 0.005) << column;
    }
    // The natures of the assets kept, on the lines of their accounts.
    EXPECT_TRUE(year[0] != '1' ||
                placed.find("AGD>Inst. générales, agenc., aménag. divers\nAGE>Inst. générales, "
                            "agenc., aménag. constructions\nAUT>Constructions sur sol d'autrui\n"
                            "AVA>Avances et acomptes\n") != std::string::npos)
        << placed;
    EXPECT_NE(placed.find("XXX>Non classé\n"), std::string::npos);
  }
}

TEST_F(TablesTest, CsvHoldsTheRowsOfTheEdition) {
  std::vector<Json> printed;  // what makes a row: titles, column sets, lines and totals
  for (Json& e : Events("Tableaux2054", "CHOOSE 1\n"))
    if (e["kind"] != "step" && e["kind"] != "page") printed.push_back(std::move(e));
  std::ifstream in(lastEdition_.replace_extension(".csv"), std::ios::binary);
  std::vector<std::string> rows;
  for (std::string row; std::getline(in, row); rows.push_back(row.substr(0, row.size() - 1)))
    ASSERT_EQ(row.back(), '\r');
  ASSERT_EQ(rows.size(), printed.size());
  EXPECT_EQ(rows.at(3),
            std::string("Rubrique;Cases;VALEURS BRUTES - Début;VALEURS BRUTES - Acquisitions;"
                        "VALEURS BRUTES - Cessions;VALEURS BRUTES - Fin"_w));
  // Every total: its label, its boxes, then its amounts with a decimal comma.
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (printed[i]["kind"] != "total") continue;
    std::string expected = printed[i]["label"];  // "TOTAL GENERAL 0G 0J 0K 0L"
    const std::size_t boxes = expected.find(' ', 6);
    expected = boxes == std::string::npos ? expected + ";" : expected.replace(boxes, 1, ";");
    for (const auto& [name, value] : printed[i]["cells"].items()) {
      char amount[32];
      std::snprintf(amount, sizeof amount, ";%.2f", value.get<double>());
      expected += amount;
    }
    std::replace(expected.begin(), expected.end(), '.', ',');
    EXPECT_EQ(rows[i], expected);
  }
}

}  // namespace
}  // namespace actifix::testing
