// The PostgreSQL store against a real server, named by $ACTIFIX_TEST_PG (the tests' fixture
// starts one with scripts/pg_cluster.sh): the key-file semantics of the SQLite store, walks
// longer than a batch, and two programs on one company.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <random>

#include "host/Cp1252.h"
#include "host/HostError.h"
#include "platform/store/pg/PgStore.h"
#include "support/TempDir.h"

namespace actifix::platform::testing {
namespace {

using namespace std::string_literals;
using Keys = std::vector<std::string>;

std::string Uri() {
  const char* uri = std::getenv("ACTIFIX_TEST_PG");
  if (uri == nullptr) throw std::runtime_error("ACTIFIX_TEST_PG absent : serveur de test ?");
  return uri;
}

struct BufferComponent : HostComponent {
  explicit BufferComponent(HostRecordFile& r) : records(r) {}
  void CallRecordOperation(const std::string& name, int32_t& E) override {
    if (name == "LireImmo")
      records.ReadText(handle, E, buffer);
    else if (!skipWrite)
      records.WriteText(handle, E, buffer);
    if (name == failOn) throw HostError(name, "", "échec voulu par le test");  // after writing
  }
  HostRecordFile& records;
  int16_t handle = 0;
  std::string buffer, failOn;
  bool skipWrite = false;
};

// One program on a company: its store, record file "Immo" (256), key files "Immo" (P, 11)
// and "Immon" (S, 9).
struct Program {
  Program(const std::string& code, const std::filesystem::path& dir)
      : store(PgCompany::Open(Uri(), code), dir),
        records(store.MakeRecordFile()),
        keyed(store.MakeKeyedFile()),
        component(*records) {
    records->Open(-1, "Immo", 256, immo, component);
    component.handle = immo;
    keyed->Open(-1, "Immo", 11, "P", primary);
    keyed->Open(-1, "Immon", 9, "S", secondary);
  }
  int32_t Insert(int16_t keyHandle, const std::string& key, const std::string& text) {
    component.buffer = text;
    int32_t number = 0;
    keyed->Insert(keyHandle, key, immo, number);
    return number;
  }
  std::string List(int16_t keyHandle, const std::string& prefix = "") {
    std::string list;
    keyed->ListPrefix(keyHandle, prefix, list);
    return list;
  }
  int32_t Current() {
    int32_t number = 0;
    records->LastRecordNumber(immo, number);
    return number;
  }
  Keys Walk(int16_t keyHandle) {
    Keys keys;
    int16_t found = 0;
    std::string key;
    for (keyed->First(keyHandle, immo, found, key); found != 0;
         keyed->Next(keyHandle, immo, found, key))
      keys.push_back(key);
    return keys;
  }

  PgStore store;
  std::unique_ptr<HostRecordFile> records;
  std::unique_ptr<HostKeyedFile> keyed;
  BufferComponent component;
  int16_t immo = 0, primary = 0, secondary = 0;
};

// Each test has a company of its own, made afresh: tests run at once on one server.
class PgStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Named by the test's initial: the tests' names start with different letters.
    code = "Z"s + ::testing::UnitTest::GetInstance()->current_test_info()->name()[0];
    PgCompany::Drop(Uri(), code);
    PgCompany::Create(Uri(), {code, "SARL Exemple", "01/01/2026", "31/12/2026", "15/03/2026"});
    Reopen();
  }
  void TearDown() override {
    p.reset();
    PgCompany::Drop(Uri(), code);
  }
  void Reopen() {
    p.reset();
    p = std::make_unique<Program>(code, dir.path());
  }

  actifix::testing::TempDir dir;
  std::string code;
  std::unique_ptr<Program> p;
};

// memcmp order on bytea (0x00 first, >= 0x80 after ASCII, 0xFF last, a prefix before its
// extensions), unique "P" keys, and prefixes ending in 0xFF bytes.
TEST_F(PgStoreTest, PrimaryKeysAreUniqueOrderedByteWiseAndListedByPrefix) {
  const Keys sorted = {"0",  "01AB",   "01ABC", "01\xFF"s,    "01\xFF\xFF"s,
                       "02", "A",      "A\0"s,  "A\0B"s,      "A ",
                       "AB", "A\x80"s, "\x7F"s, "\xE9t\xE9"s, "\xFF"s};
  Keys shuffled = sorted;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
  std::map<std::string, int32_t> number;
  for (const std::string& key : shuffled) number[key] = p->Insert(p->primary, key, key);
  try {
    p->Insert(p->primary, "AB", "second");
    ADD_FAILURE() << "duplicate accepted";
  } catch (const HostError& error) {
    EXPECT_EQ(error.operation() + " " + error.subject(), "HostKeyedFile.Insert Immo");
  }
  EXPECT_THROW(p->keyed->AddKey(p->primary, "AB", 1), HostError);
  std::string text;
  EXPECT_THROW(p->records->ReadText(p->immo, static_cast<int32_t>(sorted.size()) + 1, text),
               HostError);
  int16_t found = 0;
  p->keyed->Find(p->primary, "AB", p->immo, found);
  EXPECT_EQ(p->component.buffer, "AB" + std::string(254, ' '));
  p->store.Commit();
  EXPECT_EQ(p->Walk(p->primary), sorted);
  const std::pair<std::string, Keys> cases[] = {{"", sorted},
                                                {"01", {"01AB", "01ABC", "01\xFF"s, "01\xFF\xFF"s}},
                                                {"01\xFF"s, {"01\xFF"s, "01\xFF\xFF"s}},
                                                {"01\xFF\xFF"s, {"01\xFF\xFF"s}},
                                                {"\xFF"s, {"\xFF"s}},
                                                {"A\0"s, {"A\0"s, "A\0B"s}},
                                                {"01ABCD", {}}};
  for (const auto& [prefix, keys] : cases) {
    SCOPED_TRACE(ToUtf8(prefix));
    std::string expected = "[";
    for (const std::string& k : keys)
      expected += (expected.size() > 1 ? "," : "") + std::to_string(number[k]);
    EXPECT_EQ(p->List(p->primary, prefix), expected + "]");
  }
}

TEST_F(PgStoreTest, SecondaryKeysKeepInsertionOrderAndRemovalsTakeOnlyWhatTheyName) {
  for (const char* key : {"A", "B", "C"}) p->Insert(p->primary, key, key);
  for (const auto& [key, n] : {std::pair{"DUP", 3}, {"DUP", 1}, {"AAA", 2}, {"DUP", 2}})
    p->keyed->AddKey(p->secondary, key, n);
  EXPECT_EQ(p->List(p->secondary), "[2,3,1,2]");
  p->store.Commit();
  Reopen();
  p->keyed->AddKey(p->secondary, "DUP", 1);
  EXPECT_EQ(p->List(p->secondary, "DUP"), "[3,1,2,1]");
  int16_t found = 0;
  p->keyed->Find(p->secondary, "DUP", p->immo, found);
  EXPECT_EQ(p->component.buffer.substr(0, 1), "C");
  p->keyed->RemoveKey(p->secondary, "DUP", 3);
  EXPECT_EQ(p->List(p->secondary), "[2,1,2,1]");
  p->keyed->Delete(p->primary, "A", 1, p->immo);
  EXPECT_THROW(p->records->Read(p->immo, 1), HostError);
  EXPECT_THROW(p->keyed->Delete(p->primary, "A", 1, p->immo), HostError);
  p->keyed->Clear(p->secondary);
  EXPECT_EQ(p->List(p->secondary), "[]");
  EXPECT_EQ(p->store.CountEntries("Immo"), 2);
}

// A walk longer than a batch, changed around its place: entries and records written ahead are
// seen, what is behind is not, a commit keeps the place.
TEST_F(PgStoreTest, WalksSeeChangesAheadAcrossBatches) {
  const int total = 2 * PgStore::kWalkBatch + 5;
  std::vector<std::pair<std::string, int32_t>> entries;
  for (int i = 0; i < total; ++i) {
    char key[8];
    std::snprintf(key, sizeof key, "K%05d", 2 * i);
    entries.emplace_back(key, p->Insert(p->primary, key, key));
  }
  Keys seen;
  std::string key;
  int16_t found = 0;
  for (p->keyed->First(p->primary, p->immo, found, key); found != 0;
       p->keyed->Next(p->primary, p->immo, found, key)) {
    EXPECT_EQ(p->component.buffer.substr(0, key.size() + 1),
              key == "K00104" ? key + "!" : key + " ");
    seen.push_back(key);
    if (key == "K00002") p->Insert(p->primary, "A", "behind");
    if (key == "K00050") p->Insert(p->primary, "K00051", "K00051");
    if (key == "K00100") {  // a record ahead rewritten, then one ahead deleted
      p->component.buffer = "K00104!";
      p->records->Write(p->immo, entries[52].second);
    }
    if (key == "K00104") p->keyed->Delete(p->primary, "K00106", entries[53].second, p->immo);
    if (key == "K01500") p->store.Commit();
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(total));  // one added ahead, one deleted
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(std::count(seen.begin(), seen.end(), "K00051"), 1);
  // At the end, Next stays at the end, and sees an entry added after the last one.
  p->keyed->Next(p->primary, p->immo, found, key);
  EXPECT_EQ(found, 0);
  p->Insert(p->primary, "Z", "Z");
  p->keyed->Next(p->primary, p->immo, found, key);
  EXPECT_EQ(std::pair(found != 0, key), std::pair(true, "Z"s));
}

// Reads by number come by windows and Finds are remembered: both see this program's writes at
// once (a record rewritten, deleted, added inside a window fetched before it, a key added), and
// another program's commit after the next commit.
TEST_F(PgStoreTest, ReadsByNumberAndFindsSeeWhatWasWrittenSince) {
  for (int i = 1; i <= 300; ++i)
    p->Insert(p->primary, "K" + std::to_string(1000 + i), "r" + std::to_string(i));
  p->store.Commit();
  p->store.HoldWriteLock();  // what is read below stays fetched through the writes
  const auto read = [&](int32_t n) {
    p->records->Read(p->immo, n);
    return p->component.buffer.substr(0, p->component.buffer.find(' '));
  };
  const auto find = [&](const std::string& key) {
    int16_t found = 0;
    p->keyed->Find(p->primary, key, p->immo, found);
    return found == 0 ? "-"s : p->component.buffer.substr(0, p->component.buffer.find(' '));
  };
  EXPECT_EQ(std::vector({read(1), read(2), read(3), find("K1040"), find("NEW")}),
            (Keys{"r1", "r2", "r3", "r40", "-"}));
  p->keyed->Delete(p->primary, "K1030", 30, p->immo);
  const int32_t added = p->Insert(p->primary, "K9999", "r301");
  p->keyed->AddKey(p->primary, "NEW", 2);
  EXPECT_EQ(find("K1040"), "r40");
  p->component.buffer = "n40";
  p->records->Write(p->immo, 40);
  EXPECT_EQ(std::vector({read(39), read(40), read(added), find("K1040"), find("NEW")}),
            (Keys{"r39", "n40", "r301", "n40", "r2"}));
  EXPECT_THROW(read(30), HostError);
  p->store.Commit();
  Program other(code, dir.path());
  EXPECT_EQ(std::vector({read(48), read(49), find("K1050")}), (Keys{"r48", "r49", "r50"}));
  other.component.buffer = "o50";
  other.records->Write(other.immo, 50);
  other.store.Commit();
  p->store.Commit();
  EXPECT_EQ(std::vector({read(49), read(50), find("K1050")}), (Keys{"r49", "o50", "o50"}));
}

// A walk that deletes some of the entries it reaches and rewrites the others, in its write
// transaction and in bulk mode (the rewrites held back go together), as the year opening
// does, and rewrites a record of the batch asked ahead: every entry seen once, each record
// read as written, a record deleted then written again back; "S" entries removed, one twice
// over, and a "P" key removed then added again (removals held back too).
TEST_F(PgStoreTest, DeletingWhatAWalkReachesKeepsItsBatchesRight) {
  const int total = 2 * PgStore::kWalkBatch + 5;
  for (int i = 0; i < total; ++i) p->Insert(p->primary, "K" + std::to_string(10000 + i), "r");
  for (const int32_t n : {1, 2, 3, 3, 4, 5}) p->keyed->AddKey(p->secondary, "S", n);
  p->store.Commit();
  p->store.HoldWriteLock();
  p->store.SetBulk(true);
  int seen = 0, deleted = 0;
  std::string key;
  int16_t found = 0;
  for (p->keyed->First(p->primary, p->immo, found, key); found != 0;
       p->keyed->Next(p->primary, p->immo, found, key)) {
    EXPECT_EQ(key, "K" + std::to_string(10000 + seen));
    EXPECT_EQ(p->component.buffer.substr(0, 1), seen == PgStore::kWalkBatch + 100 ? "w" : "r");
    if (seen == PgStore::kWalkRestart + 4) {  // the batch after the next one asked already
      p->component.buffer = "w";
      p->records->Write(p->immo, PgStore::kWalkBatch + 101);
    }
    if (seen++ % 7 == 0) {
      ++deleted, p->keyed->Delete(p->primary, key, seen, p->immo);
    } else {
      p->component.buffer = "n" + std::to_string(seen);
      p->records->Write(p->immo, seen);
    }
    if (seen == 2 || seen == 4) p->keyed->RemoveKey(p->secondary, "S", seen);
  }
  EXPECT_EQ(p->List(p->secondary, "S"), "[1,3,3,5]");
  p->keyed->RemoveKey(p->secondary, "S", 3);
  p->keyed->RemoveKey(p->secondary, "S", 3);
  p->keyed->RemoveKey(p->primary, "K10002", 3);
  p->keyed->AddKey(p->primary, "K10002", 1500);
  EXPECT_EQ(seen, total);
  EXPECT_THROW(p->records->Read(p->immo, 8), HostError);
  p->component.buffer = "again";
  p->records->Write(p->immo, 8);
  p->store.Commit();
  EXPECT_EQ(p->store.CountEntries("Immo"), total - deleted);
  std::string texts;
  p->store.ScanRecords("Immo", [&](int32_t n, std::string_view text) {
    if (n == 7 || n == 8 || n == 1500) texts += std::string(text.substr(0, text.find(' '))) + ",";
  });
  EXPECT_EQ(texts, "n7,again,n1500,");
  EXPECT_EQ(std::pair(p->List(p->secondary, "S"), p->List(p->primary, "K10002")),
            std::pair("[1,5]"s, "[1500]"s));
}

TEST_F(PgStoreTest, FailedOrUncommittedWorkLeavesNothingAndNumbersAreNeverGivenAgain) {
  p->Insert(p->primary, "KEEP", "kept");
  for (const bool skipWrite : {false, true}) {
    p->component.skipWrite = skipWrite;
    p->component.failOn = skipWrite ? "" : "EcrireImmo";
    EXPECT_THROW(p->Insert(p->primary, "LOST", "lost"), HostError);
    p->component.skipWrite = false;
    p->component.failOn.clear();
    EXPECT_EQ(p->List(p->primary), "[1]");
  }
  const int32_t b = p->Insert(p->primary, "B", "b");
  p->keyed->Delete(p->primary, "B", b, p->immo);
  const int32_t c = p->Insert(p->primary, "C", "c");
  EXPECT_EQ(c, b + 1);
  p->store.Commit();
  const int32_t lost = p->Insert(p->primary, "LOST", "l");
  p->keyed->AddKey(p->secondary, "S2", lost);
  Reopen();  // no Commit: as after a crash
  EXPECT_EQ(p->Walk(p->primary), (Keys{"C", "KEEP"}));
  EXPECT_EQ(p->List(p->secondary), "[]");
  p->keyed->Delete(p->primary, "C", c, p->immo);
  p->store.Commit();
  Reopen();
  EXPECT_EQ(p->Insert(p->primary, "D", "d"), c + 1);
  int16_t tri = 0;  // the sort index never reaches the server
  p->keyed->Open(-1, PgStore::kSortIndexName, 14, "S", tri);
  p->keyed->AddKey(tri, "G", c + 1);
  p->keyed->AddKey(tri, "G", 1);
  EXPECT_EQ(p->Walk(tri), (Keys{"G", "G"}));
  EXPECT_THROW(p->store.CountEntries("Tri"), HostError);
}

// Two programs: the second writer waits for the first's commit, then is refused with the
// store's French message; a consistent read ignores what the other commits meanwhile; the
// rebuilt keys keep the given order.
TEST_F(PgStoreTest, TwoProgramsTakeTurnsAndConsistentReadsIgnoreLaterCommits) {
  const int32_t a = p->Insert(p->primary, "A", "rec a");
  p->store.Commit();
  Program other(code, dir.path());
  p->store.HoldWriteLock();
  const auto start = std::chrono::steady_clock::now();
  try {
    other.Insert(other.primary, "B", "rec b");
    ADD_FAILURE() << "two writers at once";
  } catch (const HostError& error) {
    EXPECT_EQ(error.cause(), pg::kBusyCause);
  }
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4900));
  p->store.Commit();
  const int32_t b = other.Insert(other.primary, "B", "rec b");
  EXPECT_EQ(b, a + 1);
  other.store.Commit();

  p->store.RebuildKeys("Immon", {{"K", b}, {"J", a}, {"K", a}});
  EXPECT_THROW(p->store.RebuildKeys("Immo", {{"A", a}, {"A", b}}), HostError);
  std::vector<std::pair<std::string, int32_t>> scanned;
  p->store.ScanKeys("Immon", [&](std::string_view k, int32_t n) { scanned.emplace_back(k, n); });
  EXPECT_EQ(scanned, (decltype(scanned){{"J", a}, {"K", b}, {"K", a}}));
  p->store.Commit();

  Keys texts;
  const auto scan = [&] {
    p->store.ScanRecords("Immo", [&](int32_t, std::string_view text) { texts.emplace_back(text); });
  };
  p->store.ReadConsistently([&] {
    scan();
    other.component.buffer = "rec c";
    other.records->Write(other.immo, 3);
    other.store.Commit();
    scan();
  });
  scan();
  EXPECT_EQ(texts, (Keys{"rec a", "rec b", "rec a", "rec b", "rec a", "rec b", "rec c"}));
}

// Bulk mode: rows go by COPY, a failed Insert is taken back from it, reads see what was
// gathered, and a second "P" entry fails the whole transaction at the commit.
TEST_F(PgStoreTest, BulkWritesGoByCopyAndFailTheTransactionOnADuplicate) {
  p->store.Commit();
  p->store.database().SetBulk(true);
  for (const char* key : {"B", "A", "C"})
    p->keyed->AddKey(p->secondary, "DUP", p->Insert(p->primary, key, key));
  p->component.failOn = "EcrireImmo";
  EXPECT_THROW(p->Insert(p->primary, "X", "x"), HostError);
  p->component.failOn.clear();
  EXPECT_EQ(p->List(p->secondary, "DUP"), "[1,2,3]");
  EXPECT_EQ(p->Walk(p->primary), (Keys{"A", "B", "C"}));
  EXPECT_THROW(p->records->Read(p->immo, 4), HostError);
  p->store.Commit();
  EXPECT_EQ(p->Insert(p->primary, "D", "d"), 5);
  p->keyed->AddKey(p->primary, "A", 5);  // not refused at once
  try {
    p->store.Commit();
    ADD_FAILURE() << "duplicate committed";
  } catch (const HostError& error) {
    EXPECT_EQ(error.cause(), "clé déjà présente");
  }
  Reopen();
  EXPECT_EQ(p->Walk(p->primary), (Keys{"A", "B", "C"}));
  EXPECT_EQ(p->Insert(p->primary, "E", "e"), 5);  // the lost transaction's numbers given again
}

TEST_F(PgStoreTest, CompaniesAreMadeOnceListedAndKeepTheirSettings) {
  p->store.Commit();
  EXPECT_THROW(PgCompany::Create(Uri(), {code, "Autre", "", "", ""}), HostError);
  EXPECT_THROW(PgCompany::Open(Uri(), "z?"), HostError);
  const std::vector<std::string> codes = PgCompany::List(Uri());
  EXPECT_EQ(std::count(codes.begin(), codes.end(), code), 1);
  auto company = PgCompany::Open(Uri(), code);
  EXPECT_EQ(company->Settings().name, "SARL Exemple");
  company->SaveSettings({code, "Société é", "01/01/2027", "31/12/2027", "02/01/2027"});
  company->MarkYearOpened("01/01/2027", "02/01/2027 10:00");
  company->CommitWrite("test");
  EXPECT_EQ(PgCompany::Open(Uri(), code)->Settings().name, "Société é");
  EXPECT_EQ(PgCompany::Open(Uri(), code)->YearOpened("01/01/2027"), "02/01/2027 10:00");
}

}  // namespace
}  // namespace actifix::platform::testing
