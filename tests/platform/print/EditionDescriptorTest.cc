// Reading the edition descriptors, total-line descriptors and column-name lists the module
// writes, on every example it uses, and refusing the malformed ones.
#include "platform/print/EditionDescriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/Cp1252.h"

namespace actifix::platform {
namespace {

// A column in short: name, kind letter, width, decimals, alignment letter, flags, group
// heading ("" outside any group), totalled.
struct Col {
  std::string name;
  char kind;
  int width;
  int decimals;
  char align;
  std::string flags;
  std::string group;
  bool totalled;
};

char KindLetter(ColumnKind k) {
  switch (k) {
    case ColumnKind::kText:
      return 'A';
    case ColumnKind::kAmount:
      return 'M';
    case ColumnKind::kNumber:
      return 'N';
    case ColumnKind::kDate:
      return 'D';
  }
  return '?';
}

char AlignLetter(Alignment a) {
  return a == Alignment::kLeft ? 'G' : a == Alignment::kRight ? 'D' : 'C';
}

struct DescriptorCase {
  const char* what;
  std::string descriptor;
  std::string style;
  std::vector<Col> columns;
};

class EditionDescriptorCases : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(EditionDescriptorCases, ColumnsGroupsAndTotals) {
  const DescriptorCase& c = GetParam();
  const EditionLayout layout = ParseEditionDescriptor(c.descriptor);
  EXPECT_EQ(layout.style, c.style);
  EXPECT_EQ(layout.copies, "1");
  ASSERT_EQ(layout.columns.size(), c.columns.size());
  for (std::size_t i = 0; i < c.columns.size(); ++i) {
    const ColumnSpec& got = layout.columns[i];
    const Col& want = c.columns[i];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(KindLetter(got.kind), want.kind);
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.decimals, want.decimals);
    EXPECT_EQ(AlignLetter(got.align), want.align);
    EXPECT_EQ(got.flags, want.flags);
    EXPECT_EQ(got.group < 0 ? std::string() : layout.groups[got.group].heading, want.group);
    EXPECT_EQ(got.totalled, want.totalled);
  }
}

INSTANTIATE_TEST_SUITE_P(
    ModuleDescriptors, EditionDescriptorCases,
    ::testing::Values(
        DescriptorCase{"chart of accounts, nothing totalled",
                       "[PS,1,[[NOCPTCG,NUMERO COMPTE DE COMPTABILITE GENERALE,A,10,G],"
                       "[NOMCPTCG,NOM DU COMPTE DE COMPTABILITE GENERALE,A,40,G]],[]]",
                       "PS",
                       {{"NOCPTCG", 'A', 10, 0, 'G', "", "", false},
                        {"NOMCPTCG", 'A', 40, 0, 'G', "", "", false}}},
        DescriptorCase{"asset list: date columns, centred",
                       "[PS,1,[[CODNATI,NATURE,A,6,G],[NUMNATI,ORDRE,A,5,D],"
                       "[DATACQ,ACQUISITION,D,C],[CD,Cumul Debut,M,12,2,D],[D,Dotation,M,12,2,D],"
                       "[NOMFRN,DESCRIPTION,A,30,G],[DATCES,CESSION,D,C],"
                       "[LCANA,ANALYSE,A,40,G]],[CD,D]]",
                       "PS",
                       {{"CODNATI", 'A', 6, 0, 'G', "", "", false},
                        {"NUMNATI", 'A', 5, 0, 'D', "", "", false},
                        {"DATACQ", 'D', 10, 0, 'C', "", "", false},
                        {"CD", 'M', 12, 2, 'D', "", "", true},
                        {"D", 'M', 12, 2, 'D', "", "", true},
                        {"NOMFRN", 'A', 30, 0, 'G', "", "", false},
                        {"DATCES", 'D', 10, 0, 'C', "", "", false},
                        {"LCANA", 'A', 40, 0, 'G', "", "", false}}},
        DescriptorCase{"depreciation edition: a heading M, flags, a group whose heading ends "
                       "with a blank",
                       "[PS,1,[[NOMFRN,DESCRIPTION,A,33,G],[VALACQ,Valeur,M,12,2,D],"
                       "[TAUX,Taux,M,6,2,D,[A]],[MODAMO,M,A,1,G],[@AMORTISSEMENTS ,"
                       "[CUMAMO,Cumul Debut,M,12,2,D],[DOTAMO,Dotation,M,12,2,D,[A]],"
                       "[CUMFIN,Cumul Fin,M,12,2,D,[A]],[VNC,VNC,M,12,2,D,[A]]]],"
                       "[VALACQ,CUMAMO,DOTAMO,CUMFIN,VNC]]",
                       "PS",
                       {{"NOMFRN", 'A', 33, 0, 'G', "", "", false},
                        {"VALACQ", 'M', 12, 2, 'D', "", "", true},
                        {"TAUX", 'M', 6, 2, 'D', "A", "", false},
                        {"MODAMO", 'A', 1, 0, 'G', "", "", false},
                        {"CUMAMO", 'M', 12, 2, 'D', "", "AMORTISSEMENTS ", true},
                        {"DOTAMO", 'M', 12, 2, 'D', "A", "AMORTISSEMENTS ", true},
                        {"CUMFIN", 'M', 12, 2, 'D', "A", "AMORTISSEMENTS ", true},
                        {"VNC", 'M', 12, 2, 'D', "A", "AMORTISSEMENTS ", true}}},
        DescriptorCase{"disposal gains and losses: three groups",
                       "[PS,1,[[CODNATI,Nature,A,6,G],[@ACQUISITION,[DATACQ,Date,A,8,G],"
                       "[NOMFRN,Description,A,30,G,[A]]],[VNC,VNC,M,12,2,D],[@CESSION,"
                       "[DATCES,Date,A,8,G],[VC,Valeur,M,12,2,D]],[@PLUS OU MOINS VALUES,"
                       "[PV,Plus Values,M,12,2,D],[MV,Moins Values,M,12,2,D]]],[VNC,VC,PV,MV]]",
                       "PS",
                       {{"CODNATI", 'A', 6, 0, 'G', "", "", false},
                        {"DATACQ", 'A', 8, 0, 'G', "", "ACQUISITION", false},
                        {"NOMFRN", 'A', 30, 0, 'G', "A", "ACQUISITION", false},
                        {"VNC", 'M', 12, 2, 'D', "", "", true},
                        {"DATCES", 'A', 8, 0, 'G', "", "CESSION", false},
                        {"VC", 'M', 12, 2, 'D', "", "CESSION", true},
                        {"PV", 'M', 12, 2, 'D', "", "PLUS OU MOINS VALUES", true},
                        {"MV", 'M', 12, 2, 'D', "", "PLUS OU MOINS VALUES", true}}},
        DescriptorCase{"analytic codes style, number column, flags A and E, empty flags",
                       "[MS,1,[[@COMPTABILITE GENERALE,[NC,NO DE CPT ,A,10,G],"
                       "[INC,INTITULE,A,40,G,[A]]],[NUM,Numero,N,5,0,C,[A,E]],"
                       "[DAT,Le,D,G,[]]],[NUM]]",
                       "MS",
                       {{"NC", 'A', 10, 0, 'G', "", "COMPTABILITE GENERALE", false},
                        {"INC", 'A', 40, 0, 'G', "A", "COMPTABILITE GENERALE", false},
                        {"NUM", 'N', 5, 0, 'C', "AE", "", true},
                        {"DAT", 'D', 10, 0, 'G', "", "", false}}}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(EditionDescriptor, HeadingsKeepTheirBlanksAndAccents) {
  const EditionLayout layout = ParseEditionDescriptor(
      std::string("[PS,1,[[NC,NO DE CPT ,A,10,G],[LIB,Libellé,A,20,G]],[]]"_w));
  EXPECT_EQ(layout.columns[0].heading, "NO DE CPT ");
  EXPECT_EQ(layout.columns[1].heading, std::string("Libellé"_w));
  EXPECT_EQ(layout.Find(" LIB "), 1);
  EXPECT_EQ(layout.Find("LIBX"), -1);
}

TEST(EditionDescriptor, MalformedDescriptorsAreRefused) {
  const std::vector<std::string> bad = {
      "",                                           // not a list
      "[PS,1,[[NC,No,A,10,G]],[]",                  // not closed
      "[PS,1,[[NC,No,A,10,G]],[]]x",                // text after the end
      "[PS,1,[[NC,No,A,10,G]]]",                    // three elements
      "[PS,1,[[NC,No,X,10,G]],[]]",                 // unknown kind
      "[PS,1,[[NC,No,A,10,Z]],[]]",                 // unknown alignment
      "[PS,1,[[NC,No,A,dix,G]],[]]",                // width not a number
      "[PS,1,[[NC,No,A,0,G]],[]]",                  // zero width
      "[PS,1,[[NC,No,M,10,D]],[]]",                 // amount without decimals
      "[PS,1,[[NC,No,A,10,G],[NC,Bis,A,5,G]],[]]",  // a name twice
      "[PS,1,[[NC,No,A,10,G]],[D]]",                // totalled column unknown
      "[PS,1,[[NC,No,A,10,G]],[NC]]",               // totalled text column
      "[PS,1,[[@GROUPE]],[]]",                      // empty group
      "[PS,1,[NC],[]]",                             // column not a list
      "[PS,1,[[NC,No,A,10,G,[A],X]],[]]",           // too many elements
      "[PS,1,[[NC,No,A,1[0,G]],[]]",                // bracket inside an atom
  };
  for (const auto& text : bad) EXPECT_THROW(ParseEditionDescriptor(text), DescriptorError) << text;
}

TEST(TotalLineDescriptor, ModuleExamples) {
  struct Case {
    std::string descriptor;
    std::vector<std::pair<std::string, std::string>> labels;
    std::vector<std::pair<std::string, int>> totals;
  };
  const std::vector<Case> cases = {
      {"[[[LIB,TOTAL]],[[D,1],[C,1]]]", {{"LIB", "TOTAL"}}, {{"D", 1}, {"C", 1}}},
      {"[[[NOMFRN, TOTAL GENERAL]],[[VALACQ,2],[CUMFIN,2],[VNC,2]]]",
       {{"NOMFRN", " TOTAL GENERAL"}},
       {{"VALACQ", 2}, {"CUMFIN", 2}, {"VNC", 2}}},
      {"[[],[]]", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.descriptor);
    const TotalLineSpec totalLine = ParseTotalLineDescriptor(c.descriptor);
    ASSERT_EQ(totalLine.labels.size(), c.labels.size());
    for (std::size_t i = 0; i < c.labels.size(); ++i) {
      EXPECT_EQ(totalLine.labels[i].column, c.labels[i].first);
      EXPECT_EQ(totalLine.labels[i].text, c.labels[i].second);
    }
    ASSERT_EQ(totalLine.totals.size(), c.totals.size());
    for (std::size_t i = 0; i < c.totals.size(); ++i) {
      EXPECT_EQ(totalLine.totals[i].column, c.totals[i].first);
      EXPECT_EQ(totalLine.totals[i].level, c.totals[i].second);
    }
  }
  for (const std::string bad : {"[[[LIB,TOTAL]]]", "[[[LIB]],[]]", "[[],[[D,3]]]", "[[],[[D,un]]]",
                                "[[LIB,TOTAL],[]]", "[[],[[D,1]]"})
    EXPECT_THROW(ParseTotalLineDescriptor(bad), DescriptorError) << bad;
}

TEST(ColumnNameList, ModuleExamples) {
  using Names = std::vector<std::string>;
  EXPECT_EQ(ParseColumnNames("[]"), Names{});
  EXPECT_EQ(ParseColumnNames("[DOTAMO]"), Names{"DOTAMO"});
  EXPECT_EQ(ParseColumnNames("[VALACQ,CUMAMO]"), (Names{"VALACQ", "CUMAMO"}));
  EXPECT_THROW(ParseColumnNames("[A,[B]]"), DescriptorError);
  EXPECT_THROW(ParseColumnNames("A,B"), DescriptorError);
}

TEST(BracketList, EmptyAtomsAndNesting) {
  const BracketNode root = ParseBracketList("[a,,[b,[]],]");
  ASSERT_EQ(root.items.size(), 4u);
  EXPECT_EQ(root.items[0].atom, "a");
  EXPECT_EQ(root.items[1].atom, "");
  ASSERT_TRUE(root.items[2].isList);
  EXPECT_TRUE(root.items[2].items[1].isList);
  EXPECT_TRUE(root.items[2].items[1].items.empty());
  EXPECT_EQ(root.items[3].atom, "");
}

}  // namespace
}  // namespace actifix::platform
