#include "platform/app/TerminalInterface.h"

#include "host/HostError.h"

namespace actifix::platform {

TerminalInterface::TerminalInterface() {
  throw HostError("actifix", "",
                  "l'interface plein écran n'est pas encore disponible ; "
                  "utilisez --script");
}

TerminalInterface::~TerminalInterface() = default;

std::unique_ptr<HostScreen> TerminalInterface::MakeScreen() { return nullptr; }
std::unique_ptr<HostChoiceList> TerminalInterface::MakeChoiceList() { return nullptr; }
std::unique_ptr<HostMessageBox> TerminalInterface::MakeMessageBox() { return nullptr; }
void TerminalInterface::SetBeforeWait(std::function<void()> hook) { beforeWait_ = std::move(hook); }
void TerminalInterface::EditionClosed(const std::string&, const std::filesystem::path&) {}
void TerminalInterface::AnomalyReported(const Anomaly& anomaly) { anomalies_.push_back(anomaly); }
bool TerminalInterface::InterruptRequested() { return false; }
void TerminalInterface::OperationEnded() {}

}  // namespace actifix::platform
