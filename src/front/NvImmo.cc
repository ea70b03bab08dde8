#include "front/NvImmo.h"

#include <map>

#include "assets/MImmoImmo.h"
#include "derogatory/EditDer.h"
#include "editions/MImmoEdt.h"
#include "export/MImmoExcel.h"
#include "front/Front.h"
#include "front/Operations.h"
#include "host/HostError.h"
#include "refdata/EntPCI.h"
#include "refdata/MImmoCA.h"
#include "refdata/MImmoNat.h"
#include "refdata/MImmoPar.h"
#include "state/MImmo.h"
#include "tables/Tableaux2054.h"
#include "yearopen/MImmoExer.h"

namespace actifix {

namespace {

// Reads record E of a file into its buffer / writes the buffer as record E.
template <typename Record>
void ReadRecord(int16_t handle, int32_t E, Record& buffer) {
  std::string text;
  RecordFile().ReadText(handle, E, text);
  FromText(text, buffer);
}

template <typename Record>
void WriteRecord(int16_t handle, int32_t E, const Record& buffer) {
  RecordFile().WriteText(handle, E, ToText(buffer));
}

}  // namespace

void NvImmo::AppImmo(HostAppObject*& AppExe, HostAppObject*& FApp) {
  AttachModule(*this, AppExe, FApp);
}
void NvImmo::LectParamImmo() { LoadParameters(); }
void NvImmo::ModifEntParam(std::string& CodeEntDup) { RekeyParameters(*this, CodeEntDup); }
void NvImmo::OuvImmo() { OpenModuleFiles(*this); }

void NvImmo::LireAnaimo(int32_t& E) { ReadRecord(MImmo().fAnaimo, E, MImmo().anaimo); }
void NvImmo::EcrireAnaimo(int32_t& E) { WriteRecord(MImmo().fAnaimo, E, MImmo().anaimo); }
void NvImmo::LireImmo(int32_t& E) { ReadRecord(MImmo().fImmo, E, MImmo().immo); }
void NvImmo::EcrireImmo(int32_t& E) { WriteRecord(MImmo().fImmo, E, MImmo().immo); }
void NvImmo::LireNature(int32_t& E) { ReadRecord(MImmo().fNature, E, MImmo().nature); }
void NvImmo::EcrireNature(int32_t& E) { WriteRecord(MImmo().fNature, E, MImmo().nature); }
void NvImmo::LireParimo(int32_t& E) { ReadRecord(MImmo().fParimo, E, MImmo().parimo); }
void NvImmo::EcrireParimo(int32_t& E) { WriteRecord(MImmo().fParimo, E, MImmo().parimo); }
void NvImmo::LirePcimo(int32_t& E) { ReadRecord(MImmo().fPcimo, E, MImmo().pcimo); }
void NvImmo::EcrirePcimo(int32_t& E) { WriteRecord(MImmo().fPcimo, E, MImmo().pcimo); }
void NvImmo::LireImmof(int32_t& E) { ReadRecord(MImmo().fImmof, E, MImmo().immof); }
void NvImmo::EcrireImmof(int32_t& E) { WriteRecord(MImmo().fImmof, E, MImmo().immof); }

void NvImmo::EntPar() { actifix::EntPar(); }
void NvImmo::EntPCI() { actifix::EntPCI(); }
void NvImmo::EntNat() { actifix::EntNat(); }
void NvImmo::EntAnaI() { actifix::EntAnaI(); }
void NvImmo::EntImo() { actifix::EntImo(); }
void NvImmo::ListImo() { actifix::ListImo(); }
void NvImmo::EditImo() { EdtDriver(TrueValue()); }
void NvImmo::EdtPImo() { EdtDriver(FalseValue()); }
void NvImmo::OuvImo() { actifix::OuvImo(); }
void NvImmo::ImmoExcel() { actifix::ImmoExcel(); }
void NvImmo::Tableaux2054() { actifix::Tableaux2054(); }
void NvImmo::EditDer() { actifix::EditDer(); }

void NvImmo::CallRecordOperation(const std::string& name, int32_t& E) {
  using Op = void (NvImmo::*)(int32_t&);
  static const std::map<std::string, Op> kOperations = {
      {"LireAnaimo", &NvImmo::LireAnaimo}, {"EcrireAnaimo", &NvImmo::EcrireAnaimo},
      {"LireImmo", &NvImmo::LireImmo},     {"EcrireImmo", &NvImmo::EcrireImmo},
      {"LireNature", &NvImmo::LireNature}, {"EcrireNature", &NvImmo::EcrireNature},
      {"LireParimo", &NvImmo::LireParimo}, {"EcrireParimo", &NvImmo::EcrireParimo},
      {"LirePcimo", &NvImmo::LirePcimo},   {"EcrirePcimo", &NvImmo::EcrirePcimo},
      {"LireImmof", &NvImmo::LireImmof},   {"EcrireImmof", &NvImmo::EcrireImmof},
  };
  const auto it = kOperations.find(name);
  if (it == kOperations.end())
    throw HostError(ErrorKind::kNotSupported, "NvImmo", name,
                    "opération d'enregistrement inconnue");
  (this->*(it->second))(E);
}

void NvImmo::Call(const std::string& name) {
  const Operation* operation = FindOperation(name);
  if (operation == nullptr)
    throw HostError(ErrorKind::kNotSupported, "NvImmo", name, "opération inconnue");
  (this->*(operation->call))();
}

}  // namespace actifix
