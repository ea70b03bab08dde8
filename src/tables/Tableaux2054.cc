#include "tables/Tableaux2054.h"

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

#include "editions/MImmoEdt.h"
#include "fiscal/AssetFiscal.h"
#include "host/Cp1252.h"
#include "host/Text.h"
#include "state/Amounts.h"
#include "state/EditionText.h"
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
  // Derogatory allowances and write-backs by cause (fiscal::DerogatoryCause).
  std::array<double, 3> allowances{}, writeBacks{};
  long natures = 0;  // natures sent to the line
  double GrossEnd() const { return Round2(grossStart + acquisitions - disposals); }
  double DepEnd() const { return Round2(depStart + dotations - reductions); }
};

void Add(double& sum, double amount) { sum = Round2(sum + amount); }

// The regulated provision for derogatory depreciation over the register (form 2056).
struct ProvisionSums {
  double start = 0, allowances = 0, writeBacks = 0, end = 0;
};

// The form a table is printed for: its boxes; section B of 2055 has none we could confirm.
enum class Form { k2054, k2055, k2055B };

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
  explicit Tables(int32_t exercise)
      : exercise_(exercise),
        derogatory_(MImmo().fiscal.on && exercise == 1),
        sums_(Lines().size()) {
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
      if (fiscal::StoredPlan plan; derogatory_ && fiscal::ReadStoredPlan(plan)) {
        // The economic charge of the whole current year, as the derogatory edition takes it.
        const fiscal::DerogatoryMovement d = fiscal::CurrentYear(plan, f.dotation).movement;
        const auto cause = static_cast<std::size_t>(d.cause);
        Add(line.allowances[cause], d.allowance);
        Add(line.writeBacks[cause], d.writeBack);
        Add(provision_.start, d.balanceBefore);
        Add(provision_.allowances, d.allowance);
        Add(provision_.writeBacks, d.writeBack);
        Add(provision_.end, d.balanceAfter);
      }
      if (s.cessions) {
        const EdtFigures c = EdtImoFigures("C", exercise_, from_, to_);
        Add(line.disposals, c.value);
        Add(line.reductions, c.cumulFin);
      }
    }
  }

  void Print() {
    HostEdition& edition = Edition();
    edt::OpenTitledEdition(kTitle);
    edition.AddStyledTitle("EXERCICE DU " + from_.text + " AU " + to_.text, "PD", "Arial");
    edition.Feed(1);
    if (PrintGross() && PrintDepreciation() && PrintFiscal()) PrintNatures();
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
  bool PrintTable(Form form, const std::vector<const char*>& columns, Amounts amounts,
                  Shown shown) {
    const bool form2055 = form == Form::k2055;
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
        edition.SetCell("CASES",
                        form == Form::k2055B ? ""
                        : form2055           ? lines[i].boxes2055
                                             : lines[i].boxes2054,
                        "@");
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
          "[[" +
              Label(kBlockTotals[static_cast<int>(block)],
                    form == Form::k2055B ? "" : BlockTotalBoxes(block, form2055)) +
              "],[" + level1 + "]]",
          "+");
      edition.Step(1);
    }
    edition.PrintTotals("[" + list + "]");
    edition.PrintTotalLine(
        "[[" + Label("TOTAL GENERAL", form == Form::k2055B ? "" : GrandTotalBoxes(form2055)) +
            "],[" + level2 + "]]",
        "");
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
        Form::k2054, {"VBD", "ACQ", "CES", "VBF"},
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
        Form::k2055, {"AD", "DOT", "RED", "AF", "LIN", "DEG", "EXC"},
        [](const LineSums& s) {
          return std::vector<double>{s.depStart,  s.dotations, s.reductions, s.DepEnd(),
                                     s.byMode[1], s.byMode[2], s.byMode[3]};
        },
        [this](std::size_t i) { return ShownOn2055(i); });
  }

  // A line outside form 2055 shows only when depreciation of its own is there.
  bool ShownOn2055(std::size_t i) const {
    const LineSums& s = sums_[i];
    if (i == tables::NonClasse()) return s.natures > 0;
    bool derogatory = false;
    for (std::size_t k = 0; k < s.allowances.size(); ++k)
      derogatory = derogatory || !IsZero2(s.allowances[k]) || !IsZero2(s.writeBacks[k]);
    return Lines()[i].on2055 || !IsZero2(s.depStart) || !IsZero2(s.dotations) ||
           !IsZero2(s.reductions) || derogatory;
  }

  // With the company's fiscal option on: section B of form 2055 (the derogatory movements by
  // cause, on the lines of section A) and the line of form 2056 with the figures of form 2053
  // it feeds; only for the current year, whose plans are stored. Option off: nothing.
  bool PrintFiscal() {
    if (!MImmo().fiscal.on) return true;
    HostEdition& edition = Edition();
    if (!derogatory_) {
      edition.AddStyledTitle(
          std::string("AMORTISSEMENTS DEROGATOIRES (2055 B, 2056) : exercice en cours seulement, "
                      "ou exercice clos depuis son archive"_w),
          "PD", "Arial");
      edition.Feed(1);
      return true;
    }
    edition.AddStyledTitle("AMORTISSEMENTS DEROGATOIRES (2055 CADRE B)", "PD", "Arial");
    edition.DefineColumns(std::string(
        "[PS,1,[[LIBELLE,Rubrique,A,47,G],[CASES,Cases,A,13,G],[@DOTATIONS,[DDUR,Durée et "
        "autres,M,14,2,D],[DDEG,Mode dégressif,M,14,2,D],[DEXC,Fiscal except.,M,14,2,D]],"
        "[@REPRISES,[RDUR,Diff. durée,M,14,2,D],[RDEG,Mode dégressif,M,14,2,D],"
        "[REXC,Fiscal except.,M,14,2,D]]],[DDUR,DDEG,DEXC,RDUR,RDEG,REXC]]"_w));
    const bool printed = PrintTable(
        Form::k2055B, {"DDUR", "DDEG", "DEXC", "RDUR", "RDEG", "REXC"},
        [](const LineSums& s) {
          return std::vector<double>{s.allowances[0], s.allowances[1], s.allowances[2],
                                     s.writeBacks[0], s.writeBacks[1], s.writeBacks[2]};
        },
        [this](std::size_t i) { return ShownOn2055(i); });
    if (!printed) return false;

    const FiscalSettings& f = MImmo().fiscal;
    edition.AddStyledTitle(std::string("PROVISIONS REGLEMENTEES (2056) ET COMPTE DE RESULTAT "
                                       "(2053)"_w),
                           "PD", "Arial");
    edition.DefineColumns(
        std::string("[PS,1,[[LIBELLE,Rubrique,A,47,G],[DEBUT,Début,M,14,2,D],"
                    "[@AUGMENTATIONS,[AUG,Dotations,M,14,2,D]],[@DIMINUTIONS,[DIM,Reprises,M,14,"
                    "2,D]],[FIN,Fin,M,14,2,D],[@2053,[HG,HG "_w) +
        Trimmed(f.allowance) + ",M,14,2,D],[HC,HC " + Trimmed(f.writeBack) + ",M,14,2,D]]],[]]");
    edition.SetCell("LIBELLE", std::string("Amortissements dérogatoires"_w), "@");
    edition.SetAmount("DEBUT", provision_.start, "@");
    edition.SetAmount("AUG", provision_.allowances, "@");
    edition.SetAmount("DIM", provision_.writeBacks, "@");
    edition.SetAmount("FIN", provision_.end, "@");
    edition.SetAmount("HG", provision_.allowances, "@");
    edition.SetAmount("HC", provision_.writeBacks, "@");
    edition.PrintLine();
    edition.Feed(2);
    return !EditionInterrupted();
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
  bool derogatory_;  // the option on and the current year: the derogatory movements collected
  ProvisionSums provision_;
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
