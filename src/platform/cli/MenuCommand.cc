#include "platform/cli/MenuCommand.h"

#include <CLI/CLI.hpp>
#include <filesystem>

#include "front/Operations.h"
#include "platform/screen/Terminal.h"
#include "platform/session/Companies.h"
#include "platform/session/MenuLoop.h"
#include "platform/session/Session.h"
#include "platform/session/TerminalInterface.h"
#include "platform/tools/ClosedYears.h"
#include "platform/tools/YearOpening.h"

namespace actifix::platform {

namespace {

int Menu(const GlobalOptions& global) {
  SessionOptions options;
  options.companies = OpenCompanies(global.data, global.out);
  options.company = ChooseCompany(*options.companies, global.company);
  options.command = "actifix menu";

  std::vector<std::string> labels, operations;
  for (const Operation& operation : Operations())
    if (operation.label != nullptr) {
      labels.push_back(operation.label);
      operations.push_back(operation.name);
    }
  labels.push_back(kClosedYearsEntry);  // last: the editions of the closed years
  // The title tells the company and its current fiscal year, read anew at each turn; the code
  // alone while the company cannot be read (another user's opening holds it).
  const auto title = [&options] {
    std::string text = "Actifix - " + options.company;
    try {
      const CompanySettings c = options.companies->Settings(options.company);
      text += " " + c.name + " - exercice du " + c.yearStart + " au " + c.yearEnd;
    } catch (const std::exception&) {
    }
    return text;
  };
  Terminal terminal;
  RunMenuLoop(terminal, title, labels, [&](int chosen) {
    if (static_cast<std::size_t>(chosen) == operations.size())
      return ClosedYearsMenu(terminal, options);
    // One session per operation: it and all it lent the terminal end with the operation.
    Session session(options, std::make_unique<TerminalInterface>(terminal));
    RunOperation(session, operations[static_cast<std::size_t>(chosen)], {});
  });
  return kExitOk;
}

}  // namespace

void AddMenuCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action) {
  CLI::App* menu = root.add_subcommand("menu", "Menu plein écran des opérations du module");
  WhenChosen(*menu, action, [&global] { return Menu(global); });
}

}  // namespace actifix::platform
