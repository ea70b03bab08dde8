#include "platform/app/MenuCommand.h"

#include <CLI/CLI.hpp>
#include <filesystem>

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

constexpr const char* kKept = "\n\nCe qui avait été enregistré avant l'arrêt est conservé.\n";

// Why the operation stopped, in the words the program's own exit would use.
std::string WhyStopped() {
  try {
    throw;
  } catch (const HostError& e) {
    return MessageOf(e) + kKept;
  } catch (const UserError& e) {
    return e.what() + std::string(kKept);
  } catch (const std::filesystem::filesystem_error& e) {
    return MessageOf(e) + kKept;
  } catch (const std::exception& e) {
    return std::string("Erreur inattendue : ") + e.what() + kKept +
           "Recommencez l'opération ; si l'erreur revient, signalez-la avec ce message.\n";
  } catch (...) {
    return std::string("Erreur inattendue.") + kKept +
           "Recommencez l'opération ; si l'erreur revient, signalez-la.\n";
  }
}

int Menu(const GlobalOptions& global) {
  SessionOptions options;
  options.companies = OpenCompanies(global.data);
  options.dataDir = options.companies->FileDirectory();
  options.company = ChooseCompany(*options.companies, global.company);
  options.command = "actifix menu";

  std::vector<std::string> labels;
  for (const NvImmo::MenuEntry& entry : NvImmo::Menu()) labels.push_back(entry.label);
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
    if (static_cast<std::size_t>(chosen) == NvImmo::Menu().size())
      return ClosedYearsMenu(terminal, options);
    // One session per operation: it and all it lent the terminal end with the operation.
    Session session(options, std::make_unique<TerminalInterface>(terminal));
    RunOperation(session, NvImmo::Menu()[chosen].operation, {});
  });
  return kExitOk;
}

}  // namespace

void RunMenuLoop(Terminal& terminal, const std::function<std::string()>& title,
                 const std::vector<std::string>& labels, const std::function<void(int)>& run) {
  // The highlight comes back to the entry last chosen: the next step is often the same again.
  for (int chosen = 0;;) {
    chosen = terminal.RunMenu(title(), labels, chosen);
    if (chosen < 0) return;
    std::string why;
    try {
      run(chosen);
    } catch (...) {
      why = WhyStopped();
    }
    // Shown once the operation has let go of everything it held.
    if (!why.empty())
      terminal.ShowPager("L'opération « " + labels[chosen] + " » s'est arrêtée", why);
  }
}

void AddMenuCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action) {
  CLI::App* menu = root.add_subcommand("menu", "Menu plein écran des opérations du module");
  menu->callback([&global, &action] { action = [&global] { return Menu(global); }; });
}

}  // namespace actifix::platform
