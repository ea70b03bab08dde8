#include "yearopen/MImmoExer.h"

#include <cstdlib>
#include <string>

#include "assets/MImmoImmo.h"
#include "depreciation/MImmoAmort.h"
#include "fiscal/AssetFiscal.h"
#include "host/Cp1252.h"
#include "host/Text.h"
#include "refdata/EntryCycle.h"
#include "state/Amounts.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

const std::string kScreenTitle = "OUVERTURE NOUVEL EXERCICE CALCUL AMORTISSEMENTS";
const std::string kBoxTitle = "Ouverture nouvel exercice";
const std::string kWarning(
    "Attention l'execution de ce programme plus d'une fois @peut doubler le montant du cumul "
    "des amortissements@. Veuillez donc, avant execution de ce programme, éditer la liste des "
    "Imobilisations (Raccouci @ LI @) et vérifier la colonne Cumul Début (seul programme à "
    "éditer les valeurs sans recalcul). Si toutes les données sont correcte effectuez une "
    "sauvegarde interne puis lancez le programme d'ouverture. Veuillez enfin de nouveau éditer "
    "la liste des immobilisations en vérifiant de nouveau la colonne Cumul Début"_w);
const std::string kWrongDates("Si Ces Dates sont Incorrectes, Modifiez les en Entrée Entreprise"_w);
const std::string kListTitle = "LISTE DES AMORTISSEMENTS EXCEPTIONNELS A RENSEIGNER";
const std::string kListColumns(
    "[PS,1,[[CODNATI,Code Nature,A,6,G,[A,E]],[NUMNATI,No Ordre,N,5,0,C,[A,E]],"
    "[DATACQ,Date d'Acquisition,D,C,[A,E]],[CUMAMO,Cumul Exercice Precedent,M,12,2,D,[A,E]],"
    "[DOTAMO,Exercice en Cours à Saisir,M,12,2,D,[]]],[]]"_w);

// Shows the new dates and asks whether they are right; true only for yes with the
// validation key.
bool DatesConfirmed() {
  HostToolkit& toolkit = Toolkit();
  HostScreen& screen = Screen();
  std::string start, end;
  toolkit.YearStartText(start);
  toolkit.YearEndText(end);
  screen.ShowLine(12, "B", "LES NOUVELLES DATES D'EXERCICE SONT : " + start + " AU " + end);
  screen.ShowLine(14, "N", kWrongDates);
  screen.ShowLine(16, "I", "Est-ce Correct ? ");
  int16_t answer = FalseValue();
  int16_t key = 0;
  screen.AskConfirm(answer, key, "B");
  int16_t validate = 0;
  toolkit.KeyValidate(validate);
  return key == validate && answer != 0;
}

// Our own addition, with the company's fiscal option on: the fiscal year the opening closes.
// It ends the day before the new year and starts on the year the cumulatives belong to when
// the host knows it and it lies up to 24 months before (a first year shorter or longer than
// twelve months), else one year earlier, on the day after the same month-end.
fiscal::Period ClosingYear(int32_t newYearStart) {
  const HostDates& dates = Dates();
  fiscal::Period year;
  year.end = newYearStart - 1;
  std::string held;
  Toolkit().CumulativesYearStart(held);
  int32_t heldDay = 0;
  if (!Trim(held).empty()) dates.DayNumber(held, heldDay);
  constexpr int32_t kLongestYear = 731;
  if (heldDay > 0 && heldDay < newYearStart && newYearStart - heldDay <= kLongestYear) {
    year.start = heldDay;
    return year;
  }
  std::string endText, earlier, monthEnd;
  dates.DateOfDay(year.end, endText);
  int16_t d = 0, mo = 0, y = 0;
  dates.Split(endText, d, mo, y);
  dates.Compose(d, mo, static_cast<int16_t>(y - 1), earlier);
  int32_t earlierEnd = 0;
  dates.EndOfMonth(earlier, monthEnd, earlierEnd);
  year.start = earlierEnd + 1;
  return year;
}

// The plan of the asset in the buffer, when it has one, closes `closing` on the year's
// economic charge `charge` (what the opening adds to the cumulative): its fiscal cumulative
// and derogatory balance roll, the typed charge of mode E goes back to 0. One Find.
void RollFiscalPlan(const fiscal::Period& closing, double charge) {
  MImmoState& m = MImmo();
  fiscal::StoredPlan stored;
  if (!fiscal::ReadStoredPlan(stored)) return;
  const std::string mode = Trimmed(m.immo.MODAMO.str());
  const fiscal::FiscalYearResult year =
      fiscal::RollYear(stored.plan, stored.state, closing, RoundHalfAway(charge, 2),
                       mode.empty() ? 'L' : mode[0], stored.typed);
  m.immof.CUMFIS = PackedAmount(year.next.cumulative);
  m.immof.SLDDER = PackedAmount(year.next.balance);
  m.immof.DOTFIS = PackedAmount(0);
  int32_t number = 0;
  RecordFile().LastRecordNumber(m.fImmof, number);
  RecordFile().Write(m.fImmof, number);
}

// Rolls the asset in the buffer into the new year and writes it back; prints its line on the
// list when it is an exceptional asset with something left to depreciate.
void RollAsset(const std::string& acquired, const std::string& disposed) {
  MImmoState& m = MImmo();
  const HostConvert& convert = Convert();
  const std::string storedCumulative = m.immo.CUMAMO.str();
  const std::string storedCharge = m.immo.DOTAMO.str();
  const double charge = UnpackedAmount(storedCharge);
  double cumulative = 0;
  convert.Round(charge + UnpackedAmount(storedCumulative), 2, cumulative);
  std::string cumulativeText, chargeText = storedCharge;
  convert.PackDouble(cumulative, cumulativeText);

  if (m.immo.MODAMO.str() != "E") {
    const int16_t recompute = FalseValue();
    RequireCardFigures("OuvImo", true);
    try {
      CalcAmort(m.immo.MODAMO.str(), m.immo.VALACQ.str(), cumulativeText, recompute,
                m.immo.TAUX.str(), acquired, disposed, chargeText);
    } catch (const ArithmeticError& e) {
      ThrowForCard("OuvImo", e);
    }
  } else {
    RequireCardFigures("OuvImo", false);
    double remaining = 0;
    convert.Round(UnpackedAmount(m.immo.VALACQ.str()) - cumulative, 2, remaining);
    double storedRounded = 0;
    convert.Round(charge, 2, storedRounded);
    if (remaining < storedRounded) convert.PackDouble(remaining, chargeText);
    int16_t zero = 0;
    convert.IsZero(remaining, 2, zero);
    if (zero == 0) {
      HostEdition& edition = Edition();
      edition.SetCell("CODNATI", m.immo.CODNATI.str(), "@");
      edition.SetCell("NUMNATI", m.immo.NUMNATI.str(), "@");
      edition.SetCell("DATACQ", m.immo.DATACQ.str(), "@");
      edition.SetAmount("CUMAMO", cumulative, "@");
      edition.PrintLine();
      edition.Step(1);
    }
  }
  m.immo.CUMAMO = cumulativeText;
  m.immo.DOTAMO = chargeText;
  int32_t number = 0;
  RecordFile().LastRecordNumber(m.fImmo, number);
  RecordFile().Write(m.fImmo, number);
}

}  // namespace

void OuvImo() {
  MImmoState& m = MImmo();
  Runtime().Enter();
  int16_t status = 0;
  Screen().Clear(status);
  Screen().OpenScroll(20, 80);
  Screen().SetTitle(kScreenTitle);
  int16_t result = 0;
  MessageBox().Show("Information", kBoxTitle, kWarning, result);

  if (DatesConfirmed()) {
    OpenTitledEdition(kListTitle);
    AddTitleAndColumns(kListColumns);
    HostKeyedFile& keyed = KeyedFile();
    const HostDates& dates = Dates();
    // The fiscal plans roll with their assets, in the same walk and the same transaction.
    const bool plans = m.fiscal.on && m.kImmof != 0;
    fiscal::Period closing;
    if (plans) {
      std::string startDay;
      Toolkit().YearStartDay(startDay);
      closing = ClosingYear(static_cast<int32_t>(std::strtol(startDay.c_str(), nullptr, 10)));
    }
    int16_t found = 0;
    std::string key;
    keyed.First(m.kImmo, m.fImmo, found, key);
    while (found != 0) {
      std::string acquired, disposed, startDay;
      int32_t acquiredDay = 0, disposalDay = 0;
      dates.UnpackDate(m.immo.DATACQ.str(), acquired, acquiredDay);
      dates.UnpackDate(m.immo.DATCES.str(), disposed, disposalDay);
      Toolkit().YearStartDay(startDay);
      const long newYearStart = std::strtol(startDay.c_str(), nullptr, 10);
      if (disposalDay != 0 && disposalDay < newYearStart) {
        int32_t number = 0;
        RecordFile().LastRecordNumber(m.fImmo, number);
        RemoveAsset(key, number);
        if (plans) SupprimerPlanFiscal(key);  // its balance was written back in its last year
      } else {
        if (plans) RollFiscalPlan(closing, UnpackedAmount(m.immo.DOTAMO.str()));
        RollAsset(acquired, disposed);
      }
      keyed.Next(m.kImmo, m.fImmo, found, key);
    }
    Edition().PrintTotals("[]");
    Edition().Close(0);
  }
  Runtime().Leave();
}

}  // namespace actifix
