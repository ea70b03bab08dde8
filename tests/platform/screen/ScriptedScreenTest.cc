// The scripted screens: transcript lines, values handed back to the module, runs a script stops.
#include "platform/screen/ScriptedScreen.h"

#include <gtest/gtest.h>

#include <sstream>

#include "host/Cp1252.h"
#include "host/HostConvert.h"
#include "host/HostError.h"
#include "platform/screen/Keys.h"

namespace actifix::platform {
namespace {

const std::string kCard =
    "[[CODNATI,CODE NATURE,A,6],[DATACQ,DATE D'ACQUISITION,D,10],[VALACQ,VALEUR "
    "AMORTISSABLE,D2,12],[TAUX,TAUX,S2,6],[COMPTA,GESTION COMPTABILITE,B],[1 ,CODE "
    "SERVICE,A,6]]";

std::string Packed(double value) {
  std::string packed;
  HostConvert().PackDouble(value, packed);
  return packed;
}

class ScriptedScreenTest : public ::testing::Test {
 protected:
  // Starts a session on `script`.
  void Run(const std::string& script) {
    out_.str("");
    session_ = std::make_unique<ScriptedSession>(Script::FromText(script), transcript_);
    screen_ = std::make_unique<ScriptedScreen>(*session_);
    list_ = std::make_unique<ScriptedChoiceList>(*session_);
    box_ = std::make_unique<ScriptedMessageBox>(*session_);
    int16_t status = 1;
    screen_->Clear(status);
    EXPECT_EQ(status, 0);
    screen_->DefineFields(kCard);
  }
  // The transcript lines after the FIELDS line of Run.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(out_.str());
    for (std::string line; std::getline(in, line);)
      if (line.rfind("FIELDS ", 0) != 0) lines.push_back(line);
    return lines;
  }
  std::string ErrorOf(const std::function<void()>& call) {
    try {
      call();
    } catch (const ScriptError& e) {
      return e.what();
    }
    return "no ScriptError";
  }

  std::ostringstream out_;
  Transcript transcript_{out_};
  std::unique_ptr<ScriptedSession> session_;
  std::unique_ptr<ScriptedScreen> screen_;
  std::unique_ptr<ScriptedChoiceList> list_;
  std::unique_ptr<ScriptedMessageBox> box_;
};

// What the golden scenarios do not show: a title's accents and trailing blanks, a cleared note,
// a two-line explanation, pick lists, and the values handed back to the module.
TEST_F(ScriptedScreenTest, TranscriptOfASmallSequence) {
  Run("CODNATI = mat\nCONFIRM no F6\nVALACQ = 1 234,56 F1\nCHOOSE 2\nMARK 1,3\n");
  screen_->SetTitle(std::string("ENTRÉE DES FICHES  "_w));
  std::string code = "MAT01 ";
  int16_t key = 0;
  screen_->AskField("CODNATI", code, key, "[]", "B");
  screen_->SetFieldNote("CODNATI", "B", std::string("Création"_w));
  screen_->SetFieldNote("CODNATI", "B", "");
  int16_t answer = -1;
  screen_->AskConfirm(answer, key, "B");
  std::string amount = Packed(0);
  screen_->AskField("VALACQ", amount, key, "[]", "B");
  screen_->ShowExplanation("B", std::string("[La Période est 01/01/2026,seconde ligne]"_w), "D");
  int32_t chosen = 1;
  list_->Choose(std::string("Choix du Code Région"_w), "[[G,6,Code],[G,30,Intitulé]]",
                "[[A,Un],[B,Deux],[C,Trois]]", chosen);
  std::string marks;
  list_->ChooseSeveral("[[A],[B],[C]]", "[[G,1,Critere]]", "Selection", marks);

  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "TITLE ENTRÉE DES FICHES", "ASK CODNATI mat", "NOTE CODNATI Création",
                         "NOTE CODNATI", "CONFIRM no [F6]", "ASK VALACQ 1 234,56 [F1]",
                         "EXPLAIN La Période est 01/01/2026", "EXPLAIN seconde ligne",
                         "CHOOSE Choix du Code Région -> 2", "MARK Selection -> [1,3]"}));
  EXPECT_EQ(code, "mat");
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(key, kKeyF1);
  EXPECT_EQ(chosen, 2);
  EXPECT_EQ(marks, "[1,3]");
  double value = 0;
  HostConvert().UnpackDouble(amount, value);
  EXPECT_NEAR(value, 1234.56, 0.005);
  EXPECT_TRUE(session_->script().AtEnd());
}

// One answer to AskField: the value handed back to the module, the key, the transcript line.
TEST_F(ScriptedScreenTest, AnswersKeepOrReplaceTheValue) {
  std::string rate;
  HostConvert().PackSingle(20.0f, rate);
  const struct {
    std::string line, field, before, after;
    int16_t key;
    std::string transcript;
  } cases[] = {
      {"CODNATI", "CODNATI", "VIEUX ", "VIEUX ", kKeyValidate, "ASK CODNATI VIEUX"},
      {"CODNATI = Éléc", "CODNATI", "", std::string("Éléc"_w), kKeyValidate, "ASK CODNATI Éléc"},
      // An analytic field, padded in the list, answered by its trimmed name.
      {"1 = SERV F8", "1", "", "SERV", kKeyF8, "ASK 1 SERV [F8]"},
      {"COMPTA = non", "COMPTA", "O", "N", kKeyValidate, "ASK COMPTA Non"},
      {"VALACQ F1", "VALACQ", Packed(-0.5), Packed(-0.5), kKeyF1, "ASK VALACQ -0,50 [F1]"},
      {"TAUX", "TAUX", rate, rate, kKeyValidate, "ASK TAUX 20,00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    Run(c.line + "\n");
    std::string value = c.before;
    int16_t key = 0;
    screen_->AskField(c.field, value, key, "[]", "B");
    EXPECT_EQ(value, c.after);
    EXPECT_EQ(key, c.key);
    EXPECT_EQ(Lines(), std::vector<std::string>{c.transcript});
  }
}

TEST_F(ScriptedScreenTest, DatesGiveTheirDayNumber) {
  Run("DATACQ = 1/1/2026\nDATACQ =\nDATACQ UP\n");
  std::string date = "15/03/2025";
  int16_t key = 0;
  int32_t day = -1;
  screen_->AskDate("DATACQ", date, key, day, "B");
  EXPECT_EQ(date, "01/01/2026");
  EXPECT_EQ(day, 46023);
  screen_->AskDate("DATACQ", date, key, day, "B");
  EXPECT_EQ(date, "");
  EXPECT_EQ(day, 0);
  date = "15/03/2025";
  screen_->AskDate("DATACQ", date, key, day, "B");
  EXPECT_EQ(key, kKeyUp);
  EXPECT_EQ(day, 45731);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"ASK DATACQ 01/01/2026", "ASK DATACQ",
                                               "ASK DATACQ 15/03/2025 [UP]"}));
}

// A script that does not fit stops the run; a refused value or choice never reaches the module.
TEST_F(ScriptedScreenTest, ScriptThatDoesNotFitStopsTheRun) {
  Run("NOCPTCG = 1\nCONFIRM yes\n\nCODNATI = A\n");
  std::string value;
  int16_t key = 0;
  EXPECT_EQ(ErrorOf([&] { screen_->AskField("CODNATI", value, key, "[]", "B"); }),
            "script line 1: expected NOCPTCG, the screen asks CODNATI");
  EXPECT_EQ(ErrorOf([&] { screen_->AskField("CODNATI", value, key, "[]", "B"); }),
            "script line 2: expected CONFIRM, the screen asks CODNATI");
  int16_t answer = 0;
  EXPECT_EQ(ErrorOf([&] { screen_->AskConfirm(answer, key, "B"); }),
            "script line 4: expected CODNATI, the screen asks CONFIRM");
  int32_t chosen = 1;
  EXPECT_EQ(ErrorOf([&] { list_->Choose("T", "[]", "[[A]]", chosen); }),
            "script line 5: expected end of script, the screen asks CHOOSE");
  std::string marks;
  EXPECT_EQ(ErrorOf([&] { list_->ChooseSeveral("[[A]]", "[]", "T", marks); }),
            "script line 5: expected end of script, the screen asks MARK");

  Run("VALACQ = 12x\nDATACQ = 31/02/2026\nCHOOSE 4\nMARK 2,2\nMARK 1,4\nCHOOSE 0\n");
  std::string amount = Packed(7);
  EXPECT_EQ(ErrorOf([&] { screen_->AskField("VALACQ", amount, key, "[]", "B"); }),
            "script line 1: valeur refusée pour VALACQ (12x) : montant non valable (exemple : "
            "1 234,56)");
  EXPECT_EQ(amount, Packed(7));
  std::string date = "01/01/2026";
  int32_t day = 0;
  EXPECT_EQ(ErrorOf([&] {
              screen_->AskDate("DATACQ", date, key, day, "B");
            }).rfind("script line 2: valeur refusée pour DATACQ", 0),
            0u);
  EXPECT_EQ(date, "01/01/2026");
  EXPECT_EQ(ErrorOf([&] {
              list_->Choose("T", "[]", "[[A],[B],[C]]", chosen);
            }).rfind("script line 3: ", 0),
            0u);
  EXPECT_EQ(chosen, 1);
  EXPECT_NE(ErrorOf([&] { list_->ChooseSeveral("[[A],[B],[C]]", "[]", "T", marks); }),
            "no ScriptError");
  EXPECT_NE(ErrorOf([&] { list_->ChooseSeveral("[[A],[B],[C]]", "[]", "T", marks); }),
            "no ScriptError");
  list_->Choose("T", "[]", "[]", chosen);
  EXPECT_EQ(chosen, 0);
}

TEST_F(ScriptedScreenTest, HookRunsBeforeEachAnswerIsTaken) {
  Run("CODNATI = A\nCONFIRM yes\n");
  std::vector<std::string> seen;
  session_->beforeWait = [&] { seen.push_back(std::to_string(Lines().size())); };
  std::string code;
  int16_t key = 0;
  screen_->SetTitle("T");
  screen_->AskField("CODNATI", code, key, "[]", "B");
  int16_t answer = 0;
  screen_->AskConfirm(answer, key, "B");
  // Before the first answer the transcript held TITLE only; before the second, TITLE and ASK.
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "2"}));
  int16_t result = 0;
  box_->Show("Information", "T", "M", result);  // a box takes no answer
  EXPECT_EQ(seen.size(), 2u);
}

TEST_F(ScriptedScreenTest, UndefinedOrClearedFieldBadPackedValueOrTypeIsAHostError) {
  Run("VALACQ\n");  // the undefined field takes no line
  std::string value;
  int16_t key = 0;
  EXPECT_THROW(screen_->AskField("LIBNAT", value, key, "[]", "B"), HostError);
  EXPECT_THROW(screen_->ShowField("LIBNAT", "X"), HostError);
  std::string wrong = "1234";
  EXPECT_THROW(screen_->AskField("VALACQ", wrong, key, "[]", "B"), HostError);
  EXPECT_THROW(screen_->ShowField("VALACQ", "1234"), HostError);
  int16_t status = 0;
  screen_->Clear(status);  // forgets the fields
  EXPECT_THROW(screen_->ShowField("CODNATI", "A"), HostError);
  std::string shown = "O";
  EXPECT_THROW(screen_->FormatValue(shown, "Z"), HostError);
}

}  // namespace
}  // namespace actifix::platform
