#include "platform/app/Session.h"

#include "front/MImmo.h"
#include "front/NvImmo.h"
#include "host/HostError.h"
#include "platform/app/Companies.h"
#include "platform/app/PlatformToolkit.h"
#include "platform/print/EditionEngine.h"
#include "platform/store/CompanyDatabase.h"
#include "platform/store/LedgerFile.h"
#include "platform/store/Store.h"

namespace actifix::platform {

Session::Session(const SessionOptions& options, std::unique_ptr<UserInterface> ui)
    : options_(options), ui_(std::move(ui)) {
  auto database = CompanyDatabase::Open(CompanyDatabasePath(options.dataDir, options.company));
  const CompanySettings settings = database->Settings();
  company_.code = settings.code;
  company_.name = settings.name;
  company_.dataDir = options.dataDir;
  company_.yearStart = settings.yearStart;
  company_.yearEnd = settings.yearEnd;
  company_.workDate = settings.workDate;
  if (options_.outDir.empty()) options_.outDir = options.dataDir / "editions";
  store_ = std::make_unique<Store>(std::move(database));
  ui_->SetBeforeWait([this] { Commit(); });
  ResetModuleState();
  InstallHostFactory(this);
}

Session::~Session() {
  ResetModuleState();
  InstallHostFactory(nullptr);
}

void Session::Run(const std::string& operation) {
  try {
    NvImmo component;
    HostAppObject* appExe = nullptr;
    HostAppObject* fApp = nullptr;
    component.AppImmo(appExe, fApp);
    component.OuvImmo();
    component.LectParamImmo();
    if (operation != "LectParamImmo") component.Call(operation);
  } catch (...) {
    Commit();
    ui_->OperationEnded();
    throw;
  }
  Commit();
  ui_->OperationEnded();
}

void Session::Commit() { store_->Commit(); }

std::unique_ptr<HostStartup> Session::MakeStartup() { return std::make_unique<PlatformStartup>(); }

std::unique_ptr<HostLauncher> Session::MakeLauncher() {
  return std::make_unique<PlatformLauncher>();
}

std::unique_ptr<HostRuntime> Session::MakeRuntime() {
  return std::make_unique<PlatformRuntime>(
      AnomalyLogPath(company_.dataDir, company_.code), [this] { Commit(); },
      [this](const Anomaly& anomaly) {
        anomalies_.push_back(anomaly);
        ui_->AnomalyReported(anomaly);
      });
}

std::unique_ptr<HostToolkit> Session::MakeToolkit() {
  return std::make_unique<PlatformToolkit>(company_, [this] { return edition_; });
}

std::unique_ptr<HostScreen> Session::MakeScreen() { return ui_->MakeScreen(); }
std::unique_ptr<HostChoiceList> Session::MakeChoiceList() { return ui_->MakeChoiceList(); }
std::unique_ptr<HostMessageBox> Session::MakeMessageBox() { return ui_->MakeMessageBox(); }

std::unique_ptr<HostEdition> Session::MakeEdition() {
  EditionOptions options;
  options.outDir = options_.outDir;
  options.company = company_.name;
  options.date = company_.workDate;
  options.interruptAfter = options_.interruptAfter;
  options.pdf = options_.pdf;
  options.onClosed = [this](const std::string& title, const std::filesystem::path& text) {
    ui_->EditionClosed(title, text);
  };
  options.interruptRequested = [this] { return ui_->InterruptRequested(); };
  auto engine = std::make_unique<EditionEngine>(options);
  edition_ = engine.get();
  return engine;
}

std::unique_ptr<HostRecordFile> Session::MakeRecordFile() { return store_->MakeRecordFile(); }
std::unique_ptr<HostKeyedFile> Session::MakeKeyedFile() { return store_->MakeKeyedFile(); }

std::unique_ptr<HostLedgerFile> Session::MakeLedgerFile() {
  return std::make_unique<LedgerFile>(company_.dataDir, company_.code);
}

}  // namespace actifix::platform
