// Record files of the store: byte-exact round trips, blank filling, numbering, call-backs.
#include <gtest/gtest.h>

#include "platform/store/StoreTesting.h"

namespace actifix::platform::testing {
namespace {

// Every byte value, written by number through the Ecrire call-back over a first text, read
// back through Lire after a commit and a reopen.
TEST_F(StoreTest, RecordWithEveryByteSurvivesWriteCommitAndReopen) {
  const int32_t number = Insert(primary, "AAAAAA00001", "first");
  std::string every(256, '\0');
  for (int i = 0; i < 256; ++i) every[i] = static_cast<char>(255 - i);
  component->buffer["Immo"] = every;
  records->Write(immo, number);
  store->Commit();
  Reopen();
  records->Read(immo, number);
  EXPECT_EQ(component->buffer["Immo"], every);
  EXPECT_EQ(component->calls.back(), "LireImmo:" + std::to_string(number));
  int32_t last = 0;
  records->LastRecordNumber(immo, last);
  EXPECT_EQ(last, number);
}

TEST_F(StoreTest, ShortTextComesBackBlankFilledToTheRecordLength) {
  // 225 characters of layout in a record of 256: the last 31 come back as blanks.
  std::string text(225, 'x');
  text[0] = '\xE9';
  text[224] = '\0';
  const int32_t number = Insert(primary, "AAAAAA00001", text);
  std::string read;
  records->ReadText(immo, number, read);
  ASSERT_EQ(read.size(), 256u);
  EXPECT_EQ(read.substr(0, 225), text);
  EXPECT_EQ(read.substr(225), std::string(31, ' '));
}

TEST_F(StoreTest, RefusesWhatCannotBeStoredOrRead) {
  const int32_t number = Insert(primary, "AAAAAA00001", "ok");
  struct Case {
    const char* what;
    std::function<void()> call;
    const char* operation;
  } cases[] = {
      {"text longer than the record",
       [&] { records->WriteText(immo, number, std::string(257, 'a')); },
       "HostRecordFile.WriteText"},
      {"read of a missing record",
       [&] {
         std::string text;
         records->ReadText(immo, number + 1, text);
       },
       "HostRecordFile.ReadText"},
      {"Read of a missing record", [&] { records->Read(immo, 999); }, "HostRecordFile.Read"},
      {"record number 0", [&] { records->Write(immo, 0); }, "HostRecordFile.Write"},
      {"key-file handle used as a record file", [&] { records->Read(primary, number); },
       "HostRecordFile.Read"},
      {"reopened with another length",
       [&] {
         int16_t handle = 0;
         records->Open(-1, "Immo", 128, handle, *component);
       },
       "HostRecordFile.Open"},
      {"name that is not a plain word",
       [&] {
         int16_t handle = 0;
         records->Open(-1, "Im\"mo", 128, handle, *component);
       },
       "HostRecordFile.Open"},
      {"Ecrire that does not write",
       [&] {
         component->skipWrite = true;
         records->Write(immo, number);
       },
       "HostRecordFile.Write"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.call();
      ADD_FAILURE() << "no HostError";
    } catch (const HostError& error) {
      EXPECT_EQ(error.operation(), c.operation);
      EXPECT_FALSE(error.cause().empty());
    }
    component->skipWrite = false;
  }
}

TEST_F(StoreTest, RecordNumbersAreNeverGivenTwice) {
  const int32_t first = Insert(primary, "A", "one");
  const int32_t second = Insert(primary, "B", "two");
  EXPECT_EQ(second, first + 1);
  // Deleting the highest record does not give its number back, even after a reopen.
  keyed->Delete(primary, "B", second, immo);
  const int32_t third = Insert(primary, "C", "three");
  EXPECT_EQ(third, second + 1);
  keyed->Delete(primary, "C", third, immo);
  store->Commit();
  Reopen();
  EXPECT_EQ(Insert(primary, "D", "four"), second + 2);
}

TEST_F(StoreTest, SameRecordFileOpenedAgainKeepsItsHandle) {
  int16_t again = 0;
  records->Open(-1, "Immo", 256, again, *component);
  EXPECT_EQ(again, immo);
  int16_t nature = 0;
  records->Open(-1, "Nature", 256, nature, *component);
  EXPECT_NE(nature, immo);
  EXPECT_NE(nature, primary);
  EXPECT_NE(nature, secondary);
}

TEST_F(StoreTest, TextFilesAreWindows1252WithCrLf) {
  int16_t text = 0;
  records->CreateText("01Immo.csv", text);
  records->WriteLine(text, "Code;Libell\xE9");
  records->WriteLine(text, "");
  store->Commit();  // flushes
  const auto path = dir_.path() / "01Immo.csv";
  EXPECT_EQ(FileBytes(path), "Code;Libell\xE9\r\n\r\n");

  int16_t flag = 0;
  records->Exists("01Immo.csv", flag);
  EXPECT_NE(flag, 0);
  records->Exists(path.string(), flag);
  EXPECT_NE(flag, 0);
  records->Exists("01Tri.Dab", flag);
  EXPECT_EQ(flag, 0);

  // Created again: the earlier one is closed and the file starts empty.
  int16_t again = 0;
  records->CreateText(path.string(), again);
  records->WriteLine(again, "X");
  store->Commit();
  EXPECT_EQ(FileBytes(path), "X\r\n");
  EXPECT_THROW(records->WriteLine(immo, "X"), HostError);
}

}  // namespace
}  // namespace actifix::platform::testing
