// The module state, one per thread, shared by every part of the module: host service objects,
// file handles, record buffers, company parameters and what is derived from them, the
// exercise table, and the working values the computations leave for each other.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "host/HostBracketList.h"
#include "host/HostConvert.h"
#include "host/HostDates.h"
#include "host/HostFactory.h"
#include "state/EditionState.h"
#include "state/Records.h"

namespace actifix {

// One fiscal year of the exercise table.
struct Exercise {
  std::string startText;  // "dd/mm/yyyy"
  std::string endText;
  int32_t startDay = 0;
  int32_t endDay = 0;
};

// Our own addition: the company's fiscal plan option, asked of the host when the files are
// opened (OpenModuleFiles); read by the card screen and the storage of cards.
struct FiscalSettings {
  bool on = false;
  bool prorata = false;  // the economic plan prorated by 30/360 days (L) or whole months (D)
  std::string provision = "145", allowance = "68725", writeBack = "78725";
  // Prints the fiscal plan under the economic one on the asset card's print (EDTPA), which
  // sits below the fiscal layer; set by the front when the files are opened, else nothing.
  void (*printCardPlan)() = nullptr;
};

struct MImmoState {
  // Host services, created on first use (see the accessors below).
  std::unique_ptr<HostStartup> startup;
  std::unique_ptr<HostLauncher> launcher;
  std::unique_ptr<HostToolkit> toolkit;
  std::unique_ptr<HostKeyedFile> keyedFile;
  std::unique_ptr<HostRecordFile> recordFile;
  std::unique_ptr<HostRuntime> runtime;
  std::unique_ptr<HostScreen> screen;
  std::unique_ptr<HostEdition> edition;
  std::unique_ptr<HostMessageBox> messageBox;
  std::unique_ptr<HostChoiceList> choiceList;
  HostConvert convert;
  HostDates dates;
  HostBracketList brackets;

  // Record-file handles.
  int16_t fAnaimo = 0, fImmo = 0, fNature = 0, fParimo = 0, fPcimo = 0;
  // Key-file handles.
  int16_t kAnaimo = 0, kImmo = 0, kImmoa = 0, kImmon = 0, kNature = 0, kParimo = 0, kPcimo = 0;
  // The fiscal plans' record and key file "Immof": opened only when the option is on, so that
  // a company without it never gets the file (0 otherwise).
  int16_t fImmof = 0, kImmof = 0;

  // Record buffers.
  AssetRecord immo;
  NatureRecord nature;
  ParimoRecord parimo;
  PcimoRecord pcimo;
  AnaimoRecord anaimo;
  FiscalRecord immof;
  FiscalSettings fiscal;

  // Analytic headings, from LINTANA.
  std::string headingList = "[]";
  int32_t headingCount = 0;
  std::string headingLegend;

  // Exercise table: entries 1..100 (entry 0 unused); entry 1 is the host's current year.
  std::array<Exercise, 101> exercises;
  int16_t exerciseIndex = 0;

  // Effective rate left by the last depreciation computation.
  float effectiveRate = 0;

  // Edition criteria, selection lists and work tables of the editions (src/editions,
  // src/ledger).
  EditionState edt;
};

// This thread's module state.
MImmoState& MImmo();
// Drops this thread's module state (its host services included); the next MImmo() is new.
void ResetModuleState();

// This thread's host services, created from the installed factory on first use.
HostStartup& Startup();
HostLauncher& Launcher();
HostToolkit& Toolkit();
HostKeyedFile& KeyedFile();
HostRecordFile& RecordFile();
HostRuntime& Runtime();
HostScreen& Screen();
HostEdition& Edition();
HostMessageBox& MessageBox();
HostChoiceList& ChoiceList();
inline const HostConvert& Convert() { return MImmo().convert; }
inline const HostDates& Dates() { return MImmo().dates; }
inline const HostBracketList& Brackets() { return MImmo().brackets; }

// Shorthands for the host values the module asks for again and again.
int16_t TrueValue();
int16_t FalseValue();
int16_t ZeroValue();
std::string EmptyText();
// Whether the user has asked to stop the running edition.
bool EditionInterrupted();

}  // namespace actifix
