#include "platform/cli/RunCommand.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <iostream>

#include "front/Operations.h"
#include "host/HostError.h"
#include "platform/screen/Script.h"
#include "platform/screen/Terminal.h"
#include "platform/screen/TypedText.h"
#include "platform/session/Companies.h"
#include "platform/session/Messages.h"
#include "platform/session/ScriptedInterface.h"
#include "platform/session/Session.h"
#include "platform/session/TerminalInterface.h"
#include "platform/tools/ClosedYears.h"
#include "platform/tools/YearOpening.h"

namespace actifix::platform {

namespace {

struct RunArgs {
  std::string operation;
  std::string script;
  std::string transcript;
  std::string out;
  long interruptAfter = -1;
  bool noPdf = false;
  std::string pdfStyle = "compose";
  OperationOptions operationOptions;
};

// What `run` accepts: the menu's operations, and those run alone that say what they do.
bool Runs(const Operation& operation) { return operation.label != nullptr || operation.note; }

int Run(const GlobalOptions& global, const RunArgs& args) {
  const Operation* operation = FindOperation(args.operation);
  if (operation == nullptr || !Runs(*operation))
    throw UserError(
        "Opération « " + Printable(args.operation) + " » inconnue. Opérations : " +
            OperationNames([](const Operation& o) { return o.label != nullptr; }, " ", " ") + ".",
        ErrorKind::kBadArgument);
  SessionOptions options;
  options.companies = OpenCompanies(global.data, global.out);
  options.company = ChooseCompany(*options.companies, global.company);
  options.editionsDir =
      args.out.empty() ? DefaultEditionsDir(*options.companies) : std::filesystem::path(args.out);
  if (!global.exercice.empty()) {
    options.archive = ChooseArchive(*options.companies, options.company, global.exercice);
    RefuseOnArchive(args.operation, *options.archive);
    // Beside the live editions, not over them.
    if (args.out.empty())
      options.editionsDir = ArchiveOutDir(options.editionsDir, *options.archive);
  }
  CheckWritableDirectory(options.editionsDir, "--out");
  options.interruptAfter = args.interruptAfter;
  options.pdf = !args.noPdf;
  options.gridPdf = args.pdfStyle == "grille";
  options.command = "actifix run " + args.operation;
  options.onlyReads = operation->onArchive;  // what may run on an archive only reads

  if (args.script.empty()) {
    Terminal terminal;
    Session session(options, std::make_unique<TerminalInterface>(terminal));
    RunOperation(session, args.operation, args.operationOptions);
    return kExitOk;
  }
  // The whole script is read and checked before the company is opened: a malformed script
  // writes nothing. A mismatch met later keeps what the run saved before it.
  try {
    Script script = [&] {
      try {
        return Script::FromFile(args.script);
      } catch (const ScriptFileError& e) {
        throw UserError(e.what(), ErrorKind::kBadArgument);
      }
    }();
    auto interface = std::make_unique<ScriptedInterface>(std::move(script), args.transcript);
    ScriptedInterface& scripted = *interface;
    Session session(options, std::move(interface));
    RunOperation(session, args.operation, args.operationOptions);
    scripted.CheckAllRead();
  } catch (const ScriptError& e) {
    std::cerr << Printable(e.what()) << "\n";
    return ExitStatusOf(ErrorKind::kScriptMismatch);
  }
  return kExitOk;
}

}  // namespace

void AddPdfStyleOption(CLI::App& command, std::string& style) {
  command
      .add_option("--pdf", style,
                  "Forme du PDF des éditions : compose (police proportionnelle, montants "
                  "alignés, en-tête courant, défaut) ou grille (le texte sur sa grille)")
      ->check(CLI::IsMember({"compose", "grille"}));
}

void AddRunCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action) {
  auto args = std::make_shared<RunArgs>();
  CLI::App* run = root.add_subcommand("run", "Lance une opération du module");
  std::string operations =
      OperationNames([](const Operation& operation) { return operation.label != nullptr; });
  for (const Operation& operation : Operations())
    if (operation.label == nullptr && operation.note != nullptr)
      operations += std::string(" ; ou ") + operation.name + " (" + operation.note + ")";
  run->add_option("operation", args->operation, operations)->required();
  run->add_option(
      "--script", args->script,
      "Réponses lues dans ce fichier (sans écran) ; sans --script, écran plein terminal");
  run->add_option("--transcript", args->transcript,
                  "Compte rendu de la session scriptée (défaut : sortie standard)");
  run->add_option("--out", args->out, "Répertoire des éditions (défaut : <données>/editions)");
  WholeNumberBetween(*run->add_option("--interrupt-after", args->interruptAfter,
                                      "Interrompt les éditions après N lignes imprimées"),
                     0, INT32_MAX);
  run->add_flag("--no-pdf", args->noPdf, "N'écrit pas les éditions en PDF");
  AddPdfStyleOption(*run, args->pdfStyle);
  run->add_flag("--again", args->operationOptions.again,
                "OuvImo : ouvre l'exercice même déjà ouvert, ou ne venant pas après celui des "
                "cumuls (le cumul des amortissements est augmenté une seconde fois)");
  WhenChosen(*run, action, [&global, args] { return Run(global, *args); });
}

}  // namespace actifix::platform
