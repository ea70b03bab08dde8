// The depreciation edition ("IMMOBILISATIONS AMORTISSEMENTS"): one block per group split into
// A NOUVEAU, ACQUISITIONS and CESSIONS, with each asset's dotation within the date bounds,
// the section and group totals, and the breakdowns by mode of the groups and closing levels.
// It fills the work tables of the disposal gains and losses and of the ledger entries.
#include <cstdlib>
#include <vector>

#include "depreciation/MImmoAmort.h"
#include "depreciation/Prorata.h"
#include "editions/EdtCommon.h"
#include "editions/MImmoEdt.h"
#include "fiscal/AssetFiscal.h"
#include "host/Cp1252.h"
#include "host/Text.h"
#include "ledger/MImmoLedger.h"

namespace actifix {

namespace {

const char* const kRoutine = "EDTIMO.IMO";

const std::string& Columns() {
  static const std::string descriptor =
      std::string("[PS,1,[[NOMFRN,DESCRIPTION,A,33,G],[VALACQ,Valeur,M,12,2,D],") +
      "[TAUX,Taux,M,6,2,D,[A]],[MODAMO,M,A,1,G],[@AMORTISSEMENTS " +
      ",[CUMAMO,Cumul Debut,M,12,2,D],[DOTAMO,Dotation,M,12,2,D,[A]],[CUMFIN,Cumul "
      "Fin,M,12,2,D,[A]],[VNC,VNC,M,12,2,D,[A]]]],[VALACQ,CUMAMO,DOTAMO,CUMFIN,VNC]]";
  return descriptor;
}

void Report(const std::string& message) { Runtime().Report(message, kRoutine, TrueValue()); }

void StyledTitle(const std::string& text) { Edition().AddStyledTitle(text, "PD", "Arial"); }

// Looks `code` up in the nature file; true when found (the record then in the buffer).
bool LookUpNature(const std::string& code) {
  MImmoState& m = MImmo();
  std::string& inBuffer = m.edt.natureInBuffer;
  if (!inBuffer.empty() && code == inBuffer) return true;
  int16_t found = 0;
  KeyedFile().Find(m.kNature, code, m.fNature, found);
  inBuffer = found != 0 ? code : "";
  return found != 0;
}

// Looks the nature of the asset in the buffer up; reports `missing` & code when there is none.
void FindNature(const std::string& missing) {
  const std::string code = MImmo().immo.CODNATI;
  if (!LookUpNature(code)) Report(missing + code);
}

// Header and short label of one sort level of a group.
struct LevelLabel {
  std::string header;
  std::string shortLabel;
};

LevelLabel Label(int level, const std::string& code) {
  MImmoState& m = MImmo();
  const EditionCriteria& c = m.edt.criteria;
  const int criterion = c.levels[level];
  std::string name = "NATURE", shownCode = code, label;
  if (criterion == 1) {
    if (!LookUpNature(code)) Report("Code Nature Inconnu " + code);
    label = Trimmed(m.nature.LIBNAT.view());
  } else {
    std::string heading;
    Brackets().Item(m.headingList, criterion - 1, heading);
    name = Trimmed(heading);
    if (Trim(code).empty()) {
      shownCode = "<Omis>";
      label = std::string("<Non Renseigné>"_w);
    } else {
      std::string type;
      Convert().Pad(std::to_string(criterion - 1), 0, 2, type);
      int16_t found = 0;
      KeyedFile().Find(m.kAnaimo, type + code, m.fAnaimo, found);
      if (found == 0) Report("Analytique " + name + " : Code " + code + " Inconnu ");
      label = Trimmed(m.anaimo.NOMANA.view());
    }
  }
  std::string padded;
  Convert().Pad(name, 0, c.headingWidth, padded);
  return {padded + " : " + shownCode + " " + label,
          name + " : " + Trimmed(shownCode) + " " + label};
}

void SectionHeading(const std::string& name) {
  HostEdition& edition = Edition();
  edition.SectionTotals("[NOMFRN]", 0);
  edition.SetCell("NOMFRN", name, "@");
  edition.PrintLine();
  edition.SectionTotals("[NOMFRN]", 0);
  edition.Step(1);
}

// "Total - " and the short labels of levels 1 to `upTo`.
std::string ClosingLabel(const std::vector<LevelLabel>& labels, int upTo) {
  std::string text = "Total - ";
  for (int level = 1; level <= upTo; ++level)
    text += (level > 1 ? ", " : "") + labels[level].shortLabel;
  return text;
}

}  // namespace

void EditionAmortissements() {
  MImmoState& m = MImmo();
  EditionState& e = m.edt;
  const EditionCriteria& c = e.criteria;
  HostEdition& edition = Edition();
  HostToolkit& toolkit = Toolkit();
  const HostBracketList& brackets = Brackets();
  const bool recap = c.RECAPSEULE;

  const std::string title =
      "IMMOBILISATIONS AMORTISSEMENTS DU " + c.DATDEB.text + " AU " + c.DATFIN.text;
  edt::OpenTitledEdition(title);
  std::string second = "ACQUISITIONS ";
  if (!Trim(c.DATDEBA.text).empty()) second += " Du " + c.DATDEBA.text;
  second += " Au " + c.DATFINA.text;
  StyledTitle(second);
  std::string third = "Classement Par : ";
  for (int level = 1; level <= c.levelCount; ++level) {
    std::string name = "NATURE";
    if (c.levels[level] != 1) {
      Brackets().Item(m.headingList, c.levels[level] - 1, name);
      name = Trimmed(name);
    }
    third += (level > 1 ? ", " : "") + name;
  }
  StyledTitle(third);
  edition.Feed(1);
  e.disposals = BracketList();
  e.natureInBuffer.clear();

  const int levels = c.levelCount;
  std::vector<LevelLabel> labels(levels + 1);
  std::string group;
  if (!e.groupList.empty()) brackets.TakeFirst(e.groupList, group);
  while (!group.empty()) {
    std::string key, aNouveau, acquisitions, cessions;
    brackets.Item(group, 1, key);
    brackets.Item(group, 2, aNouveau);
    brackets.Item(group, 3, acquisitions);
    brackets.Item(group, 4, cessions);
    key.resize(6 * levels, ' ');

    for (int level = 1; level <= levels; ++level) {
      labels[level] = Label(level, key.substr(6 * (level - 1), 6));
      edt::PageRoom(14);
      StyledTitle(labels[level].header);
    }
    if (!recap) edition.DefineColumns(Columns());

    bool interrupted = false;
    if (aNouveau != "[]" && !aNouveau.empty()) {
      if (!recap) SectionHeading(" A NOUVEAU");
      interrupted = !EdtImoSection(aNouveau, "AN");
      if (!recap) {
        edt::PageRoom(3);
        edition.SectionTotals("[VALACQ,CUMAMO]", 0);
        edition.PrintSectionTotalLine("[[[NOMFRN,TOTAL A NOUVEAU]],[[VALACQ,1],[CUMAMO,1]]]", "+");
        edition.Step(1);
      }
    }
    if (acquisitions != "[]" && !acquisitions.empty()) {
      if (!recap) SectionHeading(" ACQUISITIONS");
      interrupted = !EdtImoSection(acquisitions, "A") || interrupted;
      if (!recap) {
        edition.SectionTotals("[VALACQ]", 0);
        edition.PrintSectionTotalLine("[[[NOMFRN,TOTAL ACQUISITION]],[[VALACQ,1]]]", "+");
      }
    }
    if (!recap) {
      for (const char* column : {"DOTAMO", "CUMFIN", "VNC"}) edition.CarryTotal(column, 1, "+");
      edition.SectionTotals("[VALACQ,DOTAMO,CUMFIN,VNC]", 0);
      edition.PrintSectionTotalLine(
          "[[[NOMFRN,TOTAL A NOUVEAU+ACQUISITION]],[[VALACQ,2],[DOTAMO,2],[CUMFIN,2],[VNC,2]]]",
          "");
    }
    if (cessions != "[]" && !cessions.empty()) {
      if (!recap) {
        edition.Step(1);
        SectionHeading(" CESSIONS");
      }
      interrupted = !EdtImoSection(cessions, "C") || interrupted;
      if (!recap) {
        edition.SectionTotals("[VALACQ,CUMFIN,VNC]", 0);
        edition.PrintSectionTotalLine("[[[NOMFRN,TOTAL CESSION]],[[VALACQ,1],[CUMFIN,1],[VNC,1]]]",
                                      "-");
        edition.PrintTotals("[VALACQ,CUMFIN,VNC]");
        edition.PrintTotalLine("[[[NOMFRN, TOTAL GENERAL]],[[VALACQ,2],[CUMFIN,2],[VNC,2]]]", "");
        edition.ResetTotals("[VALACQ,CUMFIN,VNC]");
        edition.Feed(2);
      }
    }

    EdtVentilation("Ventilation Par Mode d'Amortissement", 1);
    if (!recap) edition.NewPage();

    std::string next;
    if (!e.groupList.empty()) brackets.TakeFirst(e.groupList, next);
    if (next.empty()) {
      for (int16_t level = 2; level <= levels; ++level)
        EdtVentilation(ClosingLabel(labels, levels - level + 1), level);
    } else {
      std::string nextKey;
      brackets.Item(next, 1, nextKey);
      nextKey.resize(6 * levels, ' ');
      for (int parts = levels - 1; parts >= 1; --parts) {
        if (nextKey.compare(0, 6 * parts, key, 0, 6 * parts) == 0) continue;
        EdtVentilation(ClosingLabel(labels, parts), static_cast<int16_t>(levels - parts + 1));
      }
    }
    if (!recap) {
      int16_t line = 0;
      toolkit.PageLine(line);
      if (line != 0) edition.NewPage();
    }
    if (interrupted || EditionInterrupted()) return;
    group = std::move(next);
  }
  if (levels > 1) {
    EdtVentilation("TOTAL GENERAL", static_cast<int16_t>(levels + 1));
    edition.NewPage();
  }
}

int EdtModeRow(const std::string& mode) {
  return mode == "L" ? 1 : mode == "D" ? 2 : mode == "E" ? 3 : 0;
}

namespace {

EdtFigures CardFigures(const std::string& section, const int32_t& exercise,
                       const CriteriaDate& DATDEB, const CriteriaDate& DATFIN) {
  MImmoState& m = MImmo();
  const HostConvert& convert = Convert();
  const HostDates& dates = Dates();
  const AssetRecord& a = m.immo;
  const auto selected = static_cast<int16_t>(exercise);
  const Exercise& year = m.exercises[selected];
  EdtFigures f;
  double cumul = UnpackedAmount(a.CUMAMO), yearDot = UnpackedAmount(a.DOTAMO);
  const double value = UnpackedAmount(a.VALACQ);
  const std::string mode = a.MODAMO;
  std::string& acqText = f.acqText;
  std::string& dispText = f.dispText;
  int32_t& acquired = f.acquired;
  int32_t& disposed = f.disposed;
  dates.UnpackDate(a.DATACQ, acqText, acquired);
  dates.UnpackDate(a.DATCES, dispText, disposed);

  // Roll forward to the selected year.
  for (int16_t i = 2; i <= selected; ++i) {
    m.exerciseIndex = i;
    cumul = Round2(cumul + yearDot);
    if (mode == "L" || mode == "D") {
      std::string packedCumul, packedDot;
      convert.PackDouble(cumul, packedCumul);
      CalcAmort(mode, a.VALACQ, packedCumul, FalseValue(), a.TAUX, acqText, dispText, packedDot);
      yearDot = UnpackedAmount(packedDot);
    } else {
      convert.Min(yearDot, Round2(value - cumul), yearDot);
    }
  }
  m.exerciseIndex = selected;

  int32_t endDep = year.endDay;
  if (mode != "E") FINAM(mode, a.TAUX, acqText, endDep);
  int32_t limit = 0;
  bool noDot = false;
  if (disposed != 0 && disposed <= endDep) {
    limit = disposed;
    noDot = disposed < DATDEB.day;
  } else if (endDep < DATDEB.day) {
    noDot = true;
    limit = disposed;
  } else {
    limit = endDep;
  }
  int32_t ps = year.startDay, pe = year.endDay, bs = DATDEB.day, be = DATFIN.day;
  if (acquired >= year.startDay) {
    if (acquired <= DATDEB.day) {
      ps = acquired;
    } else if (acquired <= DATFIN.day) {
      ps = bs = acquired;
    } else {
      Report(std::string("Cas non Prévu s/Acquisition"_w));
    }
  }
  if (limit != 0 && limit <= year.endDay) {
    if (limit >= DATFIN.day) {
      pe = limit;
    } else if (limit >= DATDEB.day) {
      pe = be = limit;
    } else if (limit >= year.startDay) {
      be = limit;
    } else {
      Report(std::string("Cas non Prévu s/Cession"_w));
    }
  }
  double dot = 0, before = 0;
  const double days = static_cast<double>(pe) - ps + 1;
  if (m.fiscal.on && m.fiscal.prorata && !noDot && days > 0 && mode != "E") {
    // "Prorata fiscal": the year's charge is shared between the bounds in 30E/360 days, from
    // the first of the acquisition month in declining, as the charge itself was counted.
    if (mode == "D") {
      const int32_t firstOfMonth = acquired - (CivilOf(acquired).day - 1);
      if (ps == acquired) ps = firstOfMonth;
      if (bs == acquired) bs = firstOfMonth;
    }
    const double whole = Days360(ps, pe);
    dot = Round2(Days360(bs, be) * yearDot / whole);
    before = Round2(Days360(ps, bs - 1) * yearDot / whole);
  } else if (noDot) {
    before = yearDot;
  } else if (days > 0) {
    dot = Round2((static_cast<double>(be) - bs + 1) * yearDot / days);
    before = Round2((static_cast<double>(bs) - ps) * yearDot / days);
  }
  if (section == "A") cumul = 0;
  f.value = value;
  f.cumul = cumul;
  f.before = before;
  f.dotation = dot;
  f.cumulDebut = Round2(cumul + before);
  f.cumulFin = Round2(before + cumul + dot);
  f.vnc = Round2(value - f.cumulFin);
  f.yearCharge = noDot || days > 0 ? Round2(yearDot) : 0;
  return f;
}

}  // namespace

// A card the depreciation cannot compute stops the edition with a message that names it.
EdtFigures EdtImoFigures(const std::string& section, const int32_t& exercise,
                         const CriteriaDate& DATDEB, const CriteriaDate& DATFIN) {
  RequireCardFigures("EDTIMO.IMO", true);
  try {
    return CardFigures(section, exercise, DATDEB, DATFIN);
  } catch (const ArithmeticError& e) {
    ThrowForCard("EDTIMO.IMO", e);
  }
}

bool EdtImoSection(const std::string& numbers, const std::string& section) {
  MImmoState& m = MImmo();
  EditionState& e = m.edt;
  const EditionCriteria& c = e.criteria;
  const HostConvert& convert = Convert();
  const HostBracketList& brackets = Brackets();
  HostEdition& edition = Edition();
  AssetRecord& a = m.immo;
  const bool recap = c.RECAPSEULE;
  const bool compta = Trim(m.parimo.COMPTA.view()) == "O";
  // Our own addition: the derogatory movement of the current fiscal year joins the entries of
  // the run that ends on its last day, when the company's fiscal option is on.
  const bool derogatory =
      compta && m.fiscal.on && c.selectedExercise == 1 && c.DATFIN.day == m.exercises[1].endDay;

  BracketList list(numbers);
  while (!list.empty()) {
    std::string element;
    brackets.TakeFirst(list, element);
    RecordFile().Read(m.fImmo, static_cast<int32_t>(std::strtol(element.c_str(), nullptr, 10)));
    const EdtFigures f = EdtImoFigures(section, c.selectedExercise, c.DATDEB, c.DATFIN);
    const double value = f.value, cumul = f.cumul, before = f.before, dot = f.dotation;
    const double cumulDebut = f.cumulDebut, cumulFin = f.cumulFin, vnc = f.vnc;
    const std::string& acqText = f.acqText;
    const std::string& dispText = f.dispText;
    const int32_t disposed = f.disposed;
    const std::string mode = a.MODAMO;

    if (!recap) {
      edition.SetCell(
          "NOMFRN",
          "Ordre : " + a.NUMNATI.str() + " - Date : " + (section == "C" ? dispText : acqText), "@");
      edition.SetAmount("VALACQ", value, "@");
      float rate = 0;
      convert.UnpackSingle(a.TAUX, rate);
      edition.SetAmount("TAUX", rate, "@");
      edition.SetCell("MODAMO", mode, "@");
      if (section == "AN") edition.SetAmount("CUMAMO", cumulDebut, "@");
      if (section != "C") edition.SetAmount("DOTAMO", dot, "@");
      edition.SetAmount("CUMFIN", cumulFin, "@");
      edition.SetAmount("VNC", vnc, "@");
      edition.PrintLine();
      if (EditionInterrupted()) return false;
      edition.SetCell("NOMFRN", section == "C" ? a.NOMCLT.str() : a.NOMFRN.str(), "@");
      edition.PrintLine();
      if (EditionInterrupted()) return false;
      for (const std::string& text : {Trimmed(a.DESCRI.view()), Trimmed(a.REMIMO.view())}) {
        if (text.empty()) continue;
        edition.SetCell("NOMFRN", text, "@");
        edition.PrintLine();
        if (EditionInterrupted()) return false;
      }
      edition.Step(1);
    }

    const int row = EdtModeRow(mode);
    if (row == 0) {
      Report(std::string("Cas non Prévu s/Mode Amortissement"_w));
    } else {
      BreakdownSums& sums = e.breakdown[1][row];
      if (section != "C") {
        sums.value = Round2(sums.value + value);
        sums.cumulDebut = Round2(sums.cumulDebut + cumul + before);
        sums.dotation = Round2(sums.dotation + dot);
      } else {
        sums.value = Round2(sums.value - value);
        sums.cessions = Round2(sums.cessions + before + cumul + dot);
      }
    }

    if (section == "C") {
      if (disposed < c.DATDEB.day || disposed > c.DATFIN.day) continue;
      const double price = UnpackedAmount(a.MTCESS);
      std::string disposal;
      brackets.FromArray(
          {a.CODNATI, acqText, a.NUMNATI, Trimmed(a.NOMFRN.view()), Trimmed(a.DESCRI.view()),
           Trimmed(a.REMIMO.view()), Trimmed(a.NOMCLT.view()), edt::Amount2(vnc), dispText,
           edt::Amount2(price)},
          disposal);
      brackets.Append(e.disposals, disposal);
      FindNature("Code Nature Inconnu pour Compta ");
      std::string label = "[]";
      brackets.Append(label, price != 0 ? std::string("Cession à "_w) + Trimmed(a.NOMCLT.view())
                                        : std::string("Sortie sans Cession"));
      for (const std::string& text :
           {Trimmed(a.NOMFRN.view()), Trimmed(a.DESCRI.view()), Trimmed(a.REMIMO.view())})
        if (!text.empty()) brackets.Append(label, text);
      if (compta) EcrituresCession(label, cumulFin, vnc, price);
    } else if (compta) {
      FindNature("Code Nature Inconnu pour Compta ");
      AjoutDotationNature(dot);
      fiscal::StoredPlan stored;
      if (derogatory && fiscal::ReadStoredPlan(stored)) {
        const fiscal::DerogatoryMovement move = fiscal::CurrentYear(stored, f.yearCharge).movement;
        AjoutDerogatoireNature(move.allowance, move.writeBack);
      }
    }
  }
  return true;
}

void EdtVentilation(const std::string& label, const int16_t& level) {
  EditionState& e = MImmo().edt;
  HostEdition& edition = Edition();
  static const char* const kNames[] = {"", "LINEAIRE", "DEGRESSIF", "EXCEPTIONNEL"};
  edt::PageRoom(14);
  StyledTitle(label);
  edition.DefineColumns(
      "[PS,1,[[MA,Mode d'Amortissement,A,22,G,[A]],[VA,Val Amortissable,M,12,2,D,[A]],"
      "[CD,Cumul Debut,M,12,2,D],[DOT,Dotation,M,12,2,D],[CES,Cession,M,12,2,D],"
      "[CF,Cumul Fin,M,12,2,D],[VNC,VNC,M,12,2,D,[A]]],[VA,CD,DOT,CES,CF,VNC]]");
  for (int row = 1; row <= 3; ++row) {
    const BreakdownSums& s = e.breakdown[level][row];
    const double cf = Round2(s.cumulDebut + s.dotation - s.cessions);
    edition.SetCell("MA", std::string("TOTAL ") + kNames[row], "@");
    edition.SetAmount("VA", s.value, "@");
    edition.SetAmount("CD", s.cumulDebut, "@");
    edition.SetAmount("DOT", s.dotation, "@");
    edition.SetAmount("CES", s.cessions, "@");
    edition.SetAmount("CF", cf, "@");
    edition.SetAmount("VNC", Round2(s.value - cf), "@");
    edition.PrintLine();
    if (EditionInterrupted()) return;
  }
  edition.Step(1);
  edt::PageRoom(3);
  edition.PrintTotals("[VA,CD,DOT,CES,CF,VNC]");
  edition.PrintTotalLine("[[[MA, TOTAL]],[[VA,1],[CD,1],[DOT,1],[CES,1],[CF,1],[VNC,1]]]", "");
  edition.ResetTotals("[VA,CD,DOT,CES,CF,VNC]");
  edition.Feed(1);
  if (level < e.criteria.levelCount + 1) {
    for (int row = 1; row <= 3; ++row) {
      BreakdownSums& from = e.breakdown[level][row];
      BreakdownSums& to = e.breakdown[level + 1][row];
      to.value = Round2(to.value + from.value);
      to.cumulDebut = Round2(to.cumulDebut + from.cumulDebut);
      to.dotation = Round2(to.dotation + from.dotation);
      to.cessions = Round2(to.cessions + from.cessions);
      from = {};
    }
  }
}

}  // namespace actifix
