#include "platform/app/CalcCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "depreciation/MImmoAmort.h"
#include "front/Front.h"
#include "front/MImmo.h"
#include "host/Cp1252.h"
#include "host/HostError.h"
#include "platform/app/PlatformToolkit.h"
#include "platform/print/EditionEngine.h"

namespace actifix::platform {

namespace {

struct CalcArgs {
  std::vector<std::string> year;
  int index = 1;
  std::string mode;
  std::string value;
  std::string rate;
  std::string acquired;
  std::string disposed;
  std::string cumul;
  bool recompute = false;
  bool plan = false;
  std::string charge;
};

// A value of the command line that the calculator refuses (exit status 2).
class Refused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void Register(CLI::App& app, CalcArgs& args) {
  app.add_option("--year", args.year, "Exercice en cours (entrée 1) : DEBUT FIN (jj/mm/aaaa)")
      ->expected(2)
      ->required();
  app.add_option("--index", args.index, "Exercice calculé, de 1 à 100 (défaut 1)");
  app.add_option("--mode", args.mode, "Mode d'amortissement : L (linéaire) ou D (dégressif)")
      ->required();
  app.add_option("--value", args.value, "Valeur amortissable")->required();
  app.add_option("--rate", args.rate, "Taux linéaire en % par an")->required();
  app.add_option("--acquired", args.acquired, "Date d'acquisition (jj/mm/aaaa)")->required();
  app.add_option("--disposed", args.disposed, "Date de cession (jj/mm/aaaa)");
  app.add_option("--cumul", args.cumul, "Cumul des amortissements antérieurs (défaut 0)");
  app.add_flag("--recompute", args.recompute, "Recalcule le cumul des amortissements antérieurs");
  app.add_flag("--plan", args.plan, "Imprime le plan d'amortissement en lignes JSON");
  app.add_option("--charge", args.charge,
                 "Avec --plan : dotation enregistrée de l'exercice (défaut : la calculée)");
}

// An amount or rate typed as "1234.56", "1234,56" or "1 234,56".
double Number(const std::string& text, const std::string& what) {
  std::string cleaned;
  for (char c : text)
    if (c != ' ') cleaned += c == ',' ? '.' : c;
  char* end = nullptr;
  const double value = std::strtod(cleaned.c_str(), &end);
  if (cleaned.empty() || end != cleaned.c_str() + cleaned.size() || !std::isfinite(value))
    throw Refused(what + " « " + text + " » n'est pas un nombre.");
  return value;
}

std::string Date(const std::string& text, const std::string& what) {
  if (!IsDateText(text))
    throw Refused("Date " + what + " « " + text + " » invalide : attendu jj/mm/aaaa.");
  return text;
}

// The float written shortest, as a double: 33.34f gives 33.34, not 33.340000152587891.
double ShortestFloat(float value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::strtod(std::string(text, result.ptr).c_str(), nullptr);
}

// The calculator's host: a fiscal year, anomalies to the error stream, the edition engine
// writing JSON lines to the output, and a nature file that knows every code.
class CalcHost : public HostFactory {
 public:
  CalcHost(std::string start, std::string end, std::ostream& out, std::ostream& err)
      : out_(out), err_(err) {
    year_.name = "Calculateur";
    year_.yearStart = start;
    year_.yearEnd = end;
    year_.workDate = start;
  }

  std::unique_ptr<HostStartup> MakeStartup() override { Missing("HostStartup"); }
  std::unique_ptr<HostLauncher> MakeLauncher() override { Missing("HostLauncher"); }
  std::unique_ptr<HostRuntime> MakeRuntime() override;
  std::unique_ptr<HostToolkit> MakeToolkit() override;
  std::unique_ptr<HostScreen> MakeScreen() override { Missing("HostScreen"); }
  std::unique_ptr<HostChoiceList> MakeChoiceList() override { Missing("HostChoiceList"); }
  std::unique_ptr<HostMessageBox> MakeMessageBox() override { Missing("HostMessageBox"); }
  std::unique_ptr<HostEdition> MakeEdition() override;
  std::unique_ptr<HostRecordFile> MakeRecordFile() override { Missing("HostRecordFile"); }
  std::unique_ptr<HostKeyedFile> MakeKeyedFile() override;
  std::unique_ptr<HostLedgerFile> MakeLedgerFile() override { Missing("HostLedgerFile"); }

  const std::string& start() const { return year_.yearStart; }
  const std::string& end() const { return year_.yearEnd; }

 private:
  [[noreturn]] static void Missing(const std::string& service) {
    throw HostError(service, "actifix calc", "service absent du calculateur");
  }

  CompanyContext year_;  // no company: only the fiscal year counts
  std::ostream& out_;
  std::ostream& err_;
  EditionEngine* engine_ = nullptr;  // owned by the module state
};

class CalcRuntime : public HostRuntime {
 public:
  explicit CalcRuntime(std::ostream& err) : err_(err) {}
  void Enter() override {}
  void Leave() override {}
  void Report(const std::string& message, const std::string& routine, const int16_t&) override {
    err_ << ToUtf8(routine) << " : " << ToUtf8(message) << "\n";
  }

 private:
  std::ostream& err_;
};

// The calculator has no files: the card's nature is the one the calculator put in the nature
// buffer, found whatever its code.
class CalcKeyedFile : public HostKeyedFile {
 public:
  void Open(const int16_t&, const std::string&, const int16_t&, const std::string&,
            int16_t& handle) override {
    handle = 1;
  }
  void Find(const int16_t&, const std::string&, const int16_t&, int16_t& found) override {
    found = -1;
  }
  void Insert(const int16_t&, const std::string&, const int16_t&, int32_t&) override { No(); }
  void AddKey(const int16_t&, const std::string&, const int32_t&) override { No(); }
  void Delete(const int16_t&, const std::string&, const int32_t&, const int16_t&) override { No(); }
  void RemoveKey(const int16_t&, const std::string&, const int32_t&) override { No(); }
  void Clear(const int16_t&) override { No(); }
  void First(const int16_t&, const int16_t&, int16_t& found, std::string&) override { found = 0; }
  void Next(const int16_t&, const int16_t&, int16_t& found, std::string&) override { found = 0; }
  void ListPrefix(const int16_t&, const std::string&, std::string& list) override { list = "[]"; }
  void Close(const int16_t&) override {}

 private:
  [[noreturn]] static void No() {
    throw HostError("HostKeyedFile", "actifix calc", "le calculateur n'a pas de fichier");
  }
};

std::unique_ptr<HostRuntime> CalcHost::MakeRuntime() { return std::make_unique<CalcRuntime>(err_); }
std::unique_ptr<HostToolkit> CalcHost::MakeToolkit() {
  return std::make_unique<PlatformToolkit>(year_, [this] { return engine_; });
}
std::unique_ptr<HostKeyedFile> CalcHost::MakeKeyedFile() {
  return std::make_unique<CalcKeyedFile>();
}
std::unique_ptr<HostEdition> CalcHost::MakeEdition() {
  EditionOptions options;
  options.company = year_.name;
  options.date = year_.yearStart;
  options.pdf = false;
  options.jsonOut = &out_;
  auto engine = std::make_unique<EditionEngine>(std::move(options));
  engine_ = engine.get();
  return engine;
}

// This thread's module state, on the calculator's host for as long as the calculation runs.
class ModuleOnHost {
 public:
  explicit ModuleOnHost(HostFactory& host) {
    ResetModuleState();
    InstallHostFactory(&host);
  }
  ~ModuleOnHost() {
    ResetModuleState();
    InstallHostFactory(nullptr);
  }
  ModuleOnHost(const ModuleOnHost&) = delete;
  ModuleOnHost& operator=(const ModuleOnHost&) = delete;
};

int Calculate(const CalcArgs& args, std::ostream& out, std::ostream& err) {
  // Checks first: nothing is computed on a refused value.
  if (args.year.size() != 2) throw Refused("L'exercice se donne par deux dates : DEBUT FIN.");
  const std::string start = Date(args.year[0], "de début d'exercice");
  const std::string end = Date(args.year[1], "de fin d'exercice");
  if (args.index < 1 || args.index > 100)
    throw Refused("Exercice n° " + std::to_string(args.index) +
                  " refusé : la table des exercices va de 1 à 100.");
  if (args.mode == "E")
    throw Refused(
        "Le mode E (exceptionnel ou non amortissable) ne se calcule pas : sa dotation se "
        "saisit.");
  if (args.mode != "L" && args.mode != "D")
    throw Refused("Mode « " + args.mode + " » inconnu : L (linéaire) ou D (dégressif).");
  const double value = Number(args.value, "La valeur");
  if (RoundHalfAway(value, 2) == 0) throw Refused("Une valeur nulle ne s'amortit pas.");
  const double rateValue = Number(args.rate, "Le taux");
  const double rounded = RoundHalfAway(rateValue, 2);
  if (rounded <= 0 || rounded > 100)
    throw Refused("Taux « " + args.rate +
                  " » refusé : il doit être au-dessus de 0 et au plus 100.");
  const std::string acquired = Date(args.acquired, "d'acquisition");
  const std::string disposed = args.disposed.empty() ? "" : Date(args.disposed, "de cession");
  const double cumul = args.cumul.empty() ? 0 : Number(args.cumul, "Le cumul");
  if (!args.charge.empty() && !args.plan) throw Refused("--charge ne sert qu'avec --plan.");
  const double storedCharge = args.charge.empty() ? 0 : Number(args.charge, "La dotation");
  {
    int32_t s = 0, e = 0;
    HostDates().DayNumber(start, s);
    HostDates().DayNumber(end, e);
    if (e <= s) throw Refused("La fin d'exercice (" + end + ") doit être après son début.");
  }

  CalcHost host(start, end, out, err);
  ModuleOnHost scope(host);
  BuildExerciseTable();
  MImmoState& m = MImmo();
  m.exerciseIndex = static_cast<int16_t>(args.index);

  const HostConvert& convert = Convert();
  std::string packedValue, packedRate, packedCumulative, packedCharge;
  convert.PackDouble(value, packedValue);
  convert.PackSingle(static_cast<float>(rateValue), packedRate);
  convert.PackDouble(cumul, packedCumulative);
  const int16_t recompute = args.recompute ? -1 : 0;
  CalcAmort(args.mode, packedValue, packedCumulative, recompute, packedRate, acquired, disposed,
            packedCharge);
  double charge = 0, cumulative = 0;
  convert.UnpackDouble(packedCharge, charge);
  convert.UnpackDouble(packedCumulative, cumulative);

  if (!args.plan) {
    int32_t endDay = 0;
    FINAM(args.mode, packedRate, acquired, endDay);
    std::string endText;
    Dates().DateOfDay(endDay, endText);
    const Exercise& year = m.exercises[m.exerciseIndex];
    nlohmann::ordered_json result;
    result["dotamo"] = charge;
    result["cumamo"] = cumulative;
    result["end"] = endText;
    result["effective_rate"] = ShortestFloat(m.effectiveRate);
    result["index"] = args.index;
    result["year"] = {year.startText, year.endText};
    out << result.dump() << "\n";
    return kExitOk;
  }

  // The card of the asset as stored with these figures, and its plan from entry 1 on.
  m.nature.CODNAT = "CALC";
  m.nature.LIBNAT = "Calculateur d'amortissement";
  AssetRecord& asset = m.immo;
  asset.CODNATI = "CALC";
  asset.NUMNATI = "00001";
  Dates().PackDate(acquired, packedValue);
  asset.DATACQ = packedValue;
  Dates().PackDate(disposed, packedValue);
  asset.DATCES = packedValue;
  convert.PackDouble(value, packedValue);
  asset.VALACQ = packedValue;
  asset.MODAMO = args.mode;
  asset.TAUX = packedRate;
  asset.CUMAMO = packedCumulative;
  if (!args.charge.empty()) convert.PackDouble(storedCharge, packedCharge);
  asset.DOTAMO = packedCharge;
  convert.PackDouble(0, packedValue);
  asset.MTCESS = packedValue;

  HostToolkit& toolkit = Toolkit();
  toolkit.SetEditionTitle("FICHE DES IMMOBILISATIONS ET PLAN D'AMORTISSEMENT");
  std::string title;
  toolkit.GetEditionTitle(title);
  Edition().Open(FalseValue(), ZeroValue(), ZeroValue(), title, -1);
  EDTPA();
  Edition().Close(0);
  return kExitOk;
}

int Run(const CalcArgs& args, std::ostream& out, std::ostream& err) {
  try {
    return Calculate(args, out, err);
  } catch (const Refused& e) {
    err << "actifix calc : " << e.what() << "\n";
    return kExitUsage;
  } catch (const HostError& e) {
    err << "actifix calc : " << e.what() << "\n";
    return kExitFailure;
  }
}

}  // namespace

void AddCalcCommand(CLI::App& root, CommandAction& action) {
  CLI::App* calc =
      root.add_subcommand("calc", "Calculateur d'amortissement : dotation, cumul, plan (JSON)");
  auto args = std::make_shared<CalcArgs>();
  Register(*calc, *args);
  calc->callback([&action, args] { action = [args] { return Run(*args, std::cout, std::cerr); }; });
}

int RunCalcCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{"Calculateur d'amortissement", "calc"};
  CalcArgs parsed;
  Register(app, parsed);
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e, out, err);
    return status == 0 ? kExitOk : kExitUsage;
  }
  return Run(parsed, out, err);
}

}  // namespace actifix::platform
