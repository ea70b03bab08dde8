// The message of a step that meets a card it cannot compute: the card named, and what to do.
#include <cmath>

#include "depreciation/MImmoAmort.h"
#include "host/Cp1252.h"
#include "state/Amounts.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

constexpr const char* kWhatToDo = " : corrigez la fiche avec EntImo (voir « actifix check »)";

[[noreturn]] void Refuse(const std::string& routine, const std::string& why) {
  const AssetRecord& a = MImmo().immo;
  throw HostError(ErrorKind::kInvalidInput, routine,
                  "fiche " + ToUtf8(a.CODNATI.str() + a.NUMNATI.str()),
                  "calcul impossible, " + why + kWhatToDo);
}

}  // namespace

void RequireCardFigures(const std::string& routine, bool computed) {
  const AssetRecord& a = MImmo().immo;
  for (const auto& [field, packed] : {std::pair{"VALACQ", a.VALACQ.str()},
                                      {"CUMAMO", a.CUMAMO.str()},
                                      {"DOTAMO", a.DOTAMO.str()},
                                      {"MTCESS", a.MTCESS.str()}}) {
    if (packed == std::string(8, ' ')) continue;  // a blank MTCESS reads as 0
    if (!std::isfinite(UnpackedAmount(packed)))
      Refuse(routine, std::string("montant ") + field + " illisible");
  }
  const std::string mode = a.MODAMO.str();
  if (!computed || (mode != "L" && mode != "D")) return;
  float rate = 0;
  Convert().UnpackSingle(a.TAUX.str(), rate);
  if (!std::isfinite(rate)) Refuse(routine, "taux illisible");
  if (Round2(rate) <= 0) {
    std::string shown;
    Convert().FormatAmount(rate, 2, shown);
    Refuse(routine, "taux " + shown + " en mode " + mode);
  }
}

void ThrowForCard(const std::string& routine, const HostError& error) {
  Refuse(routine, error.cause() + " dans " + error.subject());
}

}  // namespace actifix
