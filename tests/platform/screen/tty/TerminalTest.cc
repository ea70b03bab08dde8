// The terminal screens driven for real: the test program starts itself again inside a detached
// 80x24 tmux session as a small entry page, types keys into it with send-keys, reads the screen
// with capture-pane, and checks what the page handed back. Skipped when tmux is not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "host/Cp1252.h"
#include "host/HostConvert.h"
#include "host/HostError.h"
#include "platform/screen/TerminalScreen.h"
#include "platform/session/Companies.h"
#include "platform/session/MenuLoop.h"
#include "support/TempDir.h"
#include "support/TestCompany.h"

namespace actifix::platform {
namespace {

constexpr const char* kChildVariable = "ACTIFIX_TERMINAL_CHILD";

// The page run inside tmux; writes what each question returned to `resultFile`.
void RunChildPage(const char* resultFile) {
  std::ofstream out(resultFile);
  {
    Terminal terminal;
    TerminalScreen screen(terminal);
    int16_t status = 0, answer = 0;
    screen.Clear(status);
    screen.SetTitle(std::string("ENTRÉE D'ESSAI"_w));
    screen.DefineFields(
        "[[NOCPTCG,NUMERO DE COMPTE,A,10],[VALACQ,VALEUR AMORTISSABLE,D2,12],"
        "[DATACQ,DATE D'ACQUISITION,D,10],[COMPTA,GESTION COMPTABLE,B]]");
    screen.SetFieldHint("NOCPTCG", "B", "Suppression : Confirmez par F6");
    screen.ShowExplanation("B", std::string("[La Période est du 01/01/2026 au 31/12/2026]"_w), "D");
    std::string account, amount, date = "01/01/2026", yesNo = "O", marks;
    int16_t keys[5] = {};
    int32_t day = 0, chosen = 1;
    double value = 0;
    screen.AskField("NOCPTCG", account, keys[0], "[]", "B");
    screen.SetFieldNote("NOCPTCG", "B", std::string("Création"_w));
    HostConvert().PackDouble(0, amount);
    screen.AskField("VALACQ", amount, keys[1], "[]", "B");
    screen.AskDate("DATACQ", date, keys[2], day, "B");
    screen.AskField("COMPTA", yesNo, keys[3], "[O,N]", "B");
    screen.AskConfirm(answer, keys[4], "B");
    HostConvert().UnpackDouble(amount, value);
    out << account << " " << value << " " << date << " " << day << " " << yesNo << " " << answer;
    for (const int16_t k : keys) out << " " << k;
    out << "\n";
    TerminalChoiceList list(terminal);
    list.Choose(std::string("Choix du Code Région"_w),
                std::string("[[G,6,Code],[G,30,Intitulé]]"_w),
                "[[A1,Atelier],[B2,Bureau],[C3,Chantier]]", chosen);
    list.ChooseSeveral("[[X],[Y],[Z]]", "[[G,5,Critere]]", "Selection", marks);
    out << "CHOOSE " << chosen << " MARK " << marks << "\n";
    TerminalMessageBox(terminal).Show("Information", "Sortie pour Excel",
                                      std::string("Le Fichier @01Immo.csv@ va être ~généré~"_w),
                                      answer);
    out << "MENU "
        << terminal.RunMenu("Actifix", {"Plan comptable", "Natures", "Fiches", "Éditions"}) << "\n";
    std::string text;
    for (int i = 1; i <= 100; ++i) text += "ligne " + std::to_string(i) + " de l'édition\n";
    terminal.ShowPager("EDITION DU PLAN COMPTABLE", text);
    out << "MENU " << terminal.RunMenu("Actifix", {"Plan comptable"}) << "\n";
    // Whatever an operation of the menu throws, the user reads it and the menu comes back.
    RunMenuLoop(
        terminal, [] { return "Erreurs"; }, {"Hôte", "Saisie", "Autre", "Inconnue"},
        [](int chosen) {
          if (chosen == 0) throw HostError("Store.Open", "01", "fichier absent");
          if (chosen == 1) throw UserError("code 0X refusé", ErrorKind::kInvalidInput);
          if (chosen == 2) std::vector<int>().at(1);
          throw 42;
        });
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
    tmux_ = "tmux -L actifix-screen-test-" + std::to_string(getpid()) + " ";
  }
  void TearDown() override {
    if (!tmux_.empty()) Tmux("kill-server >/dev/null 2>&1");
  }
  void Start(const std::string& command) {
    ASSERT_EQ(Tmux("new-session -d -x 80 -y 24 -s page \"" + command + "\""), 0);
  }

  int Tmux(const std::string& command) { return std::system((tmux_ + command).c_str()); }
  std::string Path(const char* name) { return (dir_.path() / name).string(); }
  // The screen (or the result file) once it shows `text`, or as it is after 20 seconds.
  std::string Wait(const std::string& text, const char* file = "screen") {
    std::string read;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (bool first = true; read.find(text) == std::string::npos; first = false) {
      if (!first && std::chrono::steady_clock::now() > deadline) break;
      if (!first) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      // A program gone takes its session with it: what it left in the result file says why.
      if (file == std::string("screen") &&
          Tmux("capture-pane -p -t page > " + Path("screen") + " 2>/dev/null") != 0)
        return "(programme terminé) " + actifix::testing::FileBytes(Path("result"));
      std::ifstream in(Path(file));
      read.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return read;
  }
  // Types each step's keys and waits for its text on the screen.
  void Steps(const std::vector<std::pair<std::string, std::string>>& steps) {
    for (const auto& [keys, shown] : steps) {
      ASSERT_TRUE(keys.empty() || Tmux("send-keys -t page " + keys) == 0) << keys;
      const std::string screen = Wait(shown);
      ASSERT_NE(screen.find(shown), std::string::npos) << keys << " -> " << shown << "\n" << screen;
    }
  }

  actifix::testing::TempDir dir_;
  std::string tmux_;
};

TEST_F(TerminalTest, EntryPageListsBoxAndConversions) {
  char self[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  Start("env " + std::string(kChildVariable) + "=" + Path("result") + " " + self);
  // Keys typed (none: only look), then what the screen must show.
  Steps({
      // 80x24: the title on the first row, then a field a row, the explanation box under them,
      // and the hint, the message and the keys on the last three rows.
      {"", "ENTRÉE D'ESSAI\n\n NUMERO DE COMPTE\n VALEUR AMORTISSABLE\n"},
      {"", "\n │ La Période est du 01/01/2026 au 31/12/2026 │\n"},
      {"", "\n Suppression : Confirmez par F6\n\nEntrée Valider"},
      {"401000 Enter", "\n NUMERO DE COMPTE     401000      Création\n"},  // the note beside
      {"12x Enter", "montant non valable"},  // a refused amount is asked again with the reason
      {"C-u '1 234,5' Enter", "\n VALEUR AMORTISSABLE  1 234,50\n"},  // Ctrl-U empties the field
      {"C-u 3112026 Enter", "date non valable"},
      {"C-u 31/12/2026 F6", "\n GESTION COMPTABLE    Oui\n"},
      {"", "\n Valeurs : O, N\n\nEntrée Valider"},  // the values allowed, on the hint row
      {"n Enter", "Confirmez-vous"},                // the first key typed replaces "Oui"
      {"o Enter", "Choix du Code Région ─────────┐\n                   │Code   Intitulé "},
      {"Down Enter", "Selection"},
      {"Space Down Space Enter", "01Immo.csv va être généré"},
      {"Enter", "4. Éditions"},
      // 3 jumps to the third item, Up goes back; the pager shows 22 lines over its status.
      {"Down 3 Up Enter", "\nligne 22 de l'édition\nLignes 1-22 sur 100 "},
      {"End", "\nligne 100 de l'édition\nLignes 79-100 sur 100 "},
      {"q", "1. Plan comptable"},
      // The menu of an operation that fails, whatever the error: the reason, then the menu,
      // its highlight on the entry last chosen.
      {"Escape", "4. Inconnue"},
      {"1 Enter", "L'opération « Hôte » s'est arrêtée\nfichier absent (01)"},
      {"q Down Enter", "code 0X refusé\n\nCe qui avait été enregistré avant l'arrêt est conservé"},
      {"q 3 Enter", "Erreur inattendue : vector"},
      {"q 4 Enter", "« Inconnue » s'est arrêtée\nErreur inattendue.\n"},
      {"q", "4. Inconnue"},
  });
  ASSERT_EQ(Tmux("send-keys -t page Escape"), 0);
  // The answers, then the keys that ended them (Enter 13, F6 106), the lists, the menus.
  EXPECT_EQ(Wait("END\n", "result"),
            "401000 1234.5 31/12/2026 46387 N -1 13 13 106 13 13\n"
            "CHOOSE 2 MARK [1,3]\nMENU 1\nMENU -1\nEND\n");
}

// One run of `actifix menu` through every entry and back to the menu, then Escape quits.
TEST_F(TerminalTest, MenuWalksEveryEntryAndBack) {
  actifix::testing::TestCompany company("01/01/2026", "31/12/2026", "T1");
  company.Open("LINTANA = []\nCOMPTA = N\n")->Run("LectParamImmo");
  company.Open("CODNAT = MAT\nLIBNAT = Matériel\nCODNAT =\n")->Run("EntNat");
  company
      .Open(
          "CONF\nCODNATI = MAT\nNUMNATI\nDATACQ = 15/03/2025\nNOMFRN\nDESCRI = Tour\nREMIMO\n"
          "DATCES\nVALACQ = 10000\nMODAMO = L\nTAUX = 20\nCUMAMO\nDOTAMO\nCODNATI =\n")
      ->Run("EntImo");
  const std::string menu = "Actifix - T1 SARL Test - exercice du 01/01/2026 au 31/12/2026";
  Start(std::string(ACTIFIX_PROGRAM) + " --data " + company.dataDir().string() +
        " menu; echo status $? > " + Path("result"));
  // An entry a row: keys, text then shown, keys, text..., keys after which the menu is back.
  const std::vector<std::vector<std::string>> walk = {
      {"", menu, "1 Enter", "ENTREE DES PARAMETRES DE L'ENTREPRISE", "Escape"},
      // Escape on the key, which has no field before it, tells how to leave.
      {"2 Enter", "ENTREE DU PLAN COMPTABLE", "Escape", "pour quitter, videz-le et validez",
       "Enter"},
      {"3 Enter", "ENTREE DES NATURES", "Enter", "MAT    Matériel", "q"},
      {"4 Enter", "Saisie des Codes Analyse", "Enter"},
      {"5 Enter", "EST-CE BIEN LA PERIODE", "Escape"},
      {"6 Enter", "MAT    00001 15/03/2025      1 600,00     2 000,00", "q"},
      {"7 Enter", "Selection de l'Exercice", "Enter", "DATES DE BORNAGE",
       "Enter Enter Enter Enter Enter", "CRITERES D'EDITION", "Enter", "│  Critere   ",
       "Space Enter", "TOTAL A NOUVEAU+ACQUISITION          10 000,00", "q"},
      {"8 Enter", "Selection de l'Exercice", "Escape"},
      {"9 Enter", "puis relancez l'ouverture ; rien n'a été changé", "q"},
      {"1 0 Enter", "Sortie pour Excel", "Enter", "Registre exporté dans", "q"},
      {"1 1 Enter", "Selection de l'Exercice", "Enter", "IMMOBILISATIONS (2054)", "q"},
      {"1 2 Enter", "ne tient pas de plan fiscal", "Enter"},
      {"1 3 Enter", "n'a pas encore d'exercice clos", "q"},
  };
  for (const std::vector<std::string>& row : walk)
    for (std::size_t i = 0; i < row.size() && !HasFatalFailure(); i += 2)
      Steps({{row[i], i + 1 < row.size() ? row[i + 1] : menu}});
  ASSERT_EQ(Tmux("send-keys -t page Escape"), 0);
  EXPECT_EQ(Wait("status", "result"), "status 0\n");
}

}  // namespace
}  // namespace actifix::platform
