#include "platform/import/RegisterImport.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "assets/CardRules.h"
#include "assets/MImmoImmo.h"
#include "export/ExportColumns.h"
#include "export/FiscalColumns.h"
#include "host/Cp1252.h"
#include "host/HostError.h"
#include "host/Text.h"
#include "platform/import/RegisterFile.h"
#include "platform/screen/FieldFormat.h"
#include "state/Amounts.h"
#include "state/MImmo.h"

namespace actifix::platform {

namespace {

constexpr int kColumns = kExportColumnCount;
// The file column of fiscal column `id`.
constexpr int Fiscal(int id) { return kExportColumnCount + id; }

// A fault of a line: the column it is in (-1 for the whole line) and its reason, UTF-8.
struct Fault {
  int column = -1;
  std::string reason;
};

// The apostrophe the export put before a text that looks like a formula goes.
void Unneutralise(std::vector<std::string>& fields) {
  for (int column = 0; column < kExportColumnCount; ++column)
    if (kExportColumns[column].kind == ColumnKind::kText)
      fields[column] = std::string(UnneutralisedText(fields[column]));
}

std::string Quoted(std::string_view cp1252) {
  std::string text = ToUtf8(cp1252.substr(0, 40));
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return "« " + text + " »";
}

std::string Header(int column) { return ToUtf8(ColumnHeader(column)); }

std::string Padded(const std::string& text, int16_t width) {
  std::string padded;
  Convert().Pad(text, 0, width, padded);
  return padded;
}

// The figures of a line that the card screen would compute, kept from the check to the store.
struct Figures {
  double cumulative = 0, charge = 0;
};

// Reads the fields of one line into a card as the card screen leaves it before a save,
// checking each against the company.
class LineReader {
 public:
  // `fiscalColumns`: how many of the fiscal columns the file carries after the 16.
  explicit LineReader(int fiscalColumns) : fiscalColumns_(fiscalColumns) {
    const MImmoState& m = MImmo();
    yearEnd_ = m.exercises[1].endDay;
    yearEndText_ = m.exercises[1].endText;
    Toolkit().CompanyPrefix(company_);
  }

  // Fills `c` from `f` (16 fields, and the fiscal ones the file carries). False with the first
  // fault found. `checking`: also refuse a key already in the register, compute the figures left
  // empty and check them against the value; else the figures are the caller's (kept from the
  // check).
  bool Read(const std::vector<std::string>& f, AssetCard& c, Figures& figures, Fault& fault,
            bool checking) {
    c = AssetCard();
    figures = Figures();
    fault = Fault();
    if (!NatureCode(f[kColNature], c, fault) || !OrderNumber(f[kColNumber], c, fault) ||
        !Date(kColAcquired, f, c.DATACQ, fault) || !Text(kColSupplier, f, c.NOMFRN, fault) ||
        !Text(kColDescription, f, c.DESCRI, fault) || !Text(kColRemark, f, c.REMIMO, fault))
      return false;
    int32_t acquired = 0;
    Dates().DayNumber(c.DATACQ, acquired);
    if (acquired > yearEnd_)
      return Refuse(fault, kColAcquired,
                    "date d'acquisition après la fin de l'exercice (" + yearEndText_ + ")");
    double value = 0, rate = 0, proceeds = 0;
    if (!Amount(kColValue, f, value, fault) || !Check(kColValue, ValueRefusal(value), fault))
      return false;
    c.MODAMO = std::string(Trim(f[kColMode], kSpaceOrNoBreak));
    Convert().Upper(c.MODAMO);
    if (!Check(kColMode, ModeRefusal(c.MODAMO), fault)) return false;
    if (c.MODAMO != "E" &&
        (!Amount(kColRate, f, rate, fault, FieldType::kRate) ||
         !Check(kColRate, RateRefusal(c.MODAMO, static_cast<float>(rate)), fault)))
      return false;
    Convert().PackSingle(static_cast<float>(rate), c.TAUX);  // 0 in mode E, as on the card
    const bool cumulativeGiven = !Trim(f[kColCumulative], kSpaceOrNoBreak).empty();
    const bool chargeGiven = !Trim(f[kColCharge], kSpaceOrNoBreak).empty();
    if (!Amount(kColCumulative, f, figures.cumulative, fault) ||
        !Check(kColCumulative, AmountRefusal(figures.cumulative), fault) ||
        !Date(kColDisposed, f, c.DATCES, fault) || !Text(kColCustomer, f, c.NOMCLT, fault) ||
        !Amount(kColCharge, f, figures.charge, fault) ||
        !Check(kColCharge, AmountRefusal(figures.charge), fault) ||
        !AnalyticCodes(f[kColAnalytic], c, fault) || !Amount(kColProceeds, f, proceeds, fault) ||
        !Check(kColProceeds, AmountRefusal(proceeds), fault) ||
        !Text(kColTreasury, f, c.NCTRES, fault))
      return false;
    int32_t disposed = 0;
    if (!c.DATCES.empty()) Dates().DayNumber(c.DATCES, disposed);
    if (!c.DATCES.empty() && disposed < acquired)
      return Refuse(fault, kColDisposed, "date de cession avant la date d'acquisition");
    c.VALACQ = PackedAmount(value);
    c.MTCESS = PackedAmount(proceeds);
    if (!FiscalPlan(f, c, value, fault)) return false;
    if (!checking) return true;
    int16_t found = 0;
    KeyedFile().Find(MImmo().kImmo, Padded(c.CODNATI, 6) + c.NUMNATI, MImmo().fImmo, found);
    if (found != 0)
      return Refuse(
          fault, kColNumber,
          "l'immobilisation " + ToUtf8(c.CODNATI) + " " + c.NUMNATI + " est déjà dans le registre");
    c.CUMAMO = PackedAmount(figures.cumulative);
    c.DOTAMO = PackedAmount(figures.charge);
    const int computed = cumulativeGiven ? kColCharge : kColCumulative;
    try {
      ComputeFigures(c, cumulativeGiven, chargeGiven);
    } catch (const HostError& error) {
      return Refuse(fault, computed, "amortissement incalculable : " + error.cause());
    }
    figures.cumulative = UnpackedAmount(c.CUMAMO);
    figures.charge = UnpackedAmount(c.DOTAMO);
    // The checks of the card screen's save, on the figures as they will be stored.
    if (const CardRefusal refusal = CheckCardFigures(c))
      return Refuse(fault, ColumnOf(refusal.field), ToUtf8(refusal.reason));
    if (!Check(computed, ChargeRefusal(value, figures.cumulative, figures.charge), fault))
      return false;
    // The fiscal page's checks, the balance against the economic cumulative as stored.
    if (const CardRefusal refusal = CheckFiscalFigures(c))
      return Refuse(fault, ColumnOf(refusal.field), ToUtf8(refusal.reason));
    return true;
  }

  // The record number of the nature of a card read before.
  int32_t NatureRecord(const std::string& code) const { return natures_.at(code); }

 private:
  static bool Refuse(Fault& fault, int column, std::string reason) {
    fault.column = column;
    fault.reason = std::move(reason);
    return false;
  }

  // False with the card screen's reason (Windows-1252) when it refuses the value of `column`.
  static bool Check(int column, const std::string& refusal, Fault& fault) {
    return refusal.empty() || Refuse(fault, column, ToUtf8(refusal));
  }

  static int ColumnOf(const std::string& field) {
    static const std::pair<const char*, int> kColumnsOf[] = {
        {"MTCESS", kColProceeds},
        {"VALACQ", kColValue},
        {"MODAMO", kColMode},
        {"TAUX", kColRate},
        {"CUMAMO", kColCumulative},
        {"DOTAMO", kColCharge},
        {"MODFIS", Fiscal(kColFiscalMode)},
        {"TAUFIS", Fiscal(kColFiscalRate)},
        {"CUMFIS", Fiscal(kColFiscalCumulative)},
        {"SLDDER", Fiscal(kColBalance)}};
    for (const auto& [name, column] : kColumnsOf)
      if (field == name) return column;
    return -1;
  }

  // An empty Cumul Début or Dotation Exercice as the card screen computes it when the user
  // lets it stand: a zero cumulative is recomputed, then the charge follows the cumulative.
  static void ComputeFigures(AssetCard& c, bool cumulativeGiven, bool chargeGiven) {
    const std::string given = c.DOTAMO;
    if (!cumulativeGiven) AmortirFiche(c, TrueValue());
    if (!chargeGiven) AmortirFiche(c, FalseValue());
    if (chargeGiven) c.DOTAMO = given;
  }

  // Our own addition: the fiscal plan of the line into `c` (a blank mode when it has none).
  // A plan is refused while the company's fiscal option is off: importing it would either
  // turn the option on behind the accountant's back or store plans nothing reads. The
  // computed columns of the current year are passed over.
  bool FiscalPlan(const std::vector<std::string>& f, AssetCard& c, double value, Fault& fault) {
    c.MODFIS.clear();
    Convert().PackSingle(0.0f, c.TAUFIS);
    c.CUMFIS = c.SLDDER = c.DOTFIS = PackedAmount(0);
    if (fiscalColumns_ == 0) return true;
    const int stored = std::min(fiscalColumns_, kFiscalStoredColumns);
    c.MODFIS = std::string(Trim(f[Fiscal(kColFiscalMode)], kSpaceOrNoBreak));
    Convert().Upper(c.MODFIS);
    if (c.MODFIS.empty()) {
      for (int id = kColFiscalRate; id < stored; ++id) {
        double figure = 0;
        if (!Amount(Fiscal(id), f, figure, fault)) return false;
        if (Round2(figure) != 0)
          return Refuse(fault, Fiscal(id),
                        "valeur sans mode fiscal : donnez le mode (L, D ou E) ou videz la "
                        "colonne");
      }
      return true;
    }
    if (!MImmo().fiscal.on)
      return Refuse(fault, Fiscal(kColFiscalMode),
                    "plan fiscal refusé : l'option fiscale de l'entreprise est désactivée ; "
                    "activez-la par « actifix company fiscal " +
                        company_ + " --on », puis importez de nouveau");
    if (!Check(Fiscal(kColFiscalMode), ModeRefusal(c.MODFIS), fault)) return false;
    double rate = 0, cumulative = 0, balance = 0, typed = 0;
    if (c.MODFIS != "E" && (!Amount(Fiscal(kColFiscalRate), f, rate, fault, FieldType::kRate) ||
                            !Check(Fiscal(kColFiscalRate),
                                   FiscalRateRefusal(c.MODFIS, static_cast<float>(rate)), fault)))
      return false;
    Convert().PackSingle(static_cast<float>(rate), c.TAUFIS);  // 0 in mode E, as on the card
    if (!Amount(Fiscal(kColFiscalCumulative), f, cumulative, fault) ||
        !Check(Fiscal(kColFiscalCumulative), FiscalCumulativeRefusal(value, cumulative), fault) ||
        !Amount(Fiscal(kColBalance), f, balance, fault) ||
        !Check(Fiscal(kColBalance), AmountRefusal(balance), fault))
      return false;
    if (stored > kColFiscalTyped) {
      if (!Amount(Fiscal(kColFiscalTyped), f, typed, fault)) return false;
      if (c.MODFIS != "E" && Round2(typed) != 0)
        return Refuse(fault, Fiscal(kColFiscalTyped),
                      "dotation fiscale saisie en mode E seulement : videz la colonne");
      if (!Check(Fiscal(kColFiscalTyped), ChargeRefusal(value, cumulative, typed), fault))
        return false;
    }
    c.CUMFIS = PackedAmount(cumulative);
    c.SLDDER = PackedAmount(balance);
    c.DOTFIS = PackedAmount(typed);
    return true;
  }

  bool NatureCode(std::string_view field, AssetCard& c, Fault& fault) {
    c.CODNATI = std::string(Trim(field, kSpaceOrNoBreak));
    Convert().Upper(c.CODNATI);
    if (c.CODNATI.empty()) return Refuse(fault, kColNature, "code nature vide");
    if (c.CODNATI.size() > 6)
      return Refuse(fault, kColNature,
                    "code nature " + Quoted(c.CODNATI) + " trop long : 6 caractères au plus");
    auto [at, fresh] = natures_.try_emplace(c.CODNATI, 0);
    if (fresh) {
      const MImmoState& m = MImmo();
      int16_t found = 0;
      KeyedFile().Find(m.kNature, Padded(c.CODNATI, 6), m.fNature, found);
      if (found != 0) RecordFile().LastRecordNumber(m.fNature, at->second);
    }
    if (at->second == 0)
      return Refuse(fault, kColNature, "nature " + Quoted(c.CODNATI) + " inexistante");
    return true;
  }

  static bool OrderNumber(std::string_view field, AssetCard& c, Fault& fault) {
    const std::string_view number = Trim(field, kSpaceOrNoBreak);
    bool digits = !number.empty() && number.size() <= 5;
    for (const char d : number) digits = digits && d >= '0' && d <= '9';
    if (!digits)
      return Refuse(fault, kColNumber,
                    "numéro d'ordre " + Quoted(number) + " invalide : de 1 à 5 chiffres");
    c.NUMNATI = std::string(5 - number.size(), '0') + std::string(number);
    return true;
  }

  static bool Date(int column, const std::vector<std::string>& f, std::string& text, Fault& fault) {
    const std::string_view field = Trim(f[column], kSpaceOrNoBreak);
    text.clear();
    if (field.empty() && column == kColDisposed) return true;
    const std::optional<std::string> date = ReadDate(field);
    if (!date)
      return Refuse(fault, column, "date " + Quoted(field) + " invalide : jj/mm/aaaa attendu");
    text = *date;
    return true;
  }

  // An amount or rate read as its field on the card screen reads it; an empty one is 0.
  static bool Amount(int column, const std::vector<std::string>& f, double& value, Fault& fault,
                     FieldType type = FieldType::kAmount) {
    const TypedNumber number = ReadTypedNumber(f[column], type);
    value = number.value;
    return number.refusal.empty() || Refuse(fault, column, number.refusal);
  }

  // A text as the card screen takes it: at most its field's width once the trailing blanks
  // are cut, and none of the characters the module's lists keep for themselves.
  static bool TextFits(int column, std::string_view text, Fault& fault) {
    const int width = kExportColumns[column].width;
    if (static_cast<int>(text.size()) > width)
      return Refuse(fault, column,
                    "texte de " + std::to_string(text.size()) +
                        " caractères : " + std::to_string(width) + " au plus");
    for (const char ch : text) {
      if (ch == '\0') return Refuse(fault, column, "caractère absent du jeu Windows-1252");
      if (IsControlByte(ch)) return Refuse(fault, column, "caractère de contrôle refusé");
      if (column != kColAnalytic && (ch == ',' || ch == '[' || ch == ']'))
        return Refuse(fault, column,
                      "caractère « " + std::string(1, ch) +
                          " » refusé : « , », « [ » et « ] » sont réservés aux listes");
    }
    return true;
  }

  static bool Text(int column, const std::vector<std::string>& f, std::string& text, Fault& fault) {
    const std::string_view trimmed = TrimRight(f[column], kSpaceOrNoBreak);
    if (!TextFits(column, trimmed, fault)) return false;
    text = std::string(trimmed);
    return true;
  }

  // "[code,code,...]", one code or "?" per analytic heading of the company, at most.
  bool AnalyticCodes(std::string_view field, AssetCard& c, Fault& fault) {
    const MImmoState& m = MImmo();
    std::string_view list = Trim(field, kSpaceOrNoBreak);
    if (list.empty()) list = "[]";
    if (!TextFits(kColAnalytic, list, fault)) return false;
    const std::string_view inner = list.substr(1, list.size() - 2);
    if (list.size() < 2 || list.front() != '[' || list.back() != ']' ||
        inner.find_first_of("[]") != std::string_view::npos)
      return Refuse(fault, kColAnalytic,
                    "liste " + Quoted(list) + " mal formée : [code,code,...] attendue");
    c.analytic = std::string(list);
    int32_t heading = 0;
    for (std::size_t start = 0; !inner.empty() && start <= inner.size(); ++heading) {
      std::size_t end = inner.find(',', start);
      if (end == std::string_view::npos) end = inner.size();
      const std::string code(inner.substr(start, end - start));
      start = end + 1;
      if (heading + 1 > m.headingCount)
        return Refuse(fault, kColAnalytic,
                      "plus de codes que les " + std::to_string(m.headingCount) +
                          " rubriques analytiques de l'entreprise");
      if (code.empty() || code.size() > 6)
        return Refuse(fault, kColAnalytic,
                      "code analytique " + Quoted(code) + " invalide : 1 à 6 caractères ou « ? »");
      if (code == "?") continue;
      const std::string key = Padded(std::to_string(heading + 1), 2) + Padded(code, 6);
      auto [at, fresh] = analytic_.try_emplace(key, false);
      if (fresh) {
        int16_t found = 0;
        KeyedFile().Find(m.kAnaimo, key, m.fAnaimo, found);
        at->second = found != 0;
      }
      if (!at->second)
        return Refuse(fault, kColAnalytic,
                      "code analytique " + Quoted(code) + " inexistant pour la rubrique " +
                          std::to_string(heading + 1));
    }
    return true;
  }

  int fiscalColumns_ = 0;
  std::string company_;
  int32_t yearEnd_ = 0;
  std::string yearEndText_;
  std::unordered_map<std::string, int32_t> natures_;  // code -> record number, 0 when missing
  std::unordered_map<std::string, bool> analytic_;    // "Anaimo" key -> found
};

std::string Message(int64_t line, const Fault& fault) {
  std::string text = "ligne " + std::to_string(line);
  if (fault.column >= 0) text += ", colonne " + Header(fault.column);
  return text + " : " + fault.reason;
}

// The fault of a line that has not the header's `columns` fields. More fields come from a ";"
// inside a text: the free text where joining the fields back gives a good line is named.
Fault FieldCountFault(const std::vector<std::string>& fields, std::size_t columns,
                      LineReader& reader) {
  const std::size_t n = fields.size();
  Fault fault;
  fault.reason = std::to_string(n) + " champs au lieu de " + std::to_string(columns);
  if (n < columns) return fault;
  const std::size_t extra = n - columns;
  for (const int column : {kColSupplier, kColDescription, kColRemark, kColCustomer, kColTreasury}) {
    std::vector<std::string> joined(fields.begin(), fields.begin() + column);
    std::string text = fields[column];
    for (std::size_t k = 1; k <= extra; ++k) text += ";" + fields[column + k];
    joined.push_back(text);
    joined.insert(joined.end(), fields.begin() + column + static_cast<long>(extra) + 1,
                  fields.end());
    AssetCard card;
    Figures figures;
    Fault trial;
    if (reader.Read(joined, card, figures, trial, false)) {
      fault.column = column;
      fault.reason = "un « ; » dans le texte décale les colonnes suivantes (" + fault.reason + ")";
      return fault;
    }
  }
  fault.reason += " : un « ; » dans un texte décale les colonnes";
  return fault;
}

// The 16 headers of the export, then maybe fiscal ones in their order, from the first four
// on (mode, rate, cumulative, balance); their number in `fiscalColumns`.
bool HeaderFault(const std::vector<std::string>& fields, Fault& fault, int& fiscalColumns) {
  const int given = static_cast<int>(fields.size());
  const int most = kColumns + kFiscalColumnCount;
  for (int column = 0; column < std::min(std::max(given, kColumns), most); ++column) {
    if (column < given && Trim(fields[column], kSpaceOrNoBreak) == ColumnHeader(column)) continue;
    fault.column = column;
    fault.reason = "en-tête de l'export attendu, « " + Header(column) + " » dans cette colonne";
    return true;
  }
  fiscalColumns = given - kColumns;
  if (given == kColumns || (given >= kColumns + kFiscalLeastColumns && given <= most)) return false;
  fault.reason =
      std::to_string(given) + " colonnes d'en-tête au lieu de 16" +
      (given > kColumns ? ", ou de " + std::to_string(kColumns + kFiscalLeastColumns) + " à " +
                              std::to_string(most) + " avec les colonnes du plan fiscal"
                        : "");
  return true;
}

}  // namespace

ImportResult ImportRegister(const ImportOptions& options) {
  RegisterFile file(options.file);
  ImportResult result;
  std::vector<std::string> fields;
  int64_t line = 0;
  Fault fault;
  int fiscalColumns = 0;
  if (!file.Next(fields, line) || line != 1 || HeaderFault(fields, fault, fiscalColumns)) {
    if (fault.reason.empty()) fault.reason = "en-tête de l'export attendu";
    result.faults.push_back(Message(1, fault));
    return result;
  }
  const int64_t total = file.dataLines();
  const auto progress = [&](const char* phase, int64_t done) {
    if (options.progress && (done % 1000 == 0 || done == total))
      options.progress(phase, done, total);
  };

  const std::size_t columns = static_cast<std::size_t>(kColumns + fiscalColumns);
  LineReader reader(fiscalColumns);
  std::vector<Figures> figures;
  figures.reserve(static_cast<std::size_t>(total));
  std::unordered_map<std::string, int64_t> keys;  // CODNATI & NUMNATI -> its line
  keys.reserve(static_cast<std::size_t>(total));
  AssetCard card;
  while (file.Next(fields, line)) {
    if (fields.size() == columns) Unneutralise(fields);
    Figures lineFigures;
    const bool read = fields.size() == columns
                          ? reader.Read(fields, card, lineFigures, fault, true)
                          : (fault = FieldCountFault(fields, columns, reader), false);
    if (read) {
      const auto [at, fresh] = keys.try_emplace(Padded(card.CODNATI, 6) + card.NUMNATI, line);
      if (!fresh) {
        fault = {kColNumber, "l'immobilisation " + ToUtf8(card.CODNATI) + " " + card.NUMNATI +
                                 " est déjà ligne " + std::to_string(at->second)};
      }
    }
    if (!fault.reason.empty()) result.faults.push_back(Message(line, fault));
    figures.push_back(lineFigures);
    progress("Vérification", static_cast<int64_t>(figures.size()));
  }
  result.assets = static_cast<int64_t>(figures.size());
  if (!result.faults.empty() || options.dryRun) return result;

  // Every line is good: each asset is stored as the card screen saves it.
  MImmoState& m = MImmo();
  file.Rewind();
  file.Next(fields, line);
  std::string nature;
  int64_t stored = 0;
  while (file.Next(fields, line)) {
    if (fields.size() == columns) Unneutralise(fields);
    Figures lineFigures;
    if (!reader.Read(fields, card, lineFigures, fault, false))
      throw HostError(ErrorKind::kConflict, "import", options.file.string(),
                      "ligne " + std::to_string(line) + " relue autrement");
    const Figures& checked = figures[static_cast<std::size_t>(stored)];
    card.CUMAMO = PackedAmount(checked.cumulative);
    card.DOTAMO = PackedAmount(checked.charge);
    card.natureNumber = reader.NatureRecord(card.CODNATI);
    if (card.CODNATI != nature) {  // the nature's buffer, kept up by the saves of its cards
      RecordFile().Read(m.fNature, card.natureNumber);
      nature = card.CODNATI;
    }
    card.previous = Card().previous;
    Card() = card;
    StockerFiche();
    // With the option on, the plan joins its card; a blank mode also removes a plan left
    // under the key by a card deleted while the option was off.
    if (m.fiscal.on) EcrirePlanFiscal(Padded(card.CODNATI, 6) + card.NUMNATI, card);
    progress("Import", ++stored);
  }
  result.assets = stored;
  return result;
}

}  // namespace actifix::platform
