// One user saving asset cards on the card screen for a given time, as bench/server_scale.sh
// starts fifty of them at once: the screen (EntImo) answered by a script, each card saved in
// its own committed transaction and printed (text and JSON lines), as a person's would be.
// A save's time runs from the answer to the card's last field to the end of the commit that
// follows it, before the screen asks for the next card.
// A save refused for another user's change ends the screen's run, as it does for a person, and
// the screen is opened again; a proposed number taken meanwhile, which the screen proposes
// again, is accepted with Enter.
//
//   bench_card_saves DATA CODE SECONDS [NATURE [PAUSE_MS]]   (default MOB, 0)
//
// PAUSE_MS: the user's pause after each save, the time a person takes to type the next card.
//
// Prints "saves N", "refused N" (another user's change), "in_use N" (the company or its write
// lock held past the wait), "renumbered N" (a number proposed again), "seconds S", a line
// "cause N MESSAGE" for each message of a refusal (its numbers as #), then each confirmed
// save's time in milliseconds, one a line after "times".
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench_common.h"
#include "host/HostError.h"
#include "platform/screen/ForwardingScreen.h"
#include "platform/screen/Keys.h"

namespace {

namespace fs = std::filesystem;
using actifix::HostError;
using actifix::bench::Clock;
using namespace actifix::platform;

// The time limit reached between two cards: ends the screen's run with nothing in hand.
struct TimeUp {};

// What one user saw.
struct Tally {
  long refused = 0, inUse = 0, renumbered = 0;
  std::map<std::string, long> causes;  // the message of each refusal, its numbers as #
  std::vector<double> savesMs;
};

// Follows the questions of the card screen: when the card's last answer was given, and when
// the same order number is asked twice in a row (the proposal taken meanwhile).
struct CardWatch {
  std::string lastField;
  Clock::time_point answered;
  bool cardDone = false;  // the last field of a card answered, its save not yet committed
};

class WatchedScreen : public ForwardingScreen {
 public:
  WatchedScreen(std::unique_ptr<actifix::HostScreen> inner, CardWatch& watch, Tally& tally)
      : ForwardingScreen(std::move(inner)), watch_(watch), tally_(tally) {}

  void AskField(const std::string& field, std::string& value, int16_t& key,
                const std::string& choices, const std::string& attribute) override {
    const std::string name = Name(field);
    if (name == "NUMNATI" && watch_.lastField == "NUMNATI") {
      ++tally_.renumbered;  // the user takes the next number the screen proposes
      key = kKeyValidate;
      return;
    }
    watch_.lastField = name;
    ForwardingScreen::AskField(field, value, key, choices, attribute);
    Answered(name);
  }
  void AskDate(const std::string& field, std::string& dateText, int16_t& key, int32_t& day,
               const std::string& attribute) override {
    watch_.lastField = Name(field);
    ForwardingScreen::AskDate(field, dateText, key, day, attribute);
    Answered(watch_.lastField);
  }

 private:
  static std::string Name(const std::string& field) {
    return field.substr(0, field.find_last_not_of(' ') + 1);
  }
  void Answered(const std::string& name) {
    watch_.answered = Clock::now();
    watch_.cardDone = name == "DOTAMO";
  }
  CardWatch& watch_;
  Tally& tally_;
};

// The scripted interface with its screens watched.
class WatchedInterface : public UserInterface {
 public:
  WatchedInterface(std::unique_ptr<ScriptedInterface> inner, CardWatch& watch, Tally& tally)
      : inner_(std::move(inner)), watch_(watch), tally_(tally) {}
  std::unique_ptr<actifix::HostScreen> MakeScreen() override {
    return std::make_unique<WatchedScreen>(inner_->MakeScreen(), watch_, tally_);
  }
  std::unique_ptr<actifix::HostChoiceList> MakeChoiceList() override {
    return inner_->MakeChoiceList();
  }
  std::unique_ptr<actifix::HostMessageBox> MakeMessageBox() override {
    return inner_->MakeMessageBox();
  }
  void SetBeforeWait(std::function<void()> hook) override {
    inner_->SetBeforeWait(std::move(hook));
  }
  bool Scripted() const override { return true; }
  void EditionClosed(const std::string& title, const fs::path& text) override {
    inner_->EditionClosed(title, text);
  }
  void AnomalyReported(const Anomaly& anomaly) override { inner_->AnomalyReported(anomaly); }
  void Notice(const std::string& text) override { inner_->Notice(text); }

 private:
  std::unique_ptr<ScriptedInterface> inner_;
  CardWatch& watch_;
  Tally& tally_;
};

// `cards` cards of `nature` under the numbers proposed, acquired in `year`, then the screen
// left.
std::string Cards(const std::string& nature, const std::string& year, int cards, long first) {
  std::string script = "CONF\n";
  char card[512];
  for (long i = first; i < first + cards; ++i) {
    std::snprintf(card, sizeof card,
                  "CODNATI = %s\nNUMNATI\nDATACQ = %02ld/%02ld/%s\nNOMFRN = Fournisseur %ld\n"
                  "DESCRI = Poste %ld\nREMIMO\nDATCES\n1 = ADM\n2 = AT1\nVALACQ = %ld.50\n"
                  "MODAMO = L\nTAUX = 20\nDOTAMO\n",
                  nature.c_str(), i % 28 + 1, i % 12 + 1, year.c_str(), i, i, 1000 + i % 5000);
    script += card;
  }
  return script + "CODNATI =\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 6 || std::atof(argv[3]) <= 0) {
    std::fprintf(stderr, "usage: %s DATA CODE SECONDS [NATURE [PAUSE_MS]]\n", argv[0]);
    return 2;
  }
  const std::string data = argv[1], code = argv[2], nature = argc > 4 ? argv[4] : "MOB";
  const double seconds = std::atof(argv[3]);
  const std::chrono::milliseconds pause(argc > 5 ? std::atol(argv[5]) : 0);
  char pattern[] = "/tmp/actifix-saves-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const fs::path dir = pattern;
  Tally tally;
  constexpr int kCardsPerRun = 200;
  Clock::time_point start = Clock::now();
  long written = 0;
  int status = 0;
  try {
    // The card screen's runs share the company's store, as one program's screens do.
    const std::shared_ptr<CompanyStore> companies = MakeCompanyStore(data, dir / "files");
    // The cards are acquired in the company's current year, so that the screen asks no
    // cumulative depreciation before it; read on a store of its own, let go at once.
    const std::string year =
        MakeCompanyStore(data, dir / "files")->Settings(code).yearStart.substr(6);
    start = Clock::now();
    for (bool more = true; more;) {
      CardWatch watch;
      SessionOptions options;
      options.companies = companies;
      options.company = code;
      options.editionsDir = dir / "editions";
      options.pdf = false;
      options.command = "bench_card_saves";
      Session session(options, std::make_unique<WatchedInterface>(
                                   std::make_unique<ScriptedInterface>(
                                       Script::FromText(Cards(nature, year, kCardsPerRun, written)),
                                       dir / "transcript"),
                                   watch, tally));
      // The session commits before each question; a card whose last answer came before is
      // then saved for good, and the time limit is looked at between two cards.
      session.ui().SetBeforeWait([&] {
        session.Commit();
        if (watch.cardDone) {
          tally.savesMs.push_back(
              std::chrono::duration<double, std::milli>(Clock::now() - watch.answered).count());
          watch.cardDone = false;
          if (pause.count() > 0) std::this_thread::sleep_for(pause);
        }
        if (actifix::bench::Seconds(start) >= seconds) throw TimeUp{};
      });
      written += kCardsPerRun;
      try {
        session.Run("EntImo");
      } catch (const TimeUp&) {
        more = false;
      } catch (const HostError& error) {
        // A refused save ends the screen; the user opens it again. Anything else is a fault.
        if (error.kind() == actifix::ErrorKind::kConflict)
          ++tally.refused;
        else if (error.kind() == actifix::ErrorKind::kInUse)
          ++tally.inUse;
        else
          throw;
        std::string cause = error.cause();
        for (char& c : cause)
          if (c >= '0' && c <= '9') c = '#';
        ++tally.causes[cause];
      }
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", code.c_str(), error.what());
    status = 1;
  }
  const double elapsed = actifix::bench::Seconds(start);
  std::printf("saves %zu\nrefused %ld\nin_use %ld\nrenumbered %ld\nseconds %.3f\n",
              tally.savesMs.size(), tally.refused, tally.inUse, tally.renumbered, elapsed);
  for (const auto& [cause, count] : tally.causes)
    std::printf("cause %ld %s\n", count, cause.c_str());
  std::printf("times\n");
  for (const double ms : tally.savesMs) std::printf("%.3f\n", ms);
  fs::remove_all(dir);
  return status;
}
