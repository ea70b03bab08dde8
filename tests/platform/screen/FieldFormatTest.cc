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

double StoredDouble(const std::string& packed) {
  double value = 0;
  HostConvert().UnpackDouble(packed, value);
  return value;
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

// Amounts typed in each accepted spelling, and what must be refused.
struct TypedAmountCase {
  std::string typed;
  bool accepted;
  double value;
};

TEST(FieldFormatTest, TypedAmountsInThreeSpellings) {
  for (const TypedAmountCase& c : std::vector<TypedAmountCase>{
           {"1234.56", true, 1234.56},
           {"1234,56", true, 1234.56},
           {"1 234,56", true, 1234.56},
           {"1 234.56", true, 1234.56},
           {"-1 234,56", true, -1234.56},
           {"+12", true, 12},
           {"  12,5  ", true, 12.5},
           {",5", true, 0.5},
           {"1 000 000", true, 1000000},
           {"1\xA0"
            "234,56",
            true, 1234.56},         // no-break blank between groups
           {"", true, 0},           // an empty amount is 0
           {"12,345", false, 0},    // three decimals
           {"1.234,56", false, 0},  // two separators
           {"12 34", false, 0},     // a group of two
           {"1234 567", false, 0},  // first group too long
           {"1 2345", false, 0},    // a group of four
           {"12a", false, 0},
           {"-", false, 0},
           {",", false, 0},
           {"- 12", false, 0},
           {"abc", false, 0},
       }) {
    const TypedValue typed = ParseTyped(c.typed, Def(FieldType::kAmount, 12));
    EXPECT_EQ(typed.ok(), c.accepted) << "'" << c.typed << "'";
    if (c.accepted && typed.ok()) {
      ASSERT_EQ(typed.stored.size(), 8u);
      EXPECT_NEAR(StoredDouble(typed.stored), c.value, 0.005) << c.typed;
    }
    if (!c.accepted) {
      EXPECT_NE(typed.refusal.find("montant"), std::string::npos);
    }
  }
}

struct TypedCase {
  FieldType type;
  int width;
  std::string typed;
  bool accepted;
  std::string stored;
};

TEST(FieldFormatTest, TypedRatesTextYesNoDateAndWholeNumbers) {
  for (const TypedCase& c : std::vector<TypedCase>{
           {FieldType::kRate, 6, "12,5", true, PackedSingle(12.5f)},
           {FieldType::kRate, 6, "12,5%", false, ""},
           {FieldType::kYesNo, 0, "n", true, "N"},
           {FieldType::kYesNo, 0, "Oui", true, "O"},
           {FieldType::kYesNo, 0, "NON", true, "N"},
           {FieldType::kYesNo, 0, "", false, ""},
           {FieldType::kYesNo, 0, "Y", false, ""},
           {FieldType::kDate, 10, "01/02/2026", true, "01/02/2026"},
           {FieldType::kDate, 10, "1/2/2026", true, "01/02/2026"},
           {FieldType::kDate, 10, "29022024", true, "29/02/2024"},
           {FieldType::kDate, 10, "", true, ""},
           {FieldType::kDate, 10, "29/02/2025", false, ""},  // not a leap year
           {FieldType::kDate, 10, "32/01/2026", false, ""},
           {FieldType::kDate, 10, "1/2/26", false, ""},
           {FieldType::kDate, 10, "demain", false, ""},
           {FieldType::kWhole, 5, "00042", true, "00042"},
           {FieldType::kWhole, 5, "", true, ""},
           {FieldType::kWhole, 5, "123456", false, ""},
           {FieldType::kWhole, 1, "-1", false, ""},
           {FieldType::kWhole, 5, "4,2", false, ""},
           {FieldType::kText, 6, "IMMO01", true, "IMMO01"},
           {FieldType::kText, 6, "IMMO012", false, ""},
           {FieldType::kText, 0, "", true, ""},
           // "Pièce" is 5 characters in the module, 6 bytes in UTF-8.
           {FieldType::kText, 5, std::string("Pièce"_w), true, std::string("Pièce"_w)},
       }) {
    const TypedValue typed = ParseTyped(c.typed, Def(c.type, c.width));
    EXPECT_EQ(typed.ok(), c.accepted) << TypeLetter(c.type) << " '" << c.typed << "'";
    if (c.accepted) {
      EXPECT_EQ(typed.stored, c.stored) << c.typed;
    }
  }
}

}  // namespace
}  // namespace actifix::platform
