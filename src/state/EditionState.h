// The state of the editions between one run of the edition driver and the next: the criteria
// chosen on the criteria screens, the selection lists of the groups, and the work tables that
// the depreciation edition fills for the breakdown by mode, the disposal gains and losses and
// the ledger entries. Written by src/editions (driver, depreciation edition) and src/ledger;
// read by the same, in the order the driver runs them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/HostBracketList.h"
#include "state/FecOrigin.h"

namespace actifix {

// A date of the criteria: its text and its day number (0 for no date).
struct CriteriaDate {
  std::string text;
  int32_t day = 0;
};

struct EditionCriteria {
  int32_t selectedExercise = 0;  // index in the exercise table, 0 when the year list was left
  CriteriaDate DATDEB, DATFIN, DATDEBA, DATFINA;
  bool RECAPSEULE = false;
  std::string priorities = "[]";  // one priority per criterion, nature first
  std::vector<int16_t> levels;    // levels[p] = the criterion of priority p (1 = nature)
  int16_t levelCount = 0;
  int16_t headingWidth = 6;
};

// One cell of the breakdown by depreciation mode.
struct BreakdownSums {
  double value = 0;
  double cumulDebut = 0;
  double dotation = 0;
  double cessions = 0;
};

// One row of the dotation-by-nature table: four texts, the amount with 2 decimals.
struct NatureDotation {
  std::string code;
  std::string NCIDOT;
  std::string NCIAMO;
  std::string amount;
  // Our own addition: the derogatory allowance and write-back of the current fiscal year of
  // the nature's assets, when the company's fiscal option is on (rounded to 2 decimals).
  double allowance = 0;
  double writeBack = 0;
};

struct EditionState {
  EditionCriteria criteria;
  std::string sortPath;  // data directory & company prefix & "Tri.Dab"
  int16_t sortHandle = 0;

  // The group being collected and its three sections, then the groups kept.
  std::string groupKey;
  BracketList aNouveau, acquisitions, cessions;
  BracketList groupList;

  // Work tables of one depreciation edition run.
  std::vector<std::array<BreakdownSums, 4>> breakdown;  // [level][mode row 0..3]
  BracketList disposals;
  std::vector<std::string> entries;     // ledger entries, in the order they were made
  std::vector<FecOrigin> entryOrigins;  // what each entry is for (the FEC extract's own)
  std::vector<NatureDotation> dotations;
  std::unordered_map<std::string, std::size_t> dotationRow;  // trimmed code -> row
  // The label of each account the entries have named (none when the chart of accounts lacks
  // it): the chart does not change during an edition, so each account is looked up once.
  std::unordered_map<std::string, std::optional<std::string>> accountLabels;
  // The nature whose record the nature buffer holds, as the depreciation edition looked it up
  // ("" when unknown): the assets of one nature need it read once.
  std::string natureInBuffer;
};

}  // namespace actifix
