// The checks of a card's figures shared by the card screen and the register import.
#include "assets/CardRules.h"

#include <cmath>

#include "host/Cp1252.h"
#include "host/Text.h"
#include "state/Amounts.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

std::string AmountText(double value) {
  std::string text;
  Convert().FormatAmount(value, 2, text);
  return text;
}

}  // namespace

std::string AmountRefusal(double amount) {
  if (!std::isfinite(amount)) return "montant illisible : tapez-le de nouveau";
  if (Round2(amount) < 0) return std::string("montant négatif : 0 ou plus attendu"_w);
  if (amount > kAmountLimit) return "montant trop grand (999 999 999 999,99 au plus)";
  return "";
}

std::string ModeRefusal(const std::string& mode) {
  const std::string m = Trimmed(mode);
  if (m == "L" || m == "D" || m == "E") return "";
  return std::string("mode L (linéaire), D (dégressif) ou E (exceptionnel)"_w);
}

std::string RateRefusal(const std::string& mode, float rate) {
  const std::string m = Trimmed(mode);
  if (m != "L" && m != "D") return "";
  if (std::isfinite(rate)) {
    const double rounded = Round2(rate);
    if (rounded > 0 && rounded <= 100) return "";
  }
  return "taux entre 0,01 et 100 pour le mode " + m;
}

std::string ValueRefusal(double value) {
  if (std::string why = AmountRefusal(value); !why.empty()) return why;
  if (IsZero2(value)) return std::string("valeur à donner, au-dessus de 0"_w);
  return "";
}

std::string ChargeRefusal(double value, double cumulative, double charge) {
  if (std::string why = AmountRefusal(charge); !why.empty()) return why;
  if (Round2(charge + cumulative) > Round2(value))
    return std::string("dotation plus cumul au-delà de la valeur ("_w) + AmountText(value) + ")";
  return "";
}

CardRefusal CheckCardFigures(const AssetCard& c) {
  float rate = 0;
  Convert().UnpackSingle(c.TAUX, rate);
  const std::pair<const char*, std::string> checks[] = {
      {"MTCESS", AmountRefusal(UnpackedAmount(c.MTCESS))},
      {"VALACQ", AmountRefusal(UnpackedAmount(c.VALACQ))},
      {"MODAMO", ModeRefusal(c.MODAMO)},
      {"TAUX", RateRefusal(c.MODAMO, rate)},
      {"CUMAMO", AmountRefusal(UnpackedAmount(c.CUMAMO))},
      {"DOTAMO", AmountRefusal(UnpackedAmount(c.DOTAMO))},
  };
  for (const auto& [field, reason] : checks)
    if (!reason.empty()) return {field, reason};
  return {};
}

std::string FiscalRateRefusal(const std::string& mode, float rate) {
  if (std::string why = RateRefusal(mode, rate); !why.empty()) return why;
  if (Trimmed(mode) == "D" && Round2(rate) > 33.33)
    return std::string("taux de 33,33 au plus pour le mode D : pas de dégressif sous 3 ans"_w);
  return "";
}

namespace {

// Why `amount` is refused: as AmountRefusal, or past `limit`, "`what` (limit)".
std::string AmountWithin(double amount, double limit, const std::string& what) {
  if (std::string why = AmountRefusal(amount); !why.empty()) return why;
  if (Round2(amount) > Round2(limit)) return what + " (" + AmountText(limit) + ")";
  return "";
}

}  // namespace

std::string FiscalCumulativeRefusal(double value, double fiscalCumulative) {
  return AmountWithin(fiscalCumulative, value, std::string("cumul fiscal au-delà de la valeur"_w));
}

std::string BalanceRefusal(double value, double cumulative, double balance) {
  return AmountWithin(balance, value - cumulative,
                      std::string("solde au-delà de la valeur nette comptable"_w));
}

std::string FiscalChargeRefusal(double value, double fiscalCumulative, double charge) {
  return AmountWithin(charge, value - fiscalCumulative,
                      std::string("dotation fiscale au-delà du reste à amortir"_w));
}

CardRefusal CheckFiscalFigures(const AssetCard& c) {
  if (Trim(c.MODFIS).empty()) return {};
  float rate = 0;
  Convert().UnpackSingle(c.TAUFIS, rate);
  const double value = UnpackedAmount(c.VALACQ);
  const std::pair<const char*, std::string> checks[] = {
      {"MODFIS", ModeRefusal(c.MODFIS)},
      {"TAUFIS", FiscalRateRefusal(c.MODFIS, rate)},
      {"CUMFIS", FiscalCumulativeRefusal(value, UnpackedAmount(c.CUMFIS))},
      {"SLDDER", BalanceRefusal(value, UnpackedAmount(c.CUMAMO), UnpackedAmount(c.SLDDER))},
      {"DOTFIS", FiscalChargeRefusal(value, UnpackedAmount(c.CUMFIS), UnpackedAmount(c.DOTFIS))},
  };
  for (const auto& [field, reason] : checks)
    if (!reason.empty()) return {field, reason};
  return {};
}

}  // namespace actifix
