// The procedures behind the component's four attach and prepare operations.
#pragma once

#include <string>

#include "host/HostComponent.h"

namespace actifix {

// Starts the host services and registers the component under "Immo".
void AttachModule(HostComponent& component, HostAppObject* appExe, HostAppObject* fApp);
// Opens the five record files and their seven key files; blanks the buffers. With the fiscal
// option on (asked of the host first), also the fiscal plans' file "Immof" and its key file.
void OpenModuleFiles(HostComponent& component);
// Asks the host for the company's fiscal option into the module state.
void ReadFiscalOption();
// Loads the company parameters (running the parameters screen when there are none), builds
// the analytic headings and the exercise table, and sets the exercise index to 1.
void LoadParameters();
// Builds the heading list, count and legend from the parameter buffer's LINTANA.
void BuildHeadings();
// Builds the 100 entries of the exercise table from the host's current fiscal year.
void BuildExerciseTable();
// Re-keys the parameter file of a duplicated company under `code`.
void RekeyParameters(HostComponent& component, const std::string& code);

}  // namespace actifix
