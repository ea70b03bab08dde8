#include "front/Front.h"

#include <cstdlib>

#include "derogatory/CardFiscal.h"
#include "refdata/MImmoPar.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

struct KeyFileSpec {
  const char* name;
  int16_t length;
  const char* kind;
  int16_t MImmoState::*handle;
};

// Opens one record file and its key files, in the order of the key files given.
void OpenFile(HostComponent& component, const char* name, int32_t recordLength,
              int16_t MImmoState::*handle, std::initializer_list<KeyFileSpec> keys) {
  MImmoState& m = MImmo();
  RecordFile().Open(TrueValue(), name, recordLength, m.*handle, component);
  for (const KeyFileSpec& key : keys)
    KeyedFile().Open(TrueValue(), key.name, key.length, key.kind, m.*(key.handle));
}

}  // namespace

void AttachModule(HostComponent& component, HostAppObject* appExe, HostAppObject* fApp) {
  Startup().Start();
  Launcher().Register(component, "Immo", "LectParamImmo", appExe, fApp, "", "[]");
}

void OpenModuleFiles(HostComponent& component) {
  MImmoState& m = MImmo();
  OpenFile(component, "Anaimo", AnaimoRecord::kLength, &MImmoState::fAnaimo,
           {{"Anaimo", 8, "P", &MImmoState::kAnaimo}});
  m.anaimo = AnaimoRecord();
  OpenFile(component, "Immo", AssetRecord::kLength, &MImmoState::fImmo,
           {{"Immo", 11, "P", &MImmoState::kImmo},
            {"Immoa", 9, "S", &MImmoState::kImmoa},
            {"Immon", 9, "S", &MImmoState::kImmon}});
  m.immo = AssetRecord();
  OpenFile(component, "Nature", NatureRecord::kLength, &MImmoState::fNature,
           {{"Nature", 6, "P", &MImmoState::kNature}});
  m.nature = NatureRecord();
  OpenFile(component, "Parimo", ParimoRecord::kLength, &MImmoState::fParimo,
           {{"Parimo", 2, "P", &MImmoState::kParimo}});
  m.parimo = ParimoRecord();
  OpenFile(component, "Pcimo", PcimoRecord::kLength, &MImmoState::fPcimo,
           {{"Pcimo", 10, "P", &MImmoState::kPcimo}});
  m.pcimo = PcimoRecord();
  ReadFiscalOption();
  m.fiscal.printCardPlan = &derog::PrintCardFiscal;
  m.fImmof = m.kImmof = 0;
  if (m.fiscal.on) {
    OpenFile(component, "Immof", FiscalRecord::kLength, &MImmoState::fImmof,
             {{"Immof", 11, "P", &MImmoState::kImmof}});
    m.immof = FiscalRecord();
  }
}

void ReadFiscalOption() {
  MImmoState& m = MImmo();
  int16_t on = 0, prorata = 0;
  std::string accounts;
  Toolkit().FiscalOption(on, prorata, accounts);
  m.fiscal.on = on != 0;
  m.fiscal.prorata = prorata != 0;
  std::string* const targets[] = {&m.fiscal.provision, &m.fiscal.allowance, &m.fiscal.writeBack};
  for (int32_t i = 0; i < 3; ++i) Brackets().Item(accounts, i + 1, *targets[i]);
}

void LoadParameters() {
  MImmoState& m = MImmo();
  std::string code;
  Toolkit().CompanyPrefix(code);
  int16_t found = 0;
  KeyedFile().Find(m.kParimo, code, m.fParimo, found);
  if (found == 0) {
    Launcher().Prepare();
    EntPar();
  }
  BuildHeadings();
  BuildExerciseTable();
}

void BuildHeadings() {
  MImmoState& m = MImmo();
  const HostConvert& convert = Convert();
  const HostBracketList& brackets = Brackets();
  convert.Trim(m.parimo.LINTANA.str(), m.headingList);
  if (m.headingList.empty()) m.headingList = "[]";  // a blank list field means no heading
  brackets.Count(m.headingList, m.headingCount);
  m.headingLegend.clear();
  std::string rest = m.headingList;
  for (int32_t k = 1; rest != "[]"; ++k) {
    std::string element;
    brackets.TakeFirst(rest, element);
    std::string label;
    convert.Trim(element, label);
    if (k >= 2) m.headingLegend += " - ";
    m.headingLegend += std::to_string(k) + " : " + label;
  }
}

void BuildExerciseTable() {
  MImmoState& m = MImmo();
  HostToolkit& toolkit = Toolkit();
  const HostDates& dates = Dates();
  Exercise& first = m.exercises[1];
  toolkit.YearStartText(first.startText);
  toolkit.YearEndText(first.endText);
  std::string day;
  toolkit.YearStartDay(day);
  first.startDay = static_cast<int32_t>(std::strtol(day.c_str(), nullptr, 10));
  toolkit.YearEndDay(day);
  first.endDay = static_cast<int32_t>(std::strtol(day.c_str(), nullptr, 10));
  for (int i = 2; i <= 100; ++i) {
    const Exercise& previous = m.exercises[i - 1];
    Exercise& entry = m.exercises[i];
    entry.startDay = previous.endDay + 1;
    dates.DateOfDay(entry.startDay, entry.startText);
    int16_t d = 0, mo = 0, y = 0;
    dates.Split(previous.endText, d, mo, y);
    std::string composed;
    dates.Compose(d, mo, static_cast<int16_t>(y + 1), composed);
    dates.EndOfMonth(composed, entry.endText, entry.endDay);
  }
  m.exerciseIndex = 1;
}

void RekeyParameters(HostComponent& component, const std::string& code) {
  OpenModuleFiles(component);
  MImmoState& m = MImmo();
  int32_t number = 1;
  RecordFile().Read(m.fParimo, number);
  m.parimo.CEIMO = code;
  RecordFile().Write(m.fParimo, number);
  KeyedFile().Clear(m.kParimo);
  KeyedFile().Insert(m.kParimo, code, m.fParimo, number);
}

}  // namespace actifix
