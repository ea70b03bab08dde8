// The asset card print: identification lines and the depreciation plan of the asset in the
// asset record buffer (EDTPA), and the batches of cards of EdtPImo.
#include <cstdlib>

#include "depreciation/MImmoAmort.h"
#include "host/Cp1252.h"
#include "state/Amounts.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

constexpr int16_t kLastExercise = 100;

// Columns of the plan; the DOTAMO column keeps its totals.
const std::string& PlanDescriptor() {
  static const std::string descriptor =
      std::string("[PS,1,[[EXER,EXERCICE,A,24,G],") + "[VALACQ,Valeur,M,12,2,D,[A]]," +
      "[TAUX,Taux,M,6,2,D,[A]]," + "[MODAMO,M,A,1,G]," + "[VNCAN,VNC Debut,M,12,2,D,[A]]," +
      "[TA,Taux,M,6,2,D,[A]]," + "[DOTAMO,Dotation,M,12,2,D]," +
      "[CUMFIN,Cumul Fin,M,12,2,D,[A]],[VNC,VNC Fin,M,12,2,D,[A]]]," + "[DOTAMO]]";
  return descriptor;
}

// Gives the current exercise index back when the plan ends, however it ends.
class IndexRestorer {
 public:
  IndexRestorer() : saved_(MImmo().exerciseIndex) {}
  ~IndexRestorer() { MImmo().exerciseIndex = saved_; }
  IndexRestorer(const IndexRestorer&) = delete;
  IndexRestorer& operator=(const IndexRestorer&) = delete;

 private:
  int16_t saved_;
};

void AddTitle(const std::string& text) { Edition().AddStyledTitle(text, "MS", "Arial"); }

// The card and plan of EDTPA.
void PrintPlan() {
  IndexRestorer restorer;
  MImmoState& m = MImmo();
  const HostConvert& convert = Convert();
  const HostDates& dates = Dates();
  HostEdition& edition = Edition();
  AssetRecord& asset = m.immo;

  std::string acquisitionText, disposalText;
  int32_t acquisitionDay = 0, disposalDay = 0;
  dates.UnpackDate(asset.DATACQ, acquisitionText, acquisitionDay);
  dates.UnpackDate(asset.DATCES, disposalText, disposalDay);

  // The last day of the plan: end of depreciation (end of the table in mode "E"), or the
  // disposal day when it comes first.
  const std::string mode = asset.MODAMO;
  // A card saved (F1) before its rate was accepted has no plan years: FINAM needs a rate.
  float storedRate = 0;
  convert.UnpackSingle(asset.TAUX, storedRate);
  int32_t lastDay = 0;
  if ((mode == "L" || mode == "D") && Round2(storedRate) > 0)
    FINAM(mode, asset.TAUX, acquisitionText, lastDay);
  else if (mode == "L" || mode == "D")
    lastDay = m.exercises[1].startDay - 1;
  else
    lastDay = m.exercises[kLastExercise].endDay;
  if (disposalDay != 0 && disposalDay <= lastDay) lastDay = disposalDay;

  double value = 0, cumulative = 0, charge = 0;
  float rate = 0;
  convert.UnpackDouble(asset.VALACQ, value);
  convert.UnpackDouble(asset.CUMAMO, cumulative);
  convert.UnpackDouble(asset.DOTAMO, charge);
  convert.UnpackSingle(asset.TAUX, rate);
  m.exerciseIndex = 1;

  int16_t found = 0;
  KeyedFile().Find(m.kNature, asset.CODNATI, m.fNature, found);
  if (found == 0) {
    std::string code;
    convert.Trim(asset.CODNATI, code);
    Runtime().Report("Code Nature Inconnu <" + code + ">", "EDTPA", TrueValue());
  }

  AddTitle("Nature : " + asset.CODNATI.str() + " " + m.nature.LIBNAT.str());
  AddTitle("Ordre  : " + asset.NUMNATI.str() + " - Date Acquisition : " + acquisitionText +
           " - Fournisseur " + asset.NOMFRN.str());
  if (!disposalText.empty()) {
    std::string client, amountText;
    convert.Trim(asset.NOMCLT, client);
    double proceeds = 0;
    convert.UnpackDouble(asset.MTCESS, proceeds);
    convert.FormatNumber(proceeds, 2, amountText);
    AddTitle(std::string(16, ' ') + "Date De Cession  : " + disposalText + " - Client " + client +
             " - Mt Cession : " + amountText);
  }
  std::string trimmed;
  convert.Trim(asset.DESCRI, trimmed);
  if (!trimmed.empty()) AddTitle(asset.DESCRI);
  convert.Trim(asset.REMIMO, trimmed);
  if (!trimmed.empty()) AddTitle(asset.REMIMO);

  edition.DefineColumns(PlanDescriptor());
  if (!IsZero2(cumulative)) {
    edition.SetCell("EXER", std::string("Antérieur"_w), "@");
    edition.SetAmount("DOTAMO", cumulative, "@");
    edition.PrintLine();
  }

  bool firstLine = false;
  HostToolkit& toolkit = Toolkit();
  // The plan needs the exercise at the index; past the end of the table there is none, and
  // the plan stops there.
  while (m.exerciseIndex <= kLastExercise && lastDay >= m.exercises[m.exerciseIndex].startDay &&
         !IsZero2(value - cumulative)) {
    const Exercise& year = m.exercises[m.exerciseIndex];
    if (!firstLine) {
      edition.SetAmount("VALACQ", value, "@");
      edition.SetAmount("TAUX", rate, "@");
      edition.SetCell("MODAMO", mode, "@");
      firstLine = true;
    }
    edition.SetCell("EXER", year.startText + " Au " + year.endText, "@");
    edition.SetAmount("VNCAN", value - cumulative, "@");
    const double base = mode == "D" ? value - cumulative : value;
    if (!IsZero2(base)) edition.SetAmount("TA", Round2(charge * 100 / base), "@");
    edition.SetAmount("DOTAMO", charge, "@");
    edition.SetAmount("CUMFIN", cumulative + charge, "@");
    edition.SetAmount("VNC", value - (cumulative + charge), "@");
    edition.PrintLine();

    int16_t interrupted = 0;
    toolkit.Interrupted(interrupted);
    if (interrupted != 0) return;

    ++m.exerciseIndex;
    cumulative = Round2(cumulative + charge);
    if (m.exerciseIndex > kLastExercise) break;
    if (mode == "L" || mode == "D") {
      std::string packedCumulative, packedCharge;
      convert.PackDouble(cumulative, packedCumulative);
      const int16_t recompute = FalseValue();
      CalcAmort(mode, asset.VALACQ, packedCumulative, recompute, asset.TAUX, acquisitionText,
                disposalText, packedCharge);
      convert.UnpackDouble(packedCharge, charge);
    } else {
      const double left = Round2(value - cumulative);
      if (left < charge) charge = left;
    }
    if (charge == 0) lastDay = m.exercises[m.exerciseIndex].startDay - 1;
  }

  int16_t pageLine = 0, pageLength = 0;
  toolkit.PageLine(pageLine);
  toolkit.PageLength(pageLength);
  if (pageLine + 3 > pageLength) edition.NewPage();
  edition.PrintTotals("[DOTAMO]");
  edition.PrintTotalLine("[[[EXER, TOTAL]],[[DOTAMO,1]]]", "");
  edition.ResetTotals("[DOTAMO]");
  if (m.fiscal.on && m.fiscal.printCardPlan != nullptr) m.fiscal.printCardPlan();
  edition.NewPage();
}

}  // namespace

// A card the depreciation cannot compute stops the print with a message that names it.
void EDTPA() {
  RequireCardFigures("EDTPA", false);
  try {
    PrintPlan();
  } catch (const ArithmeticError& e) {
    ThrowForCard("EDTPA", e);
  }
}

void EdtFichesImmo(const std::string& numbers) {
  const HostBracketList& brackets = Brackets();
  MImmoState& m = MImmo();
  BracketList rest(numbers);
  while (!rest.empty()) {
    std::string element;
    brackets.First(rest, element);
    const int32_t number = static_cast<int32_t>(std::strtol(element.c_str(), nullptr, 10));
    RecordFile().Read(m.fImmo, number);
    EDTPA();
    Edition().Feed(1);
  }
}

void EdtPlanImmo(std::string& groupList) {
  HostToolkit& toolkit = Toolkit();
  toolkit.SetEditionTitle("FICHE DES IMMOBILISATIONS ET PLAN D'AMORTISSEMENT");
  std::string title;
  toolkit.GetEditionTitle(title);
  Edition().Open(FalseValue(), ZeroValue(), ZeroValue(), title, -1);
  const HostBracketList& brackets = Brackets();
  BracketList groups(groupList);
  groupList = "[]";
  while (!groups.empty()) {
    std::string group, acquisitions;
    brackets.TakeFirst(groups, group);
    brackets.Item(group, 2, acquisitions);
    if (acquisitions != "[]") EdtFichesImmo(acquisitions);
  }
}

}  // namespace actifix
