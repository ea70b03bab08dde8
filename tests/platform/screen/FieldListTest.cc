// Screen field lists as the module writes them: every field type, widths and options given or
// left out, layout markers, and the lists that must be refused.
#include "platform/screen/FieldList.h"

#include <gtest/gtest.h>

#include "host/Cp1252.h"
#include "host/HostError.h"

namespace actifix::platform {
namespace {

struct FieldCase {
  std::string list;
  std::string name, label;
  FieldType type;
  int width;
  std::string option;
};

TEST(FieldListTest, ReadsNameLabelTypeWidthOption) {
  for (const FieldCase& c : std::vector<FieldCase>{
           {"[[CEIMO,CODE ENTREPRISE,A,2]]", "CEIMO", "CODE ENTREPRISE", FieldType::kText, 2, ""},
           {"[[DATDEB,DEBUT,D]]", "DATDEB", "DEBUT", FieldType::kDate, 0, ""},
           {"[[TAUX,TAUX,S2,6]]", "TAUX", "TAUX", FieldType::kRate, 6, ""},
           {"[[MTCESS,MONTANT,D2,12,S1]]", "MTCESS", "MONTANT", FieldType::kAmount, 12, "S1"},
           {"[[0,CLASSEMENT,N0,1]]", "0", "CLASSEMENT", FieldType::kWhole, 1, ""},
           // An analytic field: the name is the heading number padded to two characters.
           {"[[2 ,CODE Région,A,6,S1]]", "2 ", "CODE Région", FieldType::kText, 6, "S1"},
           // An option standing where the width would be.
           {"[[CONF,PERIODE,B,S1]]", "CONF", "PERIODE", FieldType::kYesNo, 0, "S1"}}) {
    const std::vector<FieldListItem> items = ParseFieldList(c.list);
    ASSERT_EQ(items.size(), 1u) << c.list;
    ASSERT_FALSE(items[0].IsMarker()) << c.list;
    const FieldDef& f = items[0].field;
    EXPECT_EQ(f.name, c.name);
    EXPECT_EQ(f.label, c.label);
    EXPECT_EQ(f.type, c.type) << c.list;
    EXPECT_EQ(f.width, c.width) << c.list;
    EXPECT_EQ(f.option, c.option) << c.list;
  }
}

TEST(FieldListTest, LayoutMarkersStayInPlaceBetweenFields) {
  const std::vector<FieldListItem> items = ParseFieldList(
      "[@COL1,[CODNAT,CODE NATURE,A,6],@COULN,[NUMNAT,NUMERO D'ORDRE EN COURS,N0,5],@COULI,"
      "[LIBNAT,LIBELLE,A,30]]");
  std::vector<std::string> seen;
  for (const FieldListItem& item : items)
    seen.push_back(item.IsMarker() ? item.marker : item.field.name);
  EXPECT_EQ(seen,
            (std::vector<std::string>{"@COL1", "CODNAT", "@COULN", "NUMNAT", "@COULI", "LIBNAT"}));
  EXPECT_TRUE(ParseFieldList("[]").empty());
}

TEST(FieldListTest, FindsFieldsWithoutSurroundingBlanks) {
  const std::vector<FieldListItem> items =
      ParseFieldList("[[1 ,CODE SERVICE,A,6],[10,CODE SITE,A,6,S1]]");
  ASSERT_NE(FindField(items, "1"), nullptr);
  EXPECT_EQ(FindField(items, "1")->label, "CODE SERVICE");
  EXPECT_EQ(FindField(items, " 1 ")->label, "CODE SERVICE");
  EXPECT_EQ(FindField(items, "10")->label, "CODE SITE");
  EXPECT_EQ(FindField(items, "0"), nullptr);
}

TEST(FieldListTest, RefusesWhatIsNotAFieldList) {
  for (const std::string list : {
           "[[CEIMO,CODE ENTREPRISE,A,2]",         // not closed
           "[[CEIMO,CODE ENTREPRISE]]",            // no type
           "[[CEIMO,CODE ENTREPRISE,X,2]]",        // unknown type
           "[[CEIMO,CODE ENTREPRISE,D3,2]]",       // a known letter with other decimals
           "[[CEIMO,CODE ENTREPRISE,A,2,S1,ML]]",  // too many elements
           "[[CEIMO,CODE ENTREPRISE,A,deux,S1]]",  // width not a number
           "[[ ,CODE ENTREPRISE,A,2]]",            // no name
           "[CEIMO]",                              // an atom that is not a marker
       }) {
    try {
      ParseFieldList(list);
      ADD_FAILURE() << "accepted: " << list;
    } catch (const HostError& e) {
      EXPECT_EQ(e.operation(), "HostScreen.DefineFields") << list;
      EXPECT_FALSE(e.cause().empty()) << list;
    }
  }
}

}  // namespace
}  // namespace actifix::platform
