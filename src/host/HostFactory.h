// How the module gets its host service objects: the host installs a factory before it
// creates the component, and the module creates each service on first use from it.
#pragma once

#include <memory>

#include "host/HostChoiceList.h"
#include "host/HostEdition.h"
#include "host/HostKeyedFile.h"
#include "host/HostLauncher.h"
#include "host/HostLedgerFile.h"
#include "host/HostMessageBox.h"
#include "host/HostRecordFile.h"
#include "host/HostRuntime.h"
#include "host/HostScreen.h"
#include "host/HostStartup.h"
#include "host/HostToolkit.h"

namespace actifix {

class HostFecFile;

// The makers of what the user sees: the factory's, which a host's user interface provides.
class HostScreenMaker {
 public:
  virtual ~HostScreenMaker() = default;
  virtual std::unique_ptr<HostScreen> MakeScreen() = 0;
  virtual std::unique_ptr<HostChoiceList> MakeChoiceList() = 0;
  virtual std::unique_ptr<HostMessageBox> MakeMessageBox() = 0;
};

class HostFactory : public HostScreenMaker {
 public:
  virtual std::unique_ptr<HostStartup> MakeStartup() = 0;
  virtual std::unique_ptr<HostLauncher> MakeLauncher() = 0;
  virtual std::unique_ptr<HostRuntime> MakeRuntime() = 0;
  virtual std::unique_ptr<HostToolkit> MakeToolkit() = 0;
  virtual std::unique_ptr<HostEdition> MakeEdition() = 0;
  virtual std::unique_ptr<HostRecordFile> MakeRecordFile() = 0;
  virtual std::unique_ptr<HostKeyedFile> MakeKeyedFile() = 0;
  virtual std::unique_ptr<HostLedgerFile> MakeLedgerFile() = 0;
  // The writer of the FEC extract (src/fec). A host that has none throws HostError.
  virtual std::unique_ptr<HostFecFile> MakeFecFile();
};

// Installs the factory of this thread's host (nullptr removes it). The factory must outlive
// the module state built from it: call ResetModuleState before installing another one.
void InstallHostFactory(HostFactory* factory);
// REQUIRES: a factory installed on this thread; throws HostError otherwise.
HostFactory& InstalledHostFactory();

}  // namespace actifix
