// One run of the module for one company: the company's store, the user interface, the
// edition engine and the services the module asks for, wired together. The session is the
// HostFactory of its thread while it lives.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/HostFactory.h"
#include "host/HostFecFile.h"
#include "platform/session/CompanyContext.h"
#include "platform/session/PlatformRuntime.h"
#include "platform/session/UserInterface.h"
#include "platform/store/CompanyStore.h"

namespace actifix {
class NvImmo;
}

namespace actifix::platform {

class EditionEngine;
class Store;

struct SessionOptions {
  // Where the company lives; its output folder takes the interface file, exports, editions.
  std::shared_ptr<CompanyStore> companies;
  std::string company;                // a valid code of an existing company
  std::filesystem::path editionsDir;  // empty: DefaultEditionsDir
  long interruptAfter = -1;           // stop editions after that many printed lines (tests)
  bool pdf = true;
  bool gridPdf = false;             // the PDF on the text's grid (--pdf grille) rather than typeset
  std::string command = "actifix";  // what this program does, named to one it keeps waiting
  // The run only reads the register (an edition, the export): the store is opened for reading.
  bool onlyReads = false;
  // A closed year's archive of the company to read instead of the company itself: opened read
  // only, under the closed year's dates; its ledger entries are posted nowhere.
  std::optional<Backup> archive = std::nullopt;
  // False for a reader that only looks (the web view): its editions post no ledger entry, so
  // that the interface file and the FEC extract stay the terminal's.
  bool post = true;
  // False: editions go to no file, only to `jsonOut` when it is set (a page built from them).
  bool editionFiles = true;
  std::ostream* jsonOut = nullptr;  // the JSON lines of every edition, also, as printed
  // An open store of the company to work on rather than opening one (a server keeps its
  // stores open: an opening checks the whole database). REQUIRES: no other user meanwhile.
  std::shared_ptr<Store> store = nullptr;
};

// Where editions go when no --out is given: <output folder>/editions.
std::filesystem::path DefaultEditionsDir(const CompanyStore& companies);

class Session : public HostFactory {
 public:
  // Opens the company's store. Throws HostError when it is not an Actifix company.
  Session(const SessionOptions& options, std::unique_ptr<UserInterface> ui);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Attaches the module, opens its files, loads the parameters and runs the operation called
  // `name`, as its row of the table of operations (front/Operations.h) says: the company held
  // exclusively for the year opening, shared for the others, so that several users enter cards
  // and print at once (docs/formats.md); an edition or the export reads one consistent state
  // of the register (Store::ReadConsistently). Throws HostError for a name not in the table.
  void Run(const std::string& name);
  // The same around other work of the platform's over the module's files and state: the
  // component is attached and its files open; the parameters are not loaded yet.
  // An operation run inside another keeps the hold the outer one took.
  // What was written is committed when the work ends. When it fails: a save refused for
  // another user's change (StoreConflict) is rolled back and told in French; otherwise work
  // held shared rolls back its save in progress, and work held exclusively commits what it did.
  void RunWith(const std::function<void(NvImmo&)>& work,
               CompanyHold::Mode mode = CompanyHold::Mode::kExclusive);

  void Commit();
  // While held, the commits that the module's calls bring (at Enter and Leave, before a
  // question) wait: what is written meanwhile is committed in one piece by the caller's
  // Store::Commit, or abandoned by its Store::Rollback.
  void HoldCommits(bool held) { commitsHeld_ = held; }
  // Reads the company's settings (fiscal year, working date) again from its store, so
  // that what the module asks next follows a change made since the session began.
  void ReloadCompany();
  // Wraps the key-file service of the module from its next use on, so that the platform can
  // watch the module's walks (the store's handles stay valid).
  using KeyedFileWrapper =
      std::function<std::unique_ptr<HostKeyedFile>(std::unique_ptr<HostKeyedFile>)>;
  void WrapKeyedFile(KeyedFileWrapper wrapper);
  // Writes the edition documents the operation left open for more of the same title.
  void FlushEditions();
  // Makes start - end the current fiscal year of this session alone, leaving the company's
  // store as it is: tests that compute over many fiscal years.
  void SetYear(const std::string& start, const std::string& end) {
    company_.yearStart = start;
    company_.yearEnd = end;
  }
  const CompanyContext& company() const { return company_; }
  const std::vector<Anomaly>& anomalies() const { return anomalies_; }
  UserInterface& ui() { return *ui_; }
  Store& store() { return *store_; }
  CompanyStore& companies() { return *companies_; }

  // The host's own services, over the company.
  std::unique_ptr<HostStartup> MakeStartup() override;
  std::unique_ptr<HostLauncher> MakeLauncher() override;
  std::unique_ptr<HostRuntime> MakeRuntime() override;
  std::unique_ptr<HostToolkit> MakeToolkit() override;
  // What the user sees, from the user interface; the editions, from the edition engine.
  std::unique_ptr<HostScreen> MakeScreen() override { return ui_->MakeScreen(); }
  std::unique_ptr<HostChoiceList> MakeChoiceList() override { return ui_->MakeChoiceList(); }
  std::unique_ptr<HostMessageBox> MakeMessageBox() override { return ui_->MakeMessageBox(); }
  std::unique_ptr<HostEdition> MakeEdition() override;
  // The files, from the company's store and its output folder.
  std::unique_ptr<HostRecordFile> MakeRecordFile() override;
  std::unique_ptr<HostKeyedFile> MakeKeyedFile() override;
  std::unique_ptr<HostLedgerFile> MakeLedgerFile() override;
  std::unique_ptr<HostFecFile> MakeFecFile() override;

 private:
  SessionOptions options_;
  // The company's name, fiscal year and working date, from its settings.
  void TakeSettings(const CompanySettings& settings);
  // Ends a failed operation: its text files and editions closed, the interface told.
  void Ended();
  // Runs the register export (ImmoExcel) with its progress, then writes its typed spreadsheet.
  void Export(NvImmo& component);

  bool holding_ = false;  // the company is held by a running operation
  CompanyHold::Mode holdMode_ = CompanyHold::Mode::kExclusive;
  bool snapshot_ = false;     // an edition reads in one transaction: commits wait for its end
  bool commitsHeld_ = false;  // HoldCommits
  CompanyContext company_;
  std::shared_ptr<CompanyStore> companies_;
  std::shared_ptr<Store> store_;
  // Declared after the store, so gone before it: with it goes the hook that commits the store
  // before each question (UserInterface::SetBeforeWait), which must never outlive the session.
  std::unique_ptr<UserInterface> ui_;
  EditionEngine* edition_ = nullptr;  // owned by the module state once made
  std::vector<Anomaly> anomalies_;
  KeyedFileWrapper wrapKeyedFile_;
};

}  // namespace actifix::platform
