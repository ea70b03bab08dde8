// The face an operation shows the user: the terminal UI for people, or a script with its
// transcript for tests and batch work. The session gets its screens from here and tells it
// of closed editions and anomalies.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "host/HostFactory.h"
#include "platform/session/PlatformRuntime.h"

namespace actifix::platform {

class UserInterface : public HostScreenMaker {
 public:
  // Runs before the module waits for the user (the session commits the store there).
  virtual void SetBeforeWait(std::function<void()> hook) = 0;
  // Whether answers come from a script rather than from someone at the screen.
  virtual bool Scripted() const { return false; }
  virtual void EditionClosed(const std::string& titleUtf8, const std::filesystem::path& text) = 0;
  virtual void AnomalyReported(const Anomaly& anomaly) = 0;
  // Whether the user asked to stop the running edition (Ctrl-C in the terminal).
  virtual bool InterruptRequested() { return false; }
  // A word of the host's to the user, apart from the module's screens (UTF-8).
  virtual void Notice(const std::string& textUtf8) = 0;
  // Where a long walk has got to (UTF-8); the caller draws it a few times a second at most.
  virtual void Progress(const std::string& /*textUtf8*/) {}
  // The operation has ended (normally or not): show what is left to show.
  virtual void OperationEnded() {}
};

}  // namespace actifix::platform
