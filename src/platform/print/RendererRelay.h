// The renderers of an edition fed on a thread of their own: the engine hands each event over
// and goes on with the next line while the text, the JSON lines and the PDF's pages are
// written on the other core.
//  - Events are copied into batches, reused once played, so that a warm relay allocates
//    nothing; at most kBatchesQueued batches wait at once, so that the memory stays bounded
//    whatever the edition's length (the engine waits when they are all full).
//  - Events are played in the order they came, each to every renderer in the order given.
//  - What a renderer throws is thrown to the engine at its next hand-over or at Drain; the
//    events after it are not played.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/print/EditionRenderer.h"

namespace actifix::platform {

class RendererRelay : public EditionRenderer {
 public:
  // `renderers` (null ones left out) are not owned and must outlive the relay.
  explicit RendererRelay(std::vector<EditionRenderer*> renderers);
  // Events not played yet are dropped.
  ~RendererRelay() override;
  RendererRelay(const RendererRelay&) = delete;
  RendererRelay& operator=(const RendererRelay&) = delete;

  void Title(const std::string& text) override;
  void Columns(const std::vector<std::string>& names,
               const std::vector<std::string>& headings) override;
  void Line(std::span<const CellValue> cells) override;
  void Total(const std::string& label, const std::vector<CellValue>& cells,
             const std::vector<CellValue>& labels) override;
  void Step() override;
  void Page() override;
  void Layout(const EditionLayout& layout, const std::vector<int>& widths) override;
  void Reopened() override;
  void StartPage(int number) override;
  void Put(const PageLine& line) override;
  // Played after every event before it; returns once it was.
  void Finish() override;

  // Returns once every event handed over was played; throws what a renderer threw.
  void Drain();

 private:
  enum class Kind : std::uint8_t {
    kTitle,
    kColumns,
    kLine,
    kTotal,
    kStep,
    kPage,
    kLayout,
    kReopened,
    kStartPage,
    kPut,
    kFinish
  };
  struct Event {
    Kind kind = Kind::kStep;
    PageLine::Kind lineKind = PageLine::Kind::kBody;
    bool hasCells = false;
    int number = 0;
    std::string text;
    std::vector<CellValue> values, labels;
    std::vector<std::string> texts, texts2;
    std::unique_ptr<EditionLayout> layout;
    std::vector<int> widths;
  };
  struct Batch {
    std::vector<Event> events;
    std::size_t used = 0;
  };
  static constexpr std::size_t kBatchEvents = 512;
  static constexpr std::size_t kBatchesQueued = 4;

  Event& Add(Kind kind);
  void HandOver();
  void Work();
  void Play(const Event& event);

  std::vector<EditionRenderer*> renderers_;
  std::unique_ptr<Batch> filling_;  // the engine's, not shared

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Batch>> queued_;
  std::vector<std::unique_ptr<Batch>> spare_;
  bool playing_ = false, stop_ = false;
  std::exception_ptr failure_;

  PageLine line_;  // the worker's, reused from line to line
  std::thread worker_;
};

}  // namespace actifix::platform
