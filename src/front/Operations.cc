#include "front/Operations.h"

#include "front/NvImmo.h"

namespace actifix {

const std::vector<Operation>& Operations() {
  using enum Operation::Hold;
  using enum Operation::Around;
  // name, call, menu label, note, hold, snapshot, on an archive, after the parameters, around
  static const std::vector<Operation> kOperations = {
      {"EntPar", &NvImmo::EntPar, "Paramètres de l'entreprise", nullptr, kShared, false, false,
       true, kNothing},
      {"EntPCI", &NvImmo::EntPCI, "Plan comptable immobilisations", nullptr, kShared, false, false,
       true, kNothing},
      {"EntNat", &NvImmo::EntNat, "Natures d'immobilisation", nullptr, kShared, false, false, true,
       kNothing},
      {"EntAnaI", &NvImmo::EntAnaI, "Codes analytiques", nullptr, kShared, false, false, true,
       kNothing},
      {"EntImo", &NvImmo::EntImo, "Fiches d'immobilisation", nullptr, kShared, false, false, true,
       kNothing},
      {"ListImo", &NvImmo::ListImo, "Liste des immobilisations", nullptr, kShared, true, true, true,
       kNothing},
      {"EditImo", &NvImmo::EditImo, "Edition des amortissements", nullptr, kShared, true, true,
       true, kNothing},
      {"EdtPImo", &NvImmo::EdtPImo, "Fiches et plans d'amortissement", nullptr, kShared, true, true,
       true, kNothing},
      {"OuvImo", &NvImmo::OuvImo, "Ouverture de l'exercice suivant", nullptr, kExclusive, false,
       false, true, kYearOpening},
      {"ImmoExcel", &NvImmo::ImmoExcel, "Export vers tableur", nullptr, kShared, true, false, true,
       kExportScreen},
      {"Tableaux2054", &NvImmo::Tableaux2054, "Tableaux fiscaux 2054 et 2055", nullptr, kShared,
       false, true, true, kNothing},
      {"EditDer", &NvImmo::EditDer, "Amortissements dérogatoires", nullptr, kShared, true, true,
       true, kNothing},
      {"LectParamImmo", &NvImmo::LectParamImmo, nullptr, "chargement des paramètres seul", kShared,
       false, false, false, kNothing},
      // Run by the host itself around every operation, never on its own.
      {"OuvImmo", &NvImmo::OuvImmo, nullptr, nullptr, kShared, false, false, true, kNothing},
  };
  return kOperations;
}

const Operation* FindOperation(std::string_view name) {
  for (const Operation& operation : Operations())
    if (name == operation.name) return &operation;
  return nullptr;
}

}  // namespace actifix
