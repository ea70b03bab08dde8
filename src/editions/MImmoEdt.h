// The editions of the register (MImmoEdt): the edition driver of EditImo and EdtPImo with its
// criteria screens and sort index, the asset list, the depreciation edition with its breakdown
// by depreciation mode, and the disposal gains and losses. The ledger entries that end an
// EditImo run are in src/ledger/MImmoLedger.h.
//
// They share the edition state of the module (MImmo().edt): the driver sets the criteria and
// the group list, the depreciation edition fills the work tables, the later editions read them.
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

// The edition driver: `depreciation` true (-1) for EditImo, false (0) for EdtPImo. An empty
// register ends it before any screen. The current exercise index keeps the year chosen.
void EdtDriver(const int16_t& depreciation);

// Fills the edition criteria from the criteria screens; true when the user left them.
bool CriteriaScreen(const int16_t& depreciation);
// The year list of the 100 exercises: the chosen index, 0 when the list was left.
int32_t SelectExercise();

// ListImo: every asset in key order with its stored cumul and dotation.
void ListImo();

// The depreciation edition of the driver's group list ("IMMOBILISATIONS AMORTISSEMENTS").
// Opens the edition that the later editions of the run print into.
void EditionAmortissements();
// The per-asset routine of one section ("AN", "A" or "C") of a group; false when the user
// interrupted the edition.
bool EdtImoSection(const std::string& numbers, const std::string& section);
// The breakdown by depreciation mode at `level`, then its sums moved one level up.
void EdtVentilation(const std::string& label, const int16_t& level);
// The disposal gains and losses of the disposals the depreciation edition collected.
void EdtPlusMoinsValues();

}  // namespace actifix
