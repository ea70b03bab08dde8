#include "platform/tools/YearOpening.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "front/NvImmo.h"
#include "front/Operations.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "host/HostKeyedFile.h"
#include "platform/session/LocalTime.h"
#include "platform/session/Session.h"
#include "platform/store/CompanyStore.h"
#include "platform/store/Store.h"
#include "platform/tools/ClosedYears.h"

namespace actifix::platform {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kDrawEvery = std::chrono::milliseconds(200);

// What the host learns of the module's walk over the asset key file while it is armed.
struct AssetWalk {
  bool armed = false;
  std::function<void()> onStart;  // the walk begins: the new dates were confirmed
  int64_t seen = 0, total = 0;
  UserInterface* ui = nullptr;
  Clock::time_point drawn;

  void Step() {
    ++seen;
    const Clock::time_point now = Clock::now();
    if (now - drawn < kDrawEvery) return;
    drawn = now;
    ui->Progress("Ouverture de l'exercice : " + std::to_string(seen) + " / " +
                 std::to_string(total) + " immobilisations");
  }
};

// The key-file service with an eye on the walk over "Immo"; everything else passes through.
class WalkWatcher : public HostKeyedFile {
 public:
  WalkWatcher(std::unique_ptr<HostKeyedFile> inner, std::shared_ptr<AssetWalk> walk)
      : inner_(std::move(inner)), walk_(std::move(walk)) {}

  void Open(const int16_t& trueValue, const std::string& name, const int16_t& keyLength,
            const std::string& kind, int16_t& handle) override {
    inner_->Open(trueValue, name, keyLength, kind, handle);
    if (name == "Immo") assets_ = handle;
  }
  void Find(const int16_t& keyHandle, const std::string& key, const int16_t& recordHandle,
            int16_t& found) override {
    inner_->Find(keyHandle, key, recordHandle, found);
  }
  void Insert(const int16_t& keyHandle, const std::string& key, const int16_t& recordHandle,
              int32_t& number) override {
    inner_->Insert(keyHandle, key, recordHandle, number);
  }
  void AddKey(const int16_t& keyHandle, const std::string& key, const int32_t& number) override {
    inner_->AddKey(keyHandle, key, number);
  }
  void Delete(const int16_t& keyHandle, const std::string& key, const int32_t& number,
              const int16_t& recordHandle) override {
    inner_->Delete(keyHandle, key, number, recordHandle);
  }
  void RemoveKey(const int16_t& keyHandle, const std::string& key, const int32_t& number) override {
    inner_->RemoveKey(keyHandle, key, number);
  }
  void Clear(const int16_t& keyHandle) override { inner_->Clear(keyHandle); }
  void First(const int16_t& keyHandle, const int16_t& recordHandle, int16_t& found,
             std::string& key) override {
    const bool watched = walk_->armed && keyHandle == assets_;
    if (watched && walk_->onStart) std::exchange(walk_->onStart, nullptr)();
    inner_->First(keyHandle, recordHandle, found, key);
    if (watched && found != 0) walk_->Step();
  }
  void Next(const int16_t& keyHandle, const int16_t& recordHandle, int16_t& found,
            std::string& key) override {
    inner_->Next(keyHandle, recordHandle, found, key);
    if (walk_->armed && keyHandle == assets_ && found != 0) walk_->Step();
  }
  void ListPrefix(const int16_t& keyHandle, const std::string& prefix, std::string& list) override {
    inner_->ListPrefix(keyHandle, prefix, list);
  }
  void CountPrefix(const int16_t& keyHandle, const std::string& prefix, const int32_t& listed,
                   int32_t& count, std::string& first) override {
    inner_->CountPrefix(keyHandle, prefix, listed, count, first);
  }
  void Close(const int16_t& keyHandle) override { inner_->Close(keyHandle); }

 private:
  std::unique_ptr<HostKeyedFile> inner_;
  std::shared_ptr<AssetWalk> walk_;
  int16_t assets_ = 0;
};

// Refuses, before anything is written, an opening that would add a year's charge to
// cumulatives that already hold it: a year opened already, or a year that does not come
// after the one the cumulatives belong to (the company's year not changed yet).
void RefuseChargeAddedTwice(Store& store, const CompanyContext& company) {
  const std::string opened = store.YearOpened(company.yearStart);
  if (!opened.empty())
    throw HostError(ErrorKind::kConflict, "OuvImo", "",
                    "l'exercice qui commence le " + company.yearStart + " a déjà été ouvert le " +
                        opened +
                        " : une nouvelle ouverture doublerait le cumul des amortissements ; "
                        "changez d'abord l'exercice de l'entreprise (actifix company year " +
                        company.code +
                        " DEBUT FIN), ou relancez avec --again pour la refaire "
                        "quand même");
  const std::string cumulatives = store.Settings().cumulativesYear;
  int32_t start = 0, held = 0;
  HostDates().DayNumber(company.yearStart, start);
  HostDates().DayNumber(cumulatives, held);
  if (start <= held)
    throw HostError(ErrorKind::kConflict, "OuvImo", "",
                    "les cumuls des amortissements sont déjà ceux de l'exercice qui commence le " +
                        cumulatives + ", et l'exercice en cours de l'entreprise commence le " +
                        company.yearStart +
                        " : l'ouverture y ajouterait une seconde fois la dotation de l'exercice. "
                        "Passez d'abord l'entreprise au nouvel exercice (actifix company year " +
                        company.code +
                        " DEBUT FIN), puis relancez l'ouverture ; rien n'a été changé");
}

}  // namespace

std::filesystem::path OpenFiscalYear(Session& session, const OperationOptions& options) {
  auto walk = std::make_shared<AssetWalk>();
  session.WrapKeyedFile([walk](std::unique_ptr<HostKeyedFile> inner) {
    return std::make_unique<WalkWatcher>(std::move(inner), walk);
  });
  std::filesystem::path backup;
  std::optional<PendingBackup> copying;  // from the confirmation of the dates on
  session.RunWith([&](NvImmo& component) {
    session.ReloadCompany();
    const CompanyContext& company = session.company();
    Store& store = session.store();
    if (!options.again) RefuseChargeAddedTwice(store, company);
    const bool reopened = !store.YearOpened(company.yearStart).empty();
    const std::string cumulativesYear = store.Settings().cumulativesYear;
    component.LectParamImmo();
    // Taken once the dates are confirmed, when the module starts its walk, of the register as
    // it stands before its first write, and written beside the walk: an opening left
    // unconfirmed leaves no copy behind, and none is marked done before its copy is whole.
    walk->onStart = [&] {
      session.Commit();
      // The register is not rolled yet: unless this year was opened already, the copy is the
      // archive of the year that closes, kept with that year's dates.
      copying = session.companies().BeginBackup(
          store, company.code,
          !reopened ? std::optional(YearBefore(company.yearStart, cumulativesYear)) : std::nullopt);
      walk->total = session.store().CountEntries("Immo");
      // The walk only rewrites and removes (no new record, no new key): the rewrites may go
      // together, still before anything else reaches the server.
      store.SetBulk(true);
      // From here to the mark, one transaction: a kill or a failure leaves the register as
      // it was, or wholly opened.
      session.HoldCommits(true);
    };
    walk->ui = &session.ui();
    walk->armed = true;
    struct Disarm {  // whatever ends the run: the hooks above die with this scope
      AssetWalk& walk;
      Session& session;
      ~Disarm() {
        walk.armed = false;
        walk.onStart = nullptr;
        session.HoldCommits(false);
        session.store().SetBulk(false);
      }
    } disarm{*walk, session};
    try {
      component.OuvImo();
      if (!copying) return;  // the dates were not confirmed: nothing was written
      backup = copying->Finish().path;
      session.ui().Notice("Sauvegarde interne de l'entreprise " + company.code + " : " +
                          backup.string());
      // The year marked opened and the cumulatives moved to it, with the rolled assets.
      store.HoldWriteLock();
      store.MarkYearOpened(company.yearStart, LocalTimeText("%d/%m/%Y %H:%M:%S"));
      CompanySettings settings = store.Settings();
      settings.cumulativesYear = company.yearStart;
      store.SaveSettings(settings);
      store.Commit();
    } catch (const HostError& error) {
      if (!copying) throw;  // nothing was written
      store.Rollback();
      const std::string what =
          error.subject().empty() ? error.cause() : error.cause() + " (" + error.subject() + ")";
      throw HostError(error.kind(), "OuvImo", "",
                      "l'ouverture de l'exercice s'est arrêtée en cours de route : " + what +
                          ". Rien n'a été changé : le registre est tel qu'avant l'ouverture, et "
                          "l'exercice n'est pas marqué ouvert ; corrigez la cause, puis relancez "
                          "l'ouverture");
    } catch (...) {
      if (copying) store.Rollback();  // whatever stops it, none of the roll stays
      throw;
    }
  });
  return backup;
}

void RunOperation(Session& session, const std::string& operation, const OperationOptions& options) {
  const Operation* described = FindOperation(operation);
  if (described != nullptr && described->around == Operation::Around::kYearOpening) {
    OpenFiscalYear(session, options);
    return;
  }
  session.Run(operation);
}

}  // namespace actifix::platform
