#include "platform/app/MenuCommand.h"

#include <CLI/CLI.hpp>

#include "front/NvImmo.h"
#include "host/HostError.h"
#include "platform/app/ClosedYears.h"
#include "platform/app/Companies.h"
#include "platform/app/Messages.h"
#include "platform/app/Session.h"
#include "platform/app/TerminalInterface.h"
#include "platform/app/YearOpening.h"
#include "platform/screen/Terminal.h"

namespace actifix::platform {

namespace {

int Menu(const GlobalOptions& global) {
  SessionOptions options;
  options.companies = OpenCompanies(global.data);
  options.dataDir = options.companies->FileDirectory();
  options.company = ChooseCompany(*options.companies, global.company);
  options.command = "actifix menu";

  std::vector<std::string> labels;
  for (const NvImmo::MenuEntry& entry : NvImmo::Menu()) labels.push_back(entry.label);
  labels.push_back(kClosedYearsEntry);  // last: the editions of the closed years
  Terminal terminal;
  for (;;) {
    // The title tells the company and its current fiscal year, read anew at each turn.
    const CompanySettings c = options.companies->Settings(options.company);
    const std::string title =
        "Actifix - " + c.code + " " + c.name + " - exercice du " + c.yearStart + " au " + c.yearEnd;
    const int chosen = terminal.RunMenu(title, labels);
    if (chosen < 0) return kExitOk;
    if (static_cast<std::size_t>(chosen) == NvImmo::Menu().size()) {
      ClosedYearsMenu(terminal, options);
      continue;
    }
    const std::string operation = NvImmo::Menu()[chosen].operation;
    try {
      Session session(options, std::make_unique<TerminalInterface>(terminal));
      RunOperation(session, operation, {});
    } catch (const HostError& e) {
      // The operation ends; what it had written is kept. The user reads why and goes on.
      terminal.ShowPager(
          "L'opération " + operation + " s'est arrêtée",
          MessageOf(e) + "\n\nCe qui avait été enregistré avant l'arrêt est conservé.\n");
    }
  }
}

}  // namespace

void AddMenuCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action) {
  CLI::App* menu = root.add_subcommand("menu", "Menu plein écran des opérations du module");
  menu->callback([&global, &action] { action = [&global] { return Menu(global); }; });
}

}  // namespace actifix::platform
