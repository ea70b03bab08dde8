// The edition driver of EditImo and EdtPImo: criteria, the sort index "Tri" over all assets,
// the groups and their sections, the choice of groups, and the editions in their order.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "depreciation/MImmoAmort.h"
#include "editions/EdtCommon.h"
#include "editions/MImmoEdt.h"
#include "host/Cp1252.h"
#include "host/Text.h"
#include "ledger/MImmoLedger.h"

namespace actifix {

namespace {

constexpr int16_t kProgressLine = 22;

// Appends the group being collected to the group list when it has something to print.
void FlushGroup(bool depreciation) {
  EditionState& e = MImmo().edt;
  if (e.groupKey.empty()) return;
  const HostBracketList& brackets = Brackets();
  if (depreciation) {
    if (e.aNouveau.empty() && e.acquisitions.empty() && e.cessions.empty()) return;
    brackets.Append(e.groupList, "[" + e.groupKey + "," + e.aNouveau.str() + "," +
                                     e.acquisitions.str() + "," + e.cessions.str() + "]");
  } else {
    if (e.acquisitions.empty()) return;
    brackets.Append(e.groupList, "[" + e.groupKey + "," + e.acquisitions.str() + "]");
  }
}

// The key of the asset in the buffer in the sort index: one part per level, the packed
// acquisition date and the order number.
std::string SortKey() {
  MImmoState& m = MImmo();
  const EditionCriteria& c = m.edt.criteria;
  std::string lcana = Trimmed(m.immo.LCANA.view());
  if (lcana.empty()) lcana = "[]";
  std::string key;
  key.reserve(6 * c.levelCount + 8);
  for (int level = 1; level <= c.levelCount; ++level) {
    const int criterion = c.levels[level];
    if (criterion == 1) {
      key += m.immo.CODNATI.view();
    } else {
      std::string code, padded;
      Brackets().Item(lcana, criterion - 1, code);
      Convert().Pad(code, 0, 6, padded);
      key += padded;
    }
  }
  key += m.immo.DATACQ.view();
  key += m.immo.NUMNATI.view();
  return key;
}

// The key as the progress line shows it: the date in letters rather than packed.
std::string ShownKey(const std::string& key) {
  const std::size_t parts = key.size() - 8;
  std::string date;
  Dates().UnpackText(key.substr(parts, 3), date);
  return key.substr(0, parts) + " " + date + " " + key.substr(parts + 3);
}

void RemoveSortFile() {
  EditionState& e = MImmo().edt;
  int16_t exists = 0;
  RecordFile().Exists(e.sortPath, exists);
  if (exists != 0) RecordFile().Remove(e.sortPath);
}

// What the collection of groups needs of each asset, kept as the sort index is built so that
// no asset is read a second time for it: the group part of its key and its two dates.
struct SortedAssets {
  struct Asset {
    uint32_t group = 0;  // in `groups`
    int32_t acquired = 0, disposed = 0;
  };
  std::vector<std::string> groups;
  std::vector<Asset> byNumber;  // indexed by record number
};

// Builds the sort index over every asset of the register.
SortedAssets BuildSortIndex() {
  MImmoState& m = MImmo();
  EditionState& e = m.edt;
  RemoveSortFile();
  const auto keyLength = static_cast<int16_t>(6 * e.criteria.levelCount + 8);
  KeyedFile().Open(TrueValue(), "Tri", keyLength, "S", e.sortHandle);
  HostScreen& screen = Screen();
  screen.ShowMessage("N", std::string("Calcul des Critères d'Edition - Veuillez Patienter"_w));
  std::string all;
  KeyedFile().ListPrefix(m.kImmo, "", all);
  BracketList numbers(all);
  all.clear();
  const HostBracketList& brackets = Brackets();
  const std::size_t groupLength = 6 * static_cast<std::size_t>(e.criteria.levelCount);
  SortedAssets sorted;
  std::unordered_map<std::string, uint32_t> groupOf;
  while (!numbers.empty()) {
    std::string element;
    brackets.TakeFirst(numbers, element);
    const auto number = static_cast<int32_t>(std::strtol(element.c_str(), nullptr, 10));
    RecordFile().Read(m.fImmo, number);
    const std::string key = SortKey();
    KeyedFile().AddKey(e.sortHandle, key, number);
    screen.ShowLine(kProgressLine, "N", ShownKey(key));

    if (static_cast<std::size_t>(number) >= sorted.byNumber.size())
      sorted.byNumber.resize(std::max<std::size_t>(number + 1, 2 * sorted.byNumber.size()));
    SortedAssets::Asset& asset = sorted.byNumber[number];
    const auto [group, added] = groupOf.try_emplace(key.substr(0, groupLength), 0);
    if (added) {
      group->second = static_cast<uint32_t>(sorted.groups.size());
      sorted.groups.push_back(group->first);
    }
    asset.group = group->second;
    std::string text;
    Dates().UnpackDate(m.immo.DATACQ, text, asset.acquired);
    Dates().UnpackDate(m.immo.DATCES, text, asset.disposed);
  }
  return sorted;
}

// Walks the sort index in key order and collects the groups and their sections.
void CollectGroups(const SortedAssets& sorted, bool depreciation) {
  MImmoState& m = MImmo();
  EditionState& e = m.edt;
  const EditionCriteria& c = e.criteria;
  const Exercise& year = m.exercises[c.selectedExercise];
  const HostBracketList& brackets = Brackets();
  e.groupList = BracketList();
  e.aNouveau = e.acquisitions = e.cessions = BracketList();
  e.groupKey.clear();
  std::string all;
  KeyedFile().ListPrefix(e.sortHandle, "", all);
  BracketList numbers(all);
  all.clear();
  constexpr uint32_t kNone = UINT32_MAX;
  uint32_t current = kNone;
  while (!numbers.empty()) {
    std::string n;
    brackets.TakeFirst(numbers, n);
    const SortedAssets::Asset& asset =
        sorted.byNumber[static_cast<std::size_t>(std::strtol(n.c_str(), nullptr, 10))];
    if (asset.group != current) {
      FlushGroup(depreciation);
      e.aNouveau = e.acquisitions = e.cessions = BracketList();
      current = asset.group;
      e.groupKey = sorted.groups[current];
    }
    if (asset.acquired < c.DATDEBA.day || asset.acquired > c.DATFINA.day) {
      // outside the acquisition bounds
    } else if (!depreciation) {
      brackets.Append(e.acquisitions, n);
    } else if (const EdtSections s = EdtSectionsOf(asset.acquired, asset.disposed, c.DATDEB.day,
                                                   c.DATFIN.day, year.endDay);
               s.kept) {
      brackets.Append(s.aNouveau ? e.aNouveau : e.acquisitions, n);
      if (s.cessions) brackets.Append(e.cessions, n);
    }
  }
  FlushGroup(depreciation);
}

// Lets the user keep some of the groups; the group list is rebuilt in the order of the marks.
void SelectGroups() {
  EditionState& e = MImmo().edt;
  const HostBracketList& brackets = Brackets();
  std::vector<std::string> groups;
  groups.reserve(e.groupList.size());
  BracketList rows;
  std::size_t width = 0;
  while (!e.groupList.empty()) {
    std::string group, key;
    brackets.TakeFirst(e.groupList, group);
    brackets.Item(group, 1, key);
    width = std::max(width, key.size());
    brackets.Append(rows, "[" + key + "]");
    groups.push_back(std::move(group));
  }
  std::string marks;
  ChoiceList().ChooseSeveral(rows.str(), "[[G," + std::to_string(width) + ",Critere]]",
                             std::string("Selection des Immobilisations à Editer"_w), marks);
  BracketList chosen(marks);
  while (!chosen.empty()) {
    std::string mark;
    brackets.TakeFirst(chosen, mark);
    const long row = std::strtol(mark.c_str(), nullptr, 10);
    if (row >= 1 && static_cast<std::size_t>(row) <= groups.size())
      brackets.Append(e.groupList, groups[row - 1]);
  }
}

// Empty work tables for one depreciation edition run.
void CreateWorkTables() {
  EditionState& e = MImmo().edt;
  e.breakdown.assign(e.criteria.levelCount + 2, {});
  e.disposals = BracketList();
  e.entries.clear();
  e.entryOrigins.clear();
  e.dotations.clear();
  e.dotationRow.clear();
  e.accountLabels.clear();
}

void CleanUp() {
  EditionState& e = MImmo().edt;
  if (e.sortHandle != 0) {
    const int16_t handle = e.sortHandle;
    e.sortHandle = 0;
    KeyedFile().Close(handle);
  }
  RemoveSortFile();
  e.accountLabels.clear();
}

void RunDriver(bool depreciation) {
  MImmoState& m = MImmo();
  EditionState& e = m.edt;
  EditionCriteria& c = e.criteria;
  const HostBracketList& brackets = Brackets();

  c.priorities = "[]";
  for (int32_t i = 1; i <= m.headingCount + 1; ++i)
    brackets.Append(c.priorities, std::to_string(i));
  double width = 6;
  std::string headings = m.headingList;
  while (headings != "[]") {
    std::string heading;
    brackets.TakeFirst(headings, heading);
    Convert().Max(width, static_cast<double>(Trimmed(heading).size()), width);
  }
  c.headingWidth = static_cast<int16_t>(width);

  if (CriteriaScreen(depreciation ? TrueValue() : FalseValue())) return;
  CollectGroups(BuildSortIndex(), depreciation);
  SelectGroups();
  if (depreciation) {
    CreateWorkTables();
    EditionAmortissements();
    EdtPlusMoinsValues();
    EdtEcritures();
  } else {
    std::string groups = e.groupList.str();
    e.groupList = BracketList();
    EdtPlanImmo(groups);
  }
  Edition().Close(0);
}

}  // namespace

EdtSections EdtSectionsOf(const int32_t& acquired, const int32_t& disposed, const int32_t& DATDEB,
                          const int32_t& DATFIN, const int32_t& yearEnd) {
  EdtSections s;
  s.kept = acquired <= DATFIN && (disposed == 0 || disposed >= DATDEB);
  s.aNouveau = s.kept && acquired < DATDEB;
  s.cessions = s.kept && disposed != 0 && disposed <= yearEnd && disposed <= DATFIN;
  return s;
}

namespace {

// Runs `driver` with the sort index's file named, and removes it however the run ends; false
// (nothing run) when the register is empty.
template <typename Driver>
bool WithSortFile(Driver driver) {
  MImmoState& m = MImmo();
  int16_t found = 0;
  std::string key;
  KeyedFile().First(m.kImmon, m.fImmo, found, key);
  if (found == 0) return false;

  std::string directory, prefix;
  Toolkit().DataDirectory(directory);
  Toolkit().CompanyPrefix(prefix);
  m.edt.sortPath = directory + prefix + "Tri.Dab";
  try {
    driver();
  } catch (...) {
    CleanUp();
    throw;
  }
  CleanUp();
  return true;
}

}  // namespace

void EdtDriver(const int16_t& depreciation) {
  WithSortFile([&] { RunDriver(depreciation != 0); });
}

void EdtNatureDriver(const std::function<std::string(int32_t)>& refusal,
                     const std::function<void()>& print) {
  WithSortFile([&] {
    EditionCriteria& c = MImmo().edt.criteria;
    c.priorities = "[1]";
    c.headingWidth = 6;
    c.RECAPSEULE = false;
    if (NatureCriteriaScreen(refusal)) return;
    CollectGroups(BuildSortIndex(), true);
    SelectGroups();
    print();
    Edition().Close(0);
  });
}

}  // namespace actifix
