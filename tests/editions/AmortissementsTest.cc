// The depreciation edition run of EditImo over a whole year, one sort level: every asset line,
// the section, group and breakdown totals, the gains and losses, the ledger entries and the
// interface file, worked out from the rules of each edition.
#include "editions/EditionFixture.h"

namespace actifix::testing {
namespace {

using Amounts = std::map<std::string, double>;

// Whole year 2026, sorted by nature only, both groups kept.
const char* const kWholeYearByNature =
    "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n0\n1 =\nMARK 1,2\n";

class AmortissementsTest : public EditionTest {
 protected:
  void SetUp() override {
    Build([] {
      for (const auto& [n, name] : std::vector<std::pair<std::string, std::string>>{
               {"2182", std::string("Matériel de transport"_w)},
               {"28182", "Amort. matériel de transport"},
               {"2183", std::string("Matériel informatique"_w)},
               {"28183", std::string("Amort. matériel informatique"_w)},
               {"68112", "Dotations aux amortissements"},
               {"6752", std::string("VNC des immobilisations cédées"_w)},
               {"7752", "Produits des cessions"}})
        AddAccount(n, name);
      AddNature("VEH", std::string("Véhicules"_w), "2182", "28182");
      AddNature("INF", "Informatique", "2183", "28183");
      AddAsset({.nature = "INF",
                .number = "00001",
                .acquired = "15/03/2020",
                .value = 3000,
                .mode = "E",
                .rate = 0,
                .cumul = 2000,
                .dotation = 500});
      AddAsset({.nature = "VEH",
                .number = "00001",
                .acquired = "01/07/2024",
                .value = 10000,
                .cumul = 3000,
                .dotation = 2000,
                .description = "Clio"});
      AddAsset({.nature = "VEH",
                .number = "00002",
                .acquired = "01/04/2026",
                .value = 12000,
                .dotation = 1800});
      AddAsset({.nature = "VEH",
                .number = "00003",
                .acquired = "01/01/2022",
                .value = 5000,
                .cumul = 4000,
                .dotation = 495.89,
                .disposed = "30/06/2026",
                .price = 800,
                .client = "Garage Dupont",
                .supplier = "Renault"});
    });
  }
};

TEST_F(AmortissementsTest, WholeYearByNature) {
  const RunResult r = Run("EditImo", kWholeYearByNature);
  EXPECT_TRUE(r.reports.empty()) << r.reports.front();
  ASSERT_EQ(r.editions.size(), 1u);
  const Printed& p = r.editions[0];
  EXPECT_EQ(p.titles[0], "IMMOBILISATIONS AMORTISSEMENTS DU 01/01/2026 AU 31/12/2026");
  EXPECT_EQ(p.titles[1], "ACQUISITIONS  Au 31/12/2026");
  EXPECT_EQ(p.titles[2], "Classement Par : NATURE");
  EXPECT_EQ(p.titles[3], "NATURE  : INF    Informatique");  // padded to "Service"

  // The first line of each asset, in print order.
  const std::vector<std::pair<std::string, Amounts>> assets = {
      {"Ordre : 00001 - Date : 15/03/2020",
       {{"VALACQ", 3000},
        {"TAUX", 0},
        {"CUMAMO", 2000},
        {"DOTAMO", 500},
        {"CUMFIN", 2500},
        {"VNC", 500}}},
      {"Ordre : 00003 - Date : 01/01/2022",  // disposed 30/06: its dotation to that day
       {{"VALACQ", 5000},
        {"TAUX", 20},
        {"CUMAMO", 4000},
        {"DOTAMO", 495.89},
        {"CUMFIN", 4495.89},
        {"VNC", 504.11}}},
      {"Ordre : 00001 - Date : 01/07/2024",
       {{"VALACQ", 10000},
        {"TAUX", 20},
        {"CUMAMO", 3000},
        {"DOTAMO", 2000},
        {"CUMFIN", 5000},
        {"VNC", 5000}}},
      {"Ordre : 00002 - Date : 01/04/2026",  // acquired within the bounds: no earlier cumul
       {{"VALACQ", 12000}, {"TAUX", 20}, {"DOTAMO", 1800}, {"CUMFIN", 1800}, {"VNC", 10200}}},
      {"Ordre : 00003 - Date : 30/06/2026",  // again under CESSIONS, without dotation
       {{"VALACQ", 5000}, {"TAUX", 20}, {"CUMFIN", 4495.89}, {"VNC", 504.11}}},
  };
  std::vector<std::string> texts;
  std::size_t next = 0;
  for (const auto& line : p.lines) {
    const std::string text = Text(line, "NOMFRN");
    if (text.rfind("Ordre : ", 0) == 0 && next < assets.size()) {
      EXPECT_EQ(text, assets[next].first);
      EXPECT_TRUE(SameAmounts(line, assets[next].second)) << text;
      ++next;
    } else if (Amount(line, "VALACQ") == std::nullopt && !text.empty()) {
      texts.push_back(text);
    }
  }
  EXPECT_EQ(next, assets.size());
  EXPECT_EQ(texts, (std::vector<std::string>{" A NOUVEAU", " A NOUVEAU", "Renault", "Clio",
                                             " ACQUISITIONS", " CESSIONS", "Garage Dupont",
                                             // the gains and losses' description lines
                                             "Ordre :00003", "Renault", "Cédée à Garage Dupont"}));

  const std::vector<std::pair<std::string, Amounts>> totals = {
      {"TOTAL A NOUVEAU", {{"VALACQ", 3000}, {"CUMAMO", 2000}}},
      {"TOTAL A NOUVEAU+ACQUISITION",
       {{"VALACQ", 3000}, {"DOTAMO", 500}, {"CUMFIN", 2500}, {"VNC", 500}}},
      {"TOTAL", {{"VA", 3000}, {"CD", 2000}, {"DOT", 500}, {"CES", 0}, {"CF", 2500}, {"VNC", 500}}},
      {"TOTAL A NOUVEAU", {{"VALACQ", 15000}, {"CUMAMO", 7000}}},
      {"TOTAL ACQUISITION", {{"VALACQ", 12000}}},
      {"TOTAL A NOUVEAU+ACQUISITION",
       {{"VALACQ", 27000}, {"DOTAMO", 4295.89}, {"CUMFIN", 11295.89}, {"VNC", 15704.11}}},
      {"TOTAL CESSION", {{"VALACQ", 5000}, {"CUMFIN", 4495.89}, {"VNC", 504.11}}},
      // A NOUVEAU + ACQUISITIONS - CESSIONS
      {"TOTAL GENERAL", {{"VALACQ", 22000}, {"CUMFIN", 6800}, {"VNC", 15200}}},
      {"TOTAL",
       {{"VA", 22000},
        {"CD", 7000},
        {"DOT", 4295.89},
        {"CES", 4495.89},
        {"CF", 6800},
        {"VNC", 15200}}},
      {"TOTAL", {{"VNC", 504.11}, {"VC", 800}, {"PV", 295.89}, {"MV", 0}}},
      {"TOTAL", {{"D", 10595.89}, {"C", 10595.89}}},
  };
  const auto printed = Totals(p);
  ASSERT_EQ(printed.size(), totals.size());
  for (std::size_t i = 0; i < totals.size(); ++i) {
    EXPECT_EQ(printed[i].first, totals[i].first) << i;
    EXPECT_TRUE(SameAmounts(printed[i].second, totals[i].second)) << i;
  }
  // One sort level: no closing-level block and no whole-edition block.
  for (const auto& title : p.titles) EXPECT_EQ(title.find("Total - "), std::string::npos);
  EXPECT_EQ(std::count(p.titles.begin(), p.titles.end(), "TOTAL GENERAL"), 0);

  // Breakdown of VEH: the linear row carries everything, the others print zero.
  std::vector<nlohmann::json> modes;
  for (const auto& line : p.lines)
    if (line.contains("MA")) modes.push_back(line);
  ASSERT_EQ(modes.size(), 6u);
  EXPECT_TRUE(SameAmounts(
      modes[2],
      {{"VA", 3000}, {"CD", 2000}, {"DOT", 500}, {"CES", 0}, {"CF", 2500}, {"VNC", 500}}));
  EXPECT_TRUE(SameAmounts(modes[3], {{"VA", 22000},
                                     {"CD", 7000},
                                     {"DOT", 4295.89},
                                     {"CES", 4495.89},
                                     {"CF", 6800},
                                     {"VNC", 15200}}));
  EXPECT_TRUE(
      SameAmounts(modes[4], {{"VA", 0}, {"CD", 0}, {"DOT", 0}, {"CES", 0}, {"CF", 0}, {"VNC", 0}}));

  // Gains and losses, then the ledger entries with their record marks.
  std::vector<nlohmann::json> ledger;
  bool inLedger = false;
  int steps = 0;
  for (std::size_t i = 0, line = 0; i < p.kinds.size(); ++i) {
    if (p.kinds[i] == "line") {
      if (p.lines[line].contains("NC")) inLedger = true;
      if (inLedger) ledger.push_back(p.lines[line]);
      ++line;
    }
    if (inLedger && p.kinds[i] == "step") ++steps;
  }
  const std::vector<std::tuple<std::string, std::string, std::string, double>> entries = {
      {"68112", "Dotation du 01/01/2026 au 31/12/2026", "D", 500},
      {"28183", "Dotation du 01/01/2026 au 31/12/2026", "C", 500},
      {"68112", "Dotation du 01/01/2026 au 31/12/2026", "D", 4295.89},
      {"28182", "Dotation du 01/01/2026 au 31/12/2026", "C", 4295.89},
      {"28182", "Cession à Garage Dupont", "D", 4495.89},
      {"2182", "Cession à Garage Dupont", "C", 4495.89},
      {"6752", "Cession à Garage Dupont", "D", 504.11},
      {"2182", "Cession à Garage Dupont", "C", 504.11},
      {"No Ct Omis", "Cession à Garage Dupont", "D", 800},
      {"7752", "Cession à Garage Dupont", "C", 800},
  };
  std::vector<nlohmann::json> entryLines;
  for (const auto& l : ledger)
    if (l.contains("NC"))
      entryLines.push_back(l);
    else
      EXPECT_EQ(Text(l, "LIB"), "Renault");
  ASSERT_EQ(entryLines.size(), entries.size());
  EXPECT_EQ(ledger.size(), entries.size() + 6);  // "Renault" under each disposal entry
  EXPECT_EQ(steps, 5);                           // each balanced pair closes a record
  const std::string bytes = LedgerBytes();
  ASSERT_EQ(bytes.size(), entries.size() * 316);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto& [account, label, side, amount] = entries[i];
    EXPECT_EQ(Text(entryLines[i], "NC"), account) << i;
    EXPECT_EQ(Text(entryLines[i], "LIB"), label) << i;
    EXPECT_TRUE(SameAmounts(entryLines[i], {{side, amount}})) << i;
    const std::string record = bytes.substr(i * 316, 316);
    std::string text;
    HostConvert().FormatNumber(amount, 2, text);
    EXPECT_EQ(record.substr(14, 10), (account + "          ").substr(0, 10)) << i;
    EXPECT_EQ(record.substr(254, 1), side) << i;
    EXPECT_EQ(record.substr(255, 18), std::string(18 - text.size(), ' ') + text) << i;
    EXPECT_EQ(ToUtf8(record.substr(94, 40)).substr(0, label.size()), label) << i;
    EXPECT_EQ(record.substr(313), " \r\n") << i;
  }
  EXPECT_EQ(bytes.substr(0, 316),
            "OD 131/12/202668112     Dotations aux amortissements" + std::string(12 + 30, ' ') +
                "Dotation du 01/01/2026 au 31/12/2026" + std::string(4 + 120, ' ') + "D" +
                std::string(12, ' ') + "500.00" + std::string(41, ' ') + "\r\n");
  EXPECT_EQ(ToUtf8(bytes.substr(316 * 8 + 24, 40)), "Garage Dupont" + std::string(27, ' '));
  EXPECT_EQ(ToUtf8(bytes.substr(316 * 4 + 134, 40)), "Renault" + std::string(33, ' '));
  EXPECT_TRUE(r.Has(
      "BOX Intégration sous Compta Norvel Windows: Le Fichier @01TampCg.dat@ d'Interface avec "
      "Compta Norvel est à présent résident dans le Répertoire  @ " +
      company_.dataDir().string() +
      "/@. Pour Enregistrer les Ecritures dans le Journal  @ OD, Sous Compta Norvel @ , dans la "
      "~Gestion des Utilitaires~, lancez, ~Intégration Interface d'Entrée - Format Compta "
      "Norvel~, Ou plus simplement Utilisez le raccourci :  @ I@"));
  EXPECT_EQ(exerciseIndex_, 1);
}

}  // namespace
}  // namespace actifix::testing
