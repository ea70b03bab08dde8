// The asset cards as EntImo stores them: exactly their keys, running numbers, split figures.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "support/RegisterAudit.h"
#include "support/TestRegister.h"

namespace actifix::testing {
namespace {

class CardStorageTest : public ::testing::Test {
 protected:
  explicit CardStorageTest(const std::string& headings = "[Site,Service]")
      : company_("01/01/2026", "31/12/2026") {
    Run("LectParamImmo", "LINTANA = " + headings + "|COMPTA = O");
    Run("EntNat", "CODNAT = MAT|LIBNAT = M F1|CODNAT = TRANS|LIBNAT = T F1|CODNAT =");
    Run("EntAnaI",
        "TYPANA = 1|CODEANA = A1|NOMANA = a|TYPANA|CODEANA = A2|NOMANA = a|TYPANA = 2|"
        "CODEANA = B1|NOMANA = b|TYPANA|CODEANA = B2|NOMANA = b|TYPANA =");
  }

  // Runs `operation` answering from `script`, whose answers are separated by "|".
  void Run(const std::string& operation, std::string script, int runs = 1) {
    std::replace(script.begin(), script.end(), '|', '\n');
    auto session = company_.Open(script + "\n");
    for (int run = 0; run < runs; ++run) session->Run(operation);
  }
  void Cards(const std::string& script) { Run("EntImo", "CONF|" + script + "|CODNATI ="); }

  TestCompany company_;
};

class NoHeadingTest : public CardStorageTest {
 protected:
  NoHeadingTest() : CardStorageTest("[]") {}
};

TEST_F(NoHeadingTest, SplitSharesFiguresAndNumbersTheRemainingPart) {
  // Acquired before the year: the prior cumulative and the charge are typed.
  const auto card = [](const std::string& number, const std::string& tail) {
    return "CODNATI = TRANS|NUMNATI = " + number +
           "|DATACQ = 15/03/2025|NOMFRN|DESCRI|REMIMO|DATCES =|" + tail + "|";
  };
  const auto split = [](const std::string& number, const std::string& disposed) {
    return "CODNATI = TRANS|NUMNATI = " + number +
           "|DATACQ|NOMFRN|DESCRI|REMIMO|DATCES = 30/06/2026|NOMCLT = X|MTCESS = 100|NCTRES|"
           "VACEDEE = " +
           disposed + "|CONFIRM yes|NOMFRN|DESCRI|REMIMO|NOMFRN|DESCRI|REMIMO|";
  };
  // 00003 saved again unchanged after 00009: a new record number, and the running number stays 9.
  Cards(card("00003", "VALACQ = 3000|MODAMO = L|TAUX = 20|CUMAMO = 100|DOTAMO = 300") +
        card("00009", "VALACQ = 10000|MODAMO = E|CUMAMO = 3000|DOTAMO = 1000") +
        card("00003", "VALACQ F1"));
  EXPECT_GT(AuditRegister(company_).at("TRANS 00003").number,
            AuditRegister(company_).at("TRANS 00009").number);
  Cards(split("00009", "2500") + split("00003", "1000") +
        card("00020", "VALACQ = 2000|MODAMO = E|CUMAMO = 0|DOTAMO = 200"));
  // The nature made again: its running number falls below the card's, which the next one follows.
  Run("EntNat", "CODNAT = TRANS F6|CONFIRM yes|CODNAT = TRANS|LIBNAT = T F1|CODNAT =");
  Cards(split("00020", "500"));
  auto cards = AuditRegister(company_);
  // key, disposed, VALACQ, CUMAMO, DOTAMO (-1: recomputed up to the disposal date in mode L)
  const std::vector<std::tuple<std::string, bool, double, double, double>> expected = {
      {"TRANS 00009", true, 2500, 750, 250},  {"TRANS 00010", false, 7500, 2250, 750},
      {"TRANS 00003", true, 1000, 33.33, -1}, {"TRANS 00011", false, 2000, 66.67, 200},
      {"TRANS 00020", true, 500, 0, 50},      {"TRANS 00021", false, 1500, 0, 150}};
  EXPECT_EQ(cards.size(), expected.size());
  for (const auto& [key, disposed, value, cumulative, charge] : expected) {
    const StoredAsset& s = cards.at(key);
    EXPECT_NEAR(UnpackAmount(s.r.VALACQ), value, 1e-9) << key;
    EXPECT_NEAR(UnpackAmount(s.r.CUMAMO), cumulative, 1e-9) << key;
    EXPECT_NEAR(UnpackAmount(s.r.DOTAMO), charge < 0 ? 200.0 * 181 / 365 : charge, 1e-9) << key;
    EXPECT_EQ(disposed, s.r.DATCES.str() != std::string(3, '\0')) << key;
  }
}

// Random saves, deletions and splits over runs; shared keys, "?" codes by F1, codes picked (F8).
TEST_F(CardStorageTest, RandomSessionsLeaveEveryRecordWithExactlyItsKeys) {
  std::mt19937 rng(20261206);
  const auto pick = [&rng](int n) { return static_cast<int>(rng() % n); };
  const auto format = [](const char* form, auto x) {
    char text[32];
    std::snprintf(text, sizeof text, form, x);
    return std::string(text);
  };
  const std::vector<std::string> natures = {"MAT", "TRANS"}, dates = {"15/03/2025", "01/02/2026"};
  std::map<std::string, int> running;
  std::map<std::pair<std::string, int>, double> values;  // the model: VALACQ of each card
  std::map<std::pair<std::string, int>, char> modes;     // and its mode
  char carried = 'L';  // the mode a new card starts with: the last card's on screen
  std::string script = "CONF|";
  int runs = 1;
  // The second page; F1 at a heading saves at once, leaving the value as it was, but for a new
  // card of mode L or D, whose rate of 0 the save refuses: it is typed, then saved by F1.
  const auto secondPage = [&](bool before, double& value, char& mode, bool exists) {
    const int typed = pick(4) == 0 ? pick(2) : 2;
    std::string s;
    for (int i = 1; i <= typed; ++i)
      s += std::to_string(i) + " = " + (i == 1 ? "A" : "B") + std::to_string(1 + pick(2)) + "|";
    if (typed < 2)
      return s + std::to_string(typed + 1) + " F1|" +
             (!exists && mode != 'E' ? "TAUX = 20 F1|" : "");
    if (pick(3) == 0)
      s += "VALACQ UP|1 = ZZ|1 F8|CHOOSE " + std::to_string(1 + pick(2)) + "|2 UP|1|2|";
    mode = "LDE"[pick(3)];
    value = std::vector<double>{1000, 2500, 10000}[pick(3)];
    s += "VALACQ = " + format("%.2f", value) + "|MODAMO = " + mode + "|";
    if (mode != 'E') s += "TAUX = 20|";
    // A cumulative kept above a value typed lower would give a charge below 0, refused.
    if (before) s += "CUMAMO = 0|";
    return s + (mode == 'E' ? "DOTAMO = 10|" : "DOTAMO|");
  };
  for (int step = 0; step < 300; ++step) {
    const int op = values.empty() ? 0 : pick(10);
    const std::string date = dates[pick(2)];
    auto card = values.begin();
    std::advance(card, values.empty() ? 0 : pick(static_cast<int>(values.size())));
    const auto [nature, n] = op < 4 ? std::pair{natures[pick(2)], 0} : card->first;
    const std::string head = "CODNATI = " + nature + "|NUMNATI";
    const std::string page1 = "|DATACQ = " + date + "|NOMFRN|DESCRI|REMIMO|";
    if (op < 6) {  // creation (under the proposed number or a free one typed) or modification
      int number = n;
      bool proposed = false;
      if (op < 4) {
        number = pick(2) == 0 ? running[nature] + 1 : 1 + pick(90);
        proposed = number == running[nature] + 1 || values.count({nature, number});
        if (proposed) number = running[nature] + 1;
      }
      const bool exists = values.count({nature, number}) != 0;
      char mode = exists ? modes[{nature, number}] : carried;
      script += head + (proposed ? "" : format(" = %05d", number)) + page1 + "DATCES =|" +
                secondPage(date == dates[0], values[{nature, number}], mode, exists);
      modes[{nature, number}] = carried = mode;
      running[nature] = std::max(running[nature], number);
    } else if (op < 7) {
      const bool yes = pick(3) != 0;
      script += head + format(" = %05d F6|CONFIRM ", n) + (yes ? "yes|" : "no|");
      carried = modes[card->first];
      if (yes) values.erase(card);
    } else if (op < 9 && card->second >= 1) {  // split of a quarter
      const double disposed = RoundHalfAway(card->second / 4, 2);
      script += head + format(" = %05d", n) + page1 +
                "DATCES = 31/12/2026|NOMCLT = X|MTCESS = 100|NCTRES|VACEDEE = " +
                format("%.2f", disposed) +
                "|CONFIRM yes|NOMFRN|DESCRI|REMIMO|NOMFRN|DESCRI|REMIMO|";
      running[nature] = std::max(running[nature], n) + 1;
      values[{nature, running[nature]}] = RoundHalfAway(card->second - disposed, 2);
      modes[{nature, running[nature]}] = carried = modes[card->first];
      card->second = disposed;
    } else if (op == 9) {
      script += "CODNATI =|CONF|";
      ++runs;
      carried = 'L';
    }
  }
  Run("EntImo", script + "CODNATI =", runs);
  EXPECT_NE(FileBytes(company_.transcript()).find("CHOOSE Choix du Code Site -> 2"),
            std::string::npos);
  std::set<std::string> expected, stored;
  for (const auto& [key, value] : values)
    expected.insert(format("%-6s", key.first.c_str()) + format("%05d", key.second));
  std::size_t placeholders = 0;
  for (const auto& [key, s] : AuditRegister(company_)) {
    stored.insert(key);
    placeholders += s.immoa.count("?     " + s.r.DATACQ.str());
  }
  EXPECT_EQ(stored, expected);
  EXPECT_GT(placeholders, 0);
}

}  // namespace
}  // namespace actifix::testing
