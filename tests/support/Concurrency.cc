#include "support/Concurrency.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iostream>

#include "host/HostError.h"
#include "platform/session/ScriptedInterface.h"
#include "platform/session/Session.h"
#include "platform/store/CompanyStore.h"
#include "support/TempDir.h"
#include "support/Thrown.h"

namespace actifix::testing {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

std::string Card(const std::string& descri, bool added = true) {
  return added ? "DATACQ = 01/07/2026\nNOMFRN\nDESCRI = " + descri +
                     "\nREMIMO\nDATCES\nVALACQ = 1000\nMODAMO = L\nTAUX = 20\nDOTAMO\n"
               : "DATACQ\nNOMFRN\nDESCRI = " + descri +
                     "\nREMIMO\nDATCES\nVALACQ\nMODAMO\nTAUX\nDOTAMO\n";
}
std::string Screen(const std::string& cards) { return "CONF\n" + cards + "CODNATI =\n"; }

// The company `code` of `data`, run by `program`, its scratch files in `dir`.
struct Company {
  std::string program, data, code;
  fs::path dir;
  int status = 0;   // of the last run
  std::string err;  // its output
  // `actifix ARGS`, with `tag` naming its scratch files: its output.
  std::string Actifix(const std::string& args, const std::string& tag) {
    const std::string out = (dir / tag).string() + ".o";
    const int raw = std::system(("'" + program + "' --data '" + data + "' --company " + code + " " +
                                 args + " >'" + out + "' 2>&1")
                                    .c_str());
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return err = FileBytes(out);
  }
  // `operation` answering `script`: its transcript.
  std::string Run(const std::string& operation, const std::string& script, const std::string& tag) {
    const std::string at = (dir / tag).string();
    std::ofstream(at + ".s") << script;
    fs::remove(at + ".t");
    Actifix("run " + operation + " --no-pdf --out '" + at + "ed' --script '" + at +
                ".s' --transcript '" + at + ".t'",
            tag);
    return FileBytes(at + ".t");
  }
  // `actifix check` is clean: the number of assets it counted.
  int Checked() {
    const std::string text = Actifix("check", "c");
    EXPECT_EQ(text.rfind("0 anomalie, ", 0), 0u) << text;
    return std::atoi(text.c_str() + text.find(", ") + 2);
  }
};

Company Made(const std::string& program, const std::string& data, const std::string& code,
             const fs::path& dir) {
  platform::MakeCompanyStore(data)->Remove(code);
  Company company{program, data, code, dir, 0, ""};
  company.Actifix("company create " + code + " --year 01/01/2026 31/12/2026 --work-date 15/03/2026",
                  "m");
  company.Run("LectParamImmo", "LINTANA = []\nCOMPTA = N\n", "p");
  company.Run("EntNat", "CODNAT = TRANS\nLIBNAT = Transport\nCODNAT =\n", "n");
  return company;
}

// One user entering `cards` cards under the numbers proposed, the screen run again for those
// refused (a proposal taken since the nature was read is asked again): 0 when all are in.
int EnterAll(Company company, const std::string& tag, int cards) {
  for (int saved = 0, runs = 0; runs < 20 * cards; ++runs) {
    std::string script;
    for (int i = saved; i < cards; ++i) script += "CODNATI = TRANS\nNUMNATI\n" + Card(tag);
    const std::string transcript = company.Run("EntImo", Screen(script), tag);
    for (auto at = transcript.find("MESSAGE Enr"); at != std::string::npos;
         at = transcript.find("MESSAGE Enr", at + 1))
      ++saved;
    if (saved == cards) return 0;
    if (company.err.find("vient d'être pris par un autre") == std::string::npos &&
        company.err.find("the screen asks NUMNATI") == std::string::npos)
      return 1;
  }
  return 1;
}

// An edition printed meanwhile: its cards add up to its balanced total. Returns its cards.
int Printed(Company& company) {
  company.Run("EditImo", "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n0\nMARK 1\n",
              "e");
  if (company.status != 0) {  // no card yet: nothing to print
    EXPECT_NE(company.err.find("line 1: expected CHOOSE, the operation has ended"),
              std::string::npos);
    return 0;
  }
  double va = 0, dot = 0;
  int cards = 0;
  Json total;
  for (const auto& file : fs::directory_iterator(company.dir / "eed"))
    for (std::ifstream in(file.path()); file.path().extension() == ".jsonl" && in;) {
      std::string text;
      if (!std::getline(in, text)) break;
      const Json line = Json::parse(text), cells = line.value("cells", Json::object());
      if (line.value("label", "") == " TOTAL") total = cells;
      if (line["kind"] == "line" && cells.contains("VALACQ"))
        ++cards, va += cells["VALACQ"].get<double>(), dot += cells["DOTAMO"].get<double>();
    }
  fs::remove_all(company.dir / "eed");
  EXPECT_NEAR(total.value("VA", -1.0), va, 0.005);
  EXPECT_NEAR(total.value("DOT", -1.0), dot, 0.005);
  EXPECT_NEAR(va - total.value("CF", -1.0), total.value("VNC", 0.0), 0.005);
  return cards;
}

}  // namespace

void TwoUsersEnterCards(const std::string& program, const std::string& data,
                        const std::string& code, const fs::path& dir, int cards) {
  Company company = Made(program, data, code, dir);
  const auto start = std::chrono::steady_clock::now();
  pid_t users[2];
  for (int u = 0; u < 2; ++u)
    if ((users[u] = fork()) == 0) _exit(EnterAll(company, u == 0 ? "A" : "B", cards));
  int alive = 2, round = 0, during = 0;
  for (int status = 0; alive > 0; ++round) {
    const int printed = Printed(company);
    during += printed > 0 && printed < 2 * cards;
    for (pid_t& user : users)
      if (user > 0 && waitpid(user, &status, WNOHANG) == user) {
        EXPECT_EQ(status, 0);
        user = 0, --alive;
      }
  }
  std::cout << "2 x " << cards << " cards in "
            << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
            << " s, " << during << " editions printed halfway\n";
  EXPECT_EQ(company.Checked(), 2 * cards);
  EXPECT_NE(company.Run("EntImo", Screen("CODNATI = TRANS\nNUMNATI PGUP\n"), "r")
                .find("ASK NUMNATI " + std::to_string(100001 + 2 * cards).substr(1)),
            std::string::npos);
  EXPECT_EQ(Printed(company), 2 * cards);
}

void ConflictCases(const std::string& program, const std::string& data, const std::string& code,
                   const fs::path& dir) {
  Company company = Made(program, data, code, dir);
  const std::string nat = "CODNATI = TRANS\nNUMNATI\n", mod = "CODNATI = TRANS\nNUMNATI = ";
  company.Run("EntImo", Screen(nat + Card("Un") + nat + Card("Deux") + nat + Card("Trois")), "i");
  // This user's screen; the other user's run, before this one's question `at` (4: after the
  // look-up, 3: after the proposal); the message that ends this one's run, or that it is told
  // on NUMNATI ("": none); the cards then; what the screen shows of NUMNATI `look`.
  const struct {
    std::string mine, theirs, other, message;
    int cards;
    std::string look, shows;
    int at;
  } cases[] = {
      {nat + Card("Mien"), "EntImo", Screen(nat + Card("Sien")),
       "le numéro d'ordre 00004 de la nature TRANS vient d'être pris par un autre utilisateur : la "
       "fiche n'est pas enregistrée, saisissez-la de nouveau",
       4, "", "ASK NUMNATI 00005", 4},
      {mod + "00001\n" + Card("Mien", ""), "EntImo", Screen(mod + "00001\n" + Card("Sien", "")),
       "la fiche TRANS 00001 a été modifiée par un autre utilisateur depuis que vous l'avez "
       "ouverte",
       4, " = 00001", "SHOW DESCRI Sien", 4},
      {mod + "00002\n" + Card("Mien", ""), "EntImo", Screen(mod + "00002 F6\nCONFIRM yes\n"),
       "la fiche TRANS 00002 a été supprimée par un autre utilisateur", 3, " = 00002",
       "NOTE NUMNATI CREATION", 4},
      {mod + "00003 F6\nCONFIRM yes\n", "EntImo", Screen(mod + "00003\n" + Card("Sien", "")),
       "la fiche TRANS 00003 a été modifiée par un autre utilisateur", 3, " = 00003",
       "SHOW DESCRI Sien", 4},
      {nat + Card("Mien"), "EntNat", "CODNAT = TRANS\nLIBNAT = Transports\nCODNAT =\n",
       "la nature TRANS a été modifiée par un autre utilisateur", 3, "", "ASK NUMNATI 00005", 4},
      {nat + Card("Mien"), "EntImo", Screen(mod + "00050\n" + Card("Sien")), "", 5, "",
       "ASK NUMNATI 00051", 4},
      {nat + "NUMNATI\n" + Card("Mien"), "EntImo", Screen(nat + Card("Sien")),
       "le numéro 00051 vient d'être pris par un autre utilisateur : le numéro suivant vous est "
       "proposé",
       7, " = 00051", "SHOW DESCRI Sien", 3},
      {mod + "00060\n" + Card("Mien", ""), "EntImo", Screen(mod + "00060\n" + Card("Sien")), "", 8,
       " = 00060", "SHOW DESCRI Mien", 3},
  };
  for (const auto& c : cases) {
    platform::SessionOptions options{platform::MakeCompanyStore(data, dir), code, dir / "mine"};
    options.pdf = false;
    platform::Session session(options,
                              std::make_unique<platform::ScriptedInterface>(
                                  platform::Script::FromText(Screen(c.mine)), dir / "mine.t"));
    int waits = 0;
    session.ui().SetBeforeWait([&] {
      session.Commit();
      if (++waits == c.at) {
        company.Run(c.theirs, c.other, "o");
        EXPECT_EQ(company.status, 0) << company.err;
      }
    });
    const std::string message = CauseOf([&] { session.Run("EntImo"); });
    EXPECT_TRUE(message.starts_with(c.message) ||
                FileBytes(dir / "mine.t").find("REFUSED NUMNATI " + c.message) != std::string::npos)
        << c.mine << message;
    EXPECT_EQ(company.Checked(), c.cards) << c.mine;
    EXPECT_NE(company.Run("EntImo", Screen(nat.substr(0, 23) + c.look + "\nDATACQ PGUP\n"), "r")
                  .find(c.shows),
              std::string::npos)
        << c.mine;
  }
}

}  // namespace actifix::testing
