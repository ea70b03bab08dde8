// The PDF of an edition: written beside the text, a real PDF, portrait when the lines fit the
// width of A4 and landscape when they do not.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "host/Cp1252.h"
#include "host/HostError.h"
#include "platform/print/EditionEngine.h"
#include "support/TempDir.h"

namespace actifix::platform {
namespace {

const int16_t kZero = 0;
const int16_t kMinus1 = -1;

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The edition printed with columns of `width` characters in all.
std::filesystem::path PrintPdf(const std::filesystem::path& dir, int nameWidth) {
  EditionOptions options;
  options.outDir = dir;
  options.company = "SARL Démo";
  options.date = "31/12/2026";
  EditionEngine e(options);
  e.Open(kZero, kZero, kZero, std::string("ÉDITION DES CESSIONS"_w), kMinus1);
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
  e.Close(kZero);
  e.Flush();
  auto pdf = e.LastTextFile();
  return pdf.replace_extension(".pdf");
}

TEST(PdfRenderer, WritesAPdfBesideTheText) {
  actifix::testing::TempDir dir;
  const auto pdf = PrintPdf(dir.path(), 40);
  EXPECT_EQ(pdf.filename(), "001-EDITION-DES-CESSIONS.pdf");
  const std::string bytes = ReadFile(pdf);
  ASSERT_GT(bytes.size(), 5000u);
  EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
  EXPECT_NE(bytes.find("%%EOF"), std::string::npos);
  // 80 lines on pages of 66 lines with their header and headings: two pages.
  EXPECT_NE(bytes.find("/Count 2"), std::string::npos);
  EXPECT_NE(bytes.find("/MediaBox [ 0 0 595"), std::string::npos);  // portrait
  EXPECT_EQ(bytes.find("/MediaBox [ 0 0 841"), std::string::npos);
}

TEST(PdfRenderer, WideLinesTurnThePage) {
  actifix::testing::TempDir dir;
  const std::string bytes = ReadFile(PrintPdf(dir.path(), 150));
  EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
  EXPECT_NE(bytes.find("/MediaBox [ 0 0 841"), std::string::npos);  // landscape
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
