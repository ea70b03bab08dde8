// Key files of the store: uniqueness, duplicates, byte order, walks that survive changes,
// prefixes, deletion, atomicity of Insert.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "host/Cp1252.h"

#include "platform/store/StoreTesting.h"

namespace actifix::platform::testing {
namespace {

using Keys = std::vector<std::string>;

TEST_F(StoreTest, PrimaryKeyFileRefusesASecondEntryAndKeepsNoRecordOfIt) {
  const int32_t number = Insert(primary, "NAT00100001", "first");
  try {
    Insert(primary, "NAT00100001", "second");
    ADD_FAILURE() << "duplicate accepted";
  } catch (const HostError& error) {
    EXPECT_EQ(error.operation(), "HostKeyedFile.Insert");
    EXPECT_EQ(error.subject(), "Immo");
  }
  // The refused insert left no record behind: the number it would have had is empty.
  std::string text;
  EXPECT_THROW(records->ReadText(immo, number + 1, text), HostError);
  EXPECT_THROW(keyed->AddKey(primary, "NAT00100001", number), HostError);
  EXPECT_EQ(Walk(primary), Keys{"NAT00100001"});
  EXPECT_EQ(component->buffer["Immo"], std::string("first") + std::string(251, ' '));
}

TEST_F(StoreTest, SecondaryKeyFileKeepsDuplicatesInInsertionOrder) {
  const int32_t a = Insert(primary, "A", "a");
  const int32_t b = Insert(primary, "B", "b");
  const int32_t c = Insert(primary, "C", "c");
  // Entered c, a, b under one key: they come back in that order, not by record number.
  keyed->AddKey(secondary, "DUP", c);
  keyed->AddKey(secondary, "DUP", a);
  keyed->AddKey(secondary, "AAA", b);
  keyed->AddKey(secondary, "DUP", b);
  std::string list;
  keyed->ListPrefix(secondary, "", list);
  EXPECT_EQ(list, "[" + std::to_string(b) + "," + std::to_string(c) + "," + std::to_string(a) +
                      "," + std::to_string(b) + "]");
  // The order of insertion also holds after a reopen (new entries go after the old ones).
  store->Commit();
  Reopen();
  keyed->AddKey(secondary, "DUP", a);
  keyed->ListPrefix(secondary, "DUP", list);
  EXPECT_EQ(list, "[" + std::to_string(c) + "," + std::to_string(a) + "," + std::to_string(b) +
                      "," + std::to_string(a) + "]");
  // Find gives the first entry of the key.
  int16_t found = 0;
  keyed->Find(secondary, "DUP", immo, found);
  EXPECT_NE(found, 0);
  EXPECT_EQ(component->buffer["Immo"].substr(0, 1), "c");
}

TEST_F(StoreTest, KeysAreOrderedByteWise) {
  // memcmp order: bytes >= 0x80 after ASCII, 0x00 before everything, a prefix before its
  // extensions; keys are kept as given (a short key is not padded).
  const Keys shuffled = {std::string("A\x80", 2),
                         std::string("A\0B", 3),
                         "AB",
                         std::string("\xFF", 1),
                         std::string("A", 1),
                         std::string("\xE9t\xE9", 3),
                         std::string("A\0", 2),
                         "A ",
                         std::string("\x7F", 1)};
  for (const std::string& key : shuffled) Insert(primary, key, key);
  Keys sorted = shuffled;
  std::sort(sorted.begin(), sorted.end(), [](const std::string& x, const std::string& y) {
    const int c = std::memcmp(x.data(), y.data(), std::min(x.size(), y.size()));
    return c != 0 ? c < 0 : x.size() < y.size();
  });
  EXPECT_EQ(sorted.front(), "A");
  EXPECT_EQ(sorted.back(), std::string("\xFF", 1));
  EXPECT_EQ(Walk(primary), sorted);
  // Each walk step read its own record into the buffer.
  std::string key;
  int16_t found = 0;
  keyed->First(primary, immo, found, key);
  keyed->Next(primary, immo, found, key);
  EXPECT_EQ(component->buffer["Immo"].substr(0, key.size()), key);
}

TEST_F(StoreTest, WalkSurvivesDeletionsAndInsertionsOnTheWay) {
  for (const char* key : {"B", "D", "F", "H"}) Insert(primary, key, key);
  Keys seen;
  std::string key;
  int16_t found = 0;
  int32_t number = 0;
  for (keyed->First(primary, immo, found, key); found != 0;
       keyed->Next(primary, immo, found, key)) {
    seen.push_back(key);
    records->LastRecordNumber(immo, number);
    if (key == "B") Insert(primary, "A", "A");  // behind the cursor: not seen
    if (key == "D") Insert(primary, "E", "E");  // ahead: seen
    if (key == "E") store->Commit();            // a commit does not lose the place
    // The current entry goes with its record, as the fiscal-year opening removes assets.
    if (key == "D" || key == "F") keyed->Delete(primary, key, number, immo);
    if (key == "F") {
      int32_t h = 0;
      int16_t hFound = 0;
      keyed->Find(primary, "H", immo, hFound);
      records->LastRecordNumber(immo, h);
      keyed->Delete(primary, "H", h, immo);  // the next one goes before it is reached
    }
  }
  EXPECT_EQ(seen, (Keys{"B", "D", "E", "F"}));
  EXPECT_EQ(Walk(primary), (Keys{"A", "B", "E"}));
}

TEST_F(StoreTest, TwoWalksInterleavedKeepTheirOwnPlaces) {
  for (const char* key : {"A", "B", "C"}) {
    const int32_t n = Insert(primary, key, key);
    keyed->AddKey(secondary, std::string("S") + key, n);
  }
  Keys seen;
  std::string k1, k2;
  int16_t f1 = 0, f2 = 0;
  keyed->First(primary, immo, f1, k1);
  keyed->First(secondary, immo, f2, k2);
  while (f1 != 0 || f2 != 0) {
    if (f1 != 0) seen.push_back(k1);
    if (f2 != 0) seen.push_back(k2);
    if (f1 != 0) keyed->Next(primary, immo, f1, k1);
    if (f2 != 0) keyed->Next(secondary, immo, f2, k2);
  }
  EXPECT_EQ(seen, (Keys{"A", "SA", "B", "SB", "C", "SC"}));
  // At the end, Next stays at the end, and sees an entry added after the last one.
  keyed->Next(primary, immo, f1, k1);
  EXPECT_EQ(f1, 0);
  Insert(primary, "D", "D");
  keyed->Next(primary, immo, f1, k1);
  EXPECT_NE(f1, 0);
  EXPECT_EQ(k1, "D");
}

TEST_F(StoreTest, ListPrefixGivesRecordNumbersInKeyOrder) {
  const int32_t n1 = Insert(primary, "01ABC", "1");
  const int32_t n2 = Insert(primary, "01AB", "2");
  const int32_t n3 = Insert(primary, std::string("01\xFF", 3), "3");
  const int32_t n4 = Insert(primary, std::string("01\xFF\xFF", 4), "4");
  const int32_t n5 = Insert(primary, "02", "5");
  const int32_t n6 = Insert(primary, "0", "6");
  auto list = [](std::initializer_list<int32_t> numbers) {
    std::string text = "[";
    for (int32_t n : numbers) text += (text.size() > 1 ? "," : "") + std::to_string(n);
    return text + "]";
  };
  const struct {
    std::string prefix;
    std::string expected;
  } cases[] = {
      {"", list({n6, n2, n1, n3, n4, n5})},
      {"01", list({n2, n1, n3, n4})},
      {"01AB", list({n2, n1})},
      {"01ABC", list({n1})},
      {std::string("01\xFF", 3), list({n3, n4})},
      {std::string("01\xFF\xFF", 4), list({n4})},
      {"03", "[]"},
      {"01ABCD", "[]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.prefix));
    std::string result;
    keyed->ListPrefix(primary, c.prefix, result);
    EXPECT_EQ(result, c.expected);
  }
}

TEST_F(StoreTest, DeleteRemovesEntryAndRecordRemoveKeyOnlyTheEntry) {
  const int32_t a = Insert(primary, "AAAAAA00001", "asset a");
  const int32_t b = Insert(primary, "AAAAAA00002", "asset b");
  keyed->AddKey(secondary, "AAAAAA123", a);
  keyed->AddKey(secondary, "AAAAAA123", b);

  keyed->RemoveKey(secondary, "AAAAAA123", a);
  std::string list;
  keyed->ListPrefix(secondary, "", list);
  EXPECT_EQ(list, "[" + std::to_string(b) + "]");
  records->Read(immo, a);  // the record stays

  keyed->Delete(primary, "AAAAAA00001", a, immo);
  int16_t found = -1;
  keyed->Find(primary, "AAAAAA00001", immo, found);
  EXPECT_EQ(found, 0);
  EXPECT_THROW(records->Read(immo, a), HostError);
  // Nothing left to delete under that key and number.
  EXPECT_THROW(keyed->Delete(primary, "AAAAAA00001", a, immo), HostError);

  keyed->Clear(secondary);
  keyed->ListPrefix(secondary, "", list);
  EXPECT_EQ(list, "[]");
  records->Read(immo, b);  // Clear leaves the records
}

TEST_F(StoreTest, FailingCallBackLeavesNeitherRecordNorKey) {
  Insert(primary, "KEEP", "kept");
  const struct {
    const char* what;
    bool skipWrite;
    const char* failOn;
  } cases[] = {{"Ecrire throws", false, "EcrireImmo"}, {"Ecrire writes nothing", true, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    component->skipWrite = c.skipWrite;
    component->failOn = c.failOn;
    EXPECT_THROW(Insert(primary, "LOST", "lost"), HostError);
    component->skipWrite = false;
    component->failOn.clear();
    EXPECT_EQ(Walk(primary), Keys{"KEEP"});
  }
  // The refused numbers hold no record; the next insert works.
  std::string list;
  keyed->ListPrefix(primary, "", list);
  EXPECT_EQ(list, "[1]");
  EXPECT_THROW(records->Read(immo, 2), HostError);
  Insert(primary, "NEW", "new");
  EXPECT_EQ(Walk(primary), (Keys{"KEEP", "NEW"}));
}

TEST_F(StoreTest, UncommittedWorkIsLostWholeCommittedWorkStays) {
  Insert(primary, "COMMITTED", "c");
  keyed->AddKey(secondary, "S1", 1);
  store->Commit();
  const int32_t lost = Insert(primary, "LOST", "l");
  keyed->AddKey(secondary, "S2", lost);
  Reopen();  // no Commit: as after a crash
  EXPECT_EQ(Walk(primary), Keys{"COMMITTED"});
  std::string list;
  keyed->ListPrefix(secondary, "", list);
  EXPECT_EQ(list, "[1]");
  EXPECT_THROW(records->Read(immo, lost), HostError);
}

TEST_F(StoreTest, SortIndexStartsEmptyAtEachOpenAndGoesAtClose) {
  const int32_t n = Insert(primary, "A", "a");
  int16_t tri = 0;
  keyed->Open(-1, Store::kSortIndexName, 14, "S", tri);
  keyed->AddKey(tri, "GROUP1", n);
  keyed->AddKey(tri, "GROUP1", n);
  EXPECT_EQ(Walk(tri), (Keys{"GROUP1", "GROUP1"}));
  keyed->Close(tri);
  EXPECT_THROW(keyed->AddKey(tri, "X", n), HostError);
  // Another run with another key length starts from nothing.
  keyed->Open(-1, Store::kSortIndexName, 20, "S", tri);
  EXPECT_EQ(Walk(tri), Keys{});
  keyed->AddKey(tri, "GROUP2", n);
  keyed->Open(-1, Store::kSortIndexName, 20, "S", tri);
  EXPECT_EQ(Walk(tri), Keys{});
}

TEST_F(StoreTest, RefusesMisuseOfKeyFiles) {
  const int32_t n = Insert(primary, "A", "a");
  const struct {
    const char* what;
    std::function<void()> call;
  } cases[] = {
      {"key longer than the key length", [&] { keyed->AddKey(secondary, "0123456789", n); }},
      {"Next before First",
       [&] {
         int16_t found = 0;
         std::string key;
         keyed->Next(secondary, immo, found, key);
       }},
      {"record handle used as a key file", [&] { keyed->AddKey(immo, "X", n); }},
      {"unknown kind",
       [&] {
         int16_t h = 0;
         keyed->Open(-1, "Other", 4, "U", h);
       }},
      {"reopened as another kind",
       [&] {
         int16_t h = 0;
         keyed->Open(-1, "Immon", 9, "P", h);
       }},
      {"entry pointing at no record",
       [&] {
         keyed->AddKey(secondary, "GHOST", 999);
         int16_t found = 0;
         keyed->Find(secondary, "GHOST", immo, found);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_THROW(c.call(), HostError);
  }
}

}  // namespace
}  // namespace actifix::platform::testing

namespace actifix::platform::testing {
namespace {

// The bulk access of the register check: a rebuilt "S" file walks its equal keys in the order
// given, a walk begun before goes on, a "P" file refuses a key twice and keeps what it had, and
// a consistent read does not see what another program commits meanwhile.
TEST_F(StoreTest, RebuildKeepsTheGivenOrderAndConsistentReadsIgnoreLaterCommits) {
  const int32_t a = Insert(primary, "A", "rec a"), b = Insert(primary, "B", "rec b");
  keyed->AddKey(secondary, "K", a);
  std::string key;
  int16_t found = 0;
  keyed->First(secondary, immo, found, key);
  store->RebuildKeys("Immon", {{"K", b}, {"J", a}, {"K", a}});
  keyed->Next(secondary, immo, found, key);  // past the first "K": the second, now on a
  int32_t number = 0;
  records->LastRecordNumber(immo, number);
  EXPECT_EQ(std::pair(key, number), std::pair(std::string("K"), a));
  std::vector<std::pair<std::string, int32_t>> scanned;
  store->ScanKeys("Immon", [&](std::string_view k, int32_t n) { scanned.emplace_back(k, n); });
  EXPECT_EQ(scanned, (decltype(scanned){{"J", a}, {"K", b}, {"K", a}}));
  EXPECT_THROW(store->RebuildKeys("Immo", {{"A", a}, {"A", b}}), HostError);
  EXPECT_EQ(Walk(primary), (Keys{"A", "B"}));
  store->Commit();

  Store other(CompanyDatabase::Open(path()));
  auto otherRecords = other.MakeRecordFile();
  BufferComponent otherComponent(*otherRecords);
  int16_t handle = 0;
  otherRecords->Open(-1, "Immo", 256, handle, otherComponent);
  otherComponent.Attach("Immo", handle);
  std::vector<std::string> texts;
  store->ReadConsistently([&] {
    store->ScanRecords("Immo", [&](int32_t, std::string_view text) { texts.emplace_back(text); });
    otherComponent.buffer["Immo"] = "rec c";
    otherRecords->Write(handle, 3);
    other.Commit();
    store->ScanRecords("Immo", [&](int32_t, std::string_view text) { texts.emplace_back(text); });
  });
  EXPECT_EQ(texts, (Keys{"rec a", "rec b", "rec a", "rec b"}));
  int n = 0;
  store->ScanRecords("Immo", [&](int32_t, std::string_view) { ++n; });
  EXPECT_EQ(n, 3);
}

}  // namespace
}  // namespace actifix::platform::testing
