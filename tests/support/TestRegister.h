// Registers for tests, written through the module's own record buffers and the real store of
// an open session (after LectParamImmo): assets with their three keys, natures, accounts and
// analytic codes, as the entry screens would store them.
#pragma once

#include <cstdint>
#include <string>

namespace actifix::testing {

struct TestAsset {
  std::string nature = "";       // CODNATI
  std::string number = "";       // NUMNATI, five digits
  std::string acquired = "";     // dd/mm/yyyy
  double value = 0;              // VALACQ
  std::string mode = "L";        // MODAMO
  float rate = 20;               // TAUX
  double cumul = 0;              // CUMAMO
  double dotation = 0;           // DOTAMO
  std::string disposed = "";     // DATCES, "" when not disposed of
  double price = 0;              // MTCESS
  std::string client = "";       // NOMCLT
  std::string treasury = "";     // NCTRES
  std::string analytics = "[]";  // LCANA
  std::string supplier = "", description = "", remark = "";
};

// Each returns the record number. REQUIRES: the module's files open (LectParamImmo ran).
int32_t AddAsset(const TestAsset& asset);
// Accounts: NCIMAT, NCIAMO, NCIDOT, NCIVNC, NCIPROD.
int32_t AddNature(const std::string& code, const std::string& label, const std::string& asset,
                  const std::string& amortisation, const std::string& dotation = "68112",
                  const std::string& vnc = "6752", const std::string& proceeds = "7752");
int32_t AddAccount(const std::string& number, const std::string& name);
int32_t AddAnalytic(int heading, const std::string& code, const std::string& name);

}  // namespace actifix::testing
