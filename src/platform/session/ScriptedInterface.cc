#include "platform/session/ScriptedInterface.h"

#include <unistd.h>

#include <iostream>

namespace actifix::platform {

ScriptedInterface::ScriptedInterface(const std::filesystem::path& script,
                                     const std::filesystem::path& transcript)
    : ScriptedInterface(Script::FromFile(script), transcript) {}

ScriptedInterface::ScriptedInterface(Script script, const std::filesystem::path& transcript)
    : transcript_(transcript.empty() ? std::make_unique<Transcript>(std::cout)
                                     : std::make_unique<Transcript>(transcript)),
      session_(std::make_unique<ScriptedSession>(std::move(script), *transcript_)) {}

std::unique_ptr<HostScreen> ScriptedInterface::MakeScreen() {
  return std::make_unique<ScriptedScreen>(*session_);
}

std::unique_ptr<HostChoiceList> ScriptedInterface::MakeChoiceList() {
  return std::make_unique<ScriptedChoiceList>(*session_);
}

std::unique_ptr<HostMessageBox> ScriptedInterface::MakeMessageBox() {
  return std::make_unique<ScriptedMessageBox>(*session_);
}

// Like a user's, a script's saves are committed before the next question, so that a
// program killed at any moment keeps every save confirmed before. (The session makes those
// commits cheap for a script: see Session.)
void ScriptedInterface::SetBeforeWait(std::function<void()> hook) {
  session_->beforeWait = std::move(hook);
}

void ScriptedInterface::EditionClosed(const std::string& titleUtf8,
                                      const std::filesystem::path& text) {
  EndProgress();
  transcript_->WriteUtf8("EDITION " + titleUtf8 + " -> " + text.filename().string());
}

void ScriptedInterface::Notice(const std::string& textUtf8) {
  EndProgress();
  std::cerr << textUtf8 << "\n";
}

void ScriptedInterface::Progress(const std::string& textUtf8) {
  if (isatty(STDERR_FILENO) == 0) return;
  std::cerr << "\r" << textUtf8 << "\033[K" << std::flush;  // the rest of a longer line erased
  progressShown_ = true;
}

void ScriptedInterface::EndProgress() {
  if (progressShown_) std::cerr << "\n";
  progressShown_ = false;
}

void ScriptedInterface::AnomalyReported(const Anomaly& anomaly) {
  transcript_->WriteUtf8("REPORT " + anomaly.routine + ": " + anomaly.message);
}

}  // namespace actifix::platform
