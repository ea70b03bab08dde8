// French amounts, fixed-width cells and the names of the edition files.
#include "platform/print/EditionFormat.h"

#include <gtest/gtest.h>

#include <fstream>

#include "host/Cp1252.h"
#include "support/TempDir.h"

namespace actifix::platform {
namespace {

TEST(FormatFrenchAmount, SignsZeroGroupingAndTies) {
  // -0.004 rounds to zero without a sign; 1008.215 is a tie on the decimal value, below it in
  // binary.
  std::string texts;
  for (const double value :
       {0.0, -0.0, -0.004, 0.005, -0.005, 1008.215, 999.995, -999.995, 123.0, 1234.5, 123456.78,
        1234567.891, -1234567.891, 9876543210987.65, -12345678901234.56})
    texts += FormatFrenchAmount(value, 2) + "|";
  EXPECT_EQ(texts,
            "0,00|0,00|0,00|0,01|-0,01|1 008,22|1 000,00|-1 000,00|123,00|1 234,50|123 456,78|"
            "1 234 567,89|-1 234 567,89|9 876 543 210 987,65|-12 345 678 901 234,56|");
  EXPECT_EQ(FormatFrenchAmount(12345, 0) + "|" + FormatFrenchAmount(-7.5, 0), "12 345|-8");
  // 2^210, whose 64 digits a damaged record can hold: written in full, not cut.
  EXPECT_EQ(
      FormatFrenchAmount(0x1p210, 2),
      "1 645 504 557 321 206 042 154 969 182 557 350 504 982 735 865 633 579 863 348 609 024,00");
}

TEST(FitCell, AmountsLoseTheirSeparatorsBeforeOverflowingTextsAreCutOrPadded) {
  EXPECT_EQ(FitAmount(1234567.89, 2, 12), "1 234 567,89");
  EXPECT_EQ(FitAmount(12345678.9, 2, 12), "12345678,90");
  EXPECT_EQ(FitAmount(-12345678.9, 2, 11), "-12345678,90");  // wider still: whole
  EXPECT_EQ(FitCell("abc", 6, Alignment::kLeft), "abc   ");
  EXPECT_EQ(FitCell("abc", 6, Alignment::kRight), "   abc");
  EXPECT_EQ(FitCell("abc", 6, Alignment::kCenter), " abc  ");
  EXPECT_EQ(FitCell("abcdef", 4, Alignment::kRight), "abcd");
  EXPECT_EQ(FitCell("", 3, Alignment::kLeft), "   ");
  EXPECT_EQ(FitCell("abc", 0, Alignment::kLeft), "");
}

TEST(SafeFileTitle, FoldsAccentsAndJoinsWordsWithDashes) {
  const std::pair<std::string, std::string> cases[] = {
      {"EDITION DES NATURES D'IMMOBILISATION", "EDITION-DES-NATURES-D-IMMOBILISATION"},
      {"AMORTISSEMENTS DU 01/01/2026 AU 31/12/2026", "AMORTISSEMENTS-DU-01-01-2026-AU-31-12-2026"},
      {std::string("Écritures générales à reprendre"_w), "Ecritures-generales-a-reprendre"},
      {std::string("  Œuvre + Ça  "_w), "OEuvre-Ca"},
      // Both ends of the accented range, the signs inside it, the letters below it.
      {std::string("À×Ößø÷ÿ Šœ¿Ÿ"_w), "A-Osso-y-Soe-Y"},
      {"  ", "EDITION"},
      {"", "EDITION"},
      {"../../etc/passwd", "etc-passwd"},
  };
  for (const auto& [title, safe] : cases) EXPECT_EQ(SafeFileTitle(title), safe) << title;
  EXPECT_EQ(SafeFileTitle(std::string(300, 'A')).size(), 100u);
}

TEST(EditionFiles, NumbersFollowTheGreatestInTheDirectory) {
  actifix::testing::TempDir dir;
  EXPECT_EQ(NextEditionNumber(dir.path() / "missing"), 1);  // the first run: no directory yet
  for (const char* name : {"001-A.txt", "007-B.pdf", "12-short.txt", "abc-C.txt", "0099.txt"})
    std::ofstream(dir.path() / name) << "x";
  EXPECT_EQ(NextEditionNumber(dir.path()), 8);
  EXPECT_EQ(EditionFileStem(8, "LISTE DES IMMOBILISATIONS"), "008-LISTE-DES-IMMOBILISATIONS");
  EXPECT_EQ(EditionFileStem(1234, "X"), "1234-X");
}

}  // namespace
}  // namespace actifix::platform
