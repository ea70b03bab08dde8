// The actifix program, one sub-command per task: companies, the operations of the module, the
// menu, the demo, the register's tools (generate, check, import) and the calculator.
#include <CLI/CLI.hpp>
#include <clocale>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <vector>

#include "host/HostError.h"
#include "platform/cli/CalcCommand.h"
#include "platform/cli/CheckCommand.h"
#include "platform/cli/Command.h"
#include "platform/cli/CompanyCommands.h"
#include "platform/cli/DemoCommand.h"
#include "platform/cli/GenerateCommand.h"
#include "platform/cli/GlobalOptions.h"
#include "platform/cli/ImportCommand.h"
#include "platform/cli/MenuCommand.h"
#include "platform/cli/RunCommand.h"
#include "platform/cli/ServeCommand.h"
#include "platform/screen/TypedText.h"
#include "platform/session/Companies.h"
#include "platform/session/LocalTime.h"
#include "platform/session/Messages.h"
#include "platform/store/CompanyStore.h"
#include "platform/store/WritePath.h"
#include "platform/tools/ClosedYears.h"

using namespace actifix;
using namespace actifix::platform;

namespace {

// The technical detail of a failure goes to the anomaly log of the company named or found
// first, when its directory is there; nothing is made for it, and nothing is told when it
// cannot be written (--verbose shows it).
void LogDetail(const GlobalOptions& global, const std::string& operation,
               const std::string& detail) {
  try {
    const std::shared_ptr<CompanyStore> companies = OpenCompanies(global.data, global.out);
    std::string code = global.company;
    if (code.empty()) {
      const std::vector<std::string> codes = companies->Codes();
      if (codes.empty()) return;
      code = codes.front();
    }
    const std::filesystem::path path = companies->AnomalyLog(code);
    if (!std::filesystem::is_directory(path.parent_path())) return;
    std::ofstream log;
    OpenNoFollow(log, path, WriteMode::kAppend, "HostRuntime.Report");
    log << LocalTimeText("%d/%m/%Y %H:%M:%S") << " " << operation << " : " << detail << "\n";
  } catch (const std::exception&) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  GlobalOptions global;
  if (const char* out = std::getenv("ACTIFIX_OUT"); out != nullptr) global.out = out;
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
                 "Avec run : exercice clos (année de sa clôture, par exemple 2026) dont " +
                     ArchiveOperationNames() +
                     " impriment les chiffres, lus en lecture seule dans l'archive prise à "
                     "l'ouverture de l'exercice suivant");
  app.add_flag("--verbose", global.verbose,
               "En cas d'échec, affiche aussi le détail technique (texte du pilote de la base)");

  AddCompanyCommands(app, global, action);
  AddRunCommand(app, global, action);
  AddMenuCommand(app, global, action);
  AddDemoCommand(app, global, action);
  AddGenerateCommand(app, global, action);
  AddCheckCommand(app, global, action);
  AddImportCommand(app, global, action);
  AddServeCommand(app, global, action);
  AddCalcCommand(app, action);
  FrenchHelp(app);

  // Every address given (--data, --to, $ACTIFIX_DATA): no line shows a password of theirs.
  std::vector<std::string> addresses(argv + 1, argv + argc);
  if (const char* env = std::getenv("ACTIFIX_DATA"); env != nullptr) addresses.emplace_back(env);
  const auto hide = [&addresses](std::string text) {
    for (const std::string& address : addresses) text = WithoutPasswords(text, address);
    return text;
  };
  // Every message is one printable French line.
  const auto fail = [&hide](const std::string& message, ErrorKind kind) {
    std::cerr << "actifix : " << Printable(hide(message)) << "\n";
    return ExitStatusOf(kind);
  };
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e) == 0 ? kExitOk : ExitStatusOf(ErrorKind::kBadArgument);
  } catch (const CLI::ParseError& e) {
    return fail(MessageOf(app, e, "actifix"), ErrorKind::kBadArgument);
  }
  if (!global.exercice.empty() && !app.got_subcommand("run"))
    return fail("--exercice ne vaut que pour « actifix run » : retirez-le de cette commande.",
                ErrorKind::kBadArgument);
  try {
    return action ? action() : ExitStatusOf(ErrorKind::kBadArgument);
  } catch (const UserError& e) {
    return fail(e.what(), e.kind());
  } catch (const HostError& e) {
    // The user's line is French; the driver's own words go to the log, and with --verbose here.
    const int status = fail(MessageOf(e), e.kind());
    if (!e.detail().empty()) {
      const std::string detail = hide(e.detail());
      LogDetail(global, e.operation(), detail);
      if (global.verbose) std::cerr << "actifix : détail : " << Printable(detail) << "\n";
    }
    return status;
  } catch (const std::filesystem::filesystem_error& e) {
    return fail(MessageOf(e), ErrorKind::kIo);
  } catch (const std::exception& e) {
    const int status = fail("erreur inattendue : l'opération est arrêtée", ErrorKind::kFailed);
    if (global.verbose) std::cerr << "actifix : détail : " << Printable(hide(e.what())) << "\n";
    return status;
  }
}
