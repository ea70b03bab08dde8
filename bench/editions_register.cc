// Makes a company with a register of N assets for timing the editions by hand:
//
//   bench_editions_register DIR [N]     (default N 1000000; company 01, year 2026)
//   actifix --data DIR run EditImo --script answers.txt --no-pdf --out DIR/out
//
// 50 natures with their accounts, one analytic heading "Service" with 10 codes; linear,
// declining and exceptional assets acquired from 2010 to 2026, one in twenty disposed of in
// 2026, half of those with a price.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "front/MImmo.h"
#include "front/NvImmo.h"
#include "platform/app/Companies.h"
#include "platform/app/ScriptedInterface.h"
#include "platform/app/Session.h"
#include "platform/screen/Script.h"
#include "platform/store/CompanyDatabase.h"

namespace {

using namespace actifix;

std::string Packed(double value) {
  std::string packed;
  HostConvert().PackDouble(value, packed);
  return packed;
}

std::string Key(int i, int width) {
  std::string text = std::to_string(i);
  return std::string(width - text.size(), '0') + text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DIR [N]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const long count = argc > 2 ? std::atol(argv[2]) : 1000000;
  const auto start = std::chrono::steady_clock::now();
  std::filesystem::create_directories(dir);
  platform::CompanySettings settings;
  settings.code = "01";
  settings.name = "SARL Mesure";
  settings.yearStart = "01/01/2026";
  settings.yearEnd = "31/12/2026";
  settings.workDate = "31/12/2026";
  platform::CompanyDatabase::Create(platform::CompanyDatabasePath(dir, "01"), settings);
  platform::SessionOptions options;
  options.dataDir = dir;
  options.company = "01";
  options.pdf = false;
  platform::Session session(options,
                            std::make_unique<platform::ScriptedInterface>(
                                platform::Script::FromText("LINTANA = [Service]\nCOMPTA = O\n"),
                                dir / "register-transcript.txt"));
  session.Run("LectParamImmo");
  NvImmo component;
  component.OuvImmo();
  MImmoState& m = MImmo();
  int32_t number = 0;
  for (const char* account : {"68112", "6752", "7752", "512"}) {
    m.pcimo.NOCPTCG = account;
    m.pcimo.NOMCPTCG = std::string("Compte ") + account;
    KeyedFile().Insert(m.kPcimo, m.pcimo.NOCPTCG.str(), m.fPcimo, number);
  }
  for (int n = 0; n < 50; ++n) {
    const std::string code = "N" + Key(n, 2);
    for (const std::string& account : {"21" + Key(n, 3), "281" + Key(n, 3)}) {
      m.pcimo.NOCPTCG = account;
      m.pcimo.NOMCPTCG = "Compte " + account;
      KeyedFile().Insert(m.kPcimo, m.pcimo.NOCPTCG.str(), m.fPcimo, number);
    }
    m.nature.CODNAT = code;
    m.nature.LIBNAT = "Nature " + code;
    m.nature.NUMNAT = "00000";
    m.nature.NCIMAT = "21" + Key(n, 3);
    m.nature.NCIAMO = "281" + Key(n, 3);
    m.nature.NCIDOT = "68112";
    m.nature.NCIVNC = "6752";
    m.nature.NCIPROD = "7752";
    KeyedFile().Insert(m.kNature, m.nature.CODNAT.str(), m.fNature, number);
  }
  for (int s = 0; s < 10; ++s) {
    m.anaimo.TYPANA = "1";
    m.anaimo.CODEANA = "S" + Key(s, 2);
    m.anaimo.NOMANA = "Service " + Key(s, 2);
    KeyedFile().Insert(m.kAnaimo, m.anaimo.TYPANA.str() + m.anaimo.CODEANA.str(), m.fAnaimo,
                       number);
  }
  std::string rate;
  for (long i = 0; i < count; ++i) {
    AssetRecord& a = m.immo;
    a = AssetRecord();
    a.CODNATI = "N" + Key(static_cast<int>(i % 50), 2);
    a.NUMNATI = Key(static_cast<int>(i / 50), 5);  // unique up to 5,000,000 assets
    std::string date;
    HostDates().PackDate(Key(static_cast<int>(1 + i % 28), 2) + "/" +
                             Key(static_cast<int>(1 + i / 7 % 12), 2) + "/" +
                             std::to_string(2010 + i / 3 % 17),
                         date);
    a.DATACQ = date;
    a.NOMFRN = "Fournisseur " + std::to_string(i);
    a.VALACQ = Packed(1000.0 + static_cast<double>(i % 9000));
    a.MODAMO = i % 10 == 9 ? "E" : i % 3 == 0 ? "D" : "L";
    HostConvert().PackSingle(a.MODAMO.str() == "E" ? 0.0f : 20.0f, rate);
    a.TAUX = rate;
    a.CUMAMO = Packed(static_cast<double>(i % 500));
    a.DOTAMO = Packed(100.0 + static_cast<double>(i % 300) / 4);
    if (i % 20 == 7) {
      HostDates().PackDate(Key(static_cast<int>(1 + i % 28), 2) + "/06/2026", date);
      a.DATCES = date;
      a.NOMCLT = "Client " + std::to_string(i);
      a.MTCESS = Packed(i % 40 == 7 ? 500.0 : 0.0);
    } else {
      HostDates().PackDate("", date);
      a.DATCES = date;
      a.MTCESS = Packed(0);
    }
    a.LCANA = "[S" + Key(static_cast<int>(i % 10), 2) + "]";
    KeyedFile().Insert(m.kImmo, a.CODNATI.str() + a.NUMNATI.str(), m.fImmo, number);
    KeyedFile().AddKey(m.kImmon, a.CODNATI.str() + a.DATACQ.str(), number);
    KeyedFile().AddKey(m.kImmoa, "S" + Key(static_cast<int>(i % 10), 2) + "   " + a.DATACQ.str(),
                       number);
    if (i % 100000 == 99999) session.Commit();
  }
  session.Commit();
  std::printf("%ld assets in %.1f s\n", count,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return 0;
}
