#include "support/Concurrency.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iostream>
#include <set>
#include <thread>

#include "host/HostError.h"
#include "platform/app/ScriptedInterface.h"
#include "platform/app/Session.h"
#include "platform/store/CompanyStore.h"
#include "support/TempDir.h"

namespace actifix::testing {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

std::string Card(const std::string& descri, const std::string& rest = "01/07/2026") {
  return "DATACQ" + (rest.empty() ? "" : " = " + rest) + "\nNOMFRN\nDESCRI = " + descri +
         "\nREMIMO\nDATCES\nVALACQ" + (rest.empty() ? "" : " = 1000") + "\nMODAMO" +
         (rest.empty() ? "" : " = L") + "\nTAUX" + (rest.empty() ? "" : " = 20") + "\nDOTAMO\n";
}
std::string Screen(const std::string& cards) { return "CONF\n" + cards + "CODNATI =\n"; }

struct Company {
  std::string program, data, code;
  fs::path dir;
  // `actifix run operation` answering `script`: its transcript; `err` its error stream.
  std::string Run(const std::string& operation, const std::string& script, const std::string& tag,
                  int* status = nullptr, std::string* err = nullptr) const {
    const std::string at = (dir / tag).string();
    std::ofstream(at + ".s") << script;
    fs::remove(at + ".t");
    const int raw = std::system(("'" + program + "' --data '" + data + "' --company " + code +
                                 " run " + operation + " --no-pdf --out '" + at + "ed' --script '" +
                                 at + ".s' --transcript '" + at + ".t' >'" + at + ".o' 2>&1")
                                    .c_str());
    if (status != nullptr) *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (err != nullptr) *err = FileBytes(at + ".o");
    return FileBytes(at + ".t");
  }
  // `actifix check` is clean: the number of assets it counted.
  int Checked() const {
    const std::string out = (dir / "check").string();
    std::system(
        ("'" + program + "' --data '" + data + "' --company " + code + " check >" + out).c_str());
    const std::string text = FileBytes(out);
    EXPECT_EQ(text.rfind("0 anomalie, ", 0), 0u) << text;
    return std::atoi(text.c_str() + text.find(", ") + 2);
  }
};

Company Made(const std::string& program, const std::string& data, const std::string& code,
             const fs::path& dir) {
  platform::MakeCompanyStore(data)->Remove(code);
  std::system(("'" + program + "' --data '" + data + "' company create " + code +
               " --year 01/01/2026 31/12/2026 --work-date 15/03/2026 >/dev/null")
                  .c_str());
  Company company{program, data, code, dir};
  company.Run("LectParamImmo", "LINTANA = []\nCOMPTA = N\n", "p");
  company.Run("EntNat", "CODNAT = TRANS\nLIBNAT = Transport\nCODNAT =\n", "n");
  return company;
}

// One user entering `cards` cards, the screen run again for those refused: 0 when all are in.
// F6 on the proposed number stops the script at a number taken since the nature was read.
int EnterAll(const Company& company, const std::string& tag, int cards) {
  for (int saved = 0, runs = 0, status = 0; saved < cards && runs < 20 * cards; ++runs) {
    std::string script, err;
    for (int i = saved; i < cards; ++i) script += "CODNATI = TRANS\nNUMNATI F6\n" + Card(tag);
    const std::string transcript = company.Run("EntImo", Screen(script), tag, &status, &err);
    for (auto at = transcript.find("MESSAGE Enregistrement"); at != std::string::npos;
         at = transcript.find("MESSAGE Enregistrement", at + 1))
      ++saved;
    if (status != 0 &&
        err.find("vient d'être pris par un autre utilisateur") == std::string::npos &&
        err.find("the screen asks CONFIRM") == std::string::npos)
      return 1;
    if (saved == cards) return 0;
  }
  return 1;
}

// An edition printed meanwhile: its cards add up to its balanced total. Returns its cards.
int Printed(const Company& company, const std::string& tag) {
  int status = 0;
  company.Run("EditImo", "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n0\nMARK 1\n", tag,
              &status);
  EXPECT_EQ(status, 0);
  double va = 0, dot = 0;
  std::set<std::string> orders;
  Json total;
  for (const auto& file : fs::directory_iterator(company.dir / (tag + "ed")))
    for (std::ifstream in(file.path()); file.path().extension() == ".jsonl" && in;) {
      std::string text;
      if (!std::getline(in, text)) break;
      const Json line = Json::parse(text), cells = line.value("cells", Json::object());
      if (line.value("label", "") == " TOTAL") total = cells;
      if (line["kind"] != "line" || !cells.contains("VALACQ")) continue;
      orders.insert(cells["NOMFRN"].get<std::string>());
      va += cells["VALACQ"].get<double>(), dot += cells["DOTAMO"].get<double>();
    }
  fs::remove_all(company.dir / (tag + "ed"));
  const auto n = static_cast<double>(orders.size());
  EXPECT_NEAR(total.value("VA", -1.0), va, 0.005);
  EXPECT_NEAR(total.value("VA", -1.0), 1000 * n, 0.005);
  EXPECT_NEAR(total.value("DOT", -1.0), dot, 0.005);
  EXPECT_NEAR(total.value("VA", -1.0) - total.value("CF", -1.0), total.value("VNC", 0.0), 0.005);
  return static_cast<int>(n);
}

}  // namespace

void TwoUsersEnterCards(const std::string& program, const std::string& data,
                        const std::string& code, const fs::path& dir, int cards) {
  const Company company = Made(program, data, code, dir);
  const auto start = std::chrono::steady_clock::now();
  pid_t users[2];
  for (int u = 0; u < 2; ++u)
    if ((users[u] = fork()) == 0) _exit(EnterAll(company, u == 0 ? "A" : "B", cards));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  int alive = 2, round = 0;
  for (int status = 0; alive > 0; ++round) {
    EXPECT_GT(Printed(company, "e"), 0);
    for (pid_t& user : users)
      if (user > 0 && waitpid(user, &status, WNOHANG) == user) {
        EXPECT_EQ(status, 0);
        user = 0, --alive;
      }
  }
  std::cout << "2 x " << cards << " cards in "
            << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
            << " s, " << round << " editions meanwhile\n";
  EXPECT_EQ(company.Checked(), 2 * cards);
  EXPECT_NE(company.Run("EntImo", Screen("CODNATI = TRANS\nNUMNATI PGUP\n"), "r")
                .find("ASK NUMNATI " + std::to_string(100001 + 2 * cards).substr(1)),
            std::string::npos);
  EXPECT_EQ(Printed(company, "e"), 2 * cards);
}

void ConflictCases(const std::string& program, const std::string& data, const std::string& code,
                   const fs::path& dir) {
  const Company company = Made(program, data, code, dir);
  const std::string nat = "CODNATI = TRANS\nNUMNATI\n", mod = "CODNATI = TRANS\nNUMNATI = ";
  company.Run("EntImo", Screen(nat + Card("Un") + nat + Card("Deux") + nat + Card("Trois")), "i");
  // This user's screen; the other user's run after this one's look-up (4th question); the
  // message this one gets ("": saved); the cards then; what the screen shows of NUMNATI `look`.
  const struct {
    std::string mine, theirs, other, message;
    int cards;
    std::string look, shows;
  } cases[] = {
      {nat + Card("Mien"), "EntImo", Screen(nat + Card("Sien")),
       "le numéro d'ordre 00004 de la nature TRANS vient d'être pris par un autre utilisateur : la "
       "fiche n'est pas enregistrée, saisissez-la de nouveau",
       4, "", "ASK NUMNATI 00005"},
      {mod + "00001\n" + Card("Mien", ""), "EntImo", Screen(mod + "00001\n" + Card("Sien", "")),
       "la fiche TRANS 00001 a été modifiée par un autre utilisateur depuis que vous l'avez "
       "ouverte",
       4, " = 00001", "SHOW DESCRI Sien"},
      {mod + "00002\n" + Card("Mien", ""), "EntImo", Screen(mod + "00002 F6\nCONFIRM yes\n"),
       "la fiche TRANS 00002 a été supprimée par un autre utilisateur", 3, " = 00002",
       "NOTE NUMNATI CREATION"},
      {mod + "00003 F6\nCONFIRM yes\n", "EntImo", Screen(mod + "00003\n" + Card("Sien", "")),
       "la fiche TRANS 00003 a été modifiée par un autre utilisateur", 3, " = 00003",
       "SHOW DESCRI Sien"},
      {nat + Card("Mien"), "EntNat", "CODNAT = TRANS\nLIBNAT = Transports\nCODNAT =\n",
       "la nature TRANS a été modifiée par un autre utilisateur", 3, "", "ASK NUMNATI 00005"},
      {nat + Card("Mien"), "EntImo", Screen(mod + "00050\n" + Card("Sien")), "", 5, "",
       "ASK NUMNATI 00051"},
  };
  for (const auto& c : cases) {
    platform::SessionOptions options{platform::MakeCompanyStore(data), dir, code, dir / "mine"};
    options.pdf = false;
    platform::Session session(options,
                              std::make_unique<platform::ScriptedInterface>(
                                  platform::Script::FromText(Screen(c.mine)), dir / "mine.t"));
    int waits = 0;
    session.ui().SetBeforeWait([&] {
      session.Commit();
      if (++waits == 4) {
        EXPECT_EQ(company.Run(c.theirs, c.other, "o").find("script"), std::string::npos);
      }
    });
    std::string message;
    try {
      session.Run("EntImo");
    } catch (const HostError& error) {
      message = error.cause();
    }
    EXPECT_EQ(message.substr(0, c.message.size()), c.message) << c.mine;
    EXPECT_EQ(company.Checked(), c.cards) << c.mine;
    EXPECT_NE(company.Run("EntImo", Screen(nat.substr(0, 23) + c.look + "\nDATACQ PGUP\n"), "r")
                  .find(c.shows),
              std::string::npos)
        << c.mine;
  }
}

}  // namespace actifix::testing
