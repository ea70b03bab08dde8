// The partial disposal of an asset card: the card is split into the disposed part, which keeps
// the order number and receives the disposal, and the remaining part, saved under the
// nature's next number. Prior and current depreciation are shared in proportion, and so is
// the fiscal plan's (our own addition): its fiscal cumulative, derogatory balance and typed
// charge.
#include "assets/CardRules.h"
#include "assets/CardScreen.h"
#include "depreciation/MImmoAmort.h"
#include "fiscal/Derogatory.h"
#include "host/Cp1252.h"
#include "host/Text.h"
#include "state/MImmo.h"

namespace actifix::card {

namespace {

const std::string kDescriptionFields =
    "[[NOMFRN,NOM DU FOURNISSEUR,A,30],[DESCRI,DESCRIPTION DE L'IMMOBILISATION,A,30,S1],"
    "[REMIMO,REMARQUE SUR L'IMMOBILISATION,A,30,S1]]";

// The descriptions of one part; the screen cannot be left backwards.
void EcranDescription(const Keys& keys, const std::string& title) {
  HostScreen& screen = Screen();
  int16_t status = 0;
  screen.Clear(status);
  screen.SetTitle(title);
  screen.DefineFields(kDescriptionFields);
  while (keys.IsBack(DescriptionPart(keys, Description::kSupplier))) {
    screen.ShowLine(20, "B", "Vous ne Pouvez pas Abandonner cet Ecran");
    screen.ShowLine(21, "B", "Vous devez modifier et/ou confirmer les descriptions de l'immo");
  }
}

// VACEDEE asked until it is below VALACQ and not negative, each refusal with its reason, then
// the split confirmed.
SplitOutcome AskDisposedValue(const Keys& keys) {
  AssetCard& c = Card();
  HostScreen& screen = Screen();
  const double value = Round2(UnpackedAmount(c.VALACQ));
  for (;;) {
    screen.SetFieldHelp("VACEDEE", "N",
                        "Cas de Cession Partielle sur l'Acquisition de " + Format(value, 2));
    int16_t key = 0;
    double disposed = 0;
    for (;;) {
      screen.AskField("VACEDEE", c.VACEDEE, key, "[]", "B");
      if (key == keys.up) return SplitOutcome::kUp;
      if (key == keys.pageUp) return SplitOutcome::kPageUp;
      disposed = Round2(UnpackedAmount(c.VACEDEE));
      std::string why = AmountRefusal(UnpackedAmount(c.VACEDEE));
      if (why.empty() && disposed >= value) {
        std::string shown;
        Convert().FormatAmount(value, 2, shown);
        why = "valeur sous celle de la fiche (" + shown + ") attendue";
      }
      if (why.empty()) break;
      screen.RefuseField("VACEDEE", why);
    }
    if (IsZero2(disposed)) return SplitOutcome::kNoSplit;
    screen.SetFieldNote(
        "VACEDEE", "B",
        std::string("L'Immo va être scindée : Confirmez vous la Cession Partielle"_w));
    int16_t answer = TrueValue();
    screen.AskConfirm(answer, key, "B");
    if (key == keys.validate && answer != 0) return SplitOutcome::kSplit;
    c.VACEDEE = PackedAmount(0);
  }
}

}  // namespace

SplitOutcome PartialDisposal(const Keys& keys) {
  const SplitOutcome outcome = AskDisposedValue(keys);
  if (outcome != SplitOutcome::kSplit) return outcome;
  AssetCard& c = Card();
  const AssetCard former = c;
  const double value = UnpackedAmount(former.VALACQ), disposed = UnpackedAmount(c.VACEDEE);
  const double ratio = disposed / value;

  // The disposed part keeps the key and the disposal; its charge runs to the disposal date.
  c.VALACQ = c.VACEDEE;
  const double cumulativeShare = Round2(UnpackedAmount(former.CUMAMO) * ratio);
  const double chargeShare = Round2(UnpackedAmount(former.DOTAMO) * ratio);
  c.CUMAMO = PackedAmount(cumulativeShare);
  c.DOTAMO = PackedAmount(chargeShare);
  // The fiscal figures by the same ratio; each part's plan is saved with its card.
  const bool withPlan = !Trim(former.MODFIS).empty();
  fiscal::FiscalShares fiscalShares;
  double typedShare = 0;
  if (withPlan) {
    fiscalShares = fiscal::SplitFiscalState(
        {UnpackedAmount(former.CUMFIS), UnpackedAmount(former.SLDDER)}, ratio);
    typedShare = Round2(UnpackedAmount(former.DOTFIS) * ratio);
    c.CUMFIS = PackedAmount(fiscalShares.disposed.cumulative);
    c.SLDDER = PackedAmount(fiscalShares.disposed.balance);
    c.DOTFIS = PackedAmount(typedShare);
  }
  EcranDescription(keys, "DESCRIPTION DE LA PARTIE CEDEE DE " + Format(disposed, 2) + " A " +
                             Format(UnpackedAmount(c.MTCESS), 2));
  if (Computable(c))
    CalcAmort(Trimmed(c.MODAMO), c.VALACQ, c.CUMAMO, FalseValue(), c.TAUX, c.DATACQ, c.DATCES,
              c.DOTAMO);
  const AssetCard disposedPart = c;

  // The remaining part: a new card of the same nature with what is left, not recomputed.
  c.exists = false;
  NumeroSuivant(Val(disposedPart.NUMNATI));
  const double remaining = Round2(value - disposed);
  c.VALACQ = PackedAmount(remaining);
  c.CUMAMO = PackedAmount(Round2(UnpackedAmount(former.CUMAMO) - cumulativeShare));
  c.DOTAMO = PackedAmount(Round2(UnpackedAmount(former.DOTAMO) - chargeShare));
  if (withPlan) {
    c.CUMFIS = PackedAmount(fiscalShares.kept.cumulative);
    c.SLDDER = PackedAmount(fiscalShares.kept.balance);
    c.DOTFIS = PackedAmount(Round2(UnpackedAmount(former.DOTFIS) - typedShare));
  }
  c.DATCES.clear();
  c.disposalDay = 0;
  c.NOMCLT.clear();
  c.NCTRES.clear();
  c.MTCESS = PackedAmount(0);
  c.DESCRI = former.DESCRI;
  c.REMIMO = former.REMIMO;
  c.NOMFRN = former.NOMFRN;
  EcranDescription(keys, "DESCRIPTION DE LA PARTIE NON CEDEE DE " + Format(remaining, 2));
  // Both parts saved once both are described, with nothing asked in between: one
  // transaction, so that no failure or kill leaves half a split.
  const AssetCard keptPart = c;
  c = disposedPart;
  EcrireFiche();
  c = keptPart;
  EcrireFiche();
  return SplitOutcome::kSplit;
}

}  // namespace actifix::card
