#include "support/TestRegister.h"

#include "front/MImmo.h"

namespace actifix::testing {

namespace {

std::string Packed(double value) {
  std::string packed;
  HostConvert().PackDouble(value, packed);
  return packed;
}

std::string PackedDate(const std::string& text) {
  std::string packed;
  HostDates().PackDate(text, packed);
  return packed;
}

}  // namespace

int32_t AddAsset(const TestAsset& t) {
  MImmoState& m = MImmo();
  AssetRecord& a = m.immo;
  a = AssetRecord();
  a.CODNATI = t.nature;
  a.NUMNATI = t.number;
  a.DATACQ = PackedDate(t.acquired);
  a.NOMFRN = t.supplier;
  a.DESCRI = t.description;
  a.REMIMO = t.remark;
  a.VALACQ = Packed(t.value);
  a.MODAMO = t.mode;
  std::string rate;
  HostConvert().PackSingle(t.rate, rate);
  a.TAUX = rate;
  a.CUMAMO = Packed(t.cumul);
  a.DATCES = PackedDate(t.disposed);
  a.NOMCLT = t.client;
  a.DOTAMO = Packed(t.dotation);
  a.LCANA = t.analytics;
  a.MTCESS = Packed(t.price);
  a.NCTRES = t.treasury;
  int32_t number = 0;
  KeyedFile().Insert(m.kImmo, a.CODNATI.str() + a.NUMNATI.str(), m.fImmo, number);
  KeyedFile().AddKey(m.kImmon, a.CODNATI.str() + a.DATACQ.str(), number);
  std::string codes = t.analytics;
  while (codes != "[]") {
    std::string code, padded;
    Brackets().TakeFirst(codes, code);
    HostConvert().Pad(code, 0, 6, padded);
    KeyedFile().AddKey(m.kImmoa, padded + a.DATACQ.str(), number);
  }
  return number;
}

int32_t AddNature(const std::string& code, const std::string& label, const std::string& asset,
                  const std::string& amortisation, const std::string& dotation,
                  const std::string& vnc, const std::string& proceeds) {
  MImmoState& m = MImmo();
  NatureRecord& n = m.nature;
  n.CODNAT = code;
  n.LIBNAT = label;
  n.NUMNAT = "00000";
  n.NCIMAT = asset;
  n.NCIAMO = amortisation;
  n.NCIDOT = dotation;
  n.NCIVNC = vnc;
  n.NCIPROD = proceeds;
  int32_t number = 0;
  KeyedFile().Insert(m.kNature, m.nature.CODNAT.str(), m.fNature, number);
  return number;
}

int32_t AddAccount(const std::string& account, const std::string& name) {
  MImmoState& m = MImmo();
  m.pcimo.NOCPTCG = account;
  m.pcimo.NOMCPTCG = name;
  int32_t number = 0;
  KeyedFile().Insert(m.kPcimo, m.pcimo.NOCPTCG.str(), m.fPcimo, number);
  return number;
}

int32_t AddAnalytic(int heading, const std::string& code, const std::string& name) {
  MImmoState& m = MImmo();
  m.anaimo.TYPANA = std::to_string(heading);
  m.anaimo.CODEANA = code;
  m.anaimo.NOMANA = name;
  int32_t number = 0;
  KeyedFile().Insert(m.kAnaimo, m.anaimo.TYPANA.str() + m.anaimo.CODEANA.str(), m.fAnaimo, number);
  return number;
}

}  // namespace actifix::testing
