#include "support/TestRegister.h"

#include <sstream>
#include <vector>

#include "host/Cp1252.h"
#include "platform/tools/RegisterGenerator.h"
#include "state/MImmo.h"

namespace actifix::testing {

namespace {

// Stores the buffer of `recordHandle` as a new record under `key`; its number.
int32_t Insert(int16_t keyHandle, const std::string& key, int16_t recordHandle) {
  int32_t number = 0;
  KeyedFile().Insert(keyHandle, key, recordHandle, number);
  return number;
}

}  // namespace

AssetRecord AssetRow(const std::string& line) {
  std::vector<std::string> f;
  std::istringstream fields(FromUtf8(line));
  for (std::string field; std::getline(fields, field, '|');) f.push_back(field);
  f.resize(16);
  const auto amount = [](const std::string& text) {
    return PackAmount(std::strtod(text.c_str(), nullptr));
  };
  AssetRecord a;
  a.CODNATI = f[0];
  a.NUMNATI = f[1];
  a.DATACQ = PackDate(f[2]);
  a.VALACQ = amount(f[3]);
  a.MODAMO = f[4].empty() ? "L" : f[4];
  a.TAUX = PackRate(f[5].empty() ? 20.0f : std::strtof(f[5].c_str(), nullptr));
  a.CUMAMO = amount(f[6]);
  a.DOTAMO = amount(f[7]);
  a.DATCES = PackDate(f[8]);
  a.MTCESS = amount(f[9]);
  a.NOMCLT = f[10];
  a.NCTRES = f[11];
  a.LCANA = f[12].empty() ? "[]" : f[12];
  a.NOMFRN = f[13];
  a.DESCRI = f[14];
  a.REMIMO = f[15];
  return a;
}

void AddAssets(const std::string& table) {
  MImmoState& m = MImmo();
  const HostConvert convert;
  std::istringstream lines(table);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) continue;
    const AssetRecord& a = m.immo = AssetRow(line);
    const int32_t number = Insert(m.kImmo, a.CODNATI.str() + a.NUMNATI.str(), m.fImmo);
    KeyedFile().AddKey(m.kImmon, a.CODNATI.str() + a.DATACQ.str(), number);
    std::string codes, code, padded;
    for (convert.Trim(a.LCANA, codes); codes != "[]";) {
      Brackets().TakeFirst(codes, code);
      convert.Pad(code, 0, 6, padded);
      KeyedFile().AddKey(m.kImmoa, padded + a.DATACQ.str(), number);
    }
  }
}

void AddNature(const std::string& code, const std::string& label, const std::string& asset,
               const std::string& amortisation, const std::string& dotation, const std::string& vnc,
               const std::string& proceeds) {
  NatureRecord& n = MImmo().nature;
  n.CODNAT = code;
  n.LIBNAT = FromUtf8(label);
  n.NUMNAT = "00000";
  n.NCIMAT = asset;
  n.NCIAMO = amortisation;
  n.NCIDOT = dotation;
  n.NCIVNC = vnc;
  n.NCIPROD = proceeds;
  Insert(MImmo().kNature, n.CODNAT.str(), MImmo().fNature);
}

void AddAccount(const std::string& account, const std::string& name) {
  MImmo().pcimo.NOCPTCG = account;
  MImmo().pcimo.NOMCPTCG = FromUtf8(name);
  Insert(MImmo().kPcimo, MImmo().pcimo.NOCPTCG.str(), MImmo().fPcimo);
}

void AddAnalytic(int heading, const std::string& code, const std::string& name) {
  AnaimoRecord& a = MImmo().anaimo;
  a.TYPANA = std::to_string(heading);
  a.CODEANA = code;
  a.NOMANA = FromUtf8(name);
  Insert(MImmo().kAnaimo, a.TYPANA.str() + a.CODEANA.str(), MImmo().fAnaimo);
}

int64_t Generate(int64_t assets, uint64_t seed) {
  platform::GeneratorOptions options;
  options.assets = assets;
  options.seed = seed;
  return platform::GenerateRegister(options);
}

}  // namespace actifix::testing
