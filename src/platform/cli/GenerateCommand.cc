#include "platform/cli/GenerateCommand.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>

#include "front/Front.h"
#include "front/NvImmo.h"
#include "platform/cli/ProgressLine.h"
#include "platform/screen/Script.h"
#include "platform/session/Companies.h"
#include "platform/session/Messages.h"
#include "platform/session/ScriptedInterface.h"
#include "platform/session/Session.h"
#include "platform/store/Store.h"
#include "platform/tools/RegisterGenerator.h"

namespace actifix::platform {

namespace {

constexpr int64_t kMostAssets = 10'000'000;

struct GenerateArgs {
  int64_t assets = 0;
  uint64_t seed = 1;
  bool fiscal = false;  // fiscal plans for a quarter of the cards, the company's option on
};

int Generate(const GlobalOptions& global, const GenerateArgs& args) {
  if (args.assets < 1 || args.assets > kMostAssets)
    throw UserError("Nombre d'immobilisations refusé : de 1 à 10 000 000.",
                    ErrorKind::kBadArgument);
  SessionOptions options;
  options.companies = OpenCompanies(global.data, global.out);
  options.company = ChooseCompany(*options.companies, global.company);
  options.pdf = false;
  options.command = "actifix generate";
  // No screen is shown: a script with no answer stops the run if one were asked.
  Session session(options, std::make_unique<ScriptedInterface>(Script::FromText(""), "/dev/null"));

  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  ProgressLine progress;
  GeneratorOptions generator;
  generator.assets = args.assets;
  generator.seed = args.seed;
  generator.fiscal = args.fiscal;
  generator.progress = [&](int64_t written) {
    progress.Show("Génération du registre :", written, args.assets, "fiches");
  };
  int64_t written = 0;
  // The cards' keys are new order numbers past each nature's running number: written in bulk,
  // in one transaction, so that a run killed or failed halfway leaves no card of it.
  // With --fiscal, the company's option goes on in the same transaction, and the module's
  // files are opened again with it, "Immof" included; the generator adds the option's accounts
  // to the chart.
  session.RunWith([&](NvImmo& component) {
    session.store().SetBulk(true);
    try {
      if (args.fiscal) {
        CompanySettings settings = session.store().Settings();
        settings.fiscal.on = true;
        session.store().SaveSettings(settings);
        session.ReloadCompany();
        OpenModuleFiles(component);
      }
      written = GenerateRegister(generator);
    } catch (...) {
      session.store().Rollback();
      throw;
    }
    session.store().SetBulk(false);
  });
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("Entreprise %s : %lld fiches d'immobilisation générées en %.1f s.\n",
              options.company.c_str(), static_cast<long long>(written), seconds);
  return kExitOk;
}

}  // namespace

void AddGenerateCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action) {
  auto args = std::make_shared<GenerateArgs>();
  CLI::App* generate = root.add_subcommand(
      "generate",
      "Ajoute à une entreprise un registre reproductible de N immobilisations (natures, comptes "
      "et codes analytiques créés s'il le faut)");
  WholeNumberBetween(
      *generate->add_option("--assets", args->assets, "Nombre de fiches à créer (1 à 10 000 000)")
           ->required(),
      1, kMostAssets);
  WholeNumberBetween(*generate->add_option("--seed", args->seed,
                                           "Graine du tirage (défaut : 1) : même graine, même "
                                           "registre"),
                     0, INT64_MAX);
  generate->add_flag("--fiscal", args->fiscal,
                     "Donne un plan fiscal à un quart environ des fiches (linéaire plus court, "
                     "dégressif sur linéaire, quelques exceptionnels) et active l'option plan "
                     "fiscal de l'entreprise, ses trois comptes ajoutés au plan comptable");
  WhenChosen(*generate, action, [&global, args] { return Generate(global, *args); });
}

}  // namespace actifix::platform
