// The terminal face: the ncurses full-screen UI, a pager for each closed edition, and the
// anomalies shown when the operation ends.
#pragma once

#include <memory>
#include <vector>

#include "platform/app/UserInterface.h"

namespace actifix::platform {

class TerminalInterface : public UserInterface {
 public:
  TerminalInterface();
  ~TerminalInterface() override;

  std::unique_ptr<HostScreen> MakeScreen() override;
  std::unique_ptr<HostChoiceList> MakeChoiceList() override;
  std::unique_ptr<HostMessageBox> MakeMessageBox() override;
  void SetBeforeWait(std::function<void()> hook) override;
  void EditionClosed(const std::string& titleUtf8, const std::filesystem::path& text) override;
  void AnomalyReported(const Anomaly& anomaly) override;
  bool InterruptRequested() override;
  void OperationEnded() override;

 private:
  std::function<void()> beforeWait_;
  std::vector<Anomaly> anomalies_;
};

}  // namespace actifix::platform
