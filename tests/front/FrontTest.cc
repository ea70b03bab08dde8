// The component's start-up on the real store: parameters, headings, exercise table,
// re-keying of a duplicated company, and the record call-backs.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "front/NvImmo.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "state/MImmo.h"
#include "support/TestCompany.h"

namespace actifix {
namespace {

using testing::TestCompany;

// The headings of a company's first load, and its table of 100 consecutive years from the
// current one, each ending on the same month's end one year later (through 29 February).
void ExpectFirstLoad(const char* yearStart, const char* yearEnd, const std::string& script,
                     int32_t count, const std::string& legend,
                     const std::vector<std::tuple<int, std::string, std::string>>& entries) {
  SCOPED_TRACE(yearStart);
  TestCompany company(yearStart, yearEnd);
  auto session = company.Open(script);  // the module state lives as long as the session
  session->Run("LectParamImmo");
  const MImmoState& m = MImmo();
  EXPECT_EQ(std::tie(m.headingCount, m.headingLegend), std::tie(count, legend));
  EXPECT_EQ(m.exerciseIndex, 1);
  for (const auto& [entry, start, end] : entries) {
    const Exercise& e = m.exercises[entry];
    std::string endText;
    HostDates().DateOfDay(e.endDay, endText);
    EXPECT_EQ(std::tie(e.startText, e.endText, endText), std::tie(start, end, end)) << entry;
  }
  for (int i = 2; i <= 100; ++i) EXPECT_EQ(m.exercises[i].startDay, m.exercises[i - 1].endDay + 1);
}

TEST(FrontTest, HeadingsAndExerciseTable) {
  ExpectFirstLoad("01/01/2005", "31/12/2005", "LINTANA = []\nCOMPTA = O\n", 0, "",
                  {{1, "01/01/2005", "31/12/2005"},
                   {2, "01/01/2006", "31/12/2006"},
                   {100, "01/01/2104", "31/12/2104"}});
  // A blank list saved unchecked with F1 means no heading.
  ExpectFirstLoad("01/03/2004", "28/02/2005", "LINTANA =\nLINTANA F1\n", 0, "",
                  {{2, "01/03/2005", "28/02/2006"},
                   {4, "01/03/2007", "29/02/2008"},
                   {5, "01/03/2008", "28/02/2009"}});
  ExpectFirstLoad("01/03/2007", "29/02/2008", "LINTANA = [ Service ,  Atelier]\nCOMPTA = O\n", 2,
                  "1 : Service - 2 : Atelier", {{2, "01/03/2008", "28/02/2009"}});
}

// Through the component's call-backs and the real store: two asset records cover every byte
// value in every position; unknown operations are refused by name; re-keying the parameters for
// a duplicated company leaves one key, the new code.
TEST(FrontTest, RecordsOnTheStore) {
  TestCompany company("01/01/2026", "31/12/2026");
  company.Open("LINTANA = [Service]\nCOMPTA = O\n")->Run("LectParamImmo");
  auto session = company.Open();
  NvImmo component;  // the store calls it back while its files are open
  component.OuvImmo();
  MImmoState& m = MImmo();
  for (int shift : {0, 225}) {
    std::string text(225, ' ');
    for (int i = 0; i < 225; ++i) text[i] = static_cast<char>((i + shift) % 256);
    FromText(text, m.immo);
    int32_t number = 0;
    KeyedFile().Insert(m.kImmo, m.immo.CODNATI.str() + m.immo.NUMNATI.str(), m.fImmo, number);
    m.immo = AssetRecord();
    RecordFile().Read(m.fImmo, number);
    text[125] = ' ';  // the reserved byte is always written as a blank
    EXPECT_EQ(ToText(m.immo), text) << "shift " << shift;
  }
  m.immo.NOMFRN = "Etablissements Dupont et Fils de Lyon";  // a field cuts what is too long
  EXPECT_EQ(m.immo.NOMFRN.str(), "Etablissements Dupont et Fils ");
  int32_t record = 1;
  EXPECT_THROW(component.CallRecordOperation("LireInconnu", record), HostError);
  EXPECT_THROW(component.Call("Formater"), HostError);
  std::string code = "A", key;
  component.ModifEntParam(code);
  EXPECT_EQ(m.parimo.CEIMO.str(), "A ");
  EXPECT_EQ(m.parimo.LINTANA.str().substr(0, 9), "[Service]");
  int16_t found = 0;
  KeyedFile().First(m.kParimo, m.fParimo, found, key);
  ASSERT_NE(found, 0);
  EXPECT_EQ(key, "A");
  KeyedFile().Next(m.kParimo, m.fParimo, found, key);
  EXPECT_EQ(found, 0);
}

}  // namespace
}  // namespace actifix
