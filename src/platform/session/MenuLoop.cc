#include "platform/session/MenuLoop.h"

#include <exception>
#include <filesystem>

#include "host/HostError.h"
#include "platform/base/UserError.h"
#include "platform/screen/Terminal.h"
#include "platform/session/Messages.h"

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

}  // namespace actifix::platform
