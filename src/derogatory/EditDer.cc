#include "derogatory/EditDer.h"

#include <array>
#include <cstdlib>

#include "derogatory/AssetYear.h"
#include "editions/MImmoEdt.h"
#include "host/Cp1252.h"
#include "host/Text.h"
#include "state/Amounts.h"
#include "state/EditionText.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

const char* const kTitle = "AMORTISSEMENTS DEROGATOIRES";

// The amount columns, in print order; every one keeps totals.
constexpr std::array<const char*, 8> kAmounts = {"ECO",    "FIS",    "SLDDEB", "DOTDER",
                                                 "REPDER", "REPCES", "SLDFIN", "EXCES"};

const std::string& Columns() {
  static const std::string descriptor = std::string(
      "[PS,1,[[NOMFRN,DESCRIPTION,A,42,G],[MODAMO,E,A,1,G],[MODFIS,F,A,1,G],"
      "[@DOTATIONS DE L'EXERCICE,[ECO,Economique,M,12,2,D],[FIS,Fiscale,M,12,2,D]],"
      "[@AMORTISSEMENTS DEROGATOIRES,[SLDDEB,Solde Début,M,12,2,D],"
      "[DOTDER,Dotation,M,12,2,D],[REPDER,Reprise,M,12,2,D],"
      "[REPCES,dont Cession,M,12,2,D],[SLDFIN,Solde Fin,M,12,2,D]],"
      "[EXCES,Excédent Eco.,M,12,2,D]],"
      "[ECO,FIS,SLDDEB,DOTDER,REPDER,REPCES,SLDFIN,EXCES]]"_w);
  return descriptor;
}

// "[NAME,level],..." for every amount column.
std::string Levels(int level) {
  std::string text;
  for (const char* name : kAmounts)
    text += std::string(text.empty() ? "" : ",") + "[" + name + "," + std::to_string(level) + "]";
  return text;
}

std::string AmountList() {
  std::string text;
  for (const char* name : kAmounts) text += std::string(text.empty() ? "" : ",") + name;
  return "[" + text + "]";
}

// The amounts of one line in the order of kAmounts.
using Amounts = std::array<double, kAmounts.size()>;

Amounts AmountsOf(const derog::AssetYear& a) {
  const fiscal::DerogatoryMovement& m = a.year.movement;
  return {a.economic,  a.year.fiscal,       m.balanceBefore, m.allowance,
          m.writeBack, m.disposalWriteBack, m.balanceAfter,  m.excess};
}

void SetAmounts(const Amounts& amounts) {
  for (std::size_t k = 0; k < kAmounts.size(); ++k)
    Edition().SetAmount(kAmounts[k], amounts[k], "@");
}

void StyledTitle(const std::string& text) { Edition().AddStyledTitle(text, "PD", "Arial"); }

// A new page when fewer than `lines` lines are left on the page.
void PageRoom(int lines) {
  int16_t line = 0, length = 0;
  Toolkit().PageLine(line);
  Toolkit().PageLength(length);
  if (line + lines > length) Edition().NewPage();
}

// The nature's code and label for its heading; reports a code without a record.
std::string NatureHeading(const std::string& code) {
  MImmoState& m = MImmo();
  int16_t found = 0;
  KeyedFile().Find(m.kNature, code, m.fNature, found);
  if (found == 0) {
    Runtime().Report("Code Nature Inconnu " + code, "EDITDER", TrueValue());
    return "NATURE : " + Trimmed(code);
  }
  return "NATURE : " + Trimmed(code) + " " + Trimmed(m.nature.LIBNAT.view());
}

class Printer {
 public:
  // Prints every group of the driver's list; false when the user interrupted the edition.
  bool Print() {
    MImmoState& m = MImmo();
    EditionState& e = m.edt;
    const EditionCriteria& c = e.criteria;
    const Exercise& year = m.exercises[1];
    HostEdition& edition = Edition();
    edt::OpenTitledEdition(kTitle);
    StyledTitle("EXERCICE DU " + year.startText + " AU " + year.endText);
    if (c.DATDEB.day != year.startDay || c.DATFIN.day != year.endDay)
      StyledTitle("IMMOBILISATIONS PRESENTES DU " + c.DATDEB.text + " AU " + c.DATFIN.text +
                  std::string(" - MOUVEMENTS DE L'EXERCICE ENTIER"_w));
    std::string acquisitions = "ACQUISITIONS ";
    if (!Trim(c.DATDEBA.text).empty()) acquisitions += " Du " + c.DATDEBA.text;
    StyledTitle(acquisitions + " Au " + c.DATFINA.text);
    edition.Feed(1);
    // One set of columns for the whole edition: defining them again would clear the totals.
    edition.DefineColumns(Columns());

    const HostBracketList& brackets = Brackets();
    while (!e.groupList.empty()) {
      std::string group, key, aNouveau, acquired;
      brackets.TakeFirst(e.groupList, group);
      brackets.Item(group, 1, key);
      brackets.Item(group, 2, aNouveau);
      brackets.Item(group, 3, acquired);
      key.resize(6, ' ');
      if (!PrintNature(key, aNouveau) || !PrintNature(key, acquired)) return false;
      if (!CloseNature(key)) return false;
    }
    if (printed_ == 0) {
      edition.SetCell("NOMFRN", "Aucune immobilisation avec un plan fiscal", "@");
      edition.PrintLine();
    }
    PageRoom(3);
    edition.PrintTotals(AmountList());
    edition.PrintTotalLine("[[[NOMFRN,TOTAL ENTREPRISE]],[" + Levels(c.RECAPSEULE ? 1 : 2) + "]]",
                           "");
    edition.ResetTotals(AmountList());
    return true;
  }

 private:
  // The assets of `numbers` that have a fiscal plan, under the nature's heading.
  bool PrintNature(const std::string& code, const std::string& numbers) {
    if (numbers.empty() || numbers == "[]") return true;
    MImmoState& m = MImmo();
    HostEdition& edition = Edition();
    const bool recap = m.edt.criteria.RECAPSEULE;
    BracketList list(numbers);
    while (!list.empty()) {
      std::string element;
      Brackets().TakeFirst(list, element);
      RecordFile().Read(m.fImmo, static_cast<int32_t>(std::strtol(element.c_str(), nullptr, 10)));
      derog::AssetYear a;
      if (!derog::CurrentAssetYear(a)) continue;
      const Amounts amounts = AmountsOf(a);
      if (inNature_ == 0) {
        heading_ = NatureHeading(code);
        if (!recap) {
          PageRoom(8);
          edition.SetCell("NOMFRN", heading_, "@");
          edition.PrintLine();
        }
        sums_ = {};
      }
      ++inNature_;
      ++printed_;
      for (std::size_t k = 0; k < sums_.size(); ++k) sums_[k] = Round2(sums_[k] + amounts[k]);
      if (recap) continue;
      edition.SetCell("NOMFRN", "Ordre : " + m.immo.NUMNATI.str() + " - Date : " + AcquiredText(),
                      "@");
      edition.SetCell("MODAMO", Trimmed(m.immo.MODAMO.view()), "@");
      edition.SetCell("MODFIS", std::string(1, a.stored.plan.mode), "@");
      SetAmounts(amounts);
      edition.PrintLine();
      if (EditionInterrupted()) return false;
      for (const std::string& text : {Trimmed(m.immo.NOMFRN.view()),
                                      "Cause : " + fiscal::CauseLabel(a.year.movement.cause)}) {
        if (text.empty()) continue;
        edition.SetCell("NOMFRN", text, "@");
        edition.PrintLine();
        if (EditionInterrupted()) return false;
      }
      edition.Step(1);
    }
    return true;
  }

  // The nature's total line (its one line of sums when only totals are asked).
  bool CloseNature(const std::string& code) {
    if (inNature_ == 0) return true;
    inNature_ = 0;
    HostEdition& edition = Edition();
    if (MImmo().edt.criteria.RECAPSEULE) {
      edition.SetCell("NOMFRN", heading_, "@");
      SetAmounts(sums_);
      edition.PrintLine();
      return !EditionInterrupted();
    }
    PageRoom(3);
    edition.SectionTotals(AmountList(), 0);
    edition.PrintSectionTotalLine(
        "[[[NOMFRN,TOTAL NATURE " + Trimmed(code) + "]],[" + Levels(1) + "]]", "+");
    edition.Feed(1);
    return !EditionInterrupted();
  }

  static std::string AcquiredText() {
    std::string text;
    int32_t day = 0;
    Dates().UnpackDate(MImmo().immo.DATACQ, text, day);
    return text;
  }

  long printed_ = 0;   // assets with a plan met so far
  long inNature_ = 0;  // of which in the nature being printed
  std::string heading_;
  Amounts sums_{};
};

}  // namespace

namespace derog {

std::string YearRefusal(int32_t exercise) {
  if (exercise == 1) return "";
  const Exercise& year = MImmo().exercises[1];
  return std::string("Les plans fiscaux enregistrés sont ceux de l'exercice du "_w) +
         year.startText + " au " + year.endText +
         std::string(
             " : seul cet exercice s'édite. Un exercice clos s'édite depuis son archive "
             "(actifix --exercice AAAA run EditDer)."_w);
}

}  // namespace derog

void EditDer() {
  if (!MImmo().fiscal.on) {
    int16_t result = 0;
    MessageBox().Show("Simple", std::string("Amortissements dérogatoires"_w),
                      std::string("L'entreprise ne tient pas de plan fiscal : il n'y a pas "
                                  "d'amortissement dérogatoire à éditer. L'option se prend par "
                                  "actifix company fiscal CODE --on."_w),
                      result);
    return;
  }
  EdtNatureDriver(derog::YearRefusal, [] { Printer().Print(); });
}

}  // namespace actifix
