// NvImmo, the component the host creates and drives: the module's 24 operations and our own
// Tableaux2054 and EditDer, callable by name. Four attach and prepare the module, ten are the
// record call-backs of the host file service, twelve run one menu choice each. Every parameter is
// passed by reference.
#pragma once

#include <cstdint>
#include <string>

#include "host/HostComponent.h"

namespace actifix {

class NvImmo : public HostComponent {
 public:
  NvImmo() = default;
  NvImmo(const NvImmo&) = delete;
  NvImmo& operator=(const NvImmo&) = delete;

  void AppImmo(HostAppObject*& AppExe, HostAppObject*& FApp);
  void LectParamImmo();
  void ModifEntParam(std::string& CodeEntDup);
  void OuvImmo();

  void LireAnaimo(int32_t& E);
  void EcrireAnaimo(int32_t& E);
  void LireImmo(int32_t& E);
  void EcrireImmo(int32_t& E);
  void LireNature(int32_t& E);
  void EcrireNature(int32_t& E);
  void LireParimo(int32_t& E);
  void EcrireParimo(int32_t& E);
  void LirePcimo(int32_t& E);
  void EcrirePcimo(int32_t& E);
  // Our own file beside the five: the assets' fiscal plans.
  void LireImmof(int32_t& E);
  void EcrireImmof(int32_t& E);

  void EntPar();
  void EntPCI();
  void EntNat();
  void EntAnaI();
  void EntImo();
  void ListImo();
  void EditImo();
  void EdtPImo();
  void OuvImo();
  void ImmoExcel();
  // Our own operation beside the ten of the menu: the fixed-asset tables of the tax return.
  void Tableaux2054();
  // Our own: the derogatory depreciation of the year, by nature (src/derogatory).
  void EditDer();

  void CallRecordOperation(const std::string& name, int32_t& E) override;
  // Runs an operation of the table of operations (front/Operations.h) by name; throws
  // HostError for any other name.
  void Call(const std::string& name);
};

}  // namespace actifix
