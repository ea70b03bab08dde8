// Script lines: every form, keys, comments, and the lines that do not parse.
#include "platform/screen/Script.h"

#include <gtest/gtest.h>

#include "platform/screen/Keys.h"

namespace actifix::platform {
namespace {

ScriptLine Only(const std::string& text) {
  Script script = Script::FromText(text);
  const ScriptLine* line = script.Next();
  EXPECT_NE(line, nullptr) << text;
  EXPECT_TRUE(script.AtEnd()) << text;
  return line ? *line : ScriptLine{};
}

TEST(ScriptTest, FieldLines) {
  const struct {
    std::string text, field;
    std::optional<std::string> value;
    int16_t key;
  } cases[] = {
      {"NOCPTCG=401000", "NOCPTCG", "401000", kKeyValidate},
      {"NOCPTCG =", "NOCPTCG", "", kKeyValidate},
      {"NOCPTCG F6", "NOCPTCG", std::nullopt, kKeyF6},
      {"NOCPTCG = F6", "NOCPTCG", "", kKeyF6},
      {"NOMCPTCG = Fournisseurs d'immobilisations", "NOMCPTCG", "Fournisseurs d'immobilisations",
       kKeyValidate},
      {"NOMFRN = Bureau F1 ENTER", "NOMFRN", "Bureau F1", kKeyValidate},
      // Key names are upper case only: a lower-case word stays in the value.
      {"NOMFRN = Lot f6", "NOMFRN", "Lot f6", kKeyValidate},
      {"VALACQ = 1 234,56 F1", "VALACQ", "1 234,56", kKeyF1},
      {"  DATACQ = 01/02/2026   UP  ", "DATACQ", "01/02/2026", kKeyUp},
      {"TAUX = 20 F12", "TAUX", "20", kKeyF12},
      {"1 F8", "1", std::nullopt, kKeyF8},
      {"NOMCPTCG = Crédit-bail\r", "NOMCPTCG", "Crédit-bail", kKeyValidate},
  };
  for (const auto& c : cases) {
    const ScriptLine line = Only(c.text);
    EXPECT_EQ(line.kind, AnswerKind::kField) << c.text;
    EXPECT_EQ(line.field, c.field) << c.text;
    EXPECT_EQ(line.value, c.value) << c.text;
    EXPECT_EQ(line.key, c.key) << c.text;
  }
}

// CONFIRM and CHOOSE as the screens use them are in the scripted-screen tests.
TEST(ScriptTest, ConfirmWithAKeyAndMarkLines) {
  const ScriptLine no = Only("CONFIRM no PGUP");
  EXPECT_EQ(no.kind, AnswerKind::kConfirm);
  EXPECT_FALSE(no.yes);
  EXPECT_EQ(no.key, kKeyPageUp);
  EXPECT_EQ(Only("MARK 2, 5,1").marks, (std::vector<int32_t>{2, 5, 1}));
  EXPECT_TRUE(Only("MARK").marks.empty());
}

TEST(ScriptTest, SkipsBlankLinesAndCommentsAndCountsEveryLine) {
  const Script script =
      Script::FromText("# plan\n\nNOCPTCG = 401000\n   # indented\nNOMCPTCG = F\n\n");
  ASSERT_EQ(script.lines().size(), 2u);
  EXPECT_EQ(script.lines()[0].number, 3);
  EXPECT_EQ(script.lines()[1].number, 5);
  EXPECT_EQ(script.EndLine(), 7);
  EXPECT_EQ(Script::FromText("A\nB").EndLine(), 3);
  EXPECT_EQ(Script::FromText("").EndLine(), 1);
}

TEST(ScriptTest, LinesThatDoNotParse) {
  for (const std::string text :
       {"NOCPTCG 401000",    // a value without "="
        "NOCPTCG F3",        // not one of our keys
        "NOCPTCG ENTER F1",  // two keys
        "CONFIRM", "CONFIRM oui", "CONFIRM yes F3", "CONFIRM yes F1 F2", "CHOOSE", "CHOOSE -1",
        "CHOOSE a", "CHOOSE 1 2", "MARK 0", "MARK 1,", "MARK ,1", "MARK 1;2"}) {
    EXPECT_THROW(Script::FromText(text), ScriptError) << text;
  }
}

}  // namespace
}  // namespace actifix::platform
