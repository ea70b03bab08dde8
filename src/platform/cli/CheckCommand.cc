#include "platform/cli/CheckCommand.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <memory>

#include "front/NvImmo.h"
#include "platform/screen/Script.h"
#include "platform/session/Companies.h"
#include "platform/session/ScriptedInterface.h"
#include "platform/session/Session.h"
#include "platform/store/Store.h"
#include "platform/tools/RegisterCheck.h"

namespace actifix::platform {

namespace {

void PrintLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
}

void PrintCount(const char* when, const RegisterFindings& found, double seconds) {
  const std::size_t n = found.lines.size();
  std::printf("%s%zu anomalie%s, %lld immobilisation%s vérifiée%s en %.1f s.\n", when, n,
              n > 1 ? "s" : "", static_cast<long long>(found.assets), found.assets > 1 ? "s" : "",
              found.assets > 1 ? "s" : "", seconds);
}

int Check(const GlobalOptions& global, bool repair) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const auto elapsed = [&start] {
    return std::chrono::duration<double>(Clock::now() - start).count();
  };
  SessionOptions options;
  options.companies = OpenCompanies(global.data, global.out);
  options.company = ChooseCompany(*options.companies, global.company);
  options.pdf = false;
  options.command = repair ? "actifix check --repair" : "actifix check";
  // No screen is shown: a script with no answer stops the run if one were asked.
  Session session(options, std::make_unique<ScriptedInterface>(Script::FromText(""), "/dev/null"));
  bool whole = false;
  session.RunWith(
      [&](NvImmo& component) {
        RegisterFindings found = CheckRegister(session.store());
        PrintLines(found.lines);
        PrintCount("", found, elapsed());
        if (repair && !found.lines.empty()) {
          session.Commit();
          const std::filesystem::path backup =
              session.companies().TakeBackup(session.store(), options.company).path;
          std::printf("Sauvegarde interne de l'entreprise %s : %s\n", options.company.c_str(),
                      backup.string().c_str());
          PrintLines(RepairRegister(session.store(), component));
          session.Commit();
          found = CheckRegister(session.store());
          PrintLines(found.lines);
          PrintCount("Après réparation : ", found, elapsed());
        }
        whole = found.lines.empty();
      },
      repair ? CompanyHold::Mode::kExclusive : CompanyHold::Mode::kShared);
  return whole ? kExitOk : ExitStatusOf(ErrorKind::kDamaged);
}

}  // namespace

void AddCheckCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action) {
  auto repair = std::make_shared<bool>(false);
  CLI::App* check = root.add_subcommand(
      "check",
      "Vérifie le registre d'une entreprise : fiches lisibles, clés, natures, codes analytiques, "
      "numéros d'ordre, plans fiscaux (statut 0 si tout est juste, 1 sinon)");
  check->add_flag("--repair", *repair,
                  "Répare après une sauvegarde interne : reconstruit les fichiers de clés, "
                  "relève les numéros d'ordre, ne supprime aucune fiche (seulement un plan "
                  "fiscal sans immobilisation ou en double)");
  WhenChosen(*check, action, [&global, repair] { return Check(global, *repair); });
}

}  // namespace actifix::platform
