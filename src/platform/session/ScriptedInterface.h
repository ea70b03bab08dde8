// The scripted face: answers read from a script, everything shown written to a transcript.
#pragma once

#include <memory>

#include "platform/screen/ScriptedScreen.h"
#include "platform/screen/Transcript.h"
#include "platform/session/UserInterface.h"

namespace actifix::platform {

class ScriptedInterface : public UserInterface {
 public:
  // `transcript` empty: the transcript goes to standard output.
  ScriptedInterface(const std::filesystem::path& script, const std::filesystem::path& transcript);
  ScriptedInterface(Script script, const std::filesystem::path& transcript);

  std::unique_ptr<HostScreen> MakeScreen() override;
  std::unique_ptr<HostChoiceList> MakeChoiceList() override;
  std::unique_ptr<HostMessageBox> MakeMessageBox() override;
  void SetBeforeWait(std::function<void()> hook) override;
  bool Scripted() const override { return true; }
  void EditionClosed(const std::string& titleUtf8, const std::filesystem::path& text) override;
  void AnomalyReported(const Anomaly& anomaly) override;
  // On the error output, which is not the transcript: a script's run stays comparable.
  void Notice(const std::string& textUtf8) override;
  // On the error output when it is a terminal, redrawn in place; the line ends before anything
  // else is written and when the operation ends.
  void Progress(const std::string& textUtf8) override;
  void OperationEnded() override { EndProgress(); }
  // After an operation that ended normally: throws ScriptError when the script has lines left.
  void CheckAllRead() { session_->CheckAllRead(); }

 private:
  void EndProgress();

  bool progressShown_ = false;  // a progress line waits for its end
  std::unique_ptr<Transcript> transcript_;
  std::unique_ptr<ScriptedSession> session_;
};

}  // namespace actifix::platform
