#include "platform/cli/ImportCommand.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>

#include "front/NvImmo.h"
#include "platform/cli/ProgressLine.h"
#include "platform/import/RegisterImport.h"
#include "platform/screen/Script.h"
#include "platform/session/Companies.h"
#include "platform/session/ScriptedInterface.h"
#include "platform/session/Session.h"
#include "platform/store/Store.h"
#include "state/MImmo.h"

namespace actifix::platform {

namespace {

struct ImportArgs {
  std::string file;
  bool dryRun = false;
};

// Whether the company has its parameters: without them the module would ask for them.
bool HasParameters() {
  const MImmoState& m = MImmo();
  std::string code;
  Toolkit().CompanyPrefix(code);
  int16_t found = 0;
  KeyedFile().Find(m.kParimo, code, m.fParimo, found);
  return found != 0;
}

int Import(const GlobalOptions& global, const ImportArgs& args) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  SessionOptions options;
  options.companies = OpenCompanies(global.data, global.out);
  options.company = ChooseCompany(*options.companies, global.company);
  options.pdf = false;
  options.command = args.dryRun ? "actifix import --dry-run" : "actifix import";
  // No screen is shown: a script with no answer stops the run if one were asked.
  Session session(options, std::make_unique<ScriptedInterface>(Script::FromText(""), "/dev/null"));

  ProgressLine progress;
  ImportOptions request;
  request.file = args.file;
  request.dryRun = args.dryRun;
  request.progress = [&](const char* phase, int64_t done, int64_t total) {
    progress.Show(phase, done, total, "lignes");
  };
  ImportResult result;
  session.RunWith(
      [&](NvImmo& component) {
        if (!HasParameters())
          throw UserError("l'entreprise " + options.company +
                              " n'a pas encore ses paramètres : lancez d'abord actifix run EntPar",
                          ErrorKind::kNotFound);
        component.LectParamImmo();
        // What is checked stays as checked until the commit.
        if (!args.dryRun) session.store().HoldWriteLock();
        // Every line is checked, its key against the register and the other lines, before
        // the first is written: the writes go in bulk.
        session.store().SetBulk(true);
        try {
          result = ImportRegister(request);
        } catch (...) {
          session.store().SetBulk(false);
          session.store().Rollback();
          throw;
        }
        session.store().SetBulk(false);
        if (!result.faults.empty()) session.store().Rollback();
      },
      args.dryRun ? CompanyHold::Mode::kShared : CompanyHold::Mode::kExclusive);

  for (const std::string& fault : result.faults) std::printf("%s\n", fault.c_str());
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const long long n = static_cast<long long>(result.assets);
  if (!result.faults.empty()) {
    std::printf("%zu ligne%s refusée%s sur %lld : rien n'est importé.\n", result.faults.size(),
                result.faults.size() > 1 ? "s" : "", result.faults.size() > 1 ? "s" : "", n);
    return ExitStatusOf(ErrorKind::kInvalidInput);
  }
  if (args.dryRun)
    std::printf("%lld ligne%s vérifiée%s sans erreur en %.1f s ; rien n'est écrit (--dry-run).\n",
                n, n > 1 ? "s" : "", n > 1 ? "s" : "", seconds);
  else
    std::printf("Entreprise %s : %lld immobilisation%s importée%s en %.1f s.\n",
                options.company.c_str(), n, n > 1 ? "s" : "", n > 1 ? "s" : "", seconds);
  return kExitOk;
}

}  // namespace

void AddImportCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action) {
  auto args = std::make_shared<ImportArgs>();
  CLI::App* command = root.add_subcommand(
      "import",
      "Importe un registre au format de l'export (FICHIER ;-séparé, Windows-1252 ou UTF-8) : "
      "toutes les lignes vérifiées, puis toutes enregistrées, ou aucune");
  command->add_option("FICHIER", args->file, "Fichier à importer")->required();
  command->add_flag("--dry-run", args->dryRun, "Vérifie seulement, n'écrit rien");
  WhenChosen(*command, action, [&global, args] { return Import(global, *args); });
}

}  // namespace actifix::platform
