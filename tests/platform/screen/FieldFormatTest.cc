// Stored and shown forms of field values, both ways, and the typed values that are refused.
#include "platform/screen/FieldFormat.h"

#include <gtest/gtest.h>

#include "host/Cp1252.h"
#include "host/HostConvert.h"

namespace actifix::platform {
namespace {

std::string PackedDouble(double value) {
  std::string packed;
  HostConvert().PackDouble(value, packed);
  return packed;
}

std::string PackedSingle(float value) {
  std::string packed;
  HostConvert().PackSingle(value, packed);
  return packed;
}

FieldDef Def(FieldType type, int width = 0) {
  FieldDef def;
  def.name = "F";
  def.type = type;
  def.width = width;
  return def;
}

TEST(FieldFormatTest, ShownForms) {
  const struct {
    std::string stored;
    FieldType type;
    std::string shown;
  } cases[] = {
      {PackedDouble(0), FieldType::kAmount, "0,00"},
      {PackedDouble(-0.001), FieldType::kAmount, "0,00"},  // rounds to zero: no "-0,00"
      {PackedDouble(0.005), FieldType::kAmount, "0,01"},
      {PackedDouble(-0.005), FieldType::kAmount, "-0,01"},  // half away from zero, both signs
      {PackedDouble(999.99), FieldType::kAmount, "999,99"},
      {PackedDouble(1000), FieldType::kAmount, "1 000,00"},
      {PackedDouble(-1234.56), FieldType::kAmount, "-1 234,56"},
      {PackedDouble(999999.995), FieldType::kAmount, "1 000 000,00"},
      {PackedDouble(-1234567.891), FieldType::kAmount, "-1 234 567,89"},
      {PackedDouble(1008.215), FieldType::kAmount, "1 008,22"},
      {"", FieldType::kAmount, "0,00"},
      {"        ", FieldType::kAmount, "0,00"},
      {"    ", FieldType::kRate, "0,00"},
      {PackedSingle(20), FieldType::kRate, "20,00"},
      {PackedSingle(33.33f), FieldType::kRate, "33,33"},
      {"O", FieldType::kYesNo, "Oui"},
      {"N", FieldType::kYesNo, "Non"},
      {"", FieldType::kYesNo, ""},
      {"01/02/2026", FieldType::kDate, "01/02/2026"},
      {"Pièce 12  ", FieldType::kText, "Pièce 12  "},
      {"   41", FieldType::kWhole, "41"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ShownForm(c.stored, c.type), c.shown) << TypeLetter(c.type) << " " << c.shown;
  EXPECT_THROW(ShownForm("1234", FieldType::kAmount), FormatError);
  EXPECT_THROW(ShownForm("12345678", FieldType::kRate), FormatError);
}

constexpr FieldType kA = FieldType::kAmount, kR = FieldType::kRate, kB = FieldType::kYesNo,
                    kD = FieldType::kDate, kN = FieldType::kWhole, kT = FieldType::kText;

// Typed values: amounts in each accepted spelling, every type's refusals with their message.
TEST(FieldFormatTest, TypedValuesStoredOrRefused) {
  const struct {
    FieldType type;
    int width;
    std::string typed, stored, refusal;
  } cases[] = {
      {kA, 12, "1234.56", PackedDouble(1234.56), ""},
      {kA, 12, "1234,56", PackedDouble(1234.56), ""},
      {kA, 12, "1 234,56", PackedDouble(1234.56), ""},
      {kA, 12, "1 234.56", PackedDouble(1234.56), ""},
      {kA, 12, "-1 234,56", PackedDouble(-1234.56), ""},
      {kA, 12, "+12", PackedDouble(12), ""},
      {kA, 12, "  12,5  ", PackedDouble(12.5), ""},
      {kA, 12, ",5", PackedDouble(0.5), ""},
      {kA, 12, "1 000 000", PackedDouble(1000000), ""},
      {kA, 12,
       "1\xA0"
       "234,56",
       PackedDouble(1234.56), ""},                      // no-break blank between groups
      {kA, 12, "", PackedDouble(0), ""},                // an empty amount is 0
      {kA, 12, "12,345", "", "montant non valable"},    // three decimals
      {kA, 12, "1.234,56", "", "montant non valable"},  // two separators
      {kA, 12, "12 34", "", "montant non valable"},     // a group of two
      {kA, 12, "1234 567", "", "montant non valable"},  // first group too long
      {kA, 12, "1 2345", "", "montant non valable"},    // a group of four
      {kA, 12, "12a", "", "montant non valable"},
      {kA, 12, "-", "", "montant non valable"},
      {kA, 12, ",", "", "montant non valable"},
      {kA, 12, "- 12", "", "montant non valable"},
      {kA, 12, "abc", "", "montant non valable"},
      {kA, 12, "999 999 999 999,99", PackedDouble(999999999999.99), ""},  // the limit
      {kA, 12, "1 000 000 000 000", "", "montant trop grand"},
      {kA, 12, "-1000000000000", "", "montant trop grand"},
      {kA, 12, "12345678901234567890", "", "montant trop grand"},  // was kept as 1,2e19
      {kR, 6, "12,5", PackedSingle(12.5f), ""},
      {kR, 6, "12,5%", "", "taux non valable"},
      {kB, 0, "n", "N", ""},
      {kB, 0, "Oui", "O", ""},
      {kB, 0, "NON", "N", ""},
      {kB, 0, "", "", "ou N (non)"},
      {kB, 0, "Y", "", "ou N (non)"},
      {kD, 10, "01/02/2026", "01/02/2026", ""},
      {kD, 10, "1/2/2026", "01/02/2026", ""},
      {kD, 10, "29022024", "29/02/2024", ""},
      {kD, 10, "", "", ""},
      {kD, 10, "29/02/2025", "", "date non valable"},  // not a leap year
      {kD, 10, "32/01/2026", "", "date non valable"},
      {kD, 10, "1/2/26", "", "date non valable"},
      {kD, 10, "demain", "", "date non valable"},
      {kN, 5, "00042", "00042", ""},
      {kN, 5, "", "", ""},
      {kN, 5, "123456", "", "nombre trop long"},
      {kN, 1, "-1", "", "nombre entier attendu"},
      {kN, 5, "4,2", "", "nombre entier attendu"},
      {kT, 6, "IMMO01", "IMMO01", ""},
      {kT, 6, "IMMO012", "", "texte trop long"},
      {kT, 0, "", "", ""},
      // "Pièce" is 5 characters in the module, 6 bytes in UTF-8.
      {kT, 5, std::string("Pièce"_w), std::string("Pièce"_w), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(TypeLetter(c.type)) + " '" + c.typed + "'");
    const TypedValue typed = ParseTyped(c.typed, Def(c.type, c.width));
    EXPECT_EQ(typed.ok(), c.refusal.empty());
    EXPECT_EQ(typed.stored, c.stored);
    if (!c.refusal.empty()) {
      EXPECT_NE(typed.refusal.find(c.refusal), std::string::npos) << typed.refusal;
    }
  }
}

}  // namespace
}  // namespace actifix::platform
