// The actifix program: companies, the operations of the module, the menu, the calculator and
// the demo, one sub-command each.
#include <CLI/CLI.hpp>
#include <clocale>
#include <iostream>

#include "host/HostError.h"
#include "platform/app/CalcCommand.h"
#include "platform/app/Command.h"
#include "platform/app/Companies.h"
#include "platform/app/CompanyCommands.h"
#include "platform/app/DemoCommand.h"
#include "platform/app/GenerateCommand.h"
#include "platform/app/GlobalOptions.h"
#include "platform/app/MenuCommand.h"
#include "platform/app/RunCommand.h"

using namespace actifix;
using namespace actifix::platform;

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  GlobalOptions global;
  CommandAction action;

  CLI::App app{
      "Actifix : registre des immobilisations, amortissements, éditions, écritures comptables."};
  app.fallthrough();
  app.require_subcommand(1);
  app.set_help_flag("-h,--help", "Affiche cette aide");
  app.add_option("--data", global.data,
                 "Répertoire des données (défaut : $ACTIFIX_DATA, sinon ./actifix-data)");
  app.add_option("--company", global.company,
                 "Code de l'entreprise (défaut : la première du répertoire)");

  AddCompanyCommands(app, global, action);
  AddRunCommand(app, global, action);
  AddMenuCommand(app, global, action);
  AddDemoCommand(app, global, action);
  AddGenerateCommand(app, global, action);
  AddCalcCommand(app, action);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? kExitOk : kExitUsage;
  }
  try {
    return action ? action() : kExitUsage;
  } catch (const UserError& e) {
    std::cerr << "actifix : " << e.what() << "\n";
    return e.status();
  } catch (const HostError& e) {
    // Plain words first; what it was working on in brackets.
    const std::string& subject = e.subject().empty() ? e.operation() : e.subject();
    std::cerr << "actifix : " << e.cause() << " (" << subject << ")\n";
    return kExitFailure;
  } catch (const std::exception& e) {
    std::cerr << "actifix : erreur inattendue : " << e.what() << "\n";
    return kExitFailure;
  }
}
