#include "tables/Tableaux2054.h"

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

#include "editions/MImmoEdt.h"
#include "host/Cp1252.h"
#include "host/Text.h"
#include "state/Amounts.h"
#include "state/MImmo.h"
#include "tables/Lines2054.h"

namespace actifix {

namespace {

using tables::Block;
using tables::BlockTotalBoxes;
using tables::GrandTotalBoxes;
using tables::Lines;

const char* const kTitle = "TABLEAU DES IMMOBILISATIONS ET DES AMORTISSEMENTS";
const char* const kRoutine = "TAB2054";

// What the assets of one line add up to over the year.
struct LineSums {
  double grossStart = 0;    // A NOUVEAU values
  double acquisitions = 0;  // ACQUISITIONS values
  double disposals = 0;     // CESSIONS values
  double depStart = 0;      // cumul début
  double dotations = 0;
  double reductions = 0;           // cumul fin of the disposed assets
  std::array<double, 4> byMode{};  // dotations by mode row (1 L, 2 D, 3 E)
  long natures = 0;                // natures sent to the line
  double GrossEnd() const { return Round2(grossStart + acquisitions - disposals); }
  double DepEnd() const { return Round2(depStart + dotations - reductions); }
};

void Add(double& sum, double amount) { sum = Round2(sum + amount); }

// A nature met in the register, and the line its asset account sent it to.
struct NatureLine {
  std::string code, label, account;  // Windows-1252, trimmed
  std::size_t line = 0;
};

// The label cells of a total line: its text, and the form's boxes when it has some.
std::string Label(const char* text, const char* boxes) {
  return std::string("[LIBELLE,") + text + "]" +
         (*boxes != 0 ? std::string(",[CASES,") + boxes + "]" : "");
}

class Tables {
 public:
  explicit Tables(int32_t exercise) : exercise_(exercise), sums_(Lines().size()) {
    const Exercise& year = MImmo().exercises[exercise];
    from_ = {year.startText, year.startDay};
    to_ = {year.endText, year.endDay};
  }

  // Sums every asset of the register on its nature's line.
  void Collect() {
    MImmoState& m = MImmo();
    const Exercise& year = m.exercises[exercise_];
    int16_t found = 0;
    std::string key;
    for (KeyedFile().First(m.kImmo, m.fImmo, found, key); found != 0;
         KeyedFile().Next(m.kImmo, m.fImmo, found, key)) {
      std::string text;
      int32_t acquired = 0, disposed = 0;
      Dates().UnpackDate(m.immo.DATACQ, text, acquired);
      Dates().UnpackDate(m.immo.DATCES, text, disposed);
      const EdtSections s = EdtSectionsOf(acquired, disposed, from_.day, to_.day, year.endDay);
      if (!s.kept) continue;
      LineSums& line = sums_[LineOfNature(m.immo.CODNATI)];
      const EdtFigures f = EdtImoFigures(s.aNouveau ? "AN" : "A", exercise_, from_, to_);
      Add(s.aNouveau ? line.grossStart : line.acquisitions, f.value);
      Add(line.depStart, f.cumulDebut);
      Add(line.dotations, f.dotation);
      Add(line.byMode[EdtModeRow(m.immo.MODAMO)], f.dotation);
      if (s.cessions) {
        const EdtFigures c = EdtImoFigures("C", exercise_, from_, to_);
        Add(line.disposals, c.value);
        Add(line.reductions, c.cumulFin);
      }
    }
  }

  void Print() {
    HostEdition& edition = Edition();
    Toolkit().SetEditionTitle(kTitle);
    std::string openTitle;
    Toolkit().GetEditionTitle(openTitle);
    edition.Open(FalseValue(), ZeroValue(), ZeroValue(), openTitle, -1);
    edition.AddTitle(kTitle, "G");
    edition.AddStyledTitle("EXERCICE DU " + from_.text + " AU " + to_.text, "PD", "Arial");
    edition.Feed(1);
    if (PrintGross() && PrintDepreciation()) PrintNatures();
    edition.Close(0);
  }

 private:
  // The line of a nature's asset account, the nature looked up once.
  std::size_t LineOfNature(const std::string& code) {
    const auto known = lineOf_.find(code);
    if (known != lineOf_.end()) return known->second;
    MImmoState& m = MImmo();
    int16_t found = 0;
    KeyedFile().Find(m.kNature, code, m.fNature, found);
    NatureLine n{Trimmed(code), "", "", tables::NonClasse()};
    if (found == 0) {
      Runtime().Report("Code Nature Inconnu " + code, kRoutine, TrueValue());
    } else {
      n.label = Trimmed(m.nature.LIBNAT.view());
      n.account = Trimmed(m.nature.NCIMAT.view());
      n.line = tables::LineOfAccount(n.account);
    }
    ++sums_[n.line].natures;
    natures_.push_back(n);
    return lineOf_[code] = n.line;
  }

  // Prints the lines of one table with the boxes of its form (2055 when `form2055`), a
  // section total after each block, the general total. `amounts` gives a line's cells in the
  // order of `columns`; `shown` tells whether a line is printed. False when the user
  // interrupted the edition.
  template <typename Amounts, typename Shown>
  bool PrintTable(bool form2055, const std::vector<const char*>& columns, Amounts amounts,
                  Shown shown) {
    HostEdition& edition = Edition();
    std::string list, level1, level2;
    for (const char* c : columns) {
      list += std::string(list.empty() ? "" : ",") + c;
      level1 += std::string(level1.empty() ? "" : ",") + "[" + c + ",1]";
      level2 += std::string(level2.empty() ? "" : ",") + "[" + c + ",2]";
    }
    static const char* const kBlockTotals[] = {"TOTAL INCORPORELLES", "TOTAL CORPORELLES",
                                               "TOTAL FINANCIERES"};
    const auto& lines = Lines();
    bool inBlock = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (shown(i)) {
        edition.SetCell("LIBELLE", FromUtf8(lines[i].label), "@");
        edition.SetCell("CASES", form2055 ? lines[i].boxes2055 : lines[i].boxes2054, "@");
        const std::vector<double> cells = amounts(sums_[i]);
        for (std::size_t k = 0; k < columns.size(); ++k)
          edition.SetAmount(columns[k], cells[k], "@");
        edition.PrintLine();
        if (EditionInterrupted()) return false;
        inBlock = true;
      }
      const bool blockEnds = i + 1 == lines.size() || lines[i + 1].block != lines[i].block;
      if (!blockEnds || !inBlock) continue;
      inBlock = false;
      const Block block = lines[i].block;
      if (block == Block::kNonClasse) {
        for (const char* c : columns) edition.CarryTotal(c, 1, "+");
        continue;
      }
      edition.SectionTotals("[" + list + "]", 0);
      edition.PrintSectionTotalLine(
          "[[" + Label(kBlockTotals[static_cast<int>(block)], BlockTotalBoxes(block, form2055)) +
              "],[" + level1 + "]]",
          "+");
      edition.Step(1);
    }
    edition.PrintTotals("[" + list + "]");
    edition.PrintTotalLine(
        "[[" + Label("TOTAL GENERAL", GrandTotalBoxes(form2055)) + "],[" + level2 + "]]", "");
    edition.ResetTotals("[" + list + "]");
    edition.Feed(2);
    return true;
  }

  bool PrintGross() {
    Edition().AddStyledTitle("IMMOBILISATIONS (2054)", "PD", "Arial");
    Edition().DefineColumns(
        std::string("[PS,1,[[LIBELLE,Rubrique,A,47,G],[CASES,Cases,A,13,G],[@VALEURS "
                    "BRUTES,[VBD,Début,M,14,2,D],"
                    "[ACQ,Acquisitions,M,14,2,D],[CES,Cessions,M,14,2,D],[VBF,Fin,M,14,2,D]]],"
                    "[VBD,ACQ,CES,VBF]]"_w));
    return PrintTable(
        false, {"VBD", "ACQ", "CES", "VBF"},
        [](const LineSums& s) {
          return std::vector<double>{s.grossStart, s.acquisitions, s.disposals, s.GrossEnd()};
        },
        [this](std::size_t i) { return i != tables::NonClasse() || sums_[i].natures > 0; });
  }

  bool PrintDepreciation() {
    Edition().AddStyledTitle("AMORTISSEMENTS (2055)", "PD", "Arial");
    Edition().DefineColumns(
        std::string("[PS,1,[[LIBELLE,Rubrique,A,47,G],[CASES,Cases,A,13,G],[@AMORTISSEMENTS,[AD,"
                    "Début,M,13,2,D],"
                    "[DOT,Dotations,M,13,2,D],[RED,Diminutions,M,13,2,D],[AF,Fin,M,13,2,D]],"
                    "[@VENTILATION DES DOTATIONS,[LIN,Linéaire,M,13,2,D],[DEG,Dégressif,M,13,2,D],"
                    "[EXC,Exceptionnel,M,13,2,D]]],[AD,DOT,RED,AF,LIN,DEG,EXC]]"_w));
    return PrintTable(
        true, {"AD", "DOT", "RED", "AF", "LIN", "DEG", "EXC"},
        [](const LineSums& s) {
          return std::vector<double>{s.depStart,  s.dotations, s.reductions, s.DepEnd(),
                                     s.byMode[1], s.byMode[2], s.byMode[3]};
        },
        [this](std::size_t i) {
          // A line outside form 2055 shows only when depreciation of its own is there.
          const LineSums& s = sums_[i];
          if (i == tables::NonClasse()) return s.natures > 0;
          return Lines()[i].on2055 || !IsZero2(s.depStart) || !IsZero2(s.dotations) ||
                 !IsZero2(s.reductions);
        });
  }

  void PrintNatures() {
    HostEdition& edition = Edition();
    edition.AddStyledTitle("AFFECTATION DES NATURES", "PD", "Arial");
    edition.DefineColumns(
        std::string("[PS,1,[[CODNAT,Nature,A,6,G],[LIBNAT,Libellé,A,30,G],[NCIMAT,Compte,A,10,G],"
                    "[LIGNE,Ligne,A,47,G]],[]]"_w));
    for (const NatureLine& n : natures_) {
      edition.SetCell("CODNAT", n.code, "@");
      edition.SetCell("LIBNAT", n.label, "@");
      edition.SetCell("NCIMAT", n.account, "@");
      edition.SetCell("LIGNE", FromUtf8(Lines()[n.line].label), "@");
      edition.PrintLine();
      if (EditionInterrupted()) return;
    }
  }

  int32_t exercise_;
  CriteriaDate from_, to_;
  std::vector<LineSums> sums_;
  std::unordered_map<std::string, std::size_t> lineOf_;  // nature code as stored -> line
  std::vector<NatureLine> natures_;                      // in the order they were met
};

}  // namespace

void Tableaux2054() {
  MImmoState& m = MImmo();
  int16_t found = 0;
  std::string key;
  KeyedFile().First(m.kImmo, m.fImmo, found, key);
  if (found == 0) return;
  const int32_t exercise = SelectExercise();
  if (exercise == 0) return;
  m.exerciseIndex = static_cast<int16_t>(exercise);
  Screen().ShowMessage("N", "Calcul des Tableaux - Veuillez Patienter");
  Tables tables(exercise);
  tables.Collect();
  tables.Print();
}

}  // namespace actifix
