#include "platform/app/ScriptedInterface.h"

#include <chrono>
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

// A script is batch work: nobody waits at the screen, so its writes are committed at most
// once a second (and when the operation ends) rather than before every answer.
void ScriptedInterface::SetBeforeWait(std::function<void()> hook) {
  using Clock = std::chrono::steady_clock;
  session_->beforeWait = [hook = std::move(hook), last = Clock::now()]() mutable {
    const Clock::time_point now = Clock::now();
    if (now - last < std::chrono::seconds(1)) return;
    last = now;
    hook();
  };
}

void ScriptedInterface::EditionClosed(const std::string& titleUtf8,
                                      const std::filesystem::path& text) {
  transcript_->WriteUtf8("EDITION " + titleUtf8 + " -> " + text.filename().string());
}

void ScriptedInterface::AnomalyReported(const Anomaly& anomaly) {
  transcript_->WriteUtf8("REPORT " + anomaly.routine + ": " + anomaly.message);
}

}  // namespace actifix::platform
