// The relay: events copied into batches by the engine's thread, played by the relay's own.
#include "platform/print/RendererRelay.h"

#include <algorithm>

namespace actifix::platform {

namespace {
std::vector<EditionRenderer*> WithoutNulls(std::vector<EditionRenderer*> renderers) {
  std::erase(renderers, nullptr);
  return renderers;
}
}  // namespace

RendererRelay::RendererRelay(std::vector<EditionRenderer*> renderers)
    : renderers_(WithoutNulls(std::move(renderers))),
      filling_(std::make_unique<Batch>()),
      worker_([this] { Work(); }) {}

RendererRelay::~RendererRelay() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    queued_.clear();
  }
  changed_.notify_all();
  worker_.join();
}

RendererRelay::Event& RendererRelay::Add(Kind kind) {
  if (filling_->used == kBatchEvents) HandOver();
  std::vector<Event>& events = filling_->events;
  if (events.size() == filling_->used) events.emplace_back();
  Event& event = events[filling_->used++];
  event.kind = kind;
  return event;
}

void RendererRelay::HandOver() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return queued_.size() < kBatchesQueued || failure_; });
  if (failure_) std::rethrow_exception(failure_);
  queued_.push_back(std::move(filling_));
  if (spare_.empty()) {
    filling_ = std::make_unique<Batch>();
  } else {
    filling_ = std::move(spare_.back());
    spare_.pop_back();
  }
  changed_.notify_all();
}

void RendererRelay::Drain() {
  if (filling_->used > 0) HandOver();
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return (queued_.empty() && !playing_) || failure_; });
  if (failure_) std::rethrow_exception(failure_);
}

void RendererRelay::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stop_ || !queued_.empty(); });
    if (queued_.empty()) return;
    std::unique_ptr<Batch> batch = std::move(queued_.front());
    queued_.pop_front();
    playing_ = true;
    const bool failed = failure_ != nullptr;
    lock.unlock();
    std::exception_ptr failure;
    if (!failed) try {
        for (std::size_t i = 0; i < batch->used; ++i) Play(batch->events[i]);
      } catch (...) {
        failure = std::current_exception();
      }
    batch->used = 0;
    lock.lock();
    if (failure) failure_ = failure;
    playing_ = false;
    spare_.push_back(std::move(batch));
    changed_.notify_all();
  }
}

void RendererRelay::Play(const Event& e) {
  if (e.kind == Kind::kPut) {
    line_.kind = e.lineKind;
    line_.text = e.text;
    line_.cells = e.hasCells ? &e.texts : nullptr;
  }
  for (EditionRenderer* r : renderers_) switch (e.kind) {
      case Kind::kTitle:
        r->Title(e.text);
        break;
      case Kind::kColumns:
        r->Columns(e.texts, e.texts2);
        break;
      case Kind::kLine:
        r->Line(e.values);
        break;
      case Kind::kTotal:
        r->Total(e.text, e.values, e.labels);
        break;
      case Kind::kStep:
        r->Step();
        break;
      case Kind::kPage:
        r->Page();
        break;
      case Kind::kLayout:
        r->Layout(*e.layout, e.widths);
        break;
      case Kind::kReopened:
        r->Reopened();
        break;
      case Kind::kStartPage:
        r->StartPage(e.number);
        break;
      case Kind::kPut:
        r->Put(line_);
        break;
      case Kind::kFinish:
        r->Finish();
        break;
    }
}

// ---- The engine's side: each event copied into the batch ----

void RendererRelay::Title(const std::string& text) { Add(Kind::kTitle).text = text; }

void RendererRelay::Columns(const std::vector<std::string>& names,
                            const std::vector<std::string>& headings) {
  Event& e = Add(Kind::kColumns);
  e.texts = names;
  e.texts2 = headings;
}

void RendererRelay::Line(std::span<const CellValue> cells) {
  Add(Kind::kLine).values.assign(cells.begin(), cells.end());
}

void RendererRelay::Total(const std::string& label, const std::vector<CellValue>& cells,
                          const std::vector<CellValue>& labels) {
  Event& e = Add(Kind::kTotal);
  e.text = label;
  e.values = cells;
  e.labels = labels;
}

void RendererRelay::Step() { Add(Kind::kStep); }

void RendererRelay::Page() { Add(Kind::kPage); }

void RendererRelay::Layout(const EditionLayout& layout, const std::vector<int>& widths) {
  Event& e = Add(Kind::kLayout);
  e.layout = std::make_unique<EditionLayout>(layout);
  e.widths = widths;
}

void RendererRelay::Reopened() { Add(Kind::kReopened); }

void RendererRelay::StartPage(int number) { Add(Kind::kStartPage).number = number; }

void RendererRelay::Put(const PageLine& line) {
  Event& e = Add(Kind::kPut);
  e.lineKind = line.kind;
  e.text = line.text;
  e.hasCells = line.cells != nullptr;
  if (e.hasCells) e.texts.assign(line.cells->begin(), line.cells->end());
}

void RendererRelay::Finish() {
  Add(Kind::kFinish);
  Drain();
}

}  // namespace actifix::platform
