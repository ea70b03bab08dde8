#include "support/TestRegister.h"

#include "front/MImmo.h"

namespace actifix::testing {

namespace {

// Stores the buffer of `recordHandle` as a new record under `key`; its number.
int32_t Insert(int16_t keyHandle, const std::string& key, int16_t recordHandle) {
  int32_t number = 0;
  KeyedFile().Insert(keyHandle, key, recordHandle, number);
  return number;
}

}  // namespace

int32_t AddAsset(const TestAsset& t) {
  MImmoState& m = MImmo();
  AssetRecord& a = m.immo = AssetRecord();
  const HostConvert convert;
  std::string packed;
  const auto amount = [&](FixedText<8>& field, double value) {
    convert.PackDouble(value, packed);
    field = packed;
  };
  const auto date = [&](FixedText<3>& field, const std::string& text) {
    HostDates().PackDate(text, packed);
    field = packed;
  };
  a.CODNATI = t.nature;
  a.NUMNATI = t.number;
  date(a.DATACQ, t.acquired);
  date(a.DATCES, t.disposed);
  amount(a.VALACQ, t.value);
  amount(a.CUMAMO, t.cumul);
  amount(a.DOTAMO, t.dotation);
  amount(a.MTCESS, t.price);
  convert.PackSingle(t.rate, packed);
  a.TAUX = packed;
  a.MODAMO = t.mode;
  a.NOMFRN = t.supplier;
  a.DESCRI = t.description;
  a.REMIMO = t.remark;
  a.NOMCLT = t.client;
  a.LCANA = t.analytics;
  a.NCTRES = t.treasury;
  const int32_t number = Insert(m.kImmo, a.CODNATI.str() + a.NUMNATI.str(), m.fImmo);
  KeyedFile().AddKey(m.kImmon, a.CODNATI.str() + a.DATACQ.str(), number);
  for (std::string codes = t.analytics, code, padded; codes != "[]";) {
    Brackets().TakeFirst(codes, code);
    convert.Pad(code, 0, 6, padded);
    KeyedFile().AddKey(m.kImmoa, padded + a.DATACQ.str(), number);
  }
  return number;
}

int32_t AddNature(const std::string& code, const std::string& label, const std::string& asset,
                  const std::string& amortisation, const std::string& dotation,
                  const std::string& vnc, const std::string& proceeds) {
  NatureRecord& n = MImmo().nature;
  n.CODNAT = code;
  n.LIBNAT = label;
  n.NUMNAT = "00000";
  n.NCIMAT = asset;
  n.NCIAMO = amortisation;
  n.NCIDOT = dotation;
  n.NCIVNC = vnc;
  n.NCIPROD = proceeds;
  return Insert(MImmo().kNature, n.CODNAT.str(), MImmo().fNature);
}

int32_t AddAccount(const std::string& account, const std::string& name) {
  MImmo().pcimo.NOCPTCG = account;
  MImmo().pcimo.NOMCPTCG = name;
  return Insert(MImmo().kPcimo, MImmo().pcimo.NOCPTCG.str(), MImmo().fPcimo);
}

int32_t AddAnalytic(int heading, const std::string& code, const std::string& name) {
  AnaimoRecord& a = MImmo().anaimo;
  a.TYPANA = std::to_string(heading);
  a.CODEANA = code;
  a.NOMANA = name;
  return Insert(MImmo().kAnaimo, a.TYPANA.str() + a.CODEANA.str(), MImmo().fAnaimo);
}

}  // namespace actifix::testing
