// The register export's scrolled lines turned into "n / N" progress: the first, a few a second,
// and the last; none reaches the screen.
#include <gtest/gtest.h>

#include "platform/session/ExportProgress.h"

namespace actifix::platform {
namespace {

TEST(ExportScreen, ShowsTheAssetsWrittenAgainstTheRegisterNotTheLines) {
  std::vector<std::string> shown;
  ExportScreen screen(
      nullptr, [&](const std::string& text) { shown.push_back(text); }, 100000);
  screen.OpenScroll(40, 80);
  for (int i = 0; i < 100000; ++i) screen.ScrollLine(std::string(200, ';'));
  ASSERT_GE(shown.size(), 2u);
  EXPECT_LT(shown.size(), 20u);
  EXPECT_EQ(shown.front(), "Exportation : 1 / 100000 immobilisations");
  EXPECT_EQ(shown.back(), "Exportation : 100000 / 100000 immobilisations");
}

}  // namespace
}  // namespace actifix::platform
