// The actifix program: companies, the operations of the module, the menu, the calculator and
// the demo, one sub-command each.
#include <CLI/CLI.hpp>
#include <clocale>
#include <iostream>

#include "host/HostError.h"
#include "platform/app/CalcCommand.h"
#include "platform/app/CheckCommand.h"
#include "platform/app/Command.h"
#include "platform/app/Companies.h"
#include "platform/app/CompanyCommands.h"
#include "platform/app/DemoCommand.h"
#include "platform/app/GenerateCommand.h"
#include "platform/app/GlobalOptions.h"
#include "platform/app/ImportCommand.h"
#include "platform/app/MenuCommand.h"
#include "platform/app/Messages.h"
#include "platform/app/RunCommand.h"
#include "platform/screen/TypedText.h"

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
  app.add_option(
      "--data", global.data,
      "Répertoire des données, ou serveur postgresql://... (défaut : $ACTIFIX_DATA, sinon "
      "./actifix-data)");
  app.add_option("--company", global.company,
                 "Code de l'entreprise (défaut : la première du répertoire)");
  app.add_option("--exercice", global.exercice,
                 "Avec run : exercice clos (année de sa clôture, par exemple 2026) dont "
                 "ListImo, EditImo, EdtPImo ou Tableaux2054 impriment les chiffres, lus en "
                 "lecture seule dans l'archive prise à l'ouverture de l'exercice suivant");

  AddCompanyCommands(app, global, action);
  AddRunCommand(app, global, action);
  AddMenuCommand(app, global, action);
  AddDemoCommand(app, global, action);
  AddGenerateCommand(app, global, action);
  AddCheckCommand(app, global, action);
  AddImportCommand(app, global, action);
  AddCalcCommand(app, action);
  FrenchHelp(app);

  // Every message is one printable French line.
  const auto fail = [](const std::string& message, int status) {
    std::cerr << "actifix : " << Printable(message) << "\n";
    return status;
  };
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e) == 0 ? kExitOk : kExitUsage;
  } catch (const CLI::ParseError& e) {
    return fail(MessageOf(app, e, "actifix"), kExitUsage);
  }
  if (!global.exercice.empty() && !app.got_subcommand("run"))
    return fail("--exercice ne vaut que pour « actifix run » : retirez-le de cette commande.",
                kExitUsage);
  try {
    return action ? action() : kExitUsage;
  } catch (const UserError& e) {
    return fail(e.what(), e.status());
  } catch (const HostError& e) {
    return fail(MessageOf(e), kExitFailure);
  } catch (const std::filesystem::filesystem_error& e) {
    return fail(MessageOf(e), kExitFailure);
  } catch (const std::exception& e) {
    return fail(std::string("erreur inattendue : ") + e.what(), kExitFailure);
  }
}
