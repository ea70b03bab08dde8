#include "platform/cli/CompanyCommands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>

#include "host/Cp1252.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "platform/cli/ProgressLine.h"
#include "platform/screen/TypedText.h"
#include "platform/session/Companies.h"
#include "platform/session/CompanyCode.h"
#include "platform/session/FiscalYear.h"
#include "platform/session/LocalTime.h"
#include "platform/store/CompanyStore.h"
#include "platform/store/Store.h"

namespace actifix::platform {

namespace {

struct CompanyArgs {
  std::string code;
  std::string name;
  std::vector<std::string> year;
  std::string workDate;
  std::string backup;
  std::string to;
  bool yes = false;
  // company fiscal: each flag set only when given, so that the others stay as stored.
  bool on = false, off = false, prorataFiscal = false, prorataDays = false;
  std::vector<std::string> accounts;
};

// Values of the command line are refused with status 2, before anything is written.
void CheckDate(const std::string& date, const std::string& what) {
  if (!IsDateText(date))
    throw UserError("Date " + what + " « " + Printable(date) + " » invalide : attendu jj/mm/aaaa.",
                    ErrorKind::kBadArgument);
}

void CheckYear(const std::vector<std::string>& year) {
  if (year.size() != 2)
    throw UserError("L'exercice se donne par deux dates : DEBUT FIN.", ErrorKind::kBadArgument);
  CheckDate(year[0], "de début d'exercice");
  CheckDate(year[1], "de fin d'exercice");
  if (const std::string refusal = FiscalYearRefusal(year[0], year[1]); !refusal.empty())
    throw UserError(refusal, ErrorKind::kBadArgument);
}

void CheckCode(const std::string& code) {
  if (!IsCompanyCode(code))
    throw UserError(
        "Code entreprise « " + Printable(code) + " » refusé : il faut deux lettres ou chiffres.",
        ErrorKind::kBadArgument);
}

// The longest company name: it heads every edition's page beside the title and the date.
constexpr std::size_t kMostNameCharacters = 60;

void CheckName(const std::string& name) {
  std::size_t characters = 0;
  for (const char c : name) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  if (characters > kMostNameCharacters)
    throw UserError("Raison sociale refusée : " + std::to_string(characters) + " caractères, " +
                        std::to_string(kMostNameCharacters) + " au plus.",
                    ErrorKind::kBadArgument);
  if (const std::string refusal = Utf8Refusal(name); !refusal.empty())
    throw UserError("Raison sociale « " + Printable(name) + " » refusée : " + refusal + ".",
                    ErrorKind::kBadArgument);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
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
  CheckName(args.name);
  CheckYear(args.year);
  if (!args.workDate.empty()) CheckDate(args.workDate, "de travail");
  const std::shared_ptr<CompanyStore> companies = OpenCompanies(global.data, global.out);
  const std::filesystem::path outputDir = companies->OutputDir();
  // Two codes that differ only by capitals name the same files on a disk that ignores them.
  for (const std::string& other : companies->Codes())
    if (other != args.code && SameIgnoringCase(other, args.code))
      throw UserError("Code entreprise « " + args.code + " » refusé : l'entreprise " + other +
                          " existe déjà, et leurs fichiers se confondraient sur un disque qui "
                          "ignore les majuscules.",
                      ErrorKind::kConflict);
  if (companies->Exists(args.code))
    throw UserError(
        "L'entreprise " + args.code + " existe déjà dans " + Printable(companies->Where()) + ".",
        ErrorKind::kConflict);
  CheckWritableDirectory(outputDir, "Répertoire des données");
  std::filesystem::create_directories(outputDir);
  CompanySettings settings;
  settings.code = args.code;
  settings.name = args.name.empty() ? "Entreprise " + args.code : args.name;
  settings.yearStart = args.year[0];
  settings.yearEnd = args.year[1];
  settings.workDate = args.workDate.empty() ? DefaultWorkDate(args.year) : args.workDate;
  settings.cumulativesYear = settings.yearStart;  // the cards entered carry this year's figures
  companies->Create(settings);
  std::cout << "Entreprise " << args.code << " « " << settings.name << " » créée, exercice du "
            << settings.yearStart << " au " << settings.yearEnd << ".\n";
  return kExitOk;
}

int Year(const GlobalOptions& global, const CompanyArgs& args) {
  CheckCode(args.code);
  CheckYear(args.year);
  if (!args.workDate.empty()) CheckDate(args.workDate, "de travail");
  const std::shared_ptr<CompanyStore> companies = OpenCompanies(global.data, global.out);
  ChooseCompany(*companies, args.code);
  const std::unique_ptr<CompanyHold> hold =
      companies->Hold(args.code, CompanyHold::Mode::kExclusive, "actifix company year");
  const std::unique_ptr<Store> store = companies->Open(args.code);
  CompanySettings settings = store->Settings();
  settings.yearStart = args.year[0];
  settings.yearEnd = args.year[1];
  settings.workDate = args.workDate.empty() ? DefaultWorkDate(args.year) : args.workDate;
  store->SaveSettings(settings);
  std::cout << "Entreprise " << args.code << " : exercice du " << settings.yearStart << " au "
            << settings.yearEnd << ", date de travail " << settings.workDate << ".\n";
  return kExitOk;
}

int List(const GlobalOptions& global) {
  const std::shared_ptr<CompanyStore> companies = OpenCompanies(global.data, global.out);
  const std::vector<std::string> codes = companies->Codes();
  if (codes.empty()) {
    std::cout << "Aucune entreprise dans " << Printable(companies->Where()) << ".\n";
    return kExitOk;
  }
  // A file that cannot be read is listed with the reason, and hides none of the others.
  int status = kExitOk;
  for (const std::string& code : codes) {
    try {
      const CompanySettings s = companies->Settings(code);
      std::cout << code << "  " << Printable(s.name) << "  exercice du " << s.yearStart << " au "
                << s.yearEnd << "  date de travail " << s.workDate
                << "  cumuls des amortissements au " << s.cumulativesYear
                << (s.fiscal.on ? "  plan fiscal" : "") << "\n";
    } catch (const HostError& error) {
      std::cout << code << "  illisible : " << error.cause() << "\n";
      status = ExitStatusOf(error.kind());
    }
  }
  return status;
}

// The backups of one company, or of all, oldest first.
int Backups(const GlobalOptions& global, const CompanyArgs& args) {
  if (!args.code.empty()) CheckCode(args.code);
  const std::shared_ptr<CompanyStore> companies = OpenCompanies(global.data, global.out);
  if (!args.code.empty()) ChooseCompany(*companies, args.code);
  const std::vector<Backup> backups = companies->Backups(args.code);
  if (backups.empty()) {
    std::cout << "Aucune sauvegarde dans " << Printable(companies->BackupPlace()) << ".\n";
    return kExitOk;
  }
  std::cout << "Sauvegardes dans " << Printable(companies->BackupPlace()) << " :\n";
  for (const Backup& b : backups)
    std::cout << b.code << "  " << Printable(b.path.filename().string()) << "  du " << b.taken
              << "  " << (b.bytes + 1023) / 1024 << " Ko"
              << (b.closedYear ? "  archive de l'exercice clos du " + b.closedYear->start + " au " +
                                     b.closedYear->end
                               : "")
              << "\n";
  return kExitOk;
}

int Restore(const GlobalOptions& global, const CompanyArgs& args) {
  CheckCode(args.code);
  const std::shared_ptr<CompanyStore> companies = OpenCompanies(global.data, global.out);
  ChooseCompany(*companies, args.code);
  const std::optional<Backup> found = companies->FindBackup(args.backup);
  if (!found)
    throw UserError("Sauvegarde « " + Printable(args.backup) +
                        " » introuvable : voyez la liste donnée par actifix company backups.",
                    ErrorKind::kNotFound);
  const std::filesystem::path& backup = found->path;
  if (found->code != args.code)
    throw UserError("La sauvegarde « " + Printable(args.backup) +
                        " » est celle d'une autre entreprise que " + args.code + ".",
                    ErrorKind::kInvalidInput);
  if (!args.yes) {
    std::cout << "Remplacer toutes les données de l'entreprise " << args.code
              << " par la sauvegarde " << Printable(backup.filename().string())
              << " ? Ce qui a été saisi depuis sera perdu. (o/N) " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    if (answer != "o" && answer != "O" && answer != "oui") {
      std::cout << "Restauration abandonnée : rien n'a été changé.\n";
      return ExitStatusOf(ErrorKind::kRefused);
    }
  }
  const std::unique_ptr<CompanyHold> hold =
      companies->Hold(args.code, CompanyHold::Mode::kExclusive, "actifix company restore");
  const std::optional<Backup> kept = companies->Restore(args.code, *found);
  if (kept)
    std::cout << "État remplacé gardé dans la sauvegarde "
              << Printable(kept->path.filename().string()) << ".\n";
  std::cout << "Entreprise " << args.code << " restaurée depuis la sauvegarde "
            << Printable(backup.filename().string()) << ".\n";
  return kExitOk;
}

// The longest account number of the chart of accounts ("Pcimo" key, NOCPTCG).
constexpr std::size_t kAccountWidth = 10;

// The accounts of `fiscal` that the company's chart of accounts lacks, in their order.
std::vector<std::string> MissingAccounts(Store& store, const FiscalOption& fiscal) {
  std::vector<std::string> wanted = {fiscal.provision, fiscal.allowance, fiscal.writeBack};
  std::vector<bool> found(wanted.size(), false);
  store.ScanKeys("Pcimo", [&](std::string_view key, int32_t) {
    const std::string account = ToUtf8(key.substr(0, key.find_last_not_of(' ') + 1));
    for (std::size_t i = 0; i < wanted.size(); ++i) found[i] = found[i] || wanted[i] == account;
  });
  std::vector<std::string> missing;
  for (std::size_t i = 0; i < wanted.size(); ++i)
    if (!found[i]) missing.push_back(wanted[i]);
  return missing;
}

void CheckAccounts(const std::vector<std::string>& accounts) {
  if (accounts.size() != 3)
    throw UserError(
        "Les comptes se donnent par trois : PROVISION DOTATION REPRISE (par défaut 145 68725 "
        "78725).",
        ErrorKind::kBadArgument);
  for (const std::string& account : accounts)
    if (account.empty() || account.size() > kAccountWidth || Printable(account) != account ||
        account.find_first_of(" ,[]") != std::string::npos)
      throw UserError("Compte « " + Printable(account) + " » refusé : de 1 à " +
                          std::to_string(kAccountWidth) +
                          " caractères, sans blanc, virgule ni crochet.",
                      ErrorKind::kBadArgument);
}

std::string FiscalText(const FiscalOption& f) {
  return std::string(f.on ? "plan fiscal et amortissements dérogatoires" : "pas de plan fiscal") +
         ", prorata " + (f.prorata ? "fiscal (30/360, mois entiers)" : "aux jours") + ", comptes " +
         f.provision + " " + f.allowance + " " + f.writeBack;
}

// Sets the company's fiscal option, its prorating and its accounts; without any of them, says
// how they stand. Accounts are checked against the chart of accounts whenever the option is
// left on.
int Fiscal(const GlobalOptions& global, const CompanyArgs& args) {
  CheckCode(args.code);
  if (args.on && args.off)
    throw UserError("--on et --off s'excluent : donnez l'un ou l'autre.", ErrorKind::kBadArgument);
  if (args.prorataFiscal && args.prorataDays)
    throw UserError("--prorata-fiscal et --prorata-jours s'excluent : donnez l'un ou l'autre.",
                    ErrorKind::kBadArgument);
  if (!args.accounts.empty()) CheckAccounts(args.accounts);
  const std::shared_ptr<CompanyStore> companies = OpenCompanies(global.data, global.out);
  ChooseCompany(*companies, args.code);
  const bool change =
      args.on || args.off || args.prorataFiscal || args.prorataDays || !args.accounts.empty();
  if (!change) {
    std::cout << "Entreprise " << args.code << " : "
              << FiscalText(companies->Settings(args.code).fiscal) << ".\n";
    return kExitOk;
  }
  const std::unique_ptr<CompanyHold> hold =
      companies->Hold(args.code, CompanyHold::Mode::kExclusive, "actifix company fiscal");
  const std::unique_ptr<Store> store = companies->Open(args.code);
  CompanySettings settings = store->Settings();
  FiscalOption& fiscal = settings.fiscal;
  const bool prorataBefore = fiscal.on && fiscal.prorata;
  if (args.on || args.off) fiscal.on = args.on;
  if (args.prorataFiscal || args.prorataDays) fiscal.prorata = args.prorataFiscal;
  if (!args.accounts.empty()) {
    fiscal.provision = args.accounts[0];
    fiscal.allowance = args.accounts[1];
    fiscal.writeBack = args.accounts[2];
  }
  if (fiscal.on) {
    const std::vector<std::string> missing = MissingAccounts(*store, fiscal);
    if (!missing.empty()) {
      std::string list;
      for (const std::string& account : missing) list += (list.empty() ? "" : ", ") + account;
      throw UserError("Compte" + std::string(missing.size() > 1 ? "s " : " ") + list + " absent" +
                          (missing.size() > 1 ? "s" : "") + " du plan comptable de l'entreprise " +
                          args.code + " : créez-le" + (missing.size() > 1 ? "s" : "") +
                          " (actifix run EntPCI) ou donnez d'autres comptes (--comptes "
                          "PROVISION DOTATION REPRISE). Rien n'a été changé.",
                      ErrorKind::kInvalidInput);
    }
  }
  store->SaveSettings(settings);
  store->Commit();
  std::cout << "Entreprise " << args.code << " : " << FiscalText(fiscal) << ".\n";
  // A card keeps the year's charge computed when it was saved: say so when the count changes.
  if ((fiscal.on && fiscal.prorata) != prorataBefore)
    std::cout << "Les dotations de l'exercice déjà enregistrées sur les fiches restent celles "
                 "calculées à leur saisie : enregistrez de nouveau les fiches de l'exercice pour "
                 "leur appliquer ce prorata ; les exercices suivants le prennent à leur "
                 "ouverture.\n";
  return kExitOk;
}

// Copies company CODE, held shared, from the --data store to another (a directory or a
// server): every row read in one consistent read, written into a new company that appears
// whole at the end or not at all.
int Copy(const GlobalOptions& global, const CompanyArgs& args) {
  CheckCode(args.code);
  const std::shared_ptr<CompanyStore> companies = OpenCompanies(global.data, global.out);
  ChooseCompany(*companies, args.code);
  const std::shared_ptr<CompanyStore> target = OpenCompanies(args.to, global.out);
  const std::string where = Printable(target->Where());
  if (target->Exists(args.code))
    throw UserError(
        "L'entreprise " + args.code + " existe déjà dans " + where + " : rien n'a été copié.",
        ErrorKind::kConflict);
  const std::unique_ptr<CompanyHold> hold =
      companies->Hold(args.code, CompanyHold::Mode::kShared, "actifix company copy");
  const std::unique_ptr<Store> store = companies->Open(args.code);
  std::unique_ptr<CompanyLoad> load;
  StoredFiles files;
  ProgressLine progress;
  int64_t done = 0;
  const std::string label = "Copie de l'entreprise " + args.code;
  const auto step = [&] {
    if ((++done & 0xFFF) == 0) progress.Show(label, done, files.rows(), "lignes");
  };
  store->ReadConsistently([&] {
    files = companies->Describe(*store, args.code);
    load = target->Load(store->Settings(), files.yearsOpened);
    for (const StoredFiles::Records& file : files.records) {
      load->RecordFile(file);
      store->ScanRecords(file.name, [&](int32_t number, std::string_view bytes) {
        load->Record(number, bytes);
        step();
      });
    }
    for (const StoredFiles::Keys& file : files.keys) {
      load->KeyFile(file);
      store->ScanKeys(file.name, [&](std::string_view key, int32_t number) {
        load->Entry(key, number);
        step();
      });
    }
  });
  load->Publish();
  progress.Show(label, files.rows(), files.rows(), "lignes");
  int64_t records = 0;
  for (const StoredFiles::Records& file : files.records) records += file.count;
  std::cout << "Entreprise " << args.code << " copiée dans " << where << " : " << records
            << " enregistrements en " << files.records.size() << " fichiers, "
            << files.rows() - records << " clés en " << files.keys.size() << " fichiers.\n";
  return kExitOk;
}

}  // namespace

void AddCompanyCommands(CLI::App& root, const GlobalOptions& global, CommandAction& action) {
  CLI::App* company = root.add_subcommand(
      "company", "Entreprises : création, exercice, plan fiscal, liste, copie, sauvegardes");
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
  WhenChosen(*create, action, [&global, args] { return Create(global, *args); });

  CLI::App* year = company->add_subcommand("year", "Change l'exercice en cours d'une entreprise");
  year->add_option("code", args->code, "Code de l'entreprise")->required();
  year->add_option("dates", args->year, "Exercice : DEBUT FIN (jj/mm/aaaa)")
      ->expected(2)
      ->required();
  year->add_option("--work-date", args->workDate, "Date de travail");
  WhenChosen(*year, action, [&global, args] { return Year(global, *args); });

  CLI::App* backups =
      company->add_subcommand("backups", "Liste les sauvegardes internes des entreprises");
  backups->add_option("code", args->code, "Code de l'entreprise (défaut : toutes)");
  WhenChosen(*backups, action, [&global, args] { return Backups(global, *args); });

  CLI::App* restore = company->add_subcommand(
      "restore", "Remplace les données d'une entreprise par une de ses sauvegardes internes");
  restore->add_option("code", args->code, "Code de l'entreprise")->required();
  restore->add_option("backup", args->backup, "Nom de la sauvegarde (voir company backups)")
      ->required();
  restore->add_flag("--yes", args->yes, "Ne demande pas de confirmation (scripts)");
  WhenChosen(*restore, action, [&global, args] { return Restore(global, *args); });

  CLI::App* copy = company->add_subcommand(
      "copy", "Copie une entreprise vers un autre répertoire de données ou un serveur PostgreSQL");
  copy->add_option("code", args->code, "Code de l'entreprise")->required();
  copy->add_option("--to", args->to,
                   "Destination : un répertoire, ou postgresql://… (l'entreprise ne doit pas y "
                   "exister)")
      ->required();
  WhenChosen(*copy, action, [&global, args] { return Copy(global, *args); });

  CLI::App* fiscal = company->add_subcommand(
      "fiscal",
      "Plan fiscal et amortissements dérogatoires : option, prorata, comptes (sans option : "
      "l'état actuel)");
  fiscal->add_option("code", args->code, "Code de l'entreprise")->required();
  fiscal->add_flag("--on", args->on,
                   "Active le plan fiscal : une page de plus sur la fiche, les écritures "
                   "dérogatoires (comptes vérifiés dans le plan comptable)");
  fiscal->add_flag("--off", args->off, "Désactive le plan fiscal (les plans saisis sont gardés)");
  fiscal->add_flag("--prorata-fiscal", args->prorataFiscal,
                   "Plan économique au prorata fiscal, tant que l'option est active : 30/360 en "
                   "linéaire, mois entiers en dégressif");
  fiscal->add_flag("--prorata-jours", args->prorataDays,
                   "Plan économique au prorata des jours réels (par défaut)");
  fiscal
      ->add_option("--comptes", args->accounts,
                   "Comptes PROVISION DOTATION REPRISE (par défaut 145 68725 78725)")
      ->expected(3);
  fiscal->callback(
      [&global, &action, args] { action = [&global, args] { return Fiscal(global, *args); }; });

  CLI::App* list = company->add_subcommand("list", "Liste les entreprises");
  WhenChosen(*list, action, [&global] { return List(global); });
}

}  // namespace actifix::platform
