// What only the PostgreSQL store has, against a real server named by $ACTIFIX_TEST_PG (the
// tests' fixture starts one with scripts/pg_cluster.sh): walks longer than a batch, reads by
// windows, bulk mode, two programs on one company. The key-file semantics both stores share
// are StoreTest's, run on both.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "host/Cp1252.h"
#include "host/HostError.h"
#include "platform/store/pg/PgStore.h"
#include "support/StoreUser.h"
#include "support/TempDir.h"

namespace actifix::platform::testing {
namespace {

using namespace std::string_literals;

std::string Uri() {
  const char* uri = std::getenv("ACTIFIX_TEST_PG");
  if (uri == nullptr) throw std::runtime_error("ACTIFIX_TEST_PG absent : serveur de test ?");
  return uri;
}

// One program on a company (StoreUser).
struct Program : StoreUser {
  Program(const std::string& code, const std::filesystem::path& dir) {
    Open(std::make_unique<PgStore>(PgCompany::Open(Uri(), code), dir));
  }
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
    EXPECT_EQ(p->component->buffer.substr(0, key.size() + 1),
              key == "K00104" ? key + "!" : key + " ");
    seen.push_back(key);
    if (key == "K00002") p->Insert(p->primary, "A", "behind");
    if (key == "K00050") p->Insert(p->primary, "K00051", "K00051");
    if (key == "K00100") {  // a record ahead rewritten, then one ahead deleted
      p->component->buffer = "K00104!";
      p->records->Write(p->immo, entries[52].second);
    }
    if (key == "K00104") p->keyed->Delete(p->primary, "K00106", entries[53].second, p->immo);
    if (key == "K01500") p->store->Commit();
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
  p->store->Commit();
  p->store->HoldWriteLock();  // what is read below stays fetched through the writes
  const auto read = [&](int32_t n) {
    p->records->Read(p->immo, n);
    return p->component->buffer.substr(0, p->component->buffer.find(' '));
  };
  const auto find = [&](const std::string& key) {
    int16_t found = 0;
    p->keyed->Find(p->primary, key, p->immo, found);
    return found == 0 ? "-"s : p->component->buffer.substr(0, p->component->buffer.find(' '));
  };
  EXPECT_EQ(std::vector({read(1), read(2), read(3), find("K1040"), find("NEW")}),
            (Keys{"r1", "r2", "r3", "r40", "-"}));
  p->keyed->Delete(p->primary, "K1030", 30, p->immo);
  const int32_t added = p->Insert(p->primary, "K9999", "r301");
  p->keyed->AddKey(p->primary, "NEW", 2);
  EXPECT_EQ(find("K1040"), "r40");
  p->component->buffer = "n40";
  p->records->Write(p->immo, 40);
  EXPECT_EQ(std::vector({read(39), read(40), read(added), find("K1040"), find("NEW")}),
            (Keys{"r39", "n40", "r301", "n40", "r2"}));
  EXPECT_THROW(read(30), HostError);
  p->store->Commit();
  Program other(code, dir.path());
  EXPECT_EQ(std::vector({read(48), read(49), find("K1050")}), (Keys{"r48", "r49", "r50"}));
  other.component->buffer = "o50";
  other.records->Write(other.immo, 50);
  other.store->Commit();
  p->store->Commit();
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
  p->store->Commit();
  p->store->HoldWriteLock();
  p->store->SetBulk(true);
  int seen = 0, deleted = 0;
  std::string key;
  int16_t found = 0;
  for (p->keyed->First(p->primary, p->immo, found, key); found != 0;
       p->keyed->Next(p->primary, p->immo, found, key)) {
    EXPECT_EQ(key, "K" + std::to_string(10000 + seen));
    EXPECT_EQ(p->component->buffer.substr(0, 1), seen == PgStore::kWalkBatch + 100 ? "w" : "r");
    if (seen == PgStore::kWalkRestart + 4) {  // the batch after the next one asked already
      p->component->buffer = "w";
      p->records->Write(p->immo, PgStore::kWalkBatch + 101);
    }
    if (seen++ % 7 == 0) {
      ++deleted, p->keyed->Delete(p->primary, key, seen, p->immo);
    } else {
      p->component->buffer = "n" + std::to_string(seen);
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
  p->component->buffer = "again";
  p->records->Write(p->immo, 8);
  p->store->Commit();
  EXPECT_EQ(p->store->CountEntries("Immo"), total - deleted);
  std::string texts;
  p->store->ScanRecords("Immo", [&](int32_t n, std::string_view text) {
    if (n == 7 || n == 8 || n == 1500) texts += std::string(text.substr(0, text.find(' '))) + ",";
  });
  EXPECT_EQ(texts, "n7,again,n1500,");
  EXPECT_EQ(std::pair(p->List(p->secondary, "S"), p->List(p->primary, "K10002")),
            std::pair("[1,5]"s, "[1500]"s));
}

// Two programs: the second writer waits for the first's commit, then is refused with the
// store's French message; a consistent read ignores what the other commits meanwhile; the
// rebuilt keys keep the given order.
TEST_F(PgStoreTest, TwoProgramsTakeTurnsAndConsistentReadsIgnoreLaterCommits) {
  const int32_t a = p->Insert(p->primary, "A", "rec a");
  p->store->Commit();
  Program other(code, dir.path());
  p->store->HoldWriteLock();
  const auto start = std::chrono::steady_clock::now();
  try {
    other.Insert(other.primary, "B", "rec b");
    ADD_FAILURE() << "two writers at once";
  } catch (const HostError& error) {
    EXPECT_EQ(error.kind(), ErrorKind::kInUse) << error.what();
  }
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4900));
  p->store->Commit();
  const int32_t b = other.Insert(other.primary, "B", "rec b");
  EXPECT_EQ(b, a + 1);
  other.store->Commit();

  p->store->RebuildKeys("Immon", {{"K", b}, {"J", a}, {"K", a}});
  EXPECT_THROW(p->store->RebuildKeys("Immo", {{"A", a}, {"A", b}}), HostError);
  std::vector<std::pair<std::string, int32_t>> scanned;
  p->store->ScanKeys("Immon", [&](std::string_view k, int32_t n) { scanned.emplace_back(k, n); });
  EXPECT_EQ(scanned, (decltype(scanned){{"J", a}, {"K", b}, {"K", a}}));
  p->store->Commit();

  Keys texts;
  const auto scan = [&] {
    p->store->ScanRecords("Immo",
                          [&](int32_t, std::string_view text) { texts.emplace_back(text); });
  };
  p->store->ReadConsistently([&] {
    scan();
    other.component->buffer = "rec c";
    other.records->Write(other.immo, 3);
    other.store->Commit();
    scan();
  });
  scan();
  EXPECT_EQ(texts, (Keys{"rec a", "rec b", "rec a", "rec b", "rec a", "rec b", "rec c"}));
}

// Bulk mode: rows go by COPY, a failed Insert is taken back from it, reads see what was
// gathered, and a second "P" entry fails the whole transaction at the commit.
TEST_F(PgStoreTest, BulkWritesGoByCopyAndFailTheTransactionOnADuplicate) {
  p->store->Commit();
  p->store->SetBulk(true);
  for (const char* key : {"B", "A", "C"})
    p->keyed->AddKey(p->secondary, "DUP", p->Insert(p->primary, key, key));
  p->component->failOn = "EcrireImmo";
  EXPECT_THROW(p->Insert(p->primary, "X", "x"), HostError);
  p->component->failOn.clear();
  EXPECT_EQ(p->List(p->secondary, "DUP"), "[1,2,3]");
  EXPECT_EQ(p->Walk(p->primary), (Keys{"A", "B", "C"}));
  EXPECT_THROW(p->records->Read(p->immo, 4), HostError);
  p->store->Commit();
  EXPECT_EQ(p->Insert(p->primary, "D", "d"), 5);
  p->keyed->AddKey(p->primary, "A", 5);  // not refused at once
  try {
    p->store->Commit();
    ADD_FAILURE() << "duplicate committed";
  } catch (const HostError& error) {
    EXPECT_EQ(error.kind(), ErrorKind::kConflict) << error.what();
  }
  Reopen();
  EXPECT_EQ(p->Walk(p->primary), (Keys{"A", "B", "C"}));
  EXPECT_EQ(p->Insert(p->primary, "E", "e"), 5);  // the lost transaction's numbers given again
}

TEST_F(PgStoreTest, CompaniesAreMadeOnceListedAndKeepTheirSettings) {
  p->store->Commit();
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
