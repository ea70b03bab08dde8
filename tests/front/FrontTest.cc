// The component's start-up on the real store: parameters, headings, exercise table,
// re-keying of a duplicated company, and the record call-backs.
#include <gtest/gtest.h>

#include <string>

#include "front/MImmo.h"
#include "front/NvImmo.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "support/TestCompany.h"

namespace actifix {
namespace {

using testing::TestCompany;

// Answers for the parameters screen a new company is given.
std::string ParametersScript(const std::string& headings) {
  return "LINTANA = " + headings + "\nCOMPTA = O\n";
}

struct ExerciseCase {
  const char* yearStart;
  const char* yearEnd;
  int entry;
  const char* start;
  const char* end;
};

class ExerciseTableTest : public ::testing::TestWithParam<ExerciseCase> {};

TEST_P(ExerciseTableTest, FollowsTheCurrentYear) {
  const ExerciseCase& c = GetParam();
  TestCompany company(c.yearStart, c.yearEnd);
  auto session = company.Open(ParametersScript("[]"));
  session->Run("LectParamImmo");
  const MImmoState& m = MImmo();
  EXPECT_EQ(m.exerciseIndex, 1);
  const Exercise& e = m.exercises[c.entry];
  EXPECT_EQ(e.startText, c.start);
  EXPECT_EQ(e.endText, c.end);
  int32_t start = 0, end = 0;
  HostDates().DayNumber(c.start, start);
  HostDates().DayNumber(c.end, end);
  EXPECT_EQ(e.startDay, start);
  EXPECT_EQ(e.endDay, end);
  // Consecutive years leave no gap.
  for (int i = 2; i <= 100; ++i) EXPECT_EQ(m.exercises[i].startDay, m.exercises[i - 1].endDay + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Years, ExerciseTableTest,
    ::testing::Values(ExerciseCase{"01/01/2005", "31/12/2005", 1, "01/01/2005", "31/12/2005"},
                      ExerciseCase{"01/01/2005", "31/12/2005", 2, "01/01/2006", "31/12/2006"},
                      ExerciseCase{"01/01/2005", "31/12/2005", 100, "01/01/2104", "31/12/2104"},
                      ExerciseCase{"01/03/2004", "28/02/2005", 2, "01/03/2005", "28/02/2006"},
                      ExerciseCase{"01/03/2004", "28/02/2005", 4, "01/03/2007", "29/02/2008"},
                      ExerciseCase{"01/03/2004", "28/02/2005", 5, "01/03/2008", "28/02/2009"},
                      ExerciseCase{"01/03/2007", "29/02/2008", 2, "01/03/2008", "28/02/2009"},
                      ExerciseCase{"01/07/2026", "30/06/2027", 3, "01/07/2028", "30/06/2029"}));

struct HeadingCase {
  const char* script;  // answers of the parameters screen
  int32_t count;
  const char* legend;
};

class HeadingsTest : public ::testing::TestWithParam<HeadingCase> {};

TEST_P(HeadingsTest, CountAndLegend) {
  const HeadingCase& c = GetParam();
  TestCompany company("01/01/2026", "31/12/2026");
  auto session = company.Open(c.script);
  session->Run("LectParamImmo");
  EXPECT_EQ(MImmo().headingCount, c.count);
  EXPECT_EQ(MImmo().headingLegend, c.legend);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, HeadingsTest,
    ::testing::Values(HeadingCase{"LINTANA = []\nCOMPTA = O\n", 0, ""},
                      // A blank list saved unchecked with F1 means no heading.
                      HeadingCase{"LINTANA =\nLINTANA F1\n", 0, ""},
                      HeadingCase{"LINTANA = [Service,Atelier]\nCOMPTA = O\n", 2,
                                  "1 : Service - 2 : Atelier"},
                      HeadingCase{"LINTANA = [ Service ,  Atelier]\nCOMPTA = O\n", 2,
                                  "1 : Service - 2 : Atelier"},
                      HeadingCase{"LINTANA = [Site,Service,Projet]\nCOMPTA = O\n", 3,
                                  "1 : Site - 2 : Service - 3 : Projet"}));

TEST(ParametersTest, SecondLoadFindsTheRecordWithoutAskingAgain) {
  TestCompany company("01/01/2026", "31/12/2026");
  company.Open(ParametersScript("[Service]"))->Run("LectParamImmo");
  // An empty script: any question from the screen would stop the run.
  auto session = company.Open();
  session->Run("LectParamImmo");
  EXPECT_EQ(MImmo().headingCount, 1);
  EXPECT_EQ(MImmo().parimo.CEIMO.str(), "01");
}

TEST(ParametersTest, RekeyingForADuplicatedCompanyKeepsOneKey) {
  TestCompany company("01/01/2026", "31/12/2026");
  company.Open(ParametersScript("[Service]"))->Run("LectParamImmo");
  auto session = company.Open();
  NvImmo component;
  std::string code = "A";
  component.ModifEntParam(code);
  MImmoState& m = MImmo();
  EXPECT_EQ(m.parimo.CEIMO.str(), "A ");
  int16_t found = 0;
  KeyedFile().Find(m.kParimo, "A", m.fParimo, found);
  EXPECT_NE(found, 0);
  EXPECT_EQ(m.parimo.LINTANA.str().substr(0, 9), "[Service]");
  KeyedFile().Find(m.kParimo, "01", m.fParimo, found);
  EXPECT_EQ(found, 0);
  std::string key;
  KeyedFile().First(m.kParimo, m.fParimo, found, key);
  ASSERT_NE(found, 0);
  EXPECT_EQ(key, "A");
  KeyedFile().Next(m.kParimo, m.fParimo, found, key);
  EXPECT_EQ(found, 0);
}

// A company that has its parameters, with the module's files open. The component must live
// as long as the files: the store calls it back.
struct OpenedCompany {
  explicit OpenedCompany(TestCompany& company) {
    company.Open(ParametersScript("[Service,Atelier,Site]"))->Run("LectParamImmo");
    session = company.Open();
    component.OuvImmo();
    component.LectParamImmo();
  }
  std::unique_ptr<platform::Session> session;
  NvImmo component;
};

TEST(AssetRecordTest, EveryByteSurvivesTheRoundTrip) {
  TestCompany company("01/01/2026", "31/12/2026");
  OpenedCompany opened(company);
  MImmoState& m = MImmo();
  // Two records cover every byte value 0..255 in every packed field's positions.
  for (int shift : {0, 225}) {
    std::string text(225, ' ');
    for (int i = 0; i < 225; ++i) text[i] = static_cast<char>((i + shift) % 256);
    FromText(text, m.immo);
    int32_t number = 0;
    KeyedFile().Insert(m.kImmo, m.immo.CODNATI.str() + m.immo.NUMNATI.str(), m.fImmo, number);
    m.immo = AssetRecord();
    RecordFile().Read(m.fImmo, number);
    std::string expected = text;
    expected[125] = ' ';  // the reserved byte is always written as a blank
    EXPECT_EQ(ToText(m.immo), expected) << "shift " << shift;
    std::string stored;
    RecordFile().ReadText(m.fImmo, number, stored);
    ASSERT_EQ(stored.size(), 256u);
    EXPECT_EQ(stored.substr(225), std::string(31, ' '));
  }
}

TEST(AssetRecordTest, LongTextIsCutAndBlankProceedsReadAsZero) {
  TestCompany company("01/01/2026", "31/12/2026");
  OpenedCompany opened(company);
  MImmoState& m = MImmo();
  m.immo = AssetRecord();
  m.immo.CODNATI = "MAT";
  m.immo.NUMNATI = "00001";
  m.immo.NOMFRN = "Etablissements Dupont et Fils de Lyon";
  int32_t number = 0;
  KeyedFile().Insert(m.kImmo, m.immo.CODNATI.str() + m.immo.NUMNATI.str(), m.fImmo, number);
  m.immo = AssetRecord();
  RecordFile().Read(m.fImmo, number);
  EXPECT_EQ(m.immo.NOMFRN.str(), "Etablissements Dupont et Fils ");
  EXPECT_EQ(ToText(m.immo).size(), 225u);
  double proceeds = -1;
  Convert().UnpackDouble(m.immo.MTCESS.str(), proceeds);
  EXPECT_EQ(proceeds, 0.0);
}

TEST(AssetRecordTest, OneAnalyticKeyPerCode) {
  TestCompany company("01/01/2026", "31/12/2026");
  OpenedCompany opened(company);
  MImmoState& m = MImmo();
  ASSERT_EQ(m.headingCount, 3);
  std::string packedDate;
  Dates().PackDate("15/03/2026", packedDate);
  m.immo = AssetRecord();
  m.immo.CODNATI = "MAT";
  m.immo.NUMNATI = "00001";
  m.immo.DATACQ = packedDate;
  m.immo.LCANA = "[ADM,AT1,PARIS01]";
  int32_t number = 0;
  KeyedFile().Insert(m.kImmo, "MAT   00001", m.fImmo, number);
  std::string list;
  Convert().Trim(m.immo.LCANA.str(), list);
  while (list != "[]") {
    std::string element, code;
    Brackets().TakeFirst(list, element);
    Convert().Pad(element.substr(0, 6), 0, 6, code);
    KeyedFile().AddKey(m.kImmoa, code + packedDate, number);
  }
  std::vector<std::string> keys;
  int16_t found = 0;
  std::string key;
  for (KeyedFile().First(m.kImmoa, m.fImmo, found, key); found != 0;
       KeyedFile().Next(m.kImmoa, m.fImmo, found, key)) {
    keys.push_back(key);
    int32_t read = 0;
    RecordFile().LastRecordNumber(m.fImmo, read);
    EXPECT_EQ(read, number);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"ADM   " + packedDate, "AT1   " + packedDate,
                                            "PARIS0" + packedDate}));
}

TEST(ComponentTest, UnknownOperationsAreRefusedByName) {
  TestCompany company("01/01/2026", "31/12/2026");
  OpenedCompany opened(company);
  int32_t record = 1;
  EXPECT_THROW(opened.component.CallRecordOperation("LireInconnu", record), HostError);
  EXPECT_THROW(opened.component.Call("Formater"), HostError);
}

}  // namespace
}  // namespace actifix
