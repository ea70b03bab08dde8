// The terminal face: the ncurses full-screen UI, the closed editions offered in a pager, and
// the anomalies shown when the operation ends.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/screen/Terminal.h"
#include "platform/session/UserInterface.h"

namespace actifix::platform {

class TerminalInterface : public UserInterface {
 public:
  // Starts the operation on a blank entry page.
  // REQUIRES: `terminal` outlives this interface and the screens it makes.
  explicit TerminalInterface(Terminal& terminal);

  std::unique_ptr<HostScreen> MakeScreen() override;
  std::unique_ptr<HostChoiceList> MakeChoiceList() override;
  std::unique_ptr<HostMessageBox> MakeMessageBox() override;
  // The hook runs while this interface lives, never after.
  void SetBeforeWait(std::function<void()> hook) override;
  void EditionClosed(const std::string& titleUtf8, const std::filesystem::path& text) override;
  void AnomalyReported(const Anomaly& anomaly) override;
  bool InterruptRequested() override;
  // Kept and shown with the anomalies when the operation ends.
  void Notice(const std::string& textUtf8) override;
  // On the message line.
  void Progress(const std::string& textUtf8) override;
  void OperationEnded() override;

 private:
  struct ClosedEdition {
    std::string title;
    std::filesystem::path text;
  };

  Terminal& terminal_;
  std::optional<Terminal::WaitHook> waitHook_;
  std::vector<ClosedEdition> editions_;
  std::vector<Anomaly> anomalies_;
  std::vector<std::string> notices_;
};

}  // namespace actifix::platform
