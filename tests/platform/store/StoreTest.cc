// The store of a company: key, record and text files, and the database file itself. Record
// numbers start at 1 in a new file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>

#include "host/Cp1252.h"
#include "host/HostError.h"
#include "platform/store/CompanyStore.h"
#include "platform/store/RecordSum.h"
#include "platform/store/sqlite/CompanyDatabase.h"
#include "support/Backend.h"
#include "support/PgSql.h"
#include "support/StoreUser.h"
#include "support/TempDir.h"
#include "support/Thrown.h"

namespace actifix::platform::testing {

using actifix::testing::BackendName;
using actifix::testing::EachBackend;
using actifix::testing::OnEachBackend;
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using actifix::testing::CauseOf;
using actifix::testing::FileBytes;
using actifix::testing::KindOf;

// Runs `sql` on the SQLite file at `path`, made if absent.
void MakeSqliteFile(const fs::path& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

// A new company, its files open (StoreUser), in a data directory or, for the parameter
// "PostgreSQL", on the test server under a code of the test's own (tests run there at once).
class StoreTest : public OnEachBackend, protected StoreUser {
 protected:
  void SetUp() override {
    if (OnServer()) {
      const char* server = std::getenv("ACTIFIX_TEST_PG");
      ASSERT_NE(server, nullptr);
      const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
      code_ = {static_cast<char>(std::toupper(test[0])), static_cast<char>(std::toupper(test[2]))};
    }
    // On a server, the text files go where they go on a directory.
    companies_ = MakeCompanyStore(
        OnServer() ? std::getenv("ACTIFIX_TEST_PG") : dir_.path().string(), dir_.path());
    if (OnServer()) companies_->Remove(code_);
    companies_->Create({code_, "SARL Exemple", "01/01/2026", "31/12/2026", "15/03/2026"});
    Reopen();
  }
  void TearDown() override {
    Close();
    if (OnServer()) companies_->Remove(code_);
  }

  // Drops the store without committing (as a crash would), then opens everything again.
  void Reopen() { Open(companies_->Open(code_)); }

  actifix::testing::TempDir dir_;
  std::string code_ = "01";
  std::unique_ptr<CompanyStore> companies_;
};

// memcmp order (0x00 first, >= 0x80 after ASCII, a prefix before its extensions), keys unpadded.
TEST_P(StoreTest, PrimaryKeysAreUniqueOrderedByteWiseAndListedByPrefix) {
  const Keys sorted = {"0",  "01AB",   "01ABC", "01\xFF"s,    "01\xFF\xFF"s,
                       "02", "A",      "A\0"s,  "A\0B"s,      "A ",
                       "AB", "A\x80"s, "\x7F"s, "\xE9t\xE9"s, "\xFF"s};
  Keys shuffled = sorted;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
  std::map<std::string, int32_t> number;
  for (const std::string& key : shuffled) number[key] = Insert(primary, key, key);
  // A second entry is refused, and leaves no record behind nor the first one changed.
  EXPECT_THROW(Insert(primary, "AB", "second"), HostError);
  std::string key;
  EXPECT_THROW(records->ReadText(immo, static_cast<int32_t>(sorted.size()) + 1, key), HostError);
  int16_t found = 0;
  keyed->Find(primary, "AB", immo, found);
  EXPECT_EQ(component->buffer, "AB" + std::string(254, ' '));

  EXPECT_EQ(Walk(primary), sorted);
  for (keyed->First(primary, immo, found, key); found != 0; keyed->Next(primary, immo, found, key))
    EXPECT_EQ(component->buffer.substr(0, key.size()), key);  // each step reads its own record
  const std::pair<std::string, Keys> cases[] = {{"", sorted},
                                                {"01", {"01AB", "01ABC", "01\xFF"s, "01\xFF\xFF"s}},
                                                {"01AB", {"01AB", "01ABC"}},
                                                {"01\xFF"s, {"01\xFF"s, "01\xFF\xFF"s}},
                                                {"01\xFF\xFF"s, {"01\xFF\xFF"s}},
                                                {"01ABC", {"01ABC"}},
                                                {"A\0"s, {"A\0"s, "A\0B"s}},
                                                {"\xFF"s, {"\xFF"s}},
                                                {"03", {}},
                                                {"01ABCD", {}}};
  for (const auto& [prefix, keys] : cases) {
    SCOPED_TRACE(ToUtf8(prefix));
    std::string expected = "[", firstTwo = "[";
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const std::string n = (i > 0 ? "," : "") + std::to_string(number[keys[i]]);
      expected += n;
      if (i < 2) firstTwo += n;
    }
    EXPECT_EQ(List(primary, prefix), expected + "]");
    // Counted on the keys, only the first two listed.
    EXPECT_EQ(Counted(primary, prefix, 2),
              std::pair(static_cast<int32_t>(keys.size()), firstTwo + "]"));
  }
}

TEST_P(StoreTest, SecondaryKeysKeepInsertionOrderAndRemovalsTakeOnlyWhatTheyName) {
  for (const char* key : {"A", "B", "C"}) Insert(primary, key, key);
  // Entered 3, 1, 2 under one key: they come back in that order, not by record number.
  for (const auto& [key, n] : {std::pair{"DUP", 3}, {"DUP", 1}, {"AAA", 2}, {"DUP", 2}})
    keyed->AddKey(secondary, key, n);
  EXPECT_EQ(List(secondary), "[2,3,1,2]");
  store->Commit();
  Reopen();
  keyed->AddKey(secondary, "DUP", 1);  // after the old ones, also after a reopen
  EXPECT_EQ(List(secondary, "DUP"), "[3,1,2,1]");
  EXPECT_EQ(Counted(secondary, "DUP", 3), std::pair(4, "[3,1,2]"s));
  EXPECT_EQ(Counted(secondary, "", 0), std::pair(5, "[]"s));
  int16_t found = 0;
  keyed->Find(secondary, "DUP", immo, found);  // the first entry of the key
  EXPECT_EQ(component->buffer.substr(0, 1), "C");

  keyed->RemoveKey(secondary, "DUP", 3);  // that key and number only; the record stays
  EXPECT_EQ(List(secondary), "[2,1,2,1]");
  records->Read(immo, 3);
  keyed->Delete(primary, "A", 1, immo);  // the entry and its record
  found = -1;
  keyed->Find(primary, "A", immo, found);
  EXPECT_EQ(found, 0);
  EXPECT_THROW(records->Read(immo, 1), HostError);
  EXPECT_THROW(keyed->Delete(primary, "A", 1, immo), HostError);
  keyed->Clear(secondary);
  EXPECT_EQ(List(secondary), "[]");
  records->Read(immo, 2);  // Clear leaves the records
}

TEST_P(StoreTest, WalksSeeChangesAheadAndKeepTheirOwnPlaces) {
  for (const char* key : {"B", "D", "F", "H"}) Insert(primary, key, key);
  Keys seen;
  std::string key;
  int16_t found = 0;
  for (keyed->First(primary, immo, found, key); found != 0;
       keyed->Next(primary, immo, found, key)) {
    seen.push_back(key);
    const int32_t number = Current();
    if (key == "B") Insert(primary, "A", "A");  // behind the cursor: not seen
    if (key == "D") Insert(primary, "E", "E");  // ahead: seen
    if (key == "E") store->Commit();            // a commit does not lose the place
    // The current entry goes with its record, as the fiscal-year opening removes assets.
    if (key == "D" || key == "F") keyed->Delete(primary, key, number, immo);
    if (key == "F") keyed->Delete(primary, "H", 4, immo);  // the next one, before it is reached
  }
  EXPECT_EQ(seen, (Keys{"B", "D", "E", "F"}));
  EXPECT_EQ(Walk(primary), (Keys{"A", "B", "E"}));

  for (const auto& [k, n] : {std::pair{"SA", 5}, {"SB", 1}, {"SE", 6}})
    keyed->AddKey(secondary, k, n);
  seen.clear();
  std::string k1, k2;
  int16_t f1 = 0, f2 = 0;
  keyed->First(primary, immo, f1, k1);
  for (keyed->First(secondary, immo, f2, k2); f1 != 0 || f2 != 0;) {
    if (f1 != 0) seen.push_back(k1), keyed->Next(primary, immo, f1, k1);
    if (f2 != 0) seen.push_back(k2), keyed->Next(secondary, immo, f2, k2);
  }
  EXPECT_EQ(seen, (Keys{"A", "SA", "B", "SB", "E", "SE"}));
  // At the end, Next stays at the end, and sees an entry added after the last one.
  keyed->Next(primary, immo, f1, k1);
  EXPECT_EQ(f1, 0);
  Insert(primary, "G", "G");
  keyed->Next(primary, immo, f1, k1);
  EXPECT_EQ(std::pair(f1 != 0, k1), std::pair(true, "G"s));
}

// Records read by number in order (as a register entered in order is walked), with rewrites,
// deletions, skips and steps back between the reads, each as it stands at its reading.
TEST_P(StoreTest, RecordsReadInOrderAreReadAsTheyStand) {
  std::map<int32_t, std::string> expected;
  const auto write = [&](int32_t number, const std::string& text) {
    component->buffer = expected[number] = text + std::to_string(number);
    records->Write(immo, number);
  };
  const auto remove = [&](int32_t number) {
    keyed->Delete(primary, "K" + std::to_string(1000 + number), number, immo);
    expected.erase(number);
  };
  for (int i = 1; i <= 300; ++i) Insert(primary, "K" + std::to_string(1000 + i), "");
  for (int32_t n = 1; n <= 300; ++n) n % 13 == 0 ? remove(n) : write(n, "record ");  // holes
  store->Commit();
  const auto read = [&](int32_t number) {
    if (expected.count(number) == 0) {  // missing, not another record taken for it
      EXPECT_EQ(KindOf([&] { records->Read(immo, number); }), ErrorKind::kNotFound) << number;
      return;
    }
    records->Read(immo, number);
    EXPECT_EQ(component->buffer.substr(0, expected[number].size()), expected[number]) << number;
  };
  for (int32_t n = 1; n <= 300; ++n) {
    const bool skipping = n >= 60 && n < 90;  // every other one read, over holes (65, 78)
    if (n % 7 == 0 && !skipping && expected.count(n + 1) != 0) write(n + 1, "next ");
    if (n == 100) n = 140;                                  // a skip past the reading ahead
    if (n == 200) remove(205), store->Commit(), read(150);  // one ahead removed; a step back
    if (!skipping || n % 2 == 0) read(n);
    if (n % 5 == 0 && !skipping && expected.count(n) != 0) write(n, "again ");  // behind
  }
  for (const auto& [n, text] : expected) read(n);
}

// Record numbers are never given twice, even the highest one deleted, even after a reopen.
TEST_P(StoreTest, FailedOrUncommittedWorkLeavesNothingAndNumbersAreNeverGivenAgain) {
  Insert(primary, "KEEP", "kept");
  for (const bool skipWrite : {false, true}) {  // Ecrire throws, or writes nothing
    SCOPED_TRACE(skipWrite);
    component->skipWrite = skipWrite;
    component->failOn = skipWrite ? "" : "EcrireImmo";
    EXPECT_THROW(Insert(primary, "LOST", "lost"), HostError);
    component->skipWrite = false;
    component->failOn.clear();
    EXPECT_EQ(List(primary), "[1]");
  }
  EXPECT_THROW(records->Read(immo, 2), HostError);
  keyed->AddKey(secondary, "S1", 1);
  const int32_t b = Insert(primary, "B", "b");
  keyed->Delete(primary, "B", b, immo);
  const int32_t c = Insert(primary, "C", "c");
  EXPECT_EQ(c, b + 1);
  store->Commit();
  const int32_t lost = Insert(primary, "LOST", "l");
  keyed->AddKey(secondary, "S2", lost);
  Reopen();  // no Commit: as after a crash
  EXPECT_EQ(Walk(primary), (Keys{"C", "KEEP"}));
  EXPECT_EQ(List(secondary), "[1]");
  EXPECT_THROW(records->Read(immo, lost), HostError);
  keyed->Delete(primary, "C", c, immo);
  store->Commit();
  Reopen();
  EXPECT_EQ(Insert(primary, "D", "d"), c + 1);
}

TEST_P(StoreTest, SortIndexStartsEmptyAtEachOpenAndGoesAtClose) {
  int16_t tri = 0;
  keyed->Open(-1, Store::kSortIndexName, 14, "S", tri);
  keyed->AddKey(tri, "GROUP1", Insert(primary, "A", "a"));
  keyed->AddKey(tri, "GROUP1", 1);
  EXPECT_EQ(Walk(tri), (Keys{"GROUP1", "GROUP1"}));
  EXPECT_EQ(Counted(tri, "GROUP", 1), std::pair(2, "[1]"s));
  keyed->Close(tri);
  EXPECT_THROW(keyed->AddKey(tri, "X", 1), HostError);
  // Another run with another key length starts from nothing.
  keyed->Open(-1, Store::kSortIndexName, 20, "S", tri);
  EXPECT_EQ(Walk(tri), Keys{});
  keyed->AddKey(tri, "GROUP2", 1);
  keyed->Open(-1, Store::kSortIndexName, 20, "S", tri);
  EXPECT_EQ(Walk(tri), Keys{});
}

// The bulk access of the register check: rebuilt keys in the order given under a running walk,
// and a consistent read that does not see what another program commits meanwhile.
TEST_P(StoreTest, RebuildKeepsTheGivenOrderAndConsistentReadsIgnoreLaterCommits) {
  const int32_t a = Insert(primary, "A", "rec a"), b = Insert(primary, "B", "rec b");
  keyed->AddKey(secondary, "K", a);
  std::string key;
  int16_t found = 0;
  keyed->First(secondary, immo, found, key);
  store->RebuildKeys("Immon", {{"K", b}, {"J", a}, {"K", a}});
  keyed->Next(secondary, immo, found, key);  // past the first "K": the second, now on a
  EXPECT_EQ(std::pair(key, Current()), std::pair("K"s, a));
  std::vector<std::pair<std::string, int32_t>> scanned;
  store->ScanKeys("Immon", [&](std::string_view k, int32_t n) { scanned.emplace_back(k, n); });
  EXPECT_EQ(scanned, (decltype(scanned){{"J", a}, {"K", b}, {"K", a}}));
  EXPECT_THROW(store->RebuildKeys("Immo", {{"A", a}, {"A", b}}), HostError);
  EXPECT_EQ(Walk(primary), (Keys{"A", "B"}));
  store->Commit();

  const std::unique_ptr<Store> other = companies_->Open(code_);
  auto otherRecords = other->MakeRecordFile();
  BufferComponent otherComponent(*otherRecords);
  otherRecords->Open(-1, "Immo", 256, otherComponent.handle, otherComponent);
  Keys texts;
  const auto scan = [&] {
    store->ScanRecords("Immo", [&](int32_t, std::string_view text) { texts.emplace_back(text); });
  };
  store->ReadConsistently([&] {
    scan();
    otherComponent.buffer = "rec c";
    otherRecords->Write(otherComponent.handle, 3);
    other->Commit();
    scan();
  });
  scan();
  EXPECT_EQ(texts, (Keys{"rec a", "rec b", "rec a", "rec b", "rec a", "rec b", "rec c"}));
}

// Every byte value through Ecrire and Lire over a commit and a reopen; short texts blank-filled.
TEST_P(StoreTest, RecordsKeepEveryByteAndTextFilesTheirLines) {
  std::string every(256, '\0'), shortText(225, 'x');  // 225 characters of layout in 256
  for (int i = 0; i < 256; ++i) every[i] = static_cast<char>(255 - i);
  shortText[0] = '\xE9';
  shortText[224] = '\0';
  Insert(primary, "A", "first");
  Insert(primary, "B", shortText);
  component->buffer = every;
  records->Write(immo, 1);
  int16_t text = 0, flag = 0;
  records->CreateText("01Immo.csv", text);
  records->WriteLine(text, "Code;Libell\xE9");
  records->WriteLine(text, "");
  store->Commit();
  Reopen();
  records->Read(immo, 1);
  EXPECT_EQ(component->buffer, every);
  EXPECT_EQ(component->lastCall, "LireImmo:1");
  EXPECT_EQ(Current(), 1);
  records->ReadText(immo, 2, component->buffer);
  EXPECT_EQ(component->buffer, shortText + std::string(31, ' '));
  EXPECT_EQ(FileBytes(dir_.path() / "01Immo.csv"), "Code;Libell\xE9\r\n\r\n");
  for (const auto& [name, exists] : {std::pair{"01Immo.csv"s, true},
                                     {(dir_.path() / "01Immo.csv").string(), true},
                                     {"01Tri.Dab"s, false}}) {
    records->Exists(name, flag);
    EXPECT_EQ(flag != 0, exists) << name;
  }
  // Opened again, a record file keeps its handle; another file gets one of its own.
  int16_t again = 0, nature = 0;
  records->Open(-1, "Immo", 256, again, *component);
  records->Open(-1, "Nature", 256, nature, *component);
  EXPECT_EQ(again, immo);
  EXPECT_TRUE(nature != immo && nature != primary && nature != secondary) << nature;
}

TEST_P(StoreTest, RefusesMisuseOfRecordAndKeyFiles) {
  const int32_t n = Insert(primary, "A", "a");
  int16_t h = 0, found = 0;
  std::string text;
  const std::tuple<const char*, std::function<void()>, const char*> cases[] = {
      {"text longer than the record", [&] { records->WriteText(immo, n, std::string(257, 'a')); },
       "HostRecordFile.WriteText"},
      {"missing record", [&] { records->ReadText(immo, n + 1, text); }, "HostRecordFile.ReadText"},
      {"key file used as a record file", [&] { records->Read(primary, n); }, "HostRecordFile.Read"},
      {"reopened with another length", [&] { records->Open(-1, "Immo", 128, h, *component); },
       "HostRecordFile.Open"},
      {"reopened as another kind", [&] { keyed->Open(-1, "Immon", 9, "P", h); },
       "HostKeyedFile.Open"},
      {"unknown kind", [&] { keyed->Open(-1, "Other", 4, "U", h); }, "HostKeyedFile.Open"},
      {"record file used as a key file", [&] { keyed->AddKey(immo, "X", n); },
       "HostKeyedFile.AddKey"},
      {"Next before First", [&] { keyed->Next(secondary, immo, found, text); },
       "HostKeyedFile.Next"},
      {"record number 0", [&] { records->Write(immo, 0); }, "HostRecordFile.Write"},
      {"record file used as a text file", [&] { records->WriteLine(immo, "X"); },
       "HostRecordFile.WriteLine"},
      {"name that is not a plain word", [&] { records->Open(-1, "Im\"mo", 128, h, *component); },
       "HostRecordFile.Open"},
      {"Ecrire that writes nothing", [&] { component->skipWrite = true, records->Write(immo, n); },
       "HostRecordFile.Write"},
      {"key longer than the key length", [&] { keyed->AddKey(secondary, "0123456789", n); },
       "HostKeyedFile.AddKey"},
      {"second entry of a P key", [&] { keyed->AddKey(primary, "A", n); }, "HostKeyedFile.AddKey"},
      {"entry on no record",
       [&] {
         keyed->AddKey(secondary, "GHOST", 999), keyed->Find(secondary, "GHOST", immo, found);
       },
       "HostKeyedFile.Find"},
  };
  for (const auto& [what, call, operation] : cases) {
    SCOPED_TRACE(what);
    try {
      call();
      ADD_FAILURE() << "no HostError";
    } catch (const HostError& error) {
      EXPECT_EQ(error.operation(), operation);
      EXPECT_FALSE(error.cause().empty());
    }
    component->skipWrite = false;
  }
}

// Bytes changed under the store's feet, and companies that are not what their name says: each
// refused with a French cause naming what is wrong, never taken for good data.
TEST_P(StoreTest, DamagedRecordsAndForeignCompaniesAreRefusedNamingWhatIsWrong) {
  const bool pg = OnServer();
  // Raw SQL on the company, "T." standing for its schema.
  const auto sql = [&](std::string statement) {
    for (std::size_t at; (at = statement.find("T.")) != std::string::npos;)
      statement.replace(at, 2, pg ? "\"actifix_" + code_ + "\"." : "");
    if (pg) return (void)actifix::testing::Sql(std::getenv("ACTIFIX_TEST_PG"), statement);
    MakeSqliteFile(dir_.path() / "01Actifix.db", statement);
  };
  EXPECT_EQ(Crc32c("123456789"), 0xE3069283u);  // the documented checksum, CRC-32C
  const std::string card = "MAT   00012 Fournisseur";
  const int32_t damaged = Insert(primary, "MAT   00012", card), other = Insert(primary, "B", "b");
  keyed->AddKey(secondary, "S", damaged);
  store->Commit();
  const std::string number = "(n° " + std::to_string(damaged) + ")",
                    told = number + " du fichier « Immo » est endommagé : restaurez",
                    one = " WHERE num = " + std::to_string(damaged),
                    from = "FROM T.\"r_Immo\" WHERE num = " + std::to_string(other);
  // Moved bytes name the record they came from, by its number all the same.
  const std::tuple<const char*, std::string, std::string> damages[] = {
      {"a byte changed inside the data",
       pg ? "UPDATE T.\"r_Immo\" SET data = overlay(data placing '\\x21'::bytea from 14 for 1)" +
                one
          : "UPDATE T.\"r_Immo\" SET data = CAST(substr(data, 1, 13) || '!' || substr(data, 15)"
            " AS BLOB)" +
                one,
       "l'enregistrement MAT 00012 " + told},
      {"the checksum gone", "UPDATE T.\"r_Immo\" SET sum = NULL" + one,
       "l'enregistrement MAT 00012 " + told},
      {"another record's bytes with their checksum",
       "UPDATE T.\"r_Immo\" SET data = (SELECT data " + from + "), sum = (SELECT sum " + from +
           ")" + one,
       told},
  };
  std::string key;
  int16_t found = 0;
  for (const auto& [what, damage, cause] : damages) {
    SCOPED_TRACE(what);
    records->WriteText(immo, damaged, card);  // whole again, with its checksum
    store->Commit();
    records->Read(immo, damaged);
    sql(damage);
    Reopen();
    store->NameRecords("Immo", {6, 5});
    for (const auto& read : std::initializer_list<std::function<void()>>{
             [&] { records->Read(immo, damaged); },
             [&] { keyed->Find(primary, "MAT   00012", immo, found); },
             [&] { keyed->First(secondary, immo, found, key); },
             [&] { store->ScanRecords("Immo", [](int32_t, std::string_view) {}); }})
      EXPECT_THAT(CauseOf(read), ::testing::HasSubstr(cause));
    std::vector<int32_t> listed, intact;
    store->ScanRecords(
        "Immo", [&](int32_t n, std::string_view) { intact.push_back(n); },
        [&](int32_t n, std::string_view) { listed.push_back(n); });
    EXPECT_EQ(listed, std::vector<int32_t>{damaged});
    EXPECT_EQ(intact, std::vector<int32_t>{other});
  }

  // A company made before the checksums gets them at its first opening.
  records->WriteText(immo, damaged, card);
  store->Commit();
  Close();
  sql("ALTER TABLE T.\"r_Immo\" DROP COLUMN sum");
  sql("UPDATE T.meta SET value = '1' WHERE name = 'schema_version'");
  Reopen();
  records->Read(immo, damaged);
  EXPECT_EQ(component->buffer.substr(0, card.size()), card);
  std::vector<int32_t> intact;
  store->ScanRecords("Immo", [&](int32_t n, std::string_view) { intact.push_back(n); });
  EXPECT_EQ(intact, (std::vector<int32_t>{damaged, other}));

  Close();
  const std::pair<std::string, std::string> companies[] = {
      {"UPDATE T.meta SET value = 'ZZ' WHERE name = 'code'",
       "l'entreprise enregistrée ici porte le code « ZZ », pas « " + code_ +
           " » : données endommagées ou venues d'une autre entreprise ; restaurez"},
      {"DELETE FROM T.meta WHERE name = 'code'",
       "le code de l'entreprise manque dans ses données : données endommagées"},
      {"DROP TABLE T.\"r_Immo\"", "le fichier « Immo » manque dans les données de l'entreprise"},
  };
  for (const auto& [damage, cause] : companies) {
    SCOPED_TRACE(damage);
    sql("DELETE FROM T.meta WHERE name = 'code'");
    sql("INSERT INTO T.meta(name, value) VALUES('code', '" + code_ + "')");
    sql(damage);
    EXPECT_THAT(CauseOf([&] { companies_->Open(code_); }), ::testing::StartsWith(cause));
    EXPECT_EQ(KindOf([&] { companies_->Settings(code_); }), ErrorKind::kDamaged);
    EXPECT_THAT(CauseOf([&] { companies_->Settings(code_); }), ::testing::StartsWith(cause));
  }
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreTest, EachBackend(), BackendName);

// Refused by Open and Create and left untouched, no journal, WAL or shared memory made beside.
TEST(CompanyDatabaseTest, RefusesFilesThatAreNotOursAndLeavesThemUntouched) {
  actifix::testing::TempDir dir;
  const fs::path path = dir.path() / "01Actifix.db";
  const auto create = [&] { CompanyDatabase::Create(path, {"01", "Société", "", "", ""}); };
  const auto files = [&] { return std::distance(fs::directory_iterator(dir.path()), {}); };
  const auto bytes = [&](const std::string& b) {
    return [&, b] { std::ofstream(path, std::ios::binary) << b; };
  };
  const auto sql = [&](const std::string& s) { return [&, s] { MakeSqliteFile(path, s); }; };
  std::mt19937 random(42);
  std::string noise(8192, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  const ErrorKind notOurs = ErrorKind::kDamaged;
  const std::tuple<const char*, std::function<void()>, ErrorKind> cases[] = {
      {"random bytes", bytes(noise), notOurs},
      {"empty file", bytes(""), notOurs},
      {"another application's database",
       sql("CREATE TABLE meta(name, value); INSERT INTO meta VALUES('schema_version','1');"),
       notOurs},
      {"another application in WAL mode",
       sql("PRAGMA application_id=7; PRAGMA journal_mode=WAL; CREATE TABLE t(x); INSERT INTO t "
           "VALUES(1);"),
       notOurs},
      {"our id but no schema",
       sql("PRAGMA application_id=" + std::to_string(CompanyDatabase::kApplicationId) +
           "; CREATE TABLE t(x);"),
       notOurs},
      {"ours cut short", [&] { create(), fs::resize_file(path, 50); }, notOurs},
      {"ours from a newer version",
       [&] {
         create(), MakeSqliteFile(path, "UPDATE meta SET value='99' WHERE name='schema_version'");
       },
       ErrorKind::kNotSupported},
      {"no file", [] {}, ErrorKind::kNotFound},
  };
  for (const auto& [what, make, kind] : cases) {
    SCOPED_TRACE(what);
    make();
    const std::string before = FileBytes(path);
    EXPECT_EQ(KindOf([&] { CompanyDatabase::Open(path); }), kind);
    if (fs::exists(path)) {
      EXPECT_THROW(create(), HostError);
    }
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_EQ(files(), fs::exists(path) ? 1 : 0);  // no journal, WAL or shared memory beside
    fs::remove(path);                              // the next case starts from an empty directory
  }
  create();  // ours is not made again either
  const std::string before = FileBytes(path);
  EXPECT_THROW(create(), HostError);
  EXPECT_EQ(FileBytes(path), before);
}

}  // namespace
}  // namespace actifix::platform::testing
