#include "platform/cli/CalcCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "assets/CardRules.h"
#include "assets/MImmoImmo.h"
#include "depreciation/MImmoAmort.h"
#include "fiscal/Derogatory.h"
#include "front/Front.h"
#include "host/Cp1252.h"
#include "host/HostError.h"
#include "platform/print/EditionEngine.h"
#include "platform/screen/FieldFormat.h"
#include "platform/screen/TypedText.h"
#include "platform/session/FiscalYear.h"
#include "platform/session/Messages.h"
#include "platform/session/PlatformToolkit.h"
#include "state/MImmo.h"

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
  bool fiscal = false;
  std::string fiscalMode;
  std::string fiscalRate;
  std::string fiscalCumul;
  std::string derogatory;
  std::string fiscalCharge;
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
  app.add_flag("--fiscal", args.fiscal,
               "Imprime le plan fiscal et les amortissements dérogatoires en lignes JSON");
  app.add_option("--fiscal-mode", args.fiscalMode,
                 "Avec --fiscal : mode fiscal L (linéaire), D (dégressif) ou E (exceptionnel)");
  app.add_option("--fiscal-rate", args.fiscalRate,
                 "Avec --fiscal : taux linéaire fiscal en % par an (durée 100 / taux)");
  app.add_option("--fiscal-cumul", args.fiscalCumul,
                 "Avec --fiscal : cumul fiscal avant l'exercice calculé (défaut 0)");
  app.add_option(
      "--derog", args.derogatory,
      "Avec --fiscal : solde des amortissements dérogatoires avant l'exercice (défaut 0)");
  app.add_option("--fiscal-charge", args.fiscalCharge,
                 "Avec --fiscal-mode E : dotation fiscale saisie de chaque exercice (défaut 0)");
}

// An amount or rate written as the screens take it: "1234.56", "1234,56" or "1 234,56", a
// sign, at most `decimals` decimals; no exponent, no hexadecimal, no "inf" or "nan".
double Number(const std::string& text, const std::string& what, int decimals) {
  const std::optional<double> value = ParseAmount(text, decimals);
  if (!value)
    throw Refused(what + " « " + Printable(text) + " » n'est pas un nombre (exemple : 1 234,56 ; " +
                  std::to_string(decimals) + " décimales au plus).");
  return *value;
}

// Refuses the value `text` with the reason the asset card gives (`refusal`, Windows-1252),
// after `what` ("La valeur") and `refused` ("refusée").
void CheckAsCard(const std::string& refusal, const char* what, const std::string& text,
                 const char* refused) {
  if (!refusal.empty())
    throw Refused(std::string(what) + " « " + Printable(text) + " » " + refused + " : " +
                  ToUtf8(refusal) + ".");
}

std::string Date(const std::string& text, const std::string& what) {
  if (!IsDateText(text))
    throw Refused("Date " + what + " « " + Printable(text) + " » invalide : attendu jj/mm/aaaa.");
  return text;
}

int32_t Day(const std::string& date) {
  int32_t day = 0;
  HostDates().DayNumber(date, day);
  return day;
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
    throw HostError(ErrorKind::kNotSupported, service, "actifix calc",
                    "service absent du calculateur");
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
  void CountPrefix(const int16_t&, const std::string&, const int32_t&, int32_t& count,
                   std::string& first) override {
    count = 0;
    first = "[]";
  }
  void Close(const int16_t&) override {}

 private:
  [[noreturn]] static void No() {
    throw HostError(ErrorKind::kNotSupported, "HostKeyedFile", "actifix calc",
                    "le calculateur n'a pas de fichier");
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

// The card of the asset as stored with these figures, and its plan from entry 1 on.
void PrintPlan(const CalcArgs& args, double value, const std::string& acquired,
               const std::string& disposed, const std::string& packedRate,
               const std::string& packedCumulative, const std::string& packedCharge) {
  const HostConvert& convert = Convert();
  MImmoState& m = MImmo();
  m.nature.CODNAT = "CALC";
  m.nature.LIBNAT = "Calculateur d'amortissement";
  AssetCard card;
  card.CODNATI = "CALC";
  card.NUMNATI = "00001";
  card.DATACQ = acquired;
  card.DATCES = disposed;
  convert.PackDouble(value, card.VALACQ);
  card.MODAMO = args.mode;
  card.TAUX = packedRate;
  card.CUMAMO = packedCumulative;
  card.DOTAMO = packedCharge;
  convert.PackDouble(0, card.MTCESS);
  card.analytic = "";  // no analytic code
  CardToRecord(card);

  HostToolkit& toolkit = Toolkit();
  toolkit.SetEditionTitle("FICHE DES IMMOBILISATIONS ET PLAN D'AMORTISSEMENT");
  std::string title;
  toolkit.GetEditionTitle(title);
  Edition().Open(FalseValue(), ZeroValue(), ZeroValue(), title, -1);
  EDTPA();
  Edition().Close(0);
}

// The fiscal side of --fiscal, checked before anything is computed.
struct FiscalFigures {
  fiscal::FiscalPlan plan;
  fiscal::FiscalState state;
  double typed = 0;
};

FiscalFigures CheckFiscal(const CalcArgs& args, double value, const std::string& acquired,
                          const std::string& disposed) {
  FiscalFigures f;
  if (args.fiscalMode.size() != 1)
    throw Refused(
        "--fiscal demande --fiscal-mode L (linéaire), D (dégressif) ou E "
        "(exceptionnel).");
  f.plan.mode = args.fiscalMode[0];
  if (f.plan.mode != 'E' && args.fiscalRate.empty())
    throw Refused("--fiscal-mode " + args.fiscalMode + " demande --fiscal-rate.");
  if (!args.fiscalCharge.empty() && f.plan.mode != 'E')
    throw Refused("--fiscal-charge ne sert qu'avec --fiscal-mode E.");
  f.plan.rate = args.fiscalRate.empty()
                    ? 0
                    : static_cast<float>(Number(args.fiscalRate, "Le taux fiscal", 4));
  f.plan.base = value;
  f.plan.acquired = Day(acquired);
  f.plan.disposed = disposed.empty() ? 0 : Day(disposed);
  if (const std::string refusal = fiscal::FiscalPlanRefusal(f.plan); !refusal.empty())
    throw Refused("Plan fiscal refusé : " + ToUtf8(refusal) + ".");
  f.state.cumulative =
      args.fiscalCumul.empty() ? 0 : Number(args.fiscalCumul, "Le cumul fiscal", 2);
  CheckAsCard(AmountRefusal(f.state.cumulative), "Le cumul fiscal", args.fiscalCumul, "refusé");
  if (RoundHalfAway(f.state.cumulative, 2) > RoundHalfAway(value, 2))
    throw Refused("Le cumul fiscal « " + args.fiscalCumul + " » dépasse la valeur « " + args.value +
                  " ».");
  f.state.balance =
      args.derogatory.empty() ? 0 : Number(args.derogatory, "Le solde dérogatoire", 2);
  CheckAsCard(AmountRefusal(f.state.balance), "Le solde dérogatoire", args.derogatory, "refusé");
  f.typed = args.fiscalCharge.empty() ? 0 : Number(args.fiscalCharge, "La dotation fiscale", 2);
  CheckAsCard(AmountRefusal(f.typed), "La dotation fiscale", args.fiscalCharge, "refusée");
  return f;
}

double Cents(double amount) { return RoundHalfAway(amount, 2); }

// The fiscal plan and the derogatory table, one JSON line per fiscal year from the computed
// one on, beside the economic charge the module computes from the running cumulative (as the
// card's plan does), until both plans and the balance are done or the asset has left.
void PrintFiscal(const CalcArgs& args, const FiscalFigures& f, double value, double cumulative,
                 const std::string& packedRate, const std::string& acquired,
                 const std::string& disposed, std::ostream& out) {
  MImmoState& m = MImmo();
  const HostConvert& convert = Convert();
  nlohmann::ordered_json head;
  head["kind"] = "fiscal_plan";
  head["mode"] = std::string(1, f.plan.mode);
  head["rate"] = ShortestFloat(f.plan.rate);
  if (f.plan.mode == 'D') {
    const fiscal::DecliningRate declining = fiscal::FiscalDecliningRate(f.plan);
    head["declining_rate"] = declining.rate;
    head["years"] = declining.years;
  }
  out << head.dump() << "\n";
  std::string packedValue, packedCumulative, packedCharge;
  convert.PackDouble(value, packedValue);
  fiscal::FiscalState state = f.state;
  double economicCumulative = Cents(cumulative);
  for (int index = args.index; index <= 100; ++index) {
    const Exercise& year = m.exercises[index];
    if (f.plan.disposed != 0 && f.plan.disposed < year.startDay) break;
    m.exerciseIndex = static_cast<int16_t>(index);
    convert.PackDouble(economicCumulative, packedCumulative);
    CalcAmort(args.mode, packedValue, packedCumulative, 0, packedRate, acquired, disposed,
              packedCharge);
    double economic = 0;
    convert.UnpackDouble(packedCharge, economic);
    economic = Cents(economic);
    const fiscal::FiscalYearResult r = fiscal::RollYear(f.plan, state, {year.startDay, year.endDay},
                                                        economic, args.mode[0], f.typed);
    if (economic == 0 && r.fiscal == 0 && r.movement.balanceBefore == 0 &&
        r.movement.balanceAfter == 0 && index > args.index)
      break;
    economicCumulative = Cents(economicCumulative + economic);
    const fiscal::DerogatoryMovement& mv = r.movement;
    nlohmann::ordered_json line;
    line["kind"] = "fiscal";
    line["year"] = {year.startText, year.endText};
    line["economic"] = economic;
    line["fiscal"] = r.fiscal;
    line["fiscal_cumul"] = r.next.cumulative;
    line["balance_start"] = mv.balanceBefore;
    line["allowance"] = mv.allowance;
    line["write_back"] = mv.writeBack;
    line["disposal_write_back"] = mv.disposalWriteBack;
    line["excess"] = mv.excess;
    line["balance_end"] = mv.balanceAfter;
    line["cause"] = ToUtf8(fiscal::CauseLabel(mv.cause));
    line["fiscal_net"] = fiscal::FiscalNetValue(value, economicCumulative, mv.balanceAfter);
    out << line.dump() << "\n";
    state = r.next;
  }
}

int Calculate(const CalcArgs& args, std::ostream& out, std::ostream& err) {
  // Checks first: nothing is computed on a refused value.
  if (args.year.size() != 2) throw Refused("L'exercice se donne par deux dates : DEBUT FIN.");
  const std::string start = Date(args.year[0], "de début d'exercice");
  const std::string end = Date(args.year[1], "de fin d'exercice");
  if (const std::string refusal = FiscalYearRefusal(start, end); !refusal.empty())
    throw Refused(refusal);
  if (args.index < 1 || args.index > 100)
    throw Refused("Exercice n° " + std::to_string(args.index) +
                  " refusé : la table des exercices va de 1 à 100.");
  if (args.mode == "E")
    throw Refused(
        "Le mode E (exceptionnel ou non amortissable) ne se calcule pas : sa dotation se "
        "saisit.");
  if (args.mode != "L" && args.mode != "D")
    throw Refused("Mode « " + Printable(args.mode) + " » inconnu : L (linéaire) ou D (dégressif).");
  // Amounts as the asset card takes them; the rate with a little more precision, so that a
  // rate too small to show says so.
  const double value = Number(args.value, "La valeur", 2);
  CheckAsCard(ValueRefusal(value), "La valeur", args.value, "refusée");
  const double rateValue = Number(args.rate, "Le taux", 4);
  const double rounded = RoundHalfAway(rateValue, 2);
  if (rateValue > 0 && rounded == 0)
    throw Refused("Taux « " + args.rate + " » refusé : il s'arrondit à 0,00.");
  CheckAsCard(RateRefusal(args.mode, static_cast<float>(rateValue)), "Le taux", args.rate,
              "refusé");
  const std::string acquired = Date(args.acquired, "d'acquisition");
  const std::string disposed = args.disposed.empty() ? "" : Date(args.disposed, "de cession");
  if (!disposed.empty() && Day(disposed) < Day(acquired))
    throw Refused("La date de cession (" + disposed + ") précède l'acquisition (" + acquired +
                  ").");
  {
    // The end of the depreciation, 100 / rate years after the acquisition, must be a date.
    int16_t d = 0, mo = 0, y = 0;
    HostDates().Split(acquired, d, mo, y);
    if (y + std::ceil(RoundHalfAway(100 / rounded, 2)) > 9999)
      throw Refused("Taux « " + args.rate +
                    " » refusé : l'amortissement finirait après l'an 9999.");
  }
  const double cumul = args.cumul.empty() ? 0 : Number(args.cumul, "Le cumul", 2);
  CheckAsCard(AmountRefusal(cumul), "Le cumul", args.cumul, "refusé");
  if (RoundHalfAway(cumul, 2) > RoundHalfAway(value, 2))
    throw Refused("Le cumul « " + args.cumul + " » dépasse la valeur « " + args.value + " ».");
  if (!args.charge.empty() && !args.plan) throw Refused("--charge ne sert qu'avec --plan.");
  const double storedCharge = args.charge.empty() ? 0 : Number(args.charge, "La dotation", 2);
  CheckAsCard(ChargeRefusal(value, cumul, storedCharge), "La dotation", args.charge, "refusée");

  const bool fiscalAsked = !args.fiscalMode.empty() || !args.fiscalRate.empty() ||
                           !args.fiscalCumul.empty() || !args.derogatory.empty() ||
                           !args.fiscalCharge.empty();
  if (fiscalAsked && !args.fiscal)
    throw Refused(
        "--fiscal-mode, --fiscal-rate, --fiscal-cumul, --derog et --fiscal-charge ne "
        "servent qu'avec --fiscal.");
  FiscalFigures fiscalFigures;
  if (args.fiscal) fiscalFigures = CheckFiscal(args, value, acquired, disposed);

  CalcHost host(start, end, out, err);
  ModuleOnHost scope(host);
  BuildExerciseTable();
  MImmoState& m = MImmo();
  m.exerciseIndex = static_cast<int16_t>(args.index);
  const Exercise& computed = m.exercises[m.exerciseIndex];
  if (Day(acquired) > computed.endDay)
    throw Refused("La date d'acquisition (" + acquired + ") est après la fin de l'exercice " +
                  "calculé (" + computed.endText + ").");
  // The depreciation walks back to the fiscal year of the acquisition, which must start in
  // the calendar.
  {
    int16_t d = 0, mo = 0, y = 0;
    HostDates().Split(start, d, mo, y);
    std::string first;
    HostDates().Compose(d, mo, 1900, first);
    if (Day(acquired) < Day(first))
      throw Refused("La date d'acquisition (" + acquired + ") précède le premier exercice " +
                    "du calendrier (" + first + ").");
  }

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

  if (!args.charge.empty()) convert.PackDouble(storedCharge, packedCharge);
  if (args.fiscal) {
    if (args.plan)
      PrintPlan(args, value, acquired, disposed, packedRate, packedCumulative, packedCharge);
    PrintFiscal(args, fiscalFigures, value, cumulative, packedRate, acquired, disposed, out);
    return kExitOk;
  }
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

  PrintPlan(args, value, acquired, disposed, packedRate, packedCumulative, packedCharge);
  return kExitOk;
}

int Run(const CalcArgs& args, std::ostream& out, std::ostream& err) {
  try {
    return Calculate(args, out, err);
  } catch (const Refused& e) {
    err << "actifix calc : " << Printable(e.what()) << "\n";
    return ExitStatusOf(ErrorKind::kBadArgument);
  } catch (const HostError& e) {
    err << "actifix calc : " << Printable(MessageOf(e)) << "\n";
    return ExitStatusOf(e.kind());
  }
}

}  // namespace

void AddCalcCommand(CLI::App& root, CommandAction& action) {
  CLI::App* calc =
      root.add_subcommand("calc", "Calculateur d'amortissement : dotation, cumul, plan (JSON)");
  auto args = std::make_shared<CalcArgs>();
  Register(*calc, *args);
  WhenChosen(*calc, action, [args] { return Run(*args, std::cout, std::cerr); });
}

int RunCalcCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{"Calculateur d'amortissement", "calc"};
  CalcArgs parsed;
  Register(app, parsed);
  FrenchHelp(app);
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::Success& e) {
    return app.exit(e, out, err) == 0 ? kExitOk : ExitStatusOf(ErrorKind::kBadArgument);
  } catch (const CLI::ParseError& e) {
    err << "actifix calc : " << Printable(MessageOf(app, e, "actifix calc")) << "\n";
    return ExitStatusOf(ErrorKind::kBadArgument);
  }
  return Run(parsed, out, err);
}

}  // namespace actifix::platform
