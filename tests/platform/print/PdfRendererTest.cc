// The grid PDF of an edition: written beside the text, a real PDF, portrait when the lines fit the
// width of A4 and landscape when they do not.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "host/Cp1252.h"
#include "host/HostError.h"
#include "platform/print/EditionEngine.h"
#include "support/TempDir.h"

namespace actifix::platform {
namespace {

using actifix::testing::FileBytes;

TEST(PdfRenderer, BesideTheTextPortraitUpTo119ColumnsLandscapeBeyond) {
  // Lines of the name's width, a blank and the 12 of the amount; the page's width, not the other.
  for (const auto& [nameWidth, width, otherWidth] :
       {std::tuple{40, "595", "841"}, {106, "595", "841"}, {107, "841", "595"}}) {
    SCOPED_TRACE(nameWidth);
    actifix::testing::TempDir dir;
    EditionOptions options;
    options.outDir = dir.path();
    options.gridPdf = true;
    EditionEngine e(options);
    e.Open(0, 0, 0, std::string("ÉDITION DES CESSIONS"_w), -1);
    e.AddTitle(std::string("ÉDITION DES CESSIONS"_w), "G");
    e.DefineColumns("[PS,1,[[NOM,Désignation,A," + std::to_string(nameWidth) +
                    ",G],[VAL,Valeur,M,12,2,D]],[VAL]]");
    for (int i = 0; i < 80; ++i) {
      e.SetCell("NOM", std::string("Matériel de bureau, fauteuil à roulettes"_w), "@");
      e.SetAmount("VAL", 1234.5 * i, "@");
      e.PrintLine();
    }
    e.PrintTotals("[VAL]");
    e.PrintTotalLine("[[[NOM, TOTAL]],[[VAL,1]]]", "");
    e.Close(0);
    e.Flush();
    const std::string bytes = FileBytes(dir.path() / "001-EDITION-DES-CESSIONS.pdf");
    EXPECT_TRUE(bytes.starts_with("%PDF-"));
    EXPECT_NE(bytes.find("%%EOF"), std::string::npos);
    // 80 lines on pages of 66 lines with their header and headings: two pages.
    EXPECT_NE(bytes.find("/Count 2"), std::string::npos);
    EXPECT_NE(bytes.find(std::string("/MediaBox [ 0 0 ") + width), std::string::npos);
    EXPECT_EQ(bytes.find(std::string("/MediaBox [ 0 0 ") + otherWidth), std::string::npos);
  }
}

TEST(PdfRenderer, AnUnwritableFileIsAHostErrorAndLeavesNoDraft) {
  actifix::testing::TempDir dir;
  for (const char* draft : {"/nonexistent-dir/draft.pdf", "draft.pdf"}) {
    PdfRenderer renderer("T", 66, dir.path() / draft);
    renderer.StartPage(1);
    renderer.Put({PageLine::Kind::kBody, "ligne"});
    EXPECT_THROW(renderer.Write("/nonexistent-dir/x.pdf"), HostError) << draft;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace actifix::platform
