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
  static const std::vector<Line> kLines = {
      {"Frais d'établissement et de développement", B::kIncorporelles, true},
      {"Autres postes d'immobilisations incorporelles", B::kIncorporelles, true},
      {"Terrains", B::kCorporelles, true},
      {"Constructions sur sol propre", B::kCorporelles, true},
      {"Constructions sur sol d'autrui", B::kCorporelles, true},
      {"Inst. générales, agenc., aménag. constructions", B::kCorporelles, true},
      {"Installations techniques, matériel et outillage", B::kCorporelles, true},
      {"Inst. générales, agenc., aménag. divers", B::kCorporelles, true},
      {"Matériel de transport", B::kCorporelles, true},
      {"Matériel de bureau et informatique, mobilier", B::kCorporelles, true},
      {"Emballages récupérables et divers", B::kCorporelles, true},
      {"Immobilisations corporelles en cours", B::kCorporelles, false},
      {"Avances et acomptes", B::kCorporelles, false},
      {"Participations évaluées par mise en équivalence", B::kFinancieres, false},
      {"Autres participations", B::kFinancieres, false},
      {"Autres titres immobilisés", B::kFinancieres, false},
      {"Prêts et autres immobilisations financières", B::kFinancieres, false},
      {"Non classé", B::kNonClasse, true},
  };
  return kLines;
}

std::size_t NonClasse() { return kNonClasseLine; }

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
