#include "platform/session/Session.h"

#include <chrono>

#include "front/NvImmo.h"
#include "front/Operations.h"
#include "host/Cp1252.h"
#include "host/HostError.h"
#include "platform/fecfile/FecFile.h"
#include "platform/print/EditionEngine.h"
#include "platform/session/Companies.h"
#include "platform/session/ConflictMessage.h"
#include "platform/session/ExportProgress.h"
#include "platform/session/PlatformToolkit.h"
#include "platform/store/LedgerFile.h"
#include "platform/store/Store.h"
#include "platform/store/StoreConflict.h"
#include "platform/xlsx/RegisterSpreadsheet.h"
#include "state/MImmo.h"
#include "state/Records.h"

namespace actifix::platform {

namespace {

// Refuses a company whose parameter records are all another company's: its "Parimo" file
// came from elsewhere, and the screens would ask for the parameters again.
void CheckParameters(Store& store, const std::string& code) {
  bool any = false, ours = false;
  const std::size_t width = static_cast<std::size_t>(ParimoRecord().CEIMO.kWidth);
  CompanySettings found;
  store.ScanRecords("Parimo", [&](int32_t, std::string_view bytes) {
    any = true;
    const std::string_view ceimo = bytes.substr(0, width);
    if (ceimo == code) ours = true;
    if (found.code.empty()) found.code = ToUtf8(ceimo);
  });
  if (any && !ours) CheckIdentity(found, code, "Session.Open", "Parimo");
}

using Clock = std::chrono::steady_clock;
constexpr auto kProgressEvery = std::chrono::milliseconds(200);

}  // namespace

std::filesystem::path DefaultEditionsDir(const CompanyStore& companies) {
  return companies.OutputDir() / "editions";
}

Session::Session(const SessionOptions& options, std::unique_ptr<UserInterface> ui)
    : options_(options), companies_(options.companies), ui_(std::move(ui)) {
  std::shared_ptr<Store> store = options.store       ? options.store
                                 : options.archive   ? companies_->OpenArchive(*options.archive)
                                 : options.onlyReads ? companies_->OpenForReading(options.company)
                                                     : companies_->Open(options.company);
  const CompanySettings settings = store->Settings();
  company_.code = settings.code;
  company_.outputDir = companies_->OutputDir();
  TakeSettings(settings);
  if (options.archive) {
    // The archive was taken once the next year's dates were set: its figures are those of the
    // year that closed, which becomes the current year of this session.
    company_.yearStart = options.archive->closedYear->start;
    company_.yearEnd = options.archive->closedYear->end;
  }
  if (options_.editionsDir.empty()) options_.editionsDir = DefaultEditionsDir(*companies_);
  // A script commits before every question, as a user's session does; to keep that cheap,
  // its commits do not wait for the disk: they survive a kill of the program, not a power
  // loss.
  if (ui_->Scripted()) store->SetPowerSafe(false);
  // Two users saving cards of one nature at once: its running number only goes up.
  store->KeepRunningNumber(
      "Nature", static_cast<int32_t>(NatureRecord().CODNAT.kWidth + NatureRecord().LIBNAT.kWidth),
      static_cast<int32_t>(NatureRecord().NUMNAT.kWidth));
  // A damaged record is named in messages by the fields of its "P" key.
  const auto w = [](std::size_t width) { return static_cast<int32_t>(width); };
  store->NameRecords("Immo", {w(AssetRecord().CODNATI.kWidth), w(AssetRecord().NUMNATI.kWidth)});
  store->NameRecords("Nature", {w(NatureRecord().CODNAT.kWidth)});
  store->NameRecords("Parimo", {w(ParimoRecord().CEIMO.kWidth)});
  store->NameRecords("Pcimo", {w(PcimoRecord().NOCPTCG.kWidth)});
  store->NameRecords("Anaimo", {w(AnaimoRecord().TYPANA.kWidth), w(AnaimoRecord().CODEANA.kWidth)});
  CheckParameters(*store, settings.code);
  store_ = std::move(store);
  ui_->SetBeforeWait([this] { Commit(); });
  ResetModuleState();
  InstallHostFactory(this);
}

Session::~Session() {
  ResetModuleState();
  InstallHostFactory(nullptr);
}

void Session::Run(const std::string& name) {
  const Operation* operation = FindOperation(name);
  if (operation == nullptr) throw HostError("NvImmo", name, "opération inconnue");
  const auto call = [this, operation](NvImmo& component) {
    if (operation->around == Operation::Around::kExportScreen) return Export(component);
    (component.*(operation->call))();
  };
  RunWith(
      [&](NvImmo& component) {
        if (!operation->afterParameters) return call(component);
        component.LectParamImmo();  // may ask for the parameters and write them
        if (!operation->snapshot) return call(component);
        Commit();  // the parameters, when just entered, before the read transaction
        // An edition prints one state of the register, whatever others save meanwhile: one
        // read transaction for the whole operation, which no commit before a question ends.
        struct Snapshot {
          bool& on;
          explicit Snapshot(bool& flag) : on(flag) { on = true; }
          ~Snapshot() { on = false; }
        } snapshot{snapshot_};
        store_->ReadConsistently([&] { call(component); });
      },
      operation->hold == Operation::Hold::kExclusive ? CompanyHold::Mode::kExclusive
                                                     : CompanyHold::Mode::kShared);
}

void Session::Export(NvImmo& component) {
  // The export's lines are counted against the register rather than scrolled; the next
  // operation gets a plain screen.
  MImmo().screen = std::make_unique<ExportScreen>(
      ui_->MakeScreen(), [this](const std::string& text) { ui_->Progress(text); },
      store_->CountEntries("Immo"));
  struct Unwrap {
    ~Unwrap() { MImmo().screen.reset(); }
  } unwrap;
  component.ImmoExcel();
  // The typed spreadsheet, beside the CSV; the user is told where both are.
  const std::filesystem::path xlsx = company_.outputDir / (company_.code + "Immo.xlsx");
  WriteRegisterSpreadsheet(xlsx);
  ui_->Notice("Registre exporté dans " +
              (company_.outputDir / (company_.code + "Immo.csv")).string() + " et " +
              xlsx.string() + ".");
}

void Session::RunWith(const std::function<void(NvImmo&)>& work, CompanyHold::Mode mode) {
  std::unique_ptr<CompanyHold> hold;
  if (holding_)
    mode = holdMode_;          // an operation run inside another goes the outer one's way
  else if (!options_.archive)  // an archive changes for nobody: nothing to wait for
    hold = companies_->Hold(options_.company, holdMode_ = mode, options_.command);
  struct Release {
    bool& holding;
    bool taken;
    ~Release() {
      if (taken) holding = false;
    }
  } release{holding_, hold != nullptr};
  holding_ = true;
  try {
    NvImmo component;
    HostAppObject* appExe = nullptr;
    HostAppObject* fApp = nullptr;
    component.AppImmo(appExe, fApp);
    component.OuvImmo();
    work(component);
  } catch (const StoreConflict& conflict) {
    // A save refused for another user's change: none of it stays, the earlier saves do.
    store_->Rollback();
    Ended();
    throw HostError(ErrorKind::kConflict, conflict.operation(), "", ConflictMessage(conflict));
  } catch (...) {
    // Work shared with others commits at every question, so what is uncommitted is a save in
    // progress: whole or not at all. The year opening and bulk work, alone on the company,
    // keep what they did, as they tell the user.
    if (mode == CompanyHold::Mode::kShared)
      store_->Rollback();
    else
      Commit();
    Ended();
    throw;
  }
  Commit();
  store_->CloseTextFiles();  // a file the operation wrote is complete when it returns
  FlushEditions();
  ui_->OperationEnded();
}

void Session::Ended() {
  try {
    store_->CloseTextFiles();
    FlushEditions();
  } catch (const HostError&) {
    // The operation's own failure is the one to tell.
  }
  ui_->OperationEnded();
}

void Session::Commit() {
  if (!snapshot_ && !commitsHeld_) store_->Commit();
}

void Session::WrapKeyedFile(KeyedFileWrapper wrapper) {
  wrapKeyedFile_ = std::move(wrapper);
  MImmo().keyedFile.reset();  // made again, wrapped, at the module's next call
}

void Session::ReloadCompany() { TakeSettings(store_->Settings()); }

void Session::TakeSettings(const CompanySettings& settings) {
  company_.name = settings.name;
  company_.yearStart = settings.yearStart;
  company_.yearEnd = settings.yearEnd;
  company_.workDate = settings.workDate;
  company_.fiscal = settings.fiscal;
  company_.cumulativesYear = settings.cumulativesYear;
}

void Session::FlushEditions() {
  if (edition_ != nullptr) edition_->Flush();
}

std::unique_ptr<HostStartup> Session::MakeStartup() { return std::make_unique<PlatformStartup>(); }

std::unique_ptr<HostLauncher> Session::MakeLauncher() {
  return std::make_unique<PlatformLauncher>();
}

std::unique_ptr<HostRuntime> Session::MakeRuntime() {
  return std::make_unique<PlatformRuntime>(
      companies_->AnomalyLog(company_.code), [this] { Commit(); },
      [this](const Anomaly& anomaly) {
        anomalies_.push_back(anomaly);
        ui_->AnomalyReported(anomaly);
      });
}

std::unique_ptr<HostToolkit> Session::MakeToolkit() {
  return std::make_unique<PlatformToolkit>(company_, [this] { return edition_; });
}

std::unique_ptr<HostEdition> Session::MakeEdition() {
  // The typeset PDF is drawn after the edition's last line: a drawing that lasts shows its
  // pages, a few times a second.
  auto pdfPage = [this, begun = Clock::time_point(), shown = Clock::time_point()](
                     int page, int pages) mutable {
    const Clock::time_point now = Clock::now();
    if (page == 1) begun = shown = now;  // a drawing done at once shows nothing
    if (now - shown < kProgressEvery && (page < pages || shown == begun)) return;
    shown = now;
    ui_->Progress("Mise en page du PDF : " + std::to_string(page) + " / " + std::to_string(pages) +
                  " pages");
  };
  auto engine = std::make_unique<EditionEngine>(EditionOptions{
      .outDir = options_.editionFiles ? options_.editionsDir : std::filesystem::path(),
      .company = company_.name,
      .date = company_.workDate,
      .interruptAfter = options_.interruptAfter,
      .pdf = options_.pdf,
      .gridPdf = options_.gridPdf,
      .yearStart = company_.yearStart,
      .yearEnd = company_.yearEnd,
      .onClosed = [this](const std::string& title,
                         const std::filesystem::path& text) { ui_->EditionClosed(title, text); },
      .interruptRequested = [this] { return ui_->InterruptRequested(); },
      .onPdfPage = std::move(pdfPage),
      .jsonOut = options_.jsonOut,
      // The tax return's fixed-asset tables also go to a spreadsheet (docs/tables2054.md).
      .csvTitles = {"TABLEAU DES IMMOBILISATIONS ET DES AMORTISSEMENTS"}});
  edition_ = engine.get();
  return engine;
}

std::unique_ptr<HostRecordFile> Session::MakeRecordFile() { return store_->MakeRecordFile(); }
std::unique_ptr<HostKeyedFile> Session::MakeKeyedFile() {
  auto keyed = store_->MakeKeyedFile();
  return wrapKeyedFile_ ? wrapKeyedFile_(std::move(keyed)) : std::move(keyed);
}

namespace {

// The files of a closed year's run (its entries were posted when the year was current) and of
// a reader's (the web view): the live interface file and FEC extract are never touched.
class NoPosting final : public HostLedgerFile, public HostFecFile {
 public:
  bool Posts() const override { return false; }
  void Open() override { Refuse(); }
  void WriteEntry(const LedgerEntry&) override { Refuse(); }
  void WriteLine(const FecLine&) override { Refuse(); }
  void Close() override {}
  void Commit() override {}
  void Discard() override {}

 private:
  [[noreturn]] static void Refuse() {
    throw HostError(ErrorKind::kNotSupported, "HostLedgerFile.Open", "",
                    "les écritures d'un exercice clos lu dans son archive ne sont pas transmises");
  }
};

}  // namespace

std::unique_ptr<HostLedgerFile> Session::MakeLedgerFile() {
  if (options_.archive || !options_.post) return std::make_unique<NoPosting>();
  return std::make_unique<LedgerFile>(company_.outputDir, company_.code);
}

std::unique_ptr<HostFecFile> Session::MakeFecFile() {
  if (options_.archive || !options_.post) return std::make_unique<NoPosting>();
  return std::make_unique<FecFile>(company_.outputDir, company_.code);
}

}  // namespace actifix::platform
