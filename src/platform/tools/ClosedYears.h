// Closed years stay printable: the backup taken at each year opening, before the register is
// rolled, is kept as the archive of the year that closed, with that year's dates. The editions
// and the tax tables of that year are printed from it, read only, under its dates
// (`actifix --exercice AAAA run ...`, or the menu's "Exercices clos" entry); nothing is ever
// written to it, and an edition printed from it posts nothing (docs/rules.md, "Closed years").
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/store/CompanyStore.h"

namespace actifix::platform {

class Terminal;
struct SessionOptions;

// The fiscal year before the one starting on `start`: it ends the day before, and starts on
// `cumulativesStart` (the year the cumulatives belong to) when that lies up to 24 months
// before, else the day after the same month-end one year earlier, as the exercise table steps.
// REQUIRES: `start` a valid date text.
ClosedYear YearBefore(const std::string& start, const std::string& cumulativesStart);

// The archives of company `code`, by closed year, the latest taken last for each year.
std::vector<Backup> YearArchives(CompanyStore& companies, const std::string& code);

// The archive of the closed year that ends in year `year` ("2026"): the latest taken of that
// year. Throws UserError naming the archived years when there is none.
Backup ChooseArchive(CompanyStore& companies, const std::string& code, const std::string& year);

// The operations that may run on a closed year's archive: "ListImo, EditImo, EdtPImo ou ...".
std::string ArchiveOperationNames();

// Throws UserError (status 2) when `operation` cannot run on a closed year's archive: only
// the editions and the tax tables read it.
void RefuseOnArchive(const std::string& operation, const Backup& archive);

// Where the editions of a closed year go by default: <editionsDir>/exercice-<year of its end>.
std::filesystem::path ArchiveOutDir(const std::filesystem::path& editionsDir,
                                    const Backup& archive);

// The menu of the closed years: the user picks an archive, then an edition, printed in the
// terminal until the user leaves. `options` names the company.
void ClosedYearsMenu(Terminal& terminal, const SessionOptions& options);

// The label of the menu entry that leads there.
inline constexpr const char* kClosedYearsEntry = "Exercices clos : éditions et tableaux";

}  // namespace actifix::platform
