#include "platform/app/CompanyCommands.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "host/HostDates.h"
#include "host/HostError.h"
#include "platform/app/Companies.h"
#include "platform/app/CompanyCode.h"
#include "platform/app/LocalTime.h"
#include "platform/store/CompanyDatabase.h"

namespace actifix::platform {

namespace {

struct CompanyArgs {
  std::string code;
  std::string name;
  std::vector<std::string> year;
  std::string workDate;
};

int32_t CheckedDay(const std::string& date, const std::string& what) {
  if (!IsDateText(date))
    throw UserError("Date " + what + " « " + date + " » invalide : attendu jj/mm/aaaa.");
  int32_t day = 0;
  HostDates().DayNumber(date, day);
  return day;
}

// Checks a fiscal year given as two dates; returns nothing, throws UserError.
void CheckYear(const std::vector<std::string>& year) {
  if (year.size() != 2) throw UserError("L'exercice se donne par deux dates : DEBUT FIN.");
  const int32_t start = CheckedDay(year[0], "de début d'exercice");
  const int32_t end = CheckedDay(year[1], "de fin d'exercice");
  if (end <= start)
    throw UserError("La fin d'exercice (" + year[1] + ") doit être après son début (" + year[0] +
                    ").");
}

void CheckCode(const std::string& code) {
  if (!IsCompanyCode(code))
    throw UserError("Code entreprise « " + code + " » refusé : il faut deux lettres ou chiffres.");
}

std::string Today() { return LocalTimeText("%d/%m/%Y"); }

// The working date by default: today when it lies in the fiscal year, else the year's start.
std::string DefaultWorkDate(const std::vector<std::string>& year) {
  const std::string today = Today();
  int32_t day = 0, start = 0, end = 0;
  HostDates().DayNumber(today, day);
  HostDates().DayNumber(year[0], start);
  HostDates().DayNumber(year[1], end);
  return day >= start && day <= end ? today : year[0];
}

int Create(const GlobalOptions& global, const CompanyArgs& args) {
  CheckCode(args.code);
  CheckYear(args.year);
  if (!args.workDate.empty()) CheckedDay(args.workDate, "de travail");
  const std::filesystem::path dataDir = ResolveDataDir(global.data);
  const std::filesystem::path path = CompanyDatabasePath(dataDir, args.code);
  if (std::filesystem::exists(path))
    throw UserError("L'entreprise " + args.code + " existe déjà dans " + dataDir.string() + ".");
  std::filesystem::create_directories(dataDir);
  CompanySettings settings;
  settings.code = args.code;
  settings.name = args.name.empty() ? "Entreprise " + args.code : args.name;
  settings.yearStart = args.year[0];
  settings.yearEnd = args.year[1];
  settings.workDate = args.workDate.empty() ? DefaultWorkDate(args.year) : args.workDate;
  CompanyDatabase::Create(path, settings);
  std::cout << "Entreprise " << args.code << " « " << settings.name << " » créée, exercice du "
            << settings.yearStart << " au " << settings.yearEnd << ".\n";
  return kExitOk;
}

int Year(const GlobalOptions& global, const CompanyArgs& args) {
  CheckCode(args.code);
  CheckYear(args.year);
  if (!args.workDate.empty()) CheckedDay(args.workDate, "de travail");
  const std::filesystem::path dataDir = ResolveDataDir(global.data);
  ChooseCompany(dataDir, args.code);
  std::unique_ptr<CompanyDatabase> db =
      CompanyDatabase::Open(CompanyDatabasePath(dataDir, args.code));
  CompanySettings settings = db->Settings();
  settings.yearStart = args.year[0];
  settings.yearEnd = args.year[1];
  settings.workDate = args.workDate.empty() ? DefaultWorkDate(args.year) : args.workDate;
  db->SaveSettings(settings);
  std::cout << "Entreprise " << args.code << " : exercice du " << settings.yearStart << " au "
            << settings.yearEnd << ", date de travail " << settings.workDate << ".\n";
  return kExitOk;
}

int List(const GlobalOptions& global) {
  const std::filesystem::path dataDir = ResolveDataDir(global.data);
  const std::vector<std::string> codes = ListCompanyCodes(dataDir);
  if (codes.empty()) {
    std::cout << "Aucune entreprise dans " << dataDir.string() << ".\n";
    return kExitOk;
  }
  // A file that cannot be read is listed with the reason, and hides none of the others.
  int status = kExitOk;
  for (const std::string& code : codes) {
    try {
      const CompanySettings s =
          CompanyDatabase::Open(CompanyDatabasePath(dataDir, code))->Settings();
      std::cout << code << "  " << s.name << "  exercice du " << s.yearStart << " au " << s.yearEnd
                << "  date de travail " << s.workDate << "\n";
    } catch (const HostError& error) {
      std::cout << code << "  illisible : " << error.cause() << "\n";
      status = kExitFailure;
    }
  }
  return status;
}

}  // namespace

void AddCompanyCommands(CLI::App& root, const GlobalOptions& global, CommandAction& action) {
  CLI::App* company = root.add_subcommand("company", "Entreprises : création, exercice, liste");
  company->require_subcommand(1);
  auto args = std::make_shared<CompanyArgs>();

  CLI::App* create = company->add_subcommand("create", "Crée une entreprise");
  create->add_option("code", args->code, "Code de l'entreprise (deux lettres ou chiffres)")
      ->required();
  create->add_option("--name", args->name, "Raison sociale");
  create->add_option("--year", args->year, "Exercice en cours : DEBUT FIN (jj/mm/aaaa)")
      ->expected(2)
      ->required();
  create->add_option("--work-date", args->workDate,
                     "Date de travail (défaut : aujourd'hui, ou le début de l'exercice)");
  create->callback(
      [&global, &action, args] { action = [&global, args] { return Create(global, *args); }; });

  CLI::App* year = company->add_subcommand("year", "Change l'exercice en cours d'une entreprise");
  year->add_option("code", args->code, "Code de l'entreprise")->required();
  year->add_option("dates", args->year, "Exercice : DEBUT FIN (jj/mm/aaaa)")
      ->expected(2)
      ->required();
  year->add_option("--work-date", args->workDate, "Date de travail");
  year->callback(
      [&global, &action, args] { action = [&global, args] { return Year(global, *args); }; });

  CLI::App* list = company->add_subcommand("list", "Liste les entreprises");
  list->callback([&global, &action] { action = [&global] { return List(global); }; });
}

}  // namespace actifix::platform
