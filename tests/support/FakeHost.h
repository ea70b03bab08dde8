// A host for tests: a HostFactory whose services live in memory and answer from settings
// that the test sets, and record what the module asked of them.
//
//   FakeHost host;                      // calendar year 01/01/2005 - 31/12/2005, company "01"
//   host.SetYear("01/07/2005", "30/06/2006");
//   InstallHostFactory(&host);          // then the module's accessors use it
//   ... BuildExerciseTable(); CalcAmort(...); EDTPA(); ...
//   EXPECT_EQ(host.lines.size(), 6);    // what the edition printed
//   ResetModuleState(); InstallHostFactory(nullptr);   // between tests (FakeHostScope does it)
//
// Toolkit: true -1, false 0, zero 0, empty ""; the key codes of the platform (Keys.h); the
// fiscal year, company, directories, page and interruption settings below.
// Runtime: Enter/Leave counted, reports recorded. Edition: every call recorded in order, and
// the cells of each printed line gathered. Record and key files: in memory, with the
// call-backs Lire+name / Ecrire+name made on the component given at Open, as the real store
// does. Screen, choice list and message box: calls logged; answers taken from queues, a
// question with no answer left throws HostError.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/HostFactory.h"

namespace actifix::testing {

// One call made to the edition: the operation name ("Open", "AddStyledTitle", "SetCell",
// "SetAmount", "PrintLine", "PrintTotals", "PrintTotalLine", "ResetTotals", "NewPage",
// "Feed", "Close", ...), its text argument(s) and its number.
struct EditionCall {
  std::string op;
  std::string text;   // title, column name, descriptor or column list
  std::string text2;  // cell text, style or sign
  double number = 0;  // amount, count, flag
};

// The cells set since the previous printed line, when PrintLine came.
struct PrintedLine {
  std::map<std::string, std::string> texts;
  std::map<std::string, double> amounts;
  // The amount of `column`, or nullopt when the line has none.
  std::optional<double> Amount(const std::string& column) const;
  // The text of `column`, or "" when the line has none.
  std::string Text(const std::string& column) const;
};

struct ReportedAnomaly {
  std::string message;  // Windows-1252, as the module gave it
  std::string routine;
};

// An answer to AskField / AskDate / AskConfirm: the value (for AskConfirm "O" or "N") and the
// key that ended the entry (0: the validation key).
struct ScreenAnswer {
  std::string value;
  int16_t key = 0;
};

class FakeHost : public HostFactory {
 public:
  FakeHost();
  ~FakeHost() override;
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  // The host's current fiscal year, as date texts; the day numbers follow.
  void SetYear(const std::string& start, const std::string& end);

  // --- Toolkit settings.
  std::string yearStart, yearEnd;
  std::string company = "01";
  std::string dataDirectory = "./";
  std::string workDate = "01/01/2005";
  std::string editionTitle;  // SetEditionTitle / GetEditionTitle
  int16_t pageLength = 66;
  int16_t pageLine = 1;
  // Interrupted() answers -1 from its interruptAt-th call on (counted from 1); 0: never.
  int interruptAt = 0;
  int interruptedCalls = 0;

  // --- Runtime records.
  std::vector<ReportedAnomaly> reports;
  int enters = 0, leaves = 0, starts = 0, prepares = 0;

  // --- Edition records.
  std::vector<EditionCall> editionCalls;
  std::vector<PrintedLine> lines;   // every PrintLine, in order
  std::vector<std::string> titles;  // AddTitle and AddStyledTitle texts
  int editionsOpened = 0, editionsClosed = 0;
  // The calls named `op`, in order.
  std::vector<EditionCall> Calls(const std::string& op) const;

  // --- Screen, choice list, message box.
  std::deque<ScreenAnswer> screenAnswers;
  std::deque<int32_t> choices;         // answers of HostChoiceList.Choose
  std::deque<std::string> marks;       // answers of HostChoiceList.ChooseSeveral
  std::vector<std::string> screenLog;  // "ASK field value", "SHOW field value", "BOX ...", ...

  // --- Ledger file entries written.
  std::vector<LedgerEntry> ledgerEntries;

  // --- In-memory files.
  struct RecordFileData {
    std::string name;
    int32_t length = 0;
    HostComponent* component = nullptr;
    std::map<int32_t, std::string> records;
    int32_t lastRead = 0;
  };
  struct KeyFileData {
    std::string name;
    int16_t keyLength = 0;
    std::string kind;                                      // "P" or "S"
    std::vector<std::pair<std::string, int32_t>> entries;  // by key, duplicates in order
    std::size_t cursor = 0;
  };
  std::map<int16_t, RecordFileData> recordFiles;              // by handle
  std::map<int16_t, KeyFileData> keyFiles;                    // by handle
  std::map<std::string, std::vector<std::string>> textFiles;  // CreateText / WriteLine
  // The handle of the record file or key file opened under `name` (0 when none).
  int16_t RecordHandle(const std::string& name) const;
  int16_t KeyHandle(const std::string& name) const;

  std::unique_ptr<HostStartup> MakeStartup() override;
  std::unique_ptr<HostLauncher> MakeLauncher() override;
  std::unique_ptr<HostRuntime> MakeRuntime() override;
  std::unique_ptr<HostToolkit> MakeToolkit() override;
  std::unique_ptr<HostScreen> MakeScreen() override;
  std::unique_ptr<HostChoiceList> MakeChoiceList() override;
  std::unique_ptr<HostMessageBox> MakeMessageBox() override;
  std::unique_ptr<HostEdition> MakeEdition() override;
  std::unique_ptr<HostRecordFile> MakeRecordFile() override;
  std::unique_ptr<HostKeyedFile> MakeKeyedFile() override;
  std::unique_ptr<HostLedgerFile> MakeLedgerFile() override;

  // Used by the services.
  PrintedLine pendingLine;
  int16_t nextHandle = 1;
};

// Installs a FakeHost on this thread with a fresh module state, and removes both at the end.
class FakeHostScope {
 public:
  explicit FakeHostScope(FakeHost& host);
  ~FakeHostScope();
  FakeHostScope(const FakeHostScope&) = delete;
  FakeHostScope& operator=(const FakeHostScope&) = delete;
};

}  // namespace actifix::testing
