// The asset card entry screen: the period check, then one pass per card: nature code, order
// number, first page (acquisition, descriptions, disposal, and the split of a partly disposed
// card), second page (analytic codes, value, mode, rate, depreciation), save or deletion.
// The nature code, acquisition date, mode and analytic codes carry over from card to card.
// With the company's fiscal option on, our own fiscal page follows the second: the asset's
// fiscal plan, saved with the card.
#include <cstdlib>

#include "assets/CardRules.h"
#include "assets/CardScreen.h"
#include "depreciation/MImmoAmort.h"
#include "host/Cp1252.h"
#include "host/Text.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

const std::string kTitle = "ENTREE DES FICHES D'IMMOBILISATION";
const std::string kEditionTitle = "FICHE DES IMMOBILISATIONS ET PLAN D'AMORTISSEMENT";
const std::string kPeriodFields = "[[CONF,EST-CE BIEN LA PERIODE CONSIDEREE,B]]";
const std::string kFirstFields =
    "[[CODNATI,CODE NATURE DE L'IMMOBILISATION,A,6],[NUMNATI,NUMERO D'ORDRE DANS LA NATURE,A,5],"
    "[DATACQ,DATE D'ACQUISITION,D,10],[NOMFRN,NOM DU FOURNISSEUR,A,30,ML],"
    "[DESCRI,DESCRIPTION DE L'IMMOBILISATION,A,30,S1],[REMIMO,REMARQUE,A,30,ML],"
    "[DATCES,DATE DE CESSION,D,10],[NOMCLT,NOM DU CLIENT,A,30,S1],"
    "[MTCESS,MONTANT DE LA CESSION,D2,12,S1],[NCTRES,No CPT DE CREANCE OU TRESORERIE,A,10,S1],"
    "[VACEDEE,VALEUR D'ACQUISITION CEDEE,D2,12,S1]]";
const std::string kSecondFields =
    "[[VALACQ,VALEUR AMORTISSABLE,D2,12],[MODAMO,MODE D'AMORTISSEMENT,A,1],"
    "[TAUX,TAUX AMORTISSEMENT LINEAIRE,S2,6],[CUMAMO,CUMUL AMORTISSEMENTS ANTERIEURS,D2,12],"
    "[DOTAMO,DOTATION DE L'EXERCICE,D2,12]]";
const std::string kModes = "[L,D,E]";
const std::string kFiscalFields =
    "[[MODFIS,MODE D'AMORTISSEMENT FISCAL,A,1],[TAUFIS,TAUX AMORTISSEMENT FISCAL,S2,6],"
    "[CUMFIS,CUMUL AMORTISSEMENTS FISCAUX ANTERIEURS,D2,12],"
    "[SLDDER,SOLDE AMORTISSEMENTS DEROGATOIRES ANTERIEUR,D2,12],"
    "[DOTFIS,DOTATION FISCALE DE L'EXERCICE,D2,12]]";

bool FiscalOn() { return MImmo().fiscal.on; }

// The asset key of card `c`, as the "Immo" and "Immof" key files hold it.
std::string AssetKey(const AssetCard& c) {
  return FixedText<6>(c.CODNATI).str() + FixedText<5>(c.NUMNATI).str();
}

// Field name and analytic type of heading i: i brought to two characters ("1 ").
std::string HeadingType(int32_t i) {
  std::string type;
  Convert().Pad(std::to_string(i), 0, 2, type);
  return type;
}

std::string HeadingLabel(int32_t i) {
  std::string label;
  Brackets().Item(MImmo().headingList, i, label);
  return Trimmed(label);
}

// The card's field list: the first page, one code per analytic heading, the second page, and
// the fiscal page when the option is on.
std::string CardFields() {
  const HostBracketList& brackets = Brackets();
  std::string fields = kFirstFields;
  std::string headings = MImmo().headingList;
  for (int32_t i = 1; headings != "[]"; ++i) {
    std::string label, field = "[]";
    brackets.TakeFirst(headings, label);
    brackets.Append(field, HeadingType(i));
    brackets.Append(field, "CODE " + Trimmed(label));
    brackets.Append(field, "A");
    brackets.Append(field, "6");
    if (i > 1) brackets.Append(field, "S1");
    brackets.Append(fields, field);
  }
  std::string all;
  brackets.AppendAll(fields, kSecondFields, all);
  if (FiscalOn()) {
    std::string withFiscal;
    brackets.AppendAll(all, kFiscalFields, withFiscal);
    return withFiscal;
  }
  return all;
}

int32_t ToolkitDay(void (HostToolkit::*get)(std::string&)) {
  std::string text;
  (Toolkit().*get)(text);
  return static_cast<int32_t>(std::strtod(text.c_str(), nullptr));
}

// The working copy of a new card: what carries over is kept, the rest set to its defaults.
void NewCard(AssetCard& c) {
  c.NUMNATI.clear();
  c.NOMFRN.clear();
  c.DESCRI.clear();
  c.REMIMO.clear();
  c.DATCES.clear();
  c.NOMCLT.clear();
  c.NCTRES.clear();
  c.MTCESS = c.VALACQ = c.CUMAMO = c.DOTAMO = c.VACEDEE = PackedAmount(0);
  Convert().PackSingle(0.0f, c.TAUX);
  c.disposalDay = 0;
  c.exists = false;
  c.MODFIS.clear();
  Convert().PackSingle(0.0f, c.TAUFIS);
  c.CUMFIS = c.SLDDER = c.DOTFIS = PackedAmount(0);
}

// The working copy taken from the asset record just found.
void LoadCard(AssetCard& c) {
  const AssetRecord& r = MImmo().immo;
  c.NOMFRN = r.NOMFRN.str();
  c.DESCRI = r.DESCRI.str();
  c.REMIMO = r.REMIMO.str();
  c.NOMCLT = r.NOMCLT.str();
  c.NCTRES = r.NCTRES.str();
  c.MODAMO = r.MODAMO.str();
  c.VALACQ = r.VALACQ.str();
  c.TAUX = r.TAUX.str();
  c.CUMAMO = r.CUMAMO.str();
  c.DOTAMO = r.DOTAMO.str();
  c.MTCESS = Trim(r.MTCESS.str()).empty() ? PackedAmount(0) : r.MTCESS.str();
  Dates().UnpackDate(r.DATACQ.str(), c.DATACQ, c.acquisitionDay);
  Dates().UnpackDate(r.DATCES.str(), c.DATCES, c.disposalDay);
  c.analytic = Trimmed(r.LCANA.str());
  if (c.analytic.empty()) c.analytic = "[]";
  if (FiscalOn()) LirePlanFiscal(r.CODNATI.str() + r.NUMNATI.str(), c);
}

// The analytic list brought to exactly n elements: "?" for a missing code, extra ones dropped.
void FitAnalytic(std::string& list, int32_t n) {
  const HostBracketList& brackets = Brackets();
  int32_t count = 0;
  brackets.Count(list, count);
  for (; count < n; ++count) brackets.Append(list, "?");
  for (std::string dropped; count > n; --count) brackets.TakeLast(list, dropped);
}

enum class Step {
  kNewCard,
  kNature,
  kOrder,
  kDelete,
  kAcquisition,
  kDescription,
  kDisposal,
  kCustomer,
  kProceeds,
  kTreasury,
  kSplit,
  kSecondPage,
  kAnalytic,
  kValue,
  kMode,
  kRate,
  kDepreciation,
  kCumulative,
  kRecompute,
  kCharge,
  kFiscalMode,
  kFiscalRate,
  kFiscalCumulative,
  kFiscalBalance,
  kFiscalCharge,
  kSave,
  kEnd
};

// What one run of the screen keeps besides the card: the keys, the field list, the period,
// and where the entry stands.
struct ScreenRun {
  card::Keys keys;
  std::string fields;
  int32_t headings = 0, startDay = 0, endDay = 0;
  std::string endText;  // the period's end, as the refusals name it
  Step step = Step::kNewCard;
  int16_t key = 0, rateKey = 0;  // the key that ended the last field, and the rate
  int32_t heading = 1;           // the analytic heading asked
  card::Description description = card::Description::kSupplier;
  AssetCard fresh;       // the working copy at the start of the pass
  std::string proposed;  // the order number the screen proposed last
};

// The period check; false when the user says it is not the period or goes back.
bool PeriodConfirmed(ScreenRun& r) {
  HostToolkit& toolkit = Toolkit();
  HostScreen& screen = Screen();
  int16_t status = 0;
  screen.Clear(status);
  screen.SetTitle(kTitle);
  std::string start, end;
  toolkit.YearStartText(start);
  toolkit.YearEndText(end);
  r.endText = end;
  r.startDay = ToolkitDay(&HostToolkit::YearStartDay);
  r.endDay = ToolkitDay(&HostToolkit::YearEndDay);
  screen.ShowExplanation(
      "B", std::string("[La Période d'Amortissement est "_w) + start + " au " + end + "]", "D");
  screen.SetOption(2);
  screen.DefineFields(kPeriodFields);
  screen.SetFieldHelp("CONF", "N",
                      "(Si NON vous devez changer les Dates d'Exercice de l'Entreprise)");
  std::string answer = "O";
  int16_t key = 0;
  screen.AskField("CONF", answer, key, "[]", "B");
  return !r.keys.IsBack(key) && answer != "N";
}

bool IsMode(const AssetCard& c, const char* mode) { return Trimmed(c.MODAMO) == mode; }

bool WithinPeriod(const ScreenRun& r, const AssetCard& c) {
  return r.startDay <= c.acquisitionDay && c.acquisitionDay <= r.endDay;
}

void Ask(ScreenRun& r, const std::string& field, std::string& value) {
  Screen().AskField(field, value, r.key, "[]", "B");
}

// Says why the value of `field` is refused; the flow then asks the field again. Returns
// whether there was a reason.
bool Refused(const std::string& field, const std::string& reason) {
  if (reason.empty()) return false;
  Screen().RefuseField(field, reason);
  return true;
}

// Where the flow asks `field` of the second page or the disposal amount again.
Step StepOf(const std::string& field) {
  if (field == "MTCESS") return Step::kProceeds;
  if (field == "MODAMO") return Step::kMode;
  if (field == "TAUX") return Step::kRate;
  if (field == "CUMAMO") return Step::kCumulative;
  if (field == "DOTAMO") return Step::kCharge;
  if (field == "MODFIS") return Step::kFiscalMode;
  if (field == "TAUFIS") return Step::kFiscalRate;
  if (field == "CUMFIS") return Step::kFiscalCumulative;
  if (field == "SLDDER") return Step::kFiscalBalance;
  if (field == "DOTFIS") return Step::kFiscalCharge;
  return Step::kValue;
}

// Back to the first analytic heading.
void BackToAnalytic(ScreenRun& r) {
  r.heading = 1;
  r.step = Step::kAnalytic;
}

// The moves of the second page's fields: Up to `up`, Page Up back to the analytic codes, F1
// saves. Returns true when the last key made one.
bool SecondPageMove(ScreenRun& r, Step up) {
  if (r.key == r.keys.up)
    r.step = up;
  else if (r.key == r.keys.pageUp)
    BackToAnalytic(r);
  else if (r.key == r.keys.f1)
    r.step = Step::kSave;
  else
    return false;
  return true;
}

void ShowFiscalFields(const AssetCard& c) {
  HostScreen& screen = Screen();
  for (const auto& [name, value] : {std::pair<const char*, const std::string&>{"MODFIS", c.MODFIS},
                                    {"TAUFIS", c.TAUFIS},
                                    {"CUMFIS", c.CUMFIS},
                                    {"SLDDER", c.SLDDER},
                                    {"DOTFIS", c.DOTFIS}})
    screen.ShowField(name, value);
}

void ShowFields(const AssetCard& c) {
  HostScreen& screen = Screen();
  for (const auto& [name, value] : {std::pair<const char*, const std::string&>{"DATACQ", c.DATACQ},
                                    {"DESCRI", c.DESCRI},
                                    {"REMIMO", c.REMIMO},
                                    {"NOMFRN", c.NOMFRN},
                                    {"DATCES", c.DATCES},
                                    {"NOMCLT", c.NOMCLT},
                                    {"MTCESS", c.MTCESS},
                                    {"NCTRES", c.NCTRES},
                                    {"VALACQ", c.VALACQ},
                                    {"MODAMO", c.MODAMO},
                                    {"TAUX", c.TAUX},
                                    {"CUMAMO", c.CUMAMO}})
    screen.ShowField(name, value);
  if (FiscalOn()) ShowFiscalFields(c);
}

// The start of a pass: a new card on a blank screen, the card saved last named.
void NewPass(ScreenRun& r, AssetCard& c) {
  NewCard(c);
  r.fresh = c;
  HostScreen& screen = Screen();
  int16_t status = 0;
  screen.Clear(status);
  screen.SetTitle(kTitle);
  screen.DefineFields(r.fields);
  screen.SetFieldHint("NUMNATI", "B", "Suppression : Confirmez par F6");
  if (c.previous != 0) {
    const MImmoState& m = MImmo();
    RecordFile().Read(m.fImmo, c.previous);
    screen.ShowMessage("B", std::string("Enregistrement Précédent "_w) + m.immo.CODNATI.str() +
                                ":" + m.immo.NUMNATI.str());
  }
  r.step = Step::kNature;
}

// The nature code: it must name a nature, whose next order number is proposed.
void NatureCode(ScreenRun& r, AssetCard& c) {
  MImmoState& m = MImmo();
  Ask(r, "CODNATI", c.CODNATI);
  if (r.keys.IsBack(r.key) || Trim(c.CODNATI).empty()) {
    r.step = Step::kEnd;
    return;
  }
  Convert().Upper(c.CODNATI);
  m.nature.CODNAT = c.CODNATI;
  int16_t found = 0;
  KeyedFile().Find(m.kNature, m.nature.CODNAT.str(), m.fNature, found);
  if (found == 0) {
    Screen().SetFieldNote("CODNATI", "B", "Code Nature Inexistant");
    return;
  }
  Screen().SetFieldNote("CODNATI", "N", m.nature.LIBNAT.str());
  RecordFile().LastRecordNumber(m.fNature, c.natureNumber);
  NumeroSuivant();
  r.proposed = c.NUMNATI;
  r.step = Step::kOrder;
}

// The proposed number, accepted as it was, names a card: another user saved it since the
// proposal. Nothing is opened; the nature is read again and the next number proposed.
void ProposalTaken(ScreenRun& r, AssetCard& c) {
  MImmoState& m = MImmo();
  const std::string taken = Trimmed(c.NUMNATI);
  m.nature.CODNAT = c.CODNATI;
  int16_t found = 0;
  KeyedFile().Find(m.kNature, m.nature.CODNAT.str(), m.fNature, found);
  if (found == 0) {  // deleted meanwhile
    Screen().SetFieldNote("CODNATI", "B", "Code Nature Inexistant");
    r.step = Step::kNature;
    return;
  }
  RecordFile().LastRecordNumber(m.fNature, c.natureNumber);
  // A running number below the card found lags behind the register: the proposal moves on.
  const bool lagging = Val(m.nature.NUMNAT.str()) < Val(taken);
  NumeroSuivant(Val(taken));
  r.proposed = c.NUMNATI;
  Refused("NUMNATI", std::string("le numéro "_w) + taken +
                         (lagging ? std::string(" est déjà pris"_w)
                                  : std::string(" vient d'être pris par un autre utilisateur"_w)) +
                         std::string(" : le numéro suivant vous est proposé"_w));
}

// The order number: an existing card is loaded, a new one starts from the pass's defaults.
void OrderNumber(ScreenRun& r, AssetCard& c) {
  MImmoState& m = MImmo();
  HostScreen& screen = Screen();
  Ask(r, "NUMNATI", c.NUMNATI);
  if (r.keys.IsBack(r.key)) {
    r.step = Step::kNature;
    return;
  }
  if (Trim(c.NUMNATI).empty()) {
    Refused("NUMNATI", std::string("numéro d'ordre à donner"_w));
    return;
  }
  m.immo.CODNATI = c.CODNATI;
  m.immo.NUMNATI = c.NUMNATI;
  int16_t found = 0;
  KeyedFile().Find(m.kImmo, m.immo.CODNATI.str() + m.immo.NUMNATI.str(), m.fImmo, found);
  if (found != 0 && Trimmed(c.NUMNATI) == Trimmed(r.proposed)) {
    ProposalTaken(r, c);
    return;
  }
  if (found != 0) {
    c.exists = true;
    RecordFile().LastRecordNumber(m.fImmo, c.loaded);
    LoadCard(c);
  } else {
    // A card left for another number comes back to the defaults of the pass.
    AssetCard kept = r.fresh;
    kept.CODNATI = c.CODNATI;
    kept.NUMNATI = c.NUMNATI;
    kept.natureNumber = c.natureNumber;
    kept.previous = c.previous;
    c = kept;
  }
  ShowFields(c);
  if (c.exists)
    screen.SetFieldNote("NUMNATI", "I", r.key == r.keys.f6 ? "SUPPRESSION" : "MODIFICATION");
  else
    screen.SetFieldNote("NUMNATI", "B", "CREATION");
  c.VACEDEE = PackedAmount(0);
  if (r.key == r.keys.f6 && c.exists) {
    r.step = Step::kDelete;
    return;
  }
  screen.ShowMessage("B", "F2 Ecran Suivant");
  r.step = Step::kAcquisition;
}

// Heading r.heading of the analytic codes: a code typed or picked (F8) must exist for the
// heading; Up goes to the heading above, Page Up to the first, both back to the nature code
// from the first heading.
void AnalyticCode(ScreenRun& r, AssetCard& c) {
  if (r.heading > r.headings) {
    r.step = Step::kValue;
    return;
  }
  const MImmoState& m = MImmo();
  HostScreen& screen = Screen();
  const std::string type = HeadingType(r.heading);
  const std::string name = Trimmed(type);
  screen.SetFieldNote(name, "N", "F8 Choix Par Consultation");
  std::string code;
  Brackets().Item(c.analytic, r.heading, code);
  Ask(r, name, code);
  if (r.keys.IsBack(r.key) && r.heading == 1) {
    r.step = Step::kNature;
  } else if (r.key == r.keys.up) {
    --r.heading;
  } else if (r.key == r.keys.pageUp) {
    r.heading = 1;
  } else if (r.key == r.keys.f1) {
    r.step = Step::kSave;
  } else {
    if (r.key == r.keys.f8) {
      ChoixCodeAna(type, HeadingLabel(r.heading), code);
      if (code.empty()) return;
      screen.ShowField(name, code);
    }
    std::string padded;
    Convert().Pad(code, 0, 6, padded);
    int16_t found = 0;
    KeyedFile().Find(m.kAnaimo, type + padded, m.fAnaimo, found);
    if (found == 0) {
      Refused(name, "code inconnu pour " + HeadingLabel(r.heading) + " (F8 : la liste)");
      return;
    }
    screen.SetFieldNote(name, "N", m.anaimo.NOMANA.str());
    Brackets().SetItem(c.analytic, r.heading, code);
    ++r.heading;
  }
}

// The first page after the key: acquisition date, descriptions and the disposal fields, then
// the split of a partly disposed card.
void FirstPage(ScreenRun& r, AssetCard& c) {
  HostScreen& screen = Screen();
  const card::Keys& keys = r.keys;
  switch (r.step) {
    case Step::kAcquisition:
      screen.AskDate("DATACQ", c.DATACQ, r.key, c.acquisitionDay, "B");
      if (keys.IsBack(r.key)) {
        r.step = Step::kNature;
      } else if (c.acquisitionDay == 0) {
        Refused("DATACQ", std::string("date d'acquisition à donner"_w));
      } else if (c.acquisitionDay > r.endDay) {
        Refused("DATACQ", std::string("date après la fin de l'exercice ("_w) + r.endText + ")");
      } else {
        r.description = card::Description::kSupplier;
        r.step = Step::kDescription;
      }
      break;
    case Step::kDescription:
      r.key = DescriptionPart(keys, r.description);
      r.step = r.key == keys.up       ? Step::kAcquisition
               : r.key == keys.pageUp ? Step::kNature
                                      : Step::kDisposal;
      break;
    case Step::kDisposal:
      screen.SetFieldNote("DATCES", "N", std::string("Rien si non Cédée"_w));
      screen.AskDate("DATCES", c.DATCES, r.key, c.disposalDay, "B");
      if (r.key == keys.up) {
        r.description = card::Description::kRemark;
        r.step = Step::kDescription;
      } else if (r.key == keys.pageUp) {
        r.step = Step::kNature;
      } else if (c.disposalDay == 0) {
        c.NOMCLT.clear();
        c.MTCESS = PackedAmount(0);
        c.NCTRES.clear();
        screen.ShowField("NOMCLT", c.NOMCLT);
        screen.ShowField("MTCESS", c.MTCESS);
        screen.ShowField("NCTRES", c.NCTRES);
        r.step = Step::kSecondPage;
      } else if (c.disposalDay >= c.acquisitionDay) {
        r.step = Step::kCustomer;
      } else {
        Refused("DATCES", std::string("date de cession avant l'acquisition ("_w) + c.DATACQ + ")");
      }
      break;
    case Step::kCustomer:
      Ask(r, "NOMCLT", c.NOMCLT);
      r.step = r.key == keys.up       ? Step::kDisposal
               : r.key == keys.pageUp ? Step::kNature
                                      : Step::kProceeds;
      break;
    case Step::kProceeds:
      screen.SetFieldNote("MTCESS", "N", "Rien si Hors Service");
      Ask(r, "MTCESS", c.MTCESS);
      if (r.key == keys.up) {
        r.step = Step::kCustomer;
      } else if (r.key == keys.pageUp) {
        r.step = Step::kNature;
      } else if (Refused("MTCESS", AmountRefusal(UnpackedAmount(c.MTCESS)))) {
        // asked again
      } else if (!IsZero2(UnpackedAmount(c.MTCESS)) && MImmo().parimo.COMPTA.view() == "O") {
        r.step = Step::kTreasury;
      } else {
        c.NCTRES.clear();
        screen.ShowField("NCTRES", c.NCTRES);
        r.step = Step::kSplit;
      }
      break;
    case Step::kTreasury:
      if (Trim(c.NCTRES).empty()) c.NCTRES = "462";
      Ask(r, "NCTRES", c.NCTRES);
      if (Trim(c.NCTRES).empty()) {
        Refused("NCTRES", std::string("compte de créance ou de trésorerie à donner"_w));
        break;
      }
      r.step = r.key == keys.up       ? Step::kProceeds
               : r.key == keys.pageUp ? Step::kNature
                                      : Step::kSplit;
      break;
    case Step::kSplit:
      r.step = Step::kSecondPage;
      if (c.exists && !IsZero2(UnpackedAmount(c.VALACQ))) {
        // A split saves both parts: a card an older register left faulty is mended first.
        if (const CardRefusal refusal = CheckCardFigures(c)) {
          Refused(refusal.field, refusal.reason);
          r.step = StepOf(refusal.field);
          break;
        }
        switch (card::PartialDisposal(keys)) {
          case card::SplitOutcome::kNoSplit:
            break;
          case card::SplitOutcome::kUp:
            r.step = Step::kProceeds;
            break;
          case card::SplitOutcome::kPageUp:
            r.step = Step::kNature;
            break;
          case card::SplitOutcome::kSplit:
            r.step = Step::kNewCard;
            break;
        }
      }
      break;
    default:
      break;
  }
}

// The second page: analytic codes, value, mode, rate, then the depreciation and its figures.
void SecondPage(ScreenRun& r, AssetCard& c) {
  HostScreen& screen = Screen();
  switch (r.step) {
    case Step::kSecondPage:
      if (WithinPeriod(r, c)) c.CUMAMO = PackedAmount(0);
      screen.ShowField("VALACQ", c.VALACQ);
      screen.ShowField("MODAMO", c.MODAMO);
      screen.ShowField("TAUX", c.TAUX);
      screen.ShowField("CUMAMO", c.CUMAMO);
      FitAnalytic(c.analytic, r.headings);
      BackToAnalytic(r);
      break;
    case Step::kAnalytic:
      AnalyticCode(r, c);
      break;
    case Step::kValue:
      screen.SetFieldHelp("VALACQ", "N",
                          std::string("Valeur d'Acquisition Eventuellement Plafonnée"_w));
      Ask(r, "VALACQ", c.VALACQ);
      if (r.keys.IsBack(r.key) && r.headings == 0)
        r.step = Step::kNature;
      else if (r.keys.IsBack(r.key))
        BackToAnalytic(r);
      else if (r.key == r.keys.f1)
        r.step = Step::kSave;
      else if (!Refused("VALACQ", ValueRefusal(UnpackedAmount(c.VALACQ))))
        r.step = Step::kMode;
      break;
    case Step::kMode: {
      screen.SetFieldHint(
          "MODAMO", "N",
          std::string("(L:Linéaire - D:Dégressif - E:Exceptionnel ou Non Amortissable)"_w));
      screen.AskField("MODAMO", c.MODAMO, r.key, kModes, "B");
      Convert().Upper(c.MODAMO);
      if (SecondPageMove(r, Step::kValue)) break;
      int16_t allowed = 0;
      Brackets().Contains(kModes, c.MODAMO, allowed);
      if (allowed == 0) {
        Refused("MODAMO", ModeRefusal(c.MODAMO));
        break;
      }
      r.rateKey = 0;
      r.step = Step::kRate;
      if (IsMode(c, "E")) {
        Convert().PackSingle(0.0f, c.TAUX);
        r.step = Step::kDepreciation;
      }
      break;
    }
    case Step::kRate: {
      screen.SetFieldHelp(
          "TAUX", "B",
          std::string("Confirmer par F12 Pour un ReCalcul des Amortisements Antérieurs"_w));
      Ask(r, "TAUX", c.TAUX);
      r.rateKey = r.key;
      if (SecondPageMove(r, Step::kMode)) break;
      float rate = 0;
      Convert().UnpackSingle(c.TAUX, rate);
      if (Refused("TAUX", RateRefusal(c.MODAMO, rate))) break;
      screen.SetFieldNote("TAUX", "B",
                          std::string("Nb d'Années : "_w) + card::Format(100.0 / rate, 2));
      r.step = Step::kDepreciation;
      break;
    }
    case Step::kDepreciation:
      AmortirFiche(c, IsZero2(UnpackedAmount(c.CUMAMO)) || r.rateKey == r.keys.f12 ? TrueValue()
                                                                                   : FalseValue());
      screen.ShowField("CUMAMO", c.CUMAMO);
      screen.ShowField("DOTAMO", c.DOTAMO);
      if (IsMode(c, "D"))
        screen.SetFieldNote(
            "DOTAMO", "B",
            std::string("Taux Réel "_w) + card::Format(MImmo().effectiveRate, 4) + "%");
      r.step = WithinPeriod(r, c) ? Step::kRecompute : Step::kCumulative;
      break;
    case Step::kCumulative:
      screen.SetFieldHelp("CUMAMO", "B", "A ne Modifier qu'en cas d'Erreur de Saisie");
      Ask(r, "CUMAMO", c.CUMAMO);
      if (!SecondPageMove(r, Step::kMode) &&
          !Refused("CUMAMO", AmountRefusal(UnpackedAmount(c.CUMAMO))))
        r.step = Step::kRecompute;
      break;
    case Step::kRecompute:  // so that the charge follows a corrected cumulative
      AmortirFiche(c, FalseValue());
      r.step = Step::kCharge;
      break;
    case Step::kCharge:
      if (IsMode(c, "E")) screen.SetFieldHint("DOTAMO", "N", "0 Si Non Amortissable");
      Ask(r, "DOTAMO", c.DOTAMO);
      if (SecondPageMove(r, Step::kMode)) break;
      if (!Refused("DOTAMO", ChargeRefusal(UnpackedAmount(c.VALACQ), UnpackedAmount(c.CUMAMO),
                                           UnpackedAmount(c.DOTAMO))))
        r.step = FiscalOn() ? Step::kFiscalMode : Step::kSave;
      break;
    default:
      break;
  }
}

bool IsFiscalE(const AssetCard& c) { return Trimmed(c.MODFIS) == "E"; }

// After the fiscal figures before the period: the typed charge of mode E, else the save.
Step AfterFiscalFigures(const AssetCard& c) {
  return IsFiscalE(c) ? Step::kFiscalCharge : Step::kSave;
}

// The fiscal page: the fiscal mode (blank: no fiscal plan), its rate, for an asset acquired
// before the period the fiscal cumulative and the derogatory balance before it, and in mode E
// the fiscal charge of the period, typed.
void FiscalPage(ScreenRun& r, AssetCard& c) {
  HostScreen& screen = Screen();
  const double value = UnpackedAmount(c.VALACQ);
  switch (r.step) {
    case Step::kFiscalMode: {
      screen.SetFieldHint("MODFIS", "N",
                          std::string("(L:Linéaire - D:Dégressif - E:Exceptionnel - Rien si pas "
                                      "de Plan Fiscal)"_w));
      screen.AskField("MODFIS", c.MODFIS, r.key, "[]", "B");
      Convert().Upper(c.MODFIS);
      if (SecondPageMove(r, Step::kCharge)) break;
      if (Trim(c.MODFIS).empty()) {
        c.MODFIS.clear();
        Convert().PackSingle(0.0f, c.TAUFIS);
        c.CUMFIS = c.SLDDER = c.DOTFIS = PackedAmount(0);
        ShowFiscalFields(c);
        r.step = Step::kSave;
      } else if (!Refused("MODFIS", ModeRefusal(c.MODFIS))) {
        r.step = Step::kFiscalRate;
        if (IsFiscalE(c)) {  // charges typed: no rate
          Convert().PackSingle(0.0f, c.TAUFIS);
          screen.ShowField("TAUFIS", c.TAUFIS);
          r.step = Step::kFiscalCumulative;
        } else if (!IsZero2(UnpackedAmount(c.DOTFIS))) {  // computed: no typed charge
          c.DOTFIS = PackedAmount(0);
          screen.ShowField("DOTFIS", c.DOTFIS);
        }
      }
      break;
    }
    case Step::kFiscalRate: {
      Ask(r, "TAUFIS", c.TAUFIS);
      if (SecondPageMove(r, Step::kFiscalMode)) break;
      float rate = 0;
      Convert().UnpackSingle(c.TAUFIS, rate);
      if (Refused("TAUFIS", FiscalRateRefusal(c.MODFIS, rate))) break;
      screen.SetFieldNote("TAUFIS", "B",
                          std::string("Nb d'Années : "_w) + card::Format(100.0 / rate, 2));
      r.step = Step::kFiscalCumulative;
      break;
    }
    case Step::kFiscalCumulative:
      if (WithinPeriod(r, c)) {  // acquired in the period: nothing before it
        c.CUMFIS = c.SLDDER = PackedAmount(0);
        screen.ShowField("CUMFIS", c.CUMFIS);
        screen.ShowField("SLDDER", c.SLDDER);
        r.step = AfterFiscalFigures(c);
        break;
      }
      Ask(r, "CUMFIS", c.CUMFIS);
      if (SecondPageMove(r, IsFiscalE(c) ? Step::kFiscalMode : Step::kFiscalRate)) break;
      if (!Refused("CUMFIS", FiscalCumulativeRefusal(value, UnpackedAmount(c.CUMFIS))))
        r.step = Step::kFiscalBalance;
      break;
    case Step::kFiscalBalance:
      Ask(r, "SLDDER", c.SLDDER);
      if (SecondPageMove(r, Step::kFiscalCumulative)) break;
      if (!Refused("SLDDER",
                   BalanceRefusal(value, UnpackedAmount(c.CUMAMO), UnpackedAmount(c.SLDDER))))
        r.step = AfterFiscalFigures(c);
      break;
    case Step::kFiscalCharge:
      screen.SetFieldHint("DOTFIS", "N",
                          std::string("Amortissement Fiscal Exceptionnel de l'Exercice"_w));
      Ask(r, "DOTFIS", c.DOTFIS);
      if (SecondPageMove(r, WithinPeriod(r, c) ? Step::kFiscalMode : Step::kFiscalBalance)) break;
      if (!Refused("DOTFIS",
                   FiscalChargeRefusal(value, UnpackedAmount(c.CUMFIS), UnpackedAmount(c.DOTFIS))))
        r.step = Step::kSave;
      break;
    default:
      break;
  }
}

// The passes of the screen, one card each, until the user leaves from the nature code.
void CardPasses(ScreenRun& r) {
  AssetCard& c = Card();
  c = AssetCard();
  Toolkit().WorkDate(c.DATACQ);
  c.MODAMO = "L";
  r.fields = CardFields();
  r.headings = MImmo().headingCount;
  while (r.step != Step::kEnd) {
    switch (r.step) {
      case Step::kNewCard:
        NewPass(r, c);
        break;
      case Step::kNature:
        NatureCode(r, c);
        break;
      case Step::kOrder:
        OrderNumber(r, c);
        break;
      case Step::kDelete: {
        int16_t answer = FalseValue();
        Screen().AskConfirm(answer, r.key, "B");
        const bool confirmed = r.key == r.keys.validate && answer != 0;
        if (confirmed) {
          const std::string key = AssetKey(c);
          SupprimerFiche();
          if (FiscalOn()) SupprimerPlanFiscal(key);
        }
        r.step = confirmed ? Step::kNewCard : Step::kNature;
        break;
      }
      case Step::kAcquisition:
      case Step::kDescription:
      case Step::kDisposal:
      case Step::kCustomer:
      case Step::kProceeds:
      case Step::kTreasury:
      case Step::kSplit:
        FirstPage(r, c);
        break;
      case Step::kSave:
        // Nothing is stored that the plan, the editions or the year opening cannot carry.
        if (const CardRefusal refusal = CheckCardFigures(c)) {
          Refused(refusal.field, refusal.reason);
          r.step = StepOf(refusal.field);
          break;
        }
        if (FiscalOn()) {
          if (const CardRefusal refusal = CheckFiscalFigures(c)) {
            Refused(refusal.field, refusal.reason);
            r.step = StepOf(refusal.field);
            break;
          }
        }
        EcrireFiche();
        r.step = Step::kNewCard;
        break;
      case Step::kFiscalMode:
      case Step::kFiscalRate:
      case Step::kFiscalCumulative:
      case Step::kFiscalBalance:
      case Step::kFiscalCharge:
        FiscalPage(r, c);
        break;
      case Step::kEnd:
        break;
      default:
        SecondPage(r, c);
        break;
    }
  }
}

}  // namespace

void EntImo() {
  Runtime().Enter();
  HostToolkit& toolkit = Toolkit();
  toolkit.SetEditionTitle(kEditionTitle);
  std::string title;
  toolkit.GetEditionTitle(title);
  Edition().Open(FalseValue(), ZeroValue(), ZeroValue(), title, -1);
  Edition().Close(-1);
  ScreenRun run;
  run.keys = card::AskKeys();
  if (PeriodConfirmed(run)) CardPasses(run);
  Runtime().Leave();
}

void ChoixCodeAna(const std::string& type, const std::string& label, std::string& code) {
  MImmoState& m = MImmo();
  const HostBracketList& brackets = Brackets();
  std::string numbers, rows = "[]";
  KeyedFile().ListPrefix(m.kAnaimo, type, numbers);
  while (numbers != "[]") {
    std::string number, row;
    brackets.TakeFirst(numbers, number);
    RecordFile().Read(m.fAnaimo, Val(number));
    brackets.FromArray({Trimmed(m.anaimo.CODEANA.str()), Trimmed(m.anaimo.NOMANA.str())}, row);
    brackets.Append(rows, row);
  }
  int32_t chosen = 0;
  ChoiceList().Choose("Choix du Code " + label, std::string("[[G,6,Code],[G,30,Intitulé]]"_w), rows,
                      chosen);
  code.clear();
  if (chosen == 0) return;
  std::string row;
  brackets.ItemAt(rows, chosen, row);
  brackets.Item(row, 1, code);
}

void AmortirFiche(AssetCard& c, int16_t recompute) {
  if (Trim(c.MODAMO) == "E") return;
  CalcAmort(Trimmed(c.MODAMO), c.VALACQ, c.CUMAMO, recompute, c.TAUX, c.DATACQ, c.DATCES, c.DOTAMO);
}

namespace card {

Keys AskKeys() {
  HostToolkit& toolkit = Toolkit();
  Keys keys;
  static_cast<EntryKeys&>(keys) = AskEntryKeys();
  toolkit.KeyF2(keys.f2);
  toolkit.KeyF8(keys.f8);
  toolkit.KeyF12(keys.f12);
  return keys;
}

std::string Format(double value, int16_t decimals) {
  std::string text;
  Convert().FormatNumber(value, decimals, text);
  return text;
}

bool Computable(const AssetCard& c) {
  const std::string mode = Trimmed(c.MODAMO);
  float rate = 0;
  Convert().UnpackSingle(c.TAUX, rate);
  const double rounded = Round2(rate);
  return (mode == "L" || mode == "D") && rounded > 0 && rounded <= 100;
}

int16_t DescriptionPart(const Keys& keys, Description first) {
  HostScreen& screen = Screen();
  AssetCard& c = Card();
  int16_t key = 0;
  Description field = first;
  for (;;) {
    switch (field) {
      case Description::kSupplier:
        screen.AskField("NOMFRN", c.NOMFRN, key, "[]", "B");
        if (keys.IsBack(key) || key == keys.f2) return key;
        field = Description::kDescription;
        break;
      case Description::kDescription:
        screen.AskField("DESCRI", c.DESCRI, key, "[]", "B");
        if (key == keys.pageUp || key == keys.f2) return key;
        field = key == keys.up ? Description::kSupplier : Description::kRemark;
        break;
      case Description::kRemark:
        screen.SetFieldHint("REMIMO", "N", "No Interne, Localisation, Etc...");
        screen.AskField("REMIMO", c.REMIMO, key, "[]", "B");
        if (key != keys.up) return key;
        field = Description::kDescription;
        break;
    }
  }
}

}  // namespace card

}  // namespace actifix
