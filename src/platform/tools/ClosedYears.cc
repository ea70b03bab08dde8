#include "platform/tools/ClosedYears.h"

#include <algorithm>
#include <map>

#include "front/Operations.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "platform/base/UserError.h"
#include "platform/screen/Terminal.h"
#include "platform/screen/TypedText.h"
#include "platform/session/Companies.h"
#include "platform/session/MenuLoop.h"
#include "platform/session/Messages.h"
#include "platform/session/Session.h"
#include "platform/session/TerminalInterface.h"
#include "platform/tools/YearOpening.h"

namespace actifix::platform {

namespace {

std::string EndYear(const Backup& archive) { return archive.closedYear->end.substr(6, 4); }

std::string Describe(const Backup& archive) {
  return "exercice du " + archive.closedYear->start + " au " + archive.closedYear->end;
}

}  // namespace

ClosedYear YearBefore(const std::string& start, const std::string& cumulativesStart) {
  const HostDates dates;
  int32_t startDay = 0;
  dates.DayNumber(start, startDay);
  ClosedYear year;
  dates.DateOfDay(startDay - 1, year.end);
  int16_t d = 0, m = 0, y = 0;
  dates.Split(year.end, d, m, y);
  std::string earlier, monthEnd;
  dates.Compose(d, m, static_cast<int16_t>(y - 1), earlier);
  int32_t endDay = 0;
  dates.EndOfMonth(earlier, monthEnd, endDay);
  // The year the cumulatives belong to starts the closed year when it lies within the 24
  // months before (the longest fiscal year allowed): a first year shorter or longer than
  // twelve months keeps its own start.
  int32_t held = 0;
  dates.DayNumber(cumulativesStart, held);
  constexpr int32_t kLongestYear = 731;
  dates.DateOfDay(
      held > 0 && held < startDay && startDay - held <= kLongestYear ? held : endDay + 1,
      year.start);
  return year;
}

std::vector<Backup> YearArchives(CompanyStore& companies, const std::string& code) {
  std::vector<Backup> archives;
  for (Backup& backup : companies.Backups(code))
    if (backup.closedYear) archives.push_back(std::move(backup));
  // Backups come oldest first: a stable sort by the year's end keeps that order within a year.
  const auto dayOf = [](const Backup& b) {
    int32_t day = 0;
    HostDates().DayNumber(b.closedYear->end, day);
    return day;
  };
  std::stable_sort(archives.begin(), archives.end(),
                   [&](const Backup& a, const Backup& b) { return dayOf(a) < dayOf(b); });
  return archives;
}

Backup ChooseArchive(CompanyStore& companies, const std::string& code, const std::string& year) {
  const std::vector<Backup> archives = YearArchives(companies, code);
  const Backup* chosen = nullptr;
  for (const Backup& archive : archives)
    if (EndYear(archive) == year) chosen = &archive;  // the latest taken of that year
  if (chosen != nullptr) return *chosen;
  std::string known;
  for (const Backup& archive : archives)
    if (known.find(EndYear(archive)) == std::string::npos)
      known += (known.empty() ? "" : ", ") + EndYear(archive);
  throw UserError(
      "--exercice " + Printable(year) + " refusé : l'entreprise " + code +
          " n'a pas d'archive d'un exercice clos en " + Printable(year) +
          (known.empty() ? " ; elle n'en a aucune : une archive est prise à chaque ouverture "
                           "d'exercice (actifix run OuvImo)."
                         : " ; exercices archivés (année de clôture) : " + known + "."),
      ErrorKind::kBadArgument);
}

std::string ArchiveOperationNames() {
  return OperationNames([](const Operation& operation) { return operation.onArchive; }, ", ",
                        " ou ");
}

void RefuseOnArchive(const std::string& operation, const Backup& archive) {
  if (const Operation* described = FindOperation(operation); described && described->onArchive)
    return;
  throw UserError(
      "L'opération " + Printable(operation) + " est refusée sur l'" + Describe(archive) +
          " : l'archive d'un exercice clos se lit sans être modifiée. Avec "
          "--exercice, lancez " +
          ArchiveOperationNames() + " ; pour les autres opérations, retirez --exercice.",
      ErrorKind::kBadArgument);
}

std::filesystem::path ArchiveOutDir(const std::filesystem::path& editionsDir,
                                    const Backup& archive) {
  return editionsDir / ("exercice-" + EndYear(archive));
}

void ClosedYearsMenu(Terminal& terminal, const SessionOptions& options) {
  const std::vector<Backup> archives = YearArchives(*options.companies, options.company);
  if (archives.empty()) {
    terminal.ShowPager(kClosedYearsEntry,
                       "L'entreprise " + options.company +
                           " n'a pas encore d'exercice clos archivé : l'archive d'un exercice "
                           "est prise quand l'exercice suivant est ouvert (Ouverture de "
                           "l'exercice suivant).\n");
    return;
  }
  std::vector<std::string> years;
  for (const Backup& archive : archives)
    years.push_back("Exercice du " + archive.closedYear->start + " au " + archive.closedYear->end +
                    " (archive du " + archive.taken.substr(0, 10) + ")");
  std::vector<std::string> labels;
  std::vector<std::string> operations;
  for (const Operation& operation : Operations())
    if (operation.onArchive && operation.label != nullptr) {
      labels.push_back(operation.label);
      operations.push_back(operation.name);
    }
  for (;;) {
    const int year = terminal.RunMenu(
        std::string(kClosedYearsEntry) + " - " + options.company + " - lecture seule", years);
    if (year < 0) return;
    const Backup& archive = archives[static_cast<std::size_t>(year)];
    RunMenuLoop(
        terminal,
        [&] { return options.company + " - " + Describe(archive) + " (archive, lecture seule)"; },
        labels,
        [&](int chosen) {
          SessionOptions archived = options;
          archived.archive = archive;
          archived.editionsDir = ArchiveOutDir(DefaultEditionsDir(*options.companies), archive);
          Session session(archived, std::make_unique<TerminalInterface>(terminal));
          RunOperation(session, operations[static_cast<std::size_t>(chosen)], {});
        });
  }
}

}  // namespace actifix::platform
