#include "tables/Lines2054.h"

#include <string_view>

namespace actifix::tables {

namespace {

// Line numbers, in the order of Lines().
enum : std::size_t {
  kEtablissement,
  kAutresIncorporelles,
  kTerrains,
  kSolPropre,
  kSolAutrui,
  kInstallationsConstructions,
  kInstallationsTechniques,
  kInstallationsDivers,
  kTransport,
  kBureau,
  kEmballages,
  kEnCours,
  kAvances,
  kEquivalence,
  kParticipations,
  kTitres,
  kPrets,
  kNonClasseLine,
};

struct Prefix {
  std::string_view digits;
  std::size_t line;
};

// The accounts of the French chart of accounts that each line holds. A longer prefix wins
// over a shorter one (2135 over 213, 2182 over 218). No account leads to the equity-method
// participations: the chart has none of its own for them.
constexpr Prefix kPrefixes[] = {
    {"201", kEtablissement},
    {"203", kEtablissement},
    {"205", kAutresIncorporelles},
    {"206", kAutresIncorporelles},
    {"207", kAutresIncorporelles},
    {"208", kAutresIncorporelles},
    {"232", kAutresIncorporelles},
    {"237", kAutresIncorporelles},
    {"211", kTerrains},
    {"212", kTerrains},
    {"213", kSolPropre},
    {"2135", kInstallationsConstructions},
    {"214", kSolAutrui},
    {"215", kInstallationsTechniques},
    {"218", kEmballages},
    {"2181", kInstallationsDivers},
    {"2182", kTransport},
    {"2183", kBureau},
    {"2184", kBureau},
    {"231", kEnCours},
    {"238", kAvances},
    {"261", kParticipations},
    {"266", kParticipations},
    {"267", kParticipations},
    {"268", kParticipations},
    {"269", kParticipations},
    {"271", kTitres},
    {"272", kTitres},
    {"273", kTitres},
    {"277", kTitres},
    {"279", kTitres},
    {"274", kPrets},
    {"275", kPrets},
    {"276", kPrets},
};

}  // namespace

const std::vector<Line>& Lines() {
  using B = Block;
  // The boxes of the 2026 forms (cerfa 2054-SD and 2055-SD); the forms print the digit zero
  // as "Ø" in some codes ("ØG"), written "0" here.
  static const std::vector<Line> kLines = {
      {"Frais d'établissement et de développement", B::kIncorporelles, true, "CZ D9 C0 D0",
       "CY EL EM EN"},
      {"Autres postes d'immobilisations incorporelles", B::kIncorporelles, true, "KD KF LV LW",
       "PE PF PG PH"},
      {"Terrains", B::kCorporelles, true, "KG KI LX LY", "PI PJ PK PL"},
      {"Constructions sur sol propre", B::kCorporelles, true, "KJ KL MA MB", "PM PN PO PQ"},
      {"Constructions sur sol d'autrui", B::kCorporelles, true, "KM KO MD ME", "PR PS PT PU"},
      {"Inst. générales, agenc., aménag. constructions", B::kCorporelles, true, "KP KR MG MH",
       "PV PW PX PY"},
      {"Installations techniques, matériel et outillage", B::kCorporelles, true, "KS KU MJ MK",
       "PZ QA QB QC"},
      {"Inst. générales, agenc., aménag. divers", B::kCorporelles, true, "KV KX MM MN",
       "QD QE QF QG"},
      {"Matériel de transport", B::kCorporelles, true, "KY LA MP MQ", "QH QI QJ QK"},
      {"Matériel de bureau et informatique, mobilier", B::kCorporelles, true, "LB LD MS MT",
       "QL QM QN QO"},
      {"Emballages récupérables et divers", B::kCorporelles, true, "LE LG MV MW", "QP QR QS QT"},
      {"Immobilisations corporelles en cours", B::kCorporelles, false, "LH LJ MZ NA", ""},
      {"Avances et acomptes", B::kCorporelles, false, "LK LM ND NE", ""},
      {"Participations évaluées par mise en équivalence", B::kFinancieres, false, "8G 8T 0U M7",
       ""},
      {"Autres participations", B::kFinancieres, false, "8U 8W 0X 0Y", ""},
      {"Autres titres immobilisés", B::kFinancieres, false, "1P 1S 2B 2C", ""},
      {"Prêts et autres immobilisations financières", B::kFinancieres, false, "1T 1V 2E 2F", ""},
      {"Non classé", B::kNonClasse, true, "", ""},
  };
  return kLines;
}

std::size_t NonClasse() { return kNonClasseLine; }

// Total III (corporelles) and total IV (financières) of 2054, total III of 2055. The
// incorporelles have no total line of their own: each of their two lines is one (totals I and
// II), and the 2055 of 2026 sums them in a box we could not confirm.
const char* BlockTotalBoxes(Block block, bool form2055) {
  if (block == Block::kCorporelles) return form2055 ? "QU QV QW QX" : "LN LP NG NH";
  if (block == Block::kFinancieres && !form2055) return "LQ LS NJ NK";
  return "";
}

const char* GrandTotalBoxes(bool form2055) { return form2055 ? "0N 0P 0Q 0R" : "0G 0J 0K 0L"; }

std::size_t LineOfAccount(const std::string& account) {
  std::string digits;
  for (const char c : account)
    if (c != ' ') digits.push_back(c);
  std::size_t line = kNonClasseLine, longest = 0;
  for (const Prefix& p : kPrefixes)
    if (p.digits.size() > longest && std::string_view(digits).starts_with(p.digits)) {
      line = p.line;
      longest = p.digits.size();
    }
  return line;
}

}  // namespace actifix::tables
