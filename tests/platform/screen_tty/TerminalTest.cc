// The terminal screens driven for real: the test program starts itself again inside a detached
// 80x24 tmux session as a small entry page, types keys into it with send-keys, reads the screen
// with capture-pane, and checks what the page handed back. Skipped when tmux is not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "host/Cp1252.h"
#include "host/HostConvert.h"
#include "platform/screen/TerminalScreen.h"
#include "support/TempDir.h"

namespace actifix::platform {
namespace {

constexpr const char* kChildVariable = "ACTIFIX_TERMINAL_CHILD";

// The page run inside tmux; writes what each question returned to `resultFile`.
void RunChildPage(const char* resultFile) {
  std::ofstream out(resultFile);
  {
    Terminal terminal;
    TerminalScreen screen(terminal);
    TerminalChoiceList list(terminal);
    TerminalMessageBox box(terminal);
    int16_t status = 0;
    screen.Clear(status);
    screen.SetTitle(std::string("ENTRÉE D'ESSAI"_w));
    screen.DefineFields(
        "[[NOCPTCG,NUMERO DE COMPTE,A,10],[VALACQ,VALEUR AMORTISSABLE,D2,12],"
        "[DATACQ,DATE D'ACQUISITION,D,10],[COMPTA,GESTION COMPTABLE,B]]");
    screen.SetFieldHint("NOCPTCG", "B", "Suppression : Confirmez par F6");
    screen.ShowExplanation("B", std::string("[La Période est du 01/01/2026 au 31/12/2026]"_w), "D");
    std::string account;
    int16_t key = 0;
    screen.AskField("NOCPTCG", account, key, "[]", "B");
    out << "NOCPTCG " << account << " " << key << "\n";
    screen.SetFieldNote("NOCPTCG", "B", std::string("Création"_w));
    std::string amount;
    HostConvert().PackDouble(0, amount);
    screen.AskField("VALACQ", amount, key, "[]", "B");
    double value = 0;
    HostConvert().UnpackDouble(amount, value);
    out << "VALACQ " << value << " " << key << "\n";
    std::string date = "01/01/2026";
    int32_t day = 0;
    screen.AskDate("DATACQ", date, key, day, "B");
    out << "DATACQ " << date << " " << day << " " << key << "\n";
    std::string yesNo = "O";
    screen.AskField("COMPTA", yesNo, key, "[O,N]", "B");
    out << "COMPTA " << yesNo << " " << key << "\n";
    int16_t answer = 0;
    screen.AskConfirm(answer, key, "B");
    out << "CONFIRM " << answer << " " << key << "\n";
    int32_t chosen = 1;
    list.Choose(std::string("Choix du Code Région"_w),
                std::string("[[G,6,Code],[G,30,Intitulé]]"_w),
                "[[A1,Atelier],[B2,Bureau],[C3,Chantier]]", chosen);
    out << "CHOOSE " << chosen << "\n";
    std::string marks;
    list.ChooseSeveral("[[X],[Y],[Z]]", "[[G,5,Critere]]", "Selection", marks);
    out << "MARK " << marks << "\n";
    int16_t result = 0;
    box.Show("Information", "Sortie pour Excel",
             std::string("Le Fichier @01Immo.csv@ va être ~généré~"_w), result);
    out << "BOX\n";
    out << "MENU "
        << terminal.RunMenu("Actifix", {"Plan comptable", "Natures", "Fiches", "Éditions"}) << "\n";
    std::string text;
    for (int i = 1; i <= 100; ++i) text += "ligne " + std::to_string(i) + " de l'édition\n";
    terminal.ShowPager("EDITION DU PLAN COMPTABLE", text);
    out << "PAGER\n";
    out << "MENU " << terminal.RunMenu("Actifix", {"Plan comptable"}) << "\n";
  }
  out << "END\n";
}

[[maybe_unused]] const bool kIsChild = [] {
  if (const char* resultFile = std::getenv(kChildVariable)) {
    RunChildPage(resultFile);
    std::exit(0);
  }
  return false;
}();

class TerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v tmux >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux absent";
    socket_ = "actifix-screen-test-" + std::to_string(getpid());
    result_ = dir_.path() / "result.txt";
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(length, 0);
    const std::string command = "tmux -L " + socket_ +
                                " new-session -d -x 80 -y 24 -s page \"env " + kChildVariable +
                                "=" + result_.string() + " " + self + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  void TearDown() override {
    if (!socket_.empty())
      std::system(("tmux -L " + socket_ + " kill-server >/dev/null 2>&1").c_str());
  }

  void Keys(const std::string& keys) {
    ASSERT_EQ(std::system(("tmux -L " + socket_ + " send-keys -t page " + keys).c_str()), 0);
  }
  std::string Screen() {
    std::string text;
    FILE* pipe = popen(("tmux -L " + socket_ + " capture-pane -p -t page").c_str(), "r");
    if (!pipe) return text;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    pclose(pipe);
    return text;
  }
  // Waits until the screen shows `text`; false after 5 seconds.
  bool WaitFor(const std::string& text) {
    for (int i = 0; i < 100; ++i) {
      if (Screen().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  std::string Result() {
    for (int i = 0; i < 100; ++i) {
      std::ifstream in(result_);
      std::stringstream text;
      text << in.rdbuf();
      if (text.str().find("END\n") != std::string::npos) return text.str();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return "";
  }

  actifix::testing::TempDir dir_;
  std::string socket_;
  std::filesystem::path result_;
};

TEST_F(TerminalTest, EntryPageListsBoxAndConversions) {
  ASSERT_TRUE(WaitFor("ENTRÉE D'ESSAI")) << Screen();
  const std::string first = Screen();
  EXPECT_NE(first.find("NUMERO DE COMPTE"), std::string::npos) << first;
  EXPECT_NE(first.find("La Période est du 01/01/2026 au 31/12/2026"), std::string::npos);
  EXPECT_NE(first.find("Suppression : Confirmez par F6"), std::string::npos);
  Keys("401000 Enter");
  ASSERT_TRUE(WaitFor("Création")) << Screen();
  // A refused amount is asked again with the reason; Ctrl-U empties the field.
  Keys("12x Enter");
  ASSERT_TRUE(WaitFor("montant non valable")) << Screen();
  Keys("C-u '1 234,5' Enter");
  ASSERT_TRUE(WaitFor("1 234,50")) << Screen();
  Keys("C-u 3112026 Enter");  // not a date: refused
  ASSERT_TRUE(WaitFor("date non valable")) << Screen();
  Keys("C-u 31/12/2026 F6");
  ASSERT_TRUE(WaitFor("Oui")) << Screen();
  EXPECT_TRUE(WaitFor("Valeurs : O, N")) << Screen();
  Keys("n Enter");  // the first key typed replaces "Oui"
  ASSERT_TRUE(WaitFor("Confirmez-vous")) << Screen();
  Keys("o Enter");
  ASSERT_TRUE(WaitFor("Choix du Code Région")) << Screen();
  EXPECT_TRUE(WaitFor("Intitulé")) << Screen();
  Keys("Down Enter");
  ASSERT_TRUE(WaitFor("Selection")) << Screen();
  Keys("Space Down Space Enter");
  ASSERT_TRUE(WaitFor("01Immo.csv va être généré")) << Screen();
  Keys("Enter");
  ASSERT_TRUE(WaitFor("4. Éditions")) << Screen();
  Keys("Down 3 Up Enter");  // 3 jumps to the third item, Up goes back to the second
  ASSERT_TRUE(WaitFor("ligne 1 de l'édition")) << Screen();
  EXPECT_TRUE(WaitFor("Lignes 1-22 sur 100")) << Screen();
  Keys("End");
  EXPECT_TRUE(WaitFor("Lignes 79-100 sur 100")) << Screen();
  EXPECT_TRUE(WaitFor("ligne 100 de l'édition")) << Screen();
  Keys("q");
  ASSERT_TRUE(WaitFor("1. Plan comptable")) << Screen();
  Keys("Escape");
  EXPECT_EQ(Result(),
            "NOCPTCG 401000 13\n"
            "VALACQ 1234.5 13\n"
            "DATACQ 31/12/2026 46387 106\n"
            "COMPTA N 13\n"
            "CONFIRM -1 13\n"
            "CHOOSE 2\n"
            "MARK [1,3]\n"
            "BOX\n"
            "MENU 1\n"
            "PAGER\n"
            "MENU -1\n"
            "END\n");
}

}  // namespace
}  // namespace actifix::platform
