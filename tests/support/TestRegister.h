// Registers for tests, written through the module's own record buffers and the real store of
// an open session (after LectParamImmo): assets with their three keys, natures, accounts and
// analytic codes, as the entry screens would store them.
#pragma once

#include <cstdint>
#include <string>

#include "host/HostConvert.h"
#include "host/HostDates.h"
#include "state/Records.h"

namespace actifix::testing {

// The packed forms of amounts, rates and dates.
inline std::string PackAmount(double v) {
  std::string p;
  HostConvert().PackDouble(v, p);
  return p;
}
inline double UnpackAmount(const std::string& p) {
  double v = 0;
  HostConvert().UnpackDouble(p, v);
  return v;
}
inline std::string PackRate(float v) {
  std::string p;
  HostConvert().PackSingle(v, p);
  return p;
}
inline std::string PackDate(const std::string& text) {
  std::string p;
  HostDates().PackDate(text, p);
  return p;
}

// One asset per line of `table`, its fields separated by "|" in this order (missing ones at
// the end, or empty, take the default in brackets):
//   CODNATI|NUMNATI|DATACQ|VALACQ|MODAMO [L]|TAUX [20]|CUMAMO|DOTAMO|DATCES|MTCESS|NOMCLT|
//   NCTRES|LCANA [[]]|NOMFRN|DESCRI|REMIMO
// e.g. "VEH|00003|01/01/2022|5000|L|20|4000|495.89|30/06/2026|800|Garage Dupont".
void AddAssets(const std::string& table);
// The record of one such line, not stored.
AssetRecord AssetRow(const std::string& line);

// Texts are given in UTF-8. REQUIRES for all: the module's files open (LectParamImmo ran)
// for a live component.
// Accounts: NCIMAT, NCIAMO, NCIDOT, NCIVNC, NCIPROD.
void AddNature(const std::string& code, const std::string& label, const std::string& asset,
               const std::string& amortisation, const std::string& dotation = "68112",
               const std::string& vnc = "6752", const std::string& proceeds = "7752");
void AddAccount(const std::string& number, const std::string& name);
void AddAnalytic(int heading, const std::string& code, const std::string& name);

// A register of the generator from `seed`, with the natures and analytic codes it needs; the
// number of cards written (a partial disposal writes two).
int64_t Generate(int64_t assets, uint64_t seed = 1);

}  // namespace actifix::testing
