#include "support/FakeHost.h"

#include <algorithm>

#include "front/MImmo.h"
#include "host/Cp1252.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "platform/screen/Keys.h"

namespace actifix::testing {

namespace {

using platform::Key;

std::string DayText(const std::string& date) {
  int32_t day = 0;
  HostDates().DayNumber(date, day);
  return std::to_string(day);
}

class FakeStartup : public HostStartup {
 public:
  explicit FakeStartup(FakeHost& host) : host_(host) {}
  void Start() override { ++host_.starts; }

 private:
  FakeHost& host_;
};

class FakeLauncher : public HostLauncher {
 public:
  explicit FakeLauncher(FakeHost& host) : host_(host) {}
  void Register(HostComponent&, const std::string&, const std::string&, HostAppObject*,
                HostAppObject*, const std::string&, const std::string&) override {}
  void Prepare() override { ++host_.prepares; }

 private:
  FakeHost& host_;
};

class FakeRuntime : public HostRuntime {
 public:
  explicit FakeRuntime(FakeHost& host) : host_(host) {}
  void Enter() override { ++host_.enters; }
  void Leave() override { ++host_.leaves; }
  void Report(const std::string& message, const std::string& routine, const int16_t&) override {
    host_.reports.push_back({message, routine});
  }

 private:
  FakeHost& host_;
};

class FakeToolkit : public HostToolkit {
 public:
  explicit FakeToolkit(FakeHost& host) : host_(host) {}
  void TrueValue(int16_t& v) override { v = -1; }
  void FalseValue(int16_t& v) override { v = 0; }
  void ZeroValue(int16_t& v) override { v = 0; }
  void EmptyText(std::string& v) override { v.clear(); }
  void KeyF1(int16_t& c) override { c = Key::kKeyF1; }
  void KeyF2(int16_t& c) override { c = Key::kKeyF2; }
  void KeyF6(int16_t& c) override { c = Key::kKeyF6; }
  void KeyF8(int16_t& c) override { c = Key::kKeyF8; }
  void KeyF12(int16_t& c) override { c = Key::kKeyF12; }
  void KeyUp(int16_t& c) override { c = Key::kKeyUp; }
  void KeyPageUp(int16_t& c) override { c = Key::kKeyPageUp; }
  void KeyValidate(int16_t& c) override { c = Key::kKeyValidate; }
  void CompanyPrefix(std::string& code) override { code = host_.company; }
  void DataDirectory(std::string& path) override { path = host_.dataDirectory; }
  void YearStartText(std::string& date) override { date = host_.yearStart; }
  void YearEndText(std::string& date) override { date = host_.yearEnd; }
  void YearStartDay(std::string& day) override { day = DayText(host_.yearStart); }
  void YearEndDay(std::string& day) override { day = DayText(host_.yearEnd); }
  void WorkDate(std::string& date) override { date = host_.workDate; }
  void SetEditionTitle(const std::string& title) override { host_.editionTitle = title; }
  void GetEditionTitle(std::string& title) override { title = host_.editionTitle; }
  void Interrupted(int16_t& flag) override {
    ++host_.interruptedCalls;
    flag = host_.interruptAt > 0 && host_.interruptedCalls >= host_.interruptAt ? -1 : 0;
  }
  void PageLength(int16_t& lines) override { lines = host_.pageLength; }
  void PageLine(int16_t& line) override { line = host_.pageLine; }

 private:
  FakeHost& host_;
};

ScreenAnswer NextAnswer(FakeHost& host, const std::string& field) {
  if (host.screenAnswers.empty())
    throw HostError("FakeHost", ToUtf8(field), "plus aucune réponse prévue pour l'écran");
  ScreenAnswer answer = host.screenAnswers.front();
  host.screenAnswers.pop_front();
  if (answer.key == 0) answer.key = Key::kKeyValidate;
  return answer;
}

class FakeScreen : public HostScreen {
 public:
  explicit FakeScreen(FakeHost& host) : host_(host) {}
  void Clear(int16_t& status) override {
    status = 0;
    Log("CLEAR");
  }
  void SetTitle(std::string title) override { Log("TITLE " + title); }
  void DefineFields(const std::string& fieldList) override { Log("FIELDS " + fieldList); }
  void AskField(const std::string& field, std::string& value, int16_t& key, const std::string&,
                const std::string&) override {
    const ScreenAnswer answer = NextAnswer(host_, field);
    value = answer.value;
    key = answer.key;
    Log("ASK " + field + " " + value);
  }
  void AskDate(const std::string& field, std::string& dateText, int16_t& key, int32_t& day,
               const std::string&) override {
    const ScreenAnswer answer = NextAnswer(host_, field);
    dateText = answer.value;
    key = answer.key;
    HostDates().DayNumber(dateText, day);
    Log("ASK " + field + " " + dateText);
  }
  void AskConfirm(int16_t& answer, int16_t& key, const std::string&) override {
    const ScreenAnswer a = NextAnswer(host_, "CONFIRM");
    answer = a.value == "O" || a.value == "yes" ? -1 : 0;
    key = a.key;
    Log("CONFIRM " + a.value);
  }
  void ShowField(const std::string& field, const std::string& value) override {
    Log("SHOW " + field + " " + value);
  }
  void SetFieldNote(const std::string& field, const std::string&,
                    const std::string& note) override {
    Log("NOTE " + field + " " + note);
  }
  void SetFieldHint(const std::string& field, const std::string&,
                    const std::string& text) override {
    Log("HINT " + field + " " + text);
  }
  void SetFieldHelp(const std::string& field, const std::string&,
                    const std::string& text) override {
    Log("HELP " + field + " " + text);
  }
  void ShowMessage(const std::string&, const std::string& text) override { Log("MESSAGE " + text); }
  void ShowLine(int16_t line, const std::string&, std::string text) override {
    Log("LINE " + std::to_string(line) + " " + text);
  }
  void ShowExplanation(const std::string&, const std::string& lines, const std::string&) override {
    Log("EXPLAIN " + lines);
  }
  void FormatValue(std::string&, const std::string&) override {}
  void SetOption(int16_t) override {}
  void OpenScroll(int16_t, int16_t) override {}
  void ScrollLine(const std::string& line) override { Log("SCROLL " + line); }

 private:
  void Log(const std::string& entry) { host_.screenLog.push_back(entry); }
  FakeHost& host_;
};

class FakeChoiceList : public HostChoiceList {
 public:
  explicit FakeChoiceList(FakeHost& host) : host_(host) {}
  void Choose(const std::string& title, const std::string&, const std::string&,
              int32_t& chosen) override {
    if (host_.choices.empty())
      throw HostError("FakeHost", ToUtf8(title), "plus aucun choix prévu pour la liste");
    chosen = host_.choices.front();
    host_.choices.pop_front();
    host_.screenLog.push_back("CHOOSE " + std::to_string(chosen));
  }
  void ChooseSeveral(const std::string&, const std::string&, const std::string& title,
                     std::string& marks) override {
    if (host_.marks.empty())
      throw HostError("FakeHost", ToUtf8(title), "plus aucune marque prévue pour la liste");
    marks = host_.marks.front();
    host_.marks.pop_front();
    host_.screenLog.push_back("MARK " + marks);
  }

 private:
  FakeHost& host_;
};

class FakeMessageBox : public HostMessageBox {
 public:
  explicit FakeMessageBox(FakeHost& host) : host_(host) {}
  void Show(const std::string&, const std::string& title, const std::string& message,
            int16_t& result) override {
    result = 0;
    host_.screenLog.push_back("BOX " + title + ": " + message);
  }

 private:
  FakeHost& host_;
};

class FakeEdition : public HostEdition {
 public:
  explicit FakeEdition(FakeHost& host) : host_(host) {}
  void Open(const int16_t&, const int16_t&, const int16_t&, const std::string& title,
            const int16_t& option) override {
    ++host_.editionsOpened;
    Record("Open", title, "", option);
  }
  void AddTitle(const std::string& title, const std::string& style) override {
    host_.titles.push_back(title);
    Record("AddTitle", title, style);
  }
  void AddStyledTitle(const std::string& text, const std::string& style,
                      const std::string&) override {
    host_.titles.push_back(text);
    Record("AddStyledTitle", text, style);
  }
  void DefineColumns(const std::string& descriptor) override {
    Record("DefineColumns", descriptor);
  }
  void SetCell(const std::string& column, const std::string& text, const std::string&) override {
    host_.pendingLine.texts[column] = text;
    Record("SetCell", column, text);
  }
  void SetAmount(const std::string& column, double value, const std::string&) override {
    host_.pendingLine.amounts[column] = value;
    Record("SetAmount", column, "", value);
  }
  void PrintLine() override {
    host_.lines.push_back(host_.pendingLine);
    host_.pendingLine = PrintedLine();
    Record("PrintLine");
  }
  void Step(const int16_t& count) override { Record("Step", "", "", count); }
  void SectionTotals(const std::string& columns, const int16_t& flag) override {
    Record("SectionTotals", columns, "", flag);
  }
  void PrintSectionTotalLine(const std::string& descriptor, const std::string& sign) override {
    Record("PrintSectionTotalLine", descriptor, sign);
  }
  void CarryTotal(const std::string& column, const int16_t& level,
                  const std::string& sign) override {
    Record("CarryTotal", column, sign, level);
  }
  void PrintTotals(const std::string& columns) override { Record("PrintTotals", columns); }
  void PrintTotalLine(const std::string& descriptor, const std::string& sign) override {
    Record("PrintTotalLine", descriptor, sign);
  }
  void ResetTotals(const std::string& columns) override { Record("ResetTotals", columns); }
  void Feed(const int16_t& lines) override { Record("Feed", "", "", lines); }
  void NewPage() override { Record("NewPage"); }
  void Close(const int16_t& flag) override {
    ++host_.editionsClosed;
    Record("Close", "", "", flag);
  }

 private:
  void Record(const std::string& op, const std::string& text = "", const std::string& text2 = "",
              double number = 0) {
    host_.editionCalls.push_back({op, text, text2, number});
  }
  FakeHost& host_;
};

FakeHost::RecordFileData& RecordFileOf(FakeHost& host, int16_t handle) {
  const auto it = host.recordFiles.find(handle);
  if (it == host.recordFiles.end())
    throw HostError("HostRecordFile", std::to_string(handle), "fichier non ouvert");
  return it->second;
}

FakeHost::KeyFileData& KeyFileOf(FakeHost& host, int16_t handle) {
  const auto it = host.keyFiles.find(handle);
  if (it == host.keyFiles.end())
    throw HostError("HostKeyedFile", std::to_string(handle), "fichier d'index non ouvert");
  return it->second;
}

// The record-file operations that the key files use too.
void ReadRecord(FakeHost& host, int16_t handle, int32_t number) {
  FakeHost::RecordFileData& file = RecordFileOf(host, handle);
  if (file.records.count(number) == 0)
    throw HostError("HostRecordFile.Read", file.name + " " + std::to_string(number),
                    "enregistrement inexistant");
  file.lastRead = number;
  if (file.component == nullptr)
    throw HostError("HostRecordFile.Read", file.name, "aucun composant pour la lecture");
  file.component->CallRecordOperation("Lire" + file.name, number);
}

void WriteRecord(FakeHost& host, int16_t handle, int32_t number) {
  FakeHost::RecordFileData& file = RecordFileOf(host, handle);
  if (file.component == nullptr)
    throw HostError("HostRecordFile.Write", file.name, "aucun composant pour l'écriture");
  file.component->CallRecordOperation("Ecrire" + file.name, number);
}

class FakeRecordFile : public HostRecordFile {
 public:
  explicit FakeRecordFile(FakeHost& host) : host_(host) {}
  void Open(const int16_t&, const std::string& name, const int32_t& recordLength, int16_t& handle,
            HostComponent& component) override {
    handle = host_.RecordHandle(name);
    if (handle == 0) handle = host_.nextHandle++;
    FakeHost::RecordFileData& file = host_.recordFiles[handle];
    file.name = name;
    file.length = recordLength;
    file.component = &component;
  }
  void Read(const int16_t& handle, const int32_t& number) override {
    ReadRecord(host_, handle, number);
  }
  void Write(const int16_t& handle, const int32_t& number) override {
    WriteRecord(host_, handle, number);
  }
  void ReadText(const int16_t& handle, const int32_t& number, std::string& text) override {
    FakeHost::RecordFileData& file = RecordFileOf(host_, handle);
    const auto it = file.records.find(number);
    if (it == file.records.end())
      throw HostError("HostRecordFile.ReadText", file.name + " " + std::to_string(number),
                      "enregistrement inexistant");
    text = it->second;
  }
  void WriteText(const int16_t& handle, const int32_t& number, const std::string& text) override {
    FakeHost::RecordFileData& file = RecordFileOf(host_, handle);
    std::string stored = text.substr(0, static_cast<std::size_t>(file.length));
    stored.resize(static_cast<std::size_t>(file.length), ' ');
    file.records[number] = stored;
  }
  void LastRecordNumber(const int16_t& handle, int32_t& number) override {
    number = RecordFileOf(host_, handle).lastRead;
  }
  void CreateText(const std::string& fileName, int16_t& handle) override {
    handle = host_.nextHandle++;
    names_[handle] = fileName;
    host_.textFiles[fileName].clear();
  }
  void WriteLine(const int16_t& handle, const std::string& line) override {
    const auto it = names_.find(handle);
    if (it == names_.end())
      throw HostError("HostRecordFile.WriteLine", std::to_string(handle), "fichier non créé");
    host_.textFiles[it->second].push_back(line);
  }
  void Exists(const std::string& path, int16_t& flag) override {
    flag = host_.textFiles.count(path) != 0 ? -1 : 0;
  }

 private:
  FakeHost& host_;
  std::map<int16_t, std::string> names_;
};

class FakeKeyedFile : public HostKeyedFile {
 public:
  explicit FakeKeyedFile(FakeHost& host) : host_(host) {}
  void Open(const int16_t&, const std::string& name, const int16_t& keyLength,
            const std::string& kind, int16_t& handle) override {
    handle = host_.KeyHandle(name);
    if (handle == 0) handle = host_.nextHandle++;
    FakeHost::KeyFileData& file = host_.keyFiles[handle];
    file.name = name;
    file.keyLength = keyLength;
    file.kind = kind;
  }
  void Find(const int16_t& keyHandle, const std::string& key, const int16_t& recordHandle,
            int16_t& found) override {
    FakeHost::KeyFileData& file = KeyFileOf(host_, keyHandle);
    const std::string k = Fit(file, key);
    const auto it = Lower(file, k);
    found = 0;
    if (it == file.entries.end() || it->first != k) return;
    ReadRecord(host_, recordHandle, it->second);
    found = -1;
  }
  void Insert(const int16_t& keyHandle, const std::string& key, const int16_t& recordHandle,
              int32_t& number) override {
    FakeHost::KeyFileData& file = KeyFileOf(host_, keyHandle);
    const std::string k = Fit(file, key);
    const auto it = Lower(file, k);
    if (file.kind == "P" && it != file.entries.end() && it->first == k)
      throw HostError("HostKeyedFile.Insert", ToUtf8(k), "clé déjà présente");
    FakeHost::RecordFileData& records = RecordFileOf(host_, recordHandle);
    number = records.records.empty() ? 1 : records.records.rbegin()->first + 1;
    WriteRecord(host_, recordHandle, number);
    AddKey(keyHandle, key, number);
  }
  void AddKey(const int16_t& keyHandle, const std::string& key, const int32_t& number) override {
    FakeHost::KeyFileData& file = KeyFileOf(host_, keyHandle);
    const std::string k = Fit(file, key);
    const auto at = std::upper_bound(
        file.entries.begin(), file.entries.end(), k,
        [](const std::string& a, const std::pair<std::string, int32_t>& e) { return a < e.first; });
    file.entries.insert(at, {k, number});
  }
  void Delete(const int16_t& keyHandle, const std::string& key, const int32_t& number,
              const int16_t& recordHandle) override {
    RemoveKey(keyHandle, key, number);
    RecordFileOf(host_, recordHandle).records.erase(number);
  }
  void RemoveKey(const int16_t& keyHandle, const std::string& key, const int32_t& number) override {
    FakeHost::KeyFileData& file = KeyFileOf(host_, keyHandle);
    const std::string k = Fit(file, key);
    const auto it = std::find(file.entries.begin(), file.entries.end(),
                              std::pair<std::string, int32_t>(k, number));
    if (it != file.entries.end()) file.entries.erase(it);
  }
  void Clear(const int16_t& keyHandle) override { KeyFileOf(host_, keyHandle).entries.clear(); }
  void First(const int16_t& keyHandle, const int16_t& recordHandle, int16_t& found,
             std::string& key) override {
    KeyFileOf(host_, keyHandle).cursor = 0;
    Next(keyHandle, recordHandle, found, key);
  }
  void Next(const int16_t& keyHandle, const int16_t& recordHandle, int16_t& found,
            std::string& key) override {
    FakeHost::KeyFileData& file = KeyFileOf(host_, keyHandle);
    found = 0;
    if (file.cursor >= file.entries.size()) return;
    const auto entry = file.entries[file.cursor++];
    ReadRecord(host_, recordHandle, entry.second);
    key = entry.first;
    found = -1;
  }
  void ListPrefix(const int16_t& keyHandle, const std::string& prefix, std::string& list) override {
    FakeHost::KeyFileData& file = KeyFileOf(host_, keyHandle);
    list = "[";
    bool first = true;
    for (const auto& [k, number] : file.entries) {
      if (k.compare(0, prefix.size(), prefix) != 0) continue;
      if (!first) list += ",";
      list += std::to_string(number);
      first = false;
    }
    list += "]";
  }
  void Close(const int16_t&) override {}

 private:
  static std::string Fit(const FakeHost::KeyFileData& file, const std::string& key) {
    std::string k = key.substr(0, static_cast<std::size_t>(file.keyLength));
    k.resize(static_cast<std::size_t>(file.keyLength), ' ');
    return k;
  }
  static std::vector<std::pair<std::string, int32_t>>::iterator Lower(FakeHost::KeyFileData& file,
                                                                      const std::string& k) {
    return std::lower_bound(
        file.entries.begin(), file.entries.end(), k,
        [](const std::pair<std::string, int32_t>& e, const std::string& a) { return e.first < a; });
  }
  FakeHost& host_;
};

class FakeLedgerFile : public HostLedgerFile {
 public:
  explicit FakeLedgerFile(FakeHost& host) : host_(host) {}
  void Open() override { host_.ledgerEntries.clear(); }
  void WriteEntry(const LedgerEntry& entry) override { host_.ledgerEntries.push_back(entry); }
  void Close() override {}

 private:
  FakeHost& host_;
};

}  // namespace

std::optional<double> PrintedLine::Amount(const std::string& column) const {
  const auto it = amounts.find(column);
  if (it == amounts.end()) return std::nullopt;
  return it->second;
}

std::string PrintedLine::Text(const std::string& column) const {
  const auto it = texts.find(column);
  return it == texts.end() ? std::string() : it->second;
}

FakeHost::FakeHost() { SetYear("01/01/2005", "31/12/2005"); }
FakeHost::~FakeHost() = default;

void FakeHost::SetYear(const std::string& start, const std::string& end) {
  yearStart = start;
  yearEnd = end;
}

std::vector<EditionCall> FakeHost::Calls(const std::string& op) const {
  std::vector<EditionCall> calls;
  for (const EditionCall& call : editionCalls)
    if (call.op == op) calls.push_back(call);
  return calls;
}

int16_t FakeHost::RecordHandle(const std::string& name) const {
  for (const auto& [handle, file] : recordFiles)
    if (file.name == name) return handle;
  return 0;
}

int16_t FakeHost::KeyHandle(const std::string& name) const {
  for (const auto& [handle, file] : keyFiles)
    if (file.name == name) return handle;
  return 0;
}

std::unique_ptr<HostStartup> FakeHost::MakeStartup() {
  return std::make_unique<FakeStartup>(*this);
}
std::unique_ptr<HostLauncher> FakeHost::MakeLauncher() {
  return std::make_unique<FakeLauncher>(*this);
}
std::unique_ptr<HostRuntime> FakeHost::MakeRuntime() {
  return std::make_unique<FakeRuntime>(*this);
}
std::unique_ptr<HostToolkit> FakeHost::MakeToolkit() {
  return std::make_unique<FakeToolkit>(*this);
}
std::unique_ptr<HostScreen> FakeHost::MakeScreen() { return std::make_unique<FakeScreen>(*this); }
std::unique_ptr<HostChoiceList> FakeHost::MakeChoiceList() {
  return std::make_unique<FakeChoiceList>(*this);
}
std::unique_ptr<HostMessageBox> FakeHost::MakeMessageBox() {
  return std::make_unique<FakeMessageBox>(*this);
}
std::unique_ptr<HostEdition> FakeHost::MakeEdition() {
  return std::make_unique<FakeEdition>(*this);
}
std::unique_ptr<HostRecordFile> FakeHost::MakeRecordFile() {
  return std::make_unique<FakeRecordFile>(*this);
}
std::unique_ptr<HostKeyedFile> FakeHost::MakeKeyedFile() {
  return std::make_unique<FakeKeyedFile>(*this);
}
std::unique_ptr<HostLedgerFile> FakeHost::MakeLedgerFile() {
  return std::make_unique<FakeLedgerFile>(*this);
}

FakeHostScope::FakeHostScope(FakeHost& host) {
  ResetModuleState();
  InstallHostFactory(&host);
}

FakeHostScope::~FakeHostScope() {
  ResetModuleState();
  InstallHostFactory(nullptr);
}

}  // namespace actifix::testing
