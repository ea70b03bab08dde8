// The editions of the register (MImmoEdt): the edition driver of EditImo and EdtPImo with its
// criteria screens and sort index, the asset list, the depreciation edition with its breakdown
// by depreciation mode, and the disposal gains and losses. The ledger entries that end an
// EditImo run are in src/ledger/MImmoLedger.h.
//
// They share the edition state of the module (MImmo().edt): the driver sets the criteria and
// the group list, the depreciation edition fills the work tables, the later editions read them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "state/EditionState.h"

namespace actifix {

// The edition driver: `depreciation` true (-1) for EditImo, false (0) for EdtPImo. An empty
// register ends it before any screen. The current exercise index keeps the year chosen.
void EdtDriver(const int16_t& depreciation);

// Fills the edition criteria from the criteria screens; true when the user left them.
bool CriteriaScreen(const int16_t& depreciation);
// The year list of the 100 exercises: the chosen index, 0 when the list was left.
int32_t SelectExercise();

// The criteria of an edition of our own by nature: the year list, where `refusal` may refuse
// the year chosen (its French text, Windows-1252, shown in a message box; "" accepts it), and
// the date bounds page of EditImo; the sort is by nature alone. True when the user left them.
bool NatureCriteriaScreen(const std::function<std::string(int32_t)>& refusal);
// The driver of such an edition: those criteria, the sort index, the groups of EditImo (one
// per nature: "[nature,[A NOUVEAU],[ACQUISITIONS],[CESSIONS]]") and the choice of natures,
// then `print` over MImmo().edt.groupList, which opens its edition; the driver closes it. An
// empty register ends it before any screen.
void EdtNatureDriver(const std::function<std::string(int32_t)>& refusal,
                     const std::function<void()>& print);

// ListImo: every asset in key order with its stored cumul and dotation.
void ListImo();

// The depreciation edition of the driver's group list ("IMMOBILISATIONS AMORTISSEMENTS").
// Opens the edition that the later editions of the run print into.
void EditionAmortissements();
// The per-asset routine of one section ("AN", "A" or "C") of a group; false when the user
// interrupted the edition.
bool EdtImoSection(const std::string& numbers, const std::string& section);
// The figures of one asset as the depreciation edition works them out, for the tables that
// other editions build from the same figures.
struct EdtFigures {
  double value = 0;       // VALACQ
  double cumul = 0;       // cumulative at the start of the year (0 in section "A")
  double before = 0;      // share of the year's dotation before the bounds
  double dotation = 0;    // share of the year's dotation within the bounds
  double cumulDebut = 0;  // cumul + before
  double cumulFin = 0;    // before + cumul + dotation
  double vnc = 0;         // value - cumulFin
  double yearCharge = 0;  // the year's whole dotation, rounded (before + dotation, unsplit)
  std::string acqText, dispText;
  int32_t acquired = 0, disposed = 0;  // day numbers, 0 when no disposal
};
// The figures of the asset in the buffer in `section` for bounds [DATDEB, DATFIN] of
// exercise `exercise`, rolled forward from the stored cumul and dotation. Leaves the current
// exercise index on `exercise`; reports the date anomalies of the edition.
EdtFigures EdtImoFigures(const std::string& section, const int32_t& exercise,
                         const CriteriaDate& DATDEB, const CriteriaDate& DATFIN);
// The row of a depreciation mode in the breakdown: 1 "L", 2 "D", 3 "E", 0 for any other.
int EdtModeRow(const std::string& mode);

// The sections an asset goes to in a run of the depreciation edition.
struct EdtSections {
  bool kept = false;      // listed at all
  bool aNouveau = false;  // in A NOUVEAU, else in ACQUISITIONS
  bool cessions = false;  // also in CESSIONS
};
// For an asset acquired on day `acquired` and disposed on `disposed` (0: not), with bounds
// [DATDEB, DATFIN] in a year ending on `yearEnd`. The acquisition bounds are the caller's.
EdtSections EdtSectionsOf(const int32_t& acquired, const int32_t& disposed, const int32_t& DATDEB,
                          const int32_t& DATFIN, const int32_t& yearEnd);

// The breakdown by depreciation mode at `level`, then its sums moved one level up.
void EdtVentilation(const std::string& label, const int16_t& level);
// The disposal gains and losses of the disposals the depreciation edition collected.
void EdtPlusMoinsValues();

}  // namespace actifix
