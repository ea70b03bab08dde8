// The register export's scrolled lines turned into "n / N" progress: the first, a few a second,
// and the last.
#include <gtest/gtest.h>

#include "platform/app/ExportProgress.h"

namespace actifix::platform {
namespace {

struct Watcher : UserInterface {
  std::vector<std::string> shown;
  std::unique_ptr<HostScreen> MakeScreen() override { return nullptr; }
  std::unique_ptr<HostChoiceList> MakeChoiceList() override { return nullptr; }
  std::unique_ptr<HostMessageBox> MakeMessageBox() override { return nullptr; }
  void SetBeforeWait(std::function<void()>) override {}
  void EditionClosed(const std::string&, const std::filesystem::path&) override {}
  void AnomalyReported(const Anomaly&) override {}
  void Notice(const std::string&) override {}
  void Progress(const std::string& text) override { shown.push_back(text); }
};

TEST(ExportScreen, ShowsTheAssetsWrittenAgainstTheRegisterNotTheLines) {
  Watcher ui;
  ExportScreen screen(nullptr, ui, 100000);  // the scrolled lines never reach a screen
  screen.OpenScroll(40, 80);
  for (int i = 0; i < 100000; ++i) screen.ScrollLine(std::string(200, ';'));
  ASSERT_GE(ui.shown.size(), 2u);
  EXPECT_LT(ui.shown.size(), 20u);
  EXPECT_EQ(ui.shown.front(), "Exportation : 1 / 100000 immobilisations");
  EXPECT_EQ(ui.shown.back(), "Exportation : 100000 / 100000 immobilisations");
}

}  // namespace
}  // namespace actifix::platform
