#include "platform/web/EditionJobs.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <random>

#include "host/HostBracketList.h"
#include "host/HostChoiceList.h"
#include "host/HostError.h"
#include "platform/screen/Script.h"
#include "platform/session/Messages.h"
#include "platform/session/ScriptedInterface.h"
#include "platform/session/Session.h"
#include "platform/web/EditionFiles.h"
#include "platform/web/StorePool.h"
#include "platform/web/SvgChart.h"

namespace actifix::platform::web {

using Clock = std::chrono::steady_clock;

struct EditionJobs::Job {
  std::string id;
  std::filesystem::path folder;
  Clock::time_point begun = Clock::now();
  Clock::time_point ended;
  JobStatus status;  // guarded by the jobs' mutex
  std::atomic<bool> interrupt{false};
  std::thread thread;
};

namespace {

std::string NewId() {
  std::random_device random;
  static const char* const kHex = "0123456789abcdef";
  std::string id;
  for (int i = 0; i < 32; ++i) id += kHex[random() & 15];
  return id;
}

// The group selection marks every group: the form has chosen them by its bounds and levels.
class MarkAll : public HostChoiceList {
 public:
  explicit MarkAll(std::unique_ptr<HostChoiceList> inner) : inner_(std::move(inner)) {}
  void Choose(const std::string& title, const std::string& columns, const std::string& rows,
              int32_t& chosen) override {
    inner_->Choose(title, columns, rows, chosen);
  }
  void ChooseSeveral(const std::string& rows, const std::string&, const std::string&,
                     std::string& marks) override {
    int32_t count = 0;
    HostBracketList().Count(rows, count);
    marks = "[";
    for (int32_t i = 1; i <= count; ++i) marks += (i > 1 ? "," : "") + std::to_string(i);
    marks += "]";
  }

 private:
  std::unique_ptr<HostChoiceList> inner_;
};

// The scripted face of a web edition: its progress and its end told to the job.
class WebInterface : public ScriptedInterface {
 public:
  WebInterface(Script script, const std::filesystem::path& transcript,
               std::function<void(const std::string&)> progress, std::atomic<bool>& interrupt)
      : ScriptedInterface(std::move(script), transcript),
        progress_(std::move(progress)),
        interrupt_(interrupt) {}
  std::unique_ptr<HostChoiceList> MakeChoiceList() override {
    return std::make_unique<MarkAll>(ScriptedInterface::MakeChoiceList());
  }
  void Progress(const std::string& textUtf8) override { progress_(textUtf8); }
  void EditionClosed(const std::string& titleUtf8, const std::filesystem::path&) override {
    progress_("Édition « " + titleUtf8 + " » écrite");
  }
  // Asked after each printed line: the lines are counted there.
  bool InterruptRequested() override {
    if (++lines_ % 1000 == 0) progress_("Impression : " + std::to_string(lines_) + " lignes");
    return interrupt_;
  }

 private:
  long lines_ = 0;
  std::function<void(const std::string&)> progress_;
  std::atomic<bool>& interrupt_;
};

}  // namespace

EditionJobs::EditionJobs(std::shared_ptr<CompanyStore> companies, StorePool& stores,
                         std::filesystem::path root, int running, int kept)
    : companies_(std::move(companies)),
      stores_(stores),
      root_(std::move(root)),
      running_(running),
      kept_(kept) {
  std::filesystem::create_directories(root_);
}

EditionJobs::~EditionJobs() {
  stopping_ = true;
  std::list<std::unique_ptr<Job>> jobs;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto& job : jobs_) job->interrupt = true;
    jobs.swap(jobs_);
  }
  for (auto& job : jobs)
    if (job->thread.joinable()) job->thread.join();
}

std::optional<std::string> EditionJobs::Start(const std::string& code, const std::string& operation,
                                              const std::string& script, const std::string& label) {
  const std::lock_guard<std::mutex> lock(mutex_);
  int running = 0;
  for (const auto& job : jobs_) running += job->status.state == JobStatus::State::kRunning;
  if (running >= running_ || stopping_) return std::nullopt;
  // The oldest finished jobs go, with their files, beyond the bound.
  for (auto it = jobs_.begin(); it != jobs_.end() && static_cast<int>(jobs_.size()) >= kept_;) {
    if ((*it)->status.state == JobStatus::State::kRunning) {
      ++it;
      continue;
    }
    if ((*it)->thread.joinable()) (*it)->thread.join();
    std::error_code ignored;
    std::filesystem::remove_all((*it)->folder, ignored);
    it = jobs_.erase(it);
  }
  auto job = std::make_unique<Job>();
  job->id = NewId();
  job->folder = root_ / job->id;
  job->status.company = code;
  job->status.label = label;
  job->status.progress = "Démarrage";
  Job& ref = *job;
  jobs_.push_back(std::move(job));
  ref.thread = std::thread([this, &ref, operation, script] { RunJob(ref, operation, script); });
  return ref.id;
}

void EditionJobs::RunJob(Job& job, const std::string& operation, const std::string& script) {
  const auto tell = [this, &job](const std::string& text) {
    const std::lock_guard<std::mutex> lock(mutex_);
    job.status.progress = text;
  };
  std::string error;
  try {
    std::filesystem::create_directories(job.folder);
    SessionOptions options;
    options.companies = companies_;
    options.company = job.status.company;
    options.store = stores_.Borrow(job.status.company);
    options.editionsDir = job.folder;
    options.post = false;
    options.command = "actifix serve (" + operation + ")";
    Session session(
        options, std::make_unique<WebInterface>(
                     Script::FromText(script), job.folder / "transcript.txt", tell, job.interrupt));
    tell("Calcul de l'édition");
    session.Run(operation);
    // The spreadsheet forms of each edition, from its JSON lines.
    for (const auto& entry : std::filesystem::directory_iterator(job.folder)) {
      const std::filesystem::path& path = entry.path();
      if (path.extension() != ".jsonl") continue;
      std::filesystem::path stem = path;
      stem.replace_extension();
      tell("Tableur : " + stem.filename().string());
      if (!std::filesystem::exists(stem.string() + ".csv"))
        WriteEditionCsv(path, stem.string() + ".csv");
      WriteEditionXlsx(path, stem.string() + ".xlsx");
      // The natures chart, drawn once for every view of the page.
      if (const std::string svg = NaturesChartOf(path); !svg.empty())
        std::ofstream(stem.string() + ".svg") << svg;
    }
  } catch (const HostError& e) {
    error = MessageOf(e);
  } catch (const ScriptError& e) {
    error = std::string("réponses refusées par l'écran : ") + e.what();
  } catch (const std::exception& e) {
    error = std::string("échec de l'édition : ") + e.what();
  }
  std::vector<JobStatus::Edition> editions;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(job.folder, ignored)) {
    if (entry.path().extension() != ".jsonl") continue;
    std::filesystem::path stem = entry.path();
    stem.replace_extension();
    // The edition's own title, its first JSON line's.
    std::ifstream in(entry.path());
    std::string first;
    std::getline(in, first);
    const nlohmann::json event = nlohmann::json::parse(first, nullptr, false);
    std::string title = event.is_object() ? event.value("text", "") : "";
    editions.push_back({title.empty() ? stem.filename().string() : title, stem});
  }
  std::sort(editions.begin(), editions.end(),
            [](const auto& l, const auto& r) { return l.stem < r.stem; });
  const std::lock_guard<std::mutex> lock(mutex_);
  job.ended = Clock::now();
  job.status.editions = std::move(editions);
  job.status.error = error;
  job.status.state = error.empty() ? JobStatus::State::kDone : JobStatus::State::kFailed;
  job.status.progress = error.empty() ? "Terminée" : "Échec";
}

std::optional<JobStatus> EditionJobs::Status(const std::string& id) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& job : jobs_) {
    if (job->id != id) continue;
    JobStatus status = job->status;
    const Clock::time_point end =
        status.state == JobStatus::State::kRunning ? Clock::now() : job->ended;
    status.seconds = std::chrono::duration<double>(end - job->begun).count();
    return status;
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> EditionJobs::File(const std::string& id, std::size_t edition,
                                                       const std::string& kind) const {
  bool known = false;
  for (const char* k : kDownloadKinds) known = known || kind == k;
  if (!known) return std::nullopt;
  const std::optional<JobStatus> status = Status(id);
  if (!status || status->state == JobStatus::State::kRunning || edition >= status->editions.size())
    return std::nullopt;
  std::filesystem::path path = status->editions[edition].stem.string() + "." + kind;
  if (!std::filesystem::is_regular_file(path)) return std::nullopt;
  return path;
}

}  // namespace actifix::platform::web
