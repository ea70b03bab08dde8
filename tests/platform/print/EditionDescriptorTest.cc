// Reading the edition descriptors the module writes, on examples it uses, and refusing the
// malformed descriptors, total lines and column-name lists; the total lines the module writes
// are read in the engine's tests.
#include "platform/print/EditionDescriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/Cp1252.h"

namespace actifix::platform {
namespace {

// A layout in short: style and copies, then for each column "name:" with its kind letter,
// width.decimals and alignment letter, "/flags" when it has some, "<heading>" of its group,
// "+" when it keeps totals.
std::string Describe(const EditionLayout& layout) {
  std::string text = layout.style + "," + layout.copies;
  for (const ColumnSpec& c : layout.columns) {
    text += " " + c.name + ":" + "AMND"[static_cast<int>(c.kind)] + std::to_string(c.width) + "." +
            std::to_string(c.decimals) + "GDC"[static_cast<int>(c.align)];
    if (!c.flags.empty()) text += "/" + c.flags;
    if (c.group >= 0) text += "<" + layout.groups[c.group].heading + ">";
    if (c.totalled) text += "+";
  }
  return text;
}

// A bracket list written back, atoms quoted.
std::string Render(const BracketNode& node) {
  if (!node.isList) return "'" + node.atom + "'";
  std::string text;
  for (const BracketNode& item : node.items) text += (text.empty() ? "" : ",") + Render(item);
  return "[" + text + "]";
}

TEST(EditionDescriptor, ColumnsGroupsHeadingsAndTotals) {
  const std::pair<std::string, std::string> cases[] = {
      // Depreciation: a heading "M", flags, a group whose heading ends with a blank.
      {"[PS,1,[[NOMFRN,DESCRIPTION,A,33,G],[TAUX,Taux,M,6,2,D,[A]],[MODAMO,M,A,1,G],"
       "[@AMORTISSEMENTS ,[CUMAMO,Cumul Debut,M,12,2,D],[VNC,VNC,M,12,2,D,[A]]]],[CUMAMO,VNC]]",
       "PS,1 NOMFRN:A33.0G TAUX:M6.2D/A MODAMO:A1.0G CUMAMO:M12.2D<AMORTISSEMENTS >+ "
       "VNC:M12.2D/A<AMORTISSEMENTS >+"},
      // Two groups with a column between them, a number column, flags A and E, empty flags,
      // dates 10 wide.
      {"[MS,1,[[@COMPTABILITE GENERALE,[NC,NO DE CPT ,A,10,G],[INC,INTITULE,A,40,G,[A]]],"
       "[NUM,Numero,N,5,0,C,[A,E]],[@CESSION,[DAT,Le,D,C,[]],[VC,Valeur,M,12,2,D]]],[NUM,VC]]",
       "MS,1 NC:A10.0G<COMPTABILITE GENERALE> INC:A40.0G/A<COMPTABILITE GENERALE> NUM:N5.0C/AE+ "
       "DAT:D10.0C<CESSION> VC:M12.2D<CESSION>+"},
  };
  for (const auto& [descriptor, layout] : cases)
    EXPECT_EQ(Describe(ParseEditionDescriptor(descriptor)), layout) << descriptor;
  // Headings are kept as written, blanks and accents; names are found without their blanks.
  const EditionLayout layout = ParseEditionDescriptor(
      std::string("[PS,1,[[NC,NO DE CPT ,A,10,G],[LIB,Libellé,A,20,G]],[]]"_w));
  EXPECT_EQ(layout.columns[0].heading, "NO DE CPT ");
  EXPECT_EQ(layout.columns[1].heading, std::string("Libellé"_w));
  EXPECT_EQ(layout.Find(" LIB "), 1);
  EXPECT_EQ(layout.Find("LIBX"), -1);
}

TEST(EditionDescriptor, MalformedDescriptorsTotalLinesAndNameListsAreRefused) {
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
  for (const std::string bad : {"[[[LIB,TOTAL]]]", "[[[LIB]],[]]", "[[],[[D,3]]]", "[[],[[D,un]]]",
                                "[[LIB,TOTAL],[]]", "[[],[[D,1]]"})
    EXPECT_THROW(ParseTotalLineDescriptor(bad), DescriptorError) << bad;
  EXPECT_THROW(ParseColumnNames("[A,[B]]"), DescriptorError);
  EXPECT_THROW(ParseColumnNames("A,B"), DescriptorError);
}

TEST(BracketList, NamesTrimmedAtomsAsWritten) {
  EXPECT_EQ(ParseColumnNames("[VALACQ, CUMAMO ]"), (std::vector<std::string>{"VALACQ", "CUMAMO"}));
  // Atoms as written, blanks kept, empty ones included.
  EXPECT_EQ(Render(ParseBracketList("[ a ,,[b,[]],]")), "[' a ','',['b',[]],'']");
}

}  // namespace
}  // namespace actifix::platform
