// The relay plays every event, in order, to each renderer on its own thread; what a renderer
// throws reaches the engine, and nothing after it is played.
#include "platform/print/RendererRelay.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace actifix::platform {
namespace {

// Writes what it is told as one text; throws at the line numbered `failAt`.
class Recorder : public EditionRenderer {
 public:
  explicit Recorder(int failAt = -1) : failAt_(failAt) {}
  void Title(const std::string& text) override { seen += "T" + text + ";"; }
  void Line(std::span<const CellValue> cells) override {
    if (++lines_ == failAt_) throw std::runtime_error("disque plein");
    seen += "L";
    for (const CellValue& c : cells) seen += c.column + "=" + (c.isNumber ? "#" : c.text) + ",";
  }
  void StartPage(int number) override { seen += "P" + std::to_string(number) + ";"; }
  void Put(const PageLine& line) override {
    seen += "|" + line.text + (line.cells != nullptr ? "+" + line.cells->back() : "") + ";";
  }
  void Finish() override { seen += "F"; }
  std::string seen;

 private:
  int failAt_, lines_ = 0;
};

TEST(RendererRelay, PlaysEveryEventInOrderAndHandsOnWhatARendererThrew) {
  Recorder a, b;
  std::string expected;
  {
    RendererRelay relay({&a, nullptr, &b});
    const std::vector<std::string> cells = {"x", "y"};
    std::vector<CellValue> values(2);
    for (int i = 0; i < 3000; ++i) {  // several batches, the strings reused between them
      values[0] = {"A", false, 0, std::to_string(i)};
      values[1] = {"B", true, i * 0.5, ""};
      relay.Line(values);
      relay.Put(PageLine{PageLine::Kind::kBody, "r" + std::to_string(i), i % 2 ? &cells : nullptr});
      expected +=
          "LA=" + std::to_string(i) + ",B=#,|r" + std::to_string(i) + (i % 2 ? "+y" : "") + ";";
      if (i % 700 == 0) {
        relay.StartPage(i);
        expected += "P" + std::to_string(i) + ";";
      }
    }
    relay.Title("fin");
    relay.Finish();  // returns once played
    expected += "Tfin;F";
    EXPECT_EQ(a.seen, expected);
    EXPECT_EQ(b.seen, expected);
  }

  Recorder failing(1000);
  RendererRelay relay({&failing});
  bool thrown = false;
  try {
    for (int i = 0; i < 5000; ++i) relay.Line({});
    relay.Drain();
  } catch (const std::runtime_error& e) {
    thrown = std::string(e.what()) == "disque plein";
  }
  EXPECT_TRUE(thrown);
  EXPECT_EQ(failing.seen, std::string(999, 'L'));
  EXPECT_THROW(relay.Finish(), std::runtime_error);  // and again at the end
}

}  // namespace
}  // namespace actifix::platform
