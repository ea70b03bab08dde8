// The asset card entry screen: the period check, then one pass per card: nature code, order
// number, first page (acquisition, descriptions, disposal, and the split of a partly disposed
// card), second page (analytic codes, value, mode, rate, depreciation), save or deletion.
// The nature code, acquisition date, mode and analytic codes carry over from card to card.
#include <cstdlib>

#include "assets/CardScreen.h"
#include "depreciation/MImmoAmort.h"
#include "front/MImmo.h"
#include "host/Cp1252.h"

namespace actifix {

using card::Amount;
using card::Packed;
using card::Round2;
using card::Trimmed;

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

// The card's field list: the first page, one code per analytic heading, the second page.
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
  c.MTCESS = c.VALACQ = c.CUMAMO = c.DOTAMO = c.VACEDEE = Packed(0);
  Convert().PackSingle(0.0f, c.TAUX);
  c.disposalDay = 0;
  c.exists = false;
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
  c.MTCESS = Trimmed(r.MTCESS.str()).empty() ? Packed(0) : r.MTCESS.str();
  Dates().UnpackDate(r.DATACQ.str(), c.DATACQ, c.acquisitionDay);
  Dates().UnpackDate(r.DATCES.str(), c.DATCES, c.disposalDay);
  c.analytic = Trimmed(r.LCANA.str());
  if (c.analytic.empty()) c.analytic = "[]";
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
  kSave,
  kEnd
};

// One run of the screen, from the period check to the end.
class CardScreen {
 public:
  CardScreen() : keys_(card::AskKeys()), c_(Card()), m_(MImmo()), screen_(Screen()) {}

  void Run() {
    if (!PeriodConfirmed()) return;
    c_ = AssetCard();
    Toolkit().WorkDate(c_.DATACQ);
    c_.MODAMO = "L";
    fields_ = CardFields();
    n_ = m_.headingCount;
    while (step_ != Step::kEnd) Next();
  }

 private:
  bool PeriodConfirmed() {
    HostToolkit& toolkit = Toolkit();
    int16_t status = 0;
    screen_.Clear(status);
    screen_.SetTitle(kTitle);
    std::string start, end;
    toolkit.YearStartText(start);
    toolkit.YearEndText(end);
    startDay_ = ToolkitDay(&HostToolkit::YearStartDay);
    endDay_ = ToolkitDay(&HostToolkit::YearEndDay);
    screen_.ShowExplanation(
        "B", std::string("[La Période d'Amortissement est "_w) + start + " au " + end + "]", "D");
    screen_.SetOption(2);
    screen_.DefineFields(kPeriodFields);
    screen_.SetFieldHelp("CONF", "N",
                         "(Si NON vous devez changer les Dates d'Exercice de l'Entreprise)");
    std::string answer = "O";
    int16_t key = 0;
    screen_.AskField("CONF", answer, key, "[]", "B");
    return !keys_.IsBack(key) && answer != "N";
  }

  bool WithinPeriod() const {
    return startDay_ <= c_.acquisitionDay && c_.acquisitionDay <= endDay_;
  }
  bool IsMode(const char* mode) const { return Trimmed(c_.MODAMO) == mode; }

  void Ask(const std::string& field, std::string& value) {
    screen_.AskField(field, value, key_, "[]", "B");
  }
  // The move of the second page's fields: Up to `up`, Page Up back to the analytic codes,
  // F1 saves. Returns true when the key made one.
  bool SecondPageMove(Step up) {
    if (key_ == keys_.up) {
      step_ = up;
    } else if (key_ == keys_.pageUp) {
      BackToAnalytic();
    } else if (key_ == keys_.f1) {
      step_ = Step::kSave;
    } else {
      return false;
    }
    return true;
  }
  void BackToAnalytic() {
    heading_ = 1;
    step_ = Step::kAnalytic;
  }
  void ShowFields() {
    for (const auto& [name, value] :
         {std::pair<const char*, const std::string&>{"DATACQ", c_.DATACQ},
          {"DESCRI", c_.DESCRI},
          {"REMIMO", c_.REMIMO},
          {"NOMFRN", c_.NOMFRN},
          {"DATCES", c_.DATCES},
          {"NOMCLT", c_.NOMCLT},
          {"MTCESS", c_.MTCESS},
          {"NCTRES", c_.NCTRES},
          {"VALACQ", c_.VALACQ},
          {"MODAMO", c_.MODAMO},
          {"TAUX", c_.TAUX},
          {"CUMAMO", c_.CUMAMO}})
      screen_.ShowField(name, value);
  }
  void Compute(int16_t recompute) {
    CalcAmort(Trimmed(c_.MODAMO), c_.VALACQ, c_.CUMAMO, recompute, c_.TAUX, c_.DATACQ, c_.DATCES,
              c_.DOTAMO);
  }

  void Next() {
    switch (step_) {
      case Step::kNewCard: {
        NewCard(c_);
        fresh_ = c_;
        int16_t status = 0;
        screen_.Clear(status);
        screen_.SetTitle(kTitle);
        screen_.DefineFields(fields_);
        screen_.SetFieldHint("NUMNATI", "B", "Suppression : Confirmez par F6");
        if (c_.previous != 0) {
          RecordFile().Read(m_.fImmo, c_.previous);
          screen_.ShowMessage("B", std::string("Enregistrement Précédent "_w) +
                                       m_.immo.CODNATI.str() + ":" + m_.immo.NUMNATI.str());
        }
        step_ = Step::kNature;
        break;
      }
      case Step::kNature: {
        Ask("CODNATI", c_.CODNATI);
        if (keys_.IsBack(key_) || Trimmed(c_.CODNATI).empty()) {
          step_ = Step::kEnd;
          break;
        }
        Convert().Upper(c_.CODNATI);
        m_.nature.CODNAT = c_.CODNATI;
        int16_t found = 0;
        KeyedFile().Find(m_.kNature, m_.nature.CODNAT.str(), m_.fNature, found);
        if (found == 0) {
          screen_.SetFieldNote("CODNATI", "B", "Code Nature Inexistant");
          break;
        }
        screen_.SetFieldNote("CODNATI", "N", m_.nature.LIBNAT.str());
        RecordFile().LastRecordNumber(m_.fNature, c_.natureNumber);
        NumeroSuivant();
        step_ = Step::kOrder;
        break;
      }
      case Step::kOrder: {
        Ask("NUMNATI", c_.NUMNATI);
        if (keys_.IsBack(key_)) {
          step_ = Step::kNature;
          break;
        }
        if (Trimmed(c_.NUMNATI).empty()) break;
        m_.immo.CODNATI = c_.CODNATI;
        m_.immo.NUMNATI = c_.NUMNATI;
        int16_t found = 0;
        KeyedFile().Find(m_.kImmo, m_.immo.CODNATI.str() + m_.immo.NUMNATI.str(), m_.fImmo, found);
        if (found != 0) {
          c_.exists = true;
          RecordFile().LastRecordNumber(m_.fImmo, c_.loaded);
          LoadCard(c_);
        } else {
          // A card left for another number comes back to the defaults of the pass.
          AssetCard kept = fresh_;
          kept.CODNATI = c_.CODNATI;
          kept.NUMNATI = c_.NUMNATI;
          kept.natureNumber = c_.natureNumber;
          kept.previous = c_.previous;
          c_ = kept;
        }
        ShowFields();
        if (c_.exists)
          screen_.SetFieldNote("NUMNATI", "I", key_ == keys_.f6 ? "SUPPRESSION" : "MODIFICATION");
        else
          screen_.SetFieldNote("NUMNATI", "B", "CREATION");
        c_.VACEDEE = Packed(0);
        if (key_ == keys_.f6 && c_.exists) {
          step_ = Step::kDelete;
          break;
        }
        screen_.ShowMessage("B", "F2 Ecran Suivant");
        step_ = Step::kAcquisition;
        break;
      }
      case Step::kDelete: {
        int16_t answer = FalseValue();
        screen_.AskConfirm(answer, key_, "B");
        if (key_ == keys_.validate && answer != 0) {
          SupprimerFiche();
          step_ = Step::kNewCard;
        } else {
          step_ = Step::kNature;
        }
        break;
      }
      case Step::kAcquisition:
        screen_.AskDate("DATACQ", c_.DATACQ, key_, c_.acquisitionDay, "B");
        if (keys_.IsBack(key_)) {
          step_ = Step::kNature;
        } else if (c_.acquisitionDay != 0 && c_.acquisitionDay <= endDay_) {
          description_ = card::Description::kSupplier;
          step_ = Step::kDescription;
        }
        break;
      case Step::kDescription:
        key_ = DescriptionPart(keys_, description_);
        if (key_ == keys_.up)
          step_ = Step::kAcquisition;
        else if (key_ == keys_.pageUp)
          step_ = Step::kNature;
        else
          step_ = Step::kDisposal;
        break;
      case Step::kDisposal:
        screen_.SetFieldNote("DATCES", "N", std::string("Rien si non Cédée"_w));
        screen_.AskDate("DATCES", c_.DATCES, key_, c_.disposalDay, "B");
        if (key_ == keys_.up) {
          description_ = card::Description::kRemark;
          step_ = Step::kDescription;
        } else if (key_ == keys_.pageUp) {
          step_ = Step::kNature;
        } else if (c_.disposalDay == 0) {
          c_.NOMCLT.clear();
          c_.MTCESS = Packed(0);
          c_.NCTRES.clear();
          screen_.ShowField("NOMCLT", c_.NOMCLT);
          screen_.ShowField("MTCESS", c_.MTCESS);
          screen_.ShowField("NCTRES", c_.NCTRES);
          step_ = Step::kSecondPage;
        } else if (c_.disposalDay >= c_.acquisitionDay) {
          step_ = Step::kCustomer;
        }
        break;
      case Step::kCustomer:
        Ask("NOMCLT", c_.NOMCLT);
        step_ = key_ == keys_.up       ? Step::kDisposal
                : key_ == keys_.pageUp ? Step::kNature
                                       : Step::kProceeds;
        break;
      case Step::kProceeds:
        screen_.SetFieldNote("MTCESS", "N", "Rien si Hors Service");
        Ask("MTCESS", c_.MTCESS);
        if (key_ == keys_.up) {
          step_ = Step::kCustomer;
        } else if (key_ == keys_.pageUp) {
          step_ = Step::kNature;
        } else if (!card::IsZero2(Amount(c_.MTCESS)) && m_.parimo.COMPTA.view() == "O") {
          step_ = Step::kTreasury;
        } else {
          c_.NCTRES.clear();
          screen_.ShowField("NCTRES", c_.NCTRES);
          step_ = Step::kSplit;
        }
        break;
      case Step::kTreasury:
        if (Trimmed(c_.NCTRES).empty()) c_.NCTRES = "462";
        Ask("NCTRES", c_.NCTRES);
        if (Trimmed(c_.NCTRES).empty()) break;
        step_ = key_ == keys_.up       ? Step::kProceeds
                : key_ == keys_.pageUp ? Step::kNature
                                       : Step::kSplit;
        break;
      case Step::kSplit:
        step_ = Step::kSecondPage;
        if (c_.exists && !card::IsZero2(Amount(c_.VALACQ))) {
          switch (card::PartialDisposal(keys_)) {
            case card::SplitOutcome::kNoSplit:
              break;
            case card::SplitOutcome::kUp:
              step_ = Step::kProceeds;
              break;
            case card::SplitOutcome::kPageUp:
              step_ = Step::kNature;
              break;
            case card::SplitOutcome::kSplit:
              step_ = Step::kNewCard;
              break;
          }
        }
        break;
      case Step::kSecondPage:
        if (WithinPeriod()) c_.CUMAMO = Packed(0);
        screen_.ShowField("VALACQ", c_.VALACQ);
        screen_.ShowField("MODAMO", c_.MODAMO);
        screen_.ShowField("TAUX", c_.TAUX);
        screen_.ShowField("CUMAMO", c_.CUMAMO);
        FitAnalytic(c_.analytic, n_);
        BackToAnalytic();
        break;
      case Step::kAnalytic:
        AnalyticCode();
        break;
      case Step::kValue:
        screen_.SetFieldHelp("VALACQ", "N",
                             std::string("Valeur d'Acquisition Eventuellement Plafonnée"_w));
        Ask("VALACQ", c_.VALACQ);
        if (keys_.IsBack(key_) && n_ == 0)
          step_ = Step::kNature;
        else if (keys_.IsBack(key_))
          BackToAnalytic();
        else if (key_ == keys_.f1)
          step_ = Step::kSave;
        else if (!card::IsZero2(Amount(c_.VALACQ)))
          step_ = Step::kMode;
        break;
      case Step::kMode: {
        screen_.SetFieldHint(
            "MODAMO", "N",
            std::string("(L:Linéaire - D:Dégressif - E:Exceptionnel ou Non Amortissable)"_w));
        screen_.AskField("MODAMO", c_.MODAMO, key_, kModes, "B");
        Convert().Upper(c_.MODAMO);
        if (SecondPageMove(Step::kValue)) break;
        int16_t allowed = 0;
        Brackets().Contains(kModes, c_.MODAMO, allowed);
        if (allowed == 0) break;
        rateKey_ = 0;
        if (IsMode("E")) {
          Convert().PackSingle(0.0f, c_.TAUX);
          step_ = Step::kDepreciation;
        } else {
          step_ = Step::kRate;
        }
        break;
      }
      case Step::kRate: {
        screen_.SetFieldHelp(
            "TAUX", "B",
            std::string("Confirmer par F12 Pour un ReCalcul des Amortisements Antérieurs"_w));
        Ask("TAUX", c_.TAUX);
        rateKey_ = key_;
        if (SecondPageMove(Step::kMode) || !card::Computable(c_)) break;
        float rate = 0;
        Convert().UnpackSingle(c_.TAUX, rate);
        screen_.SetFieldNote("TAUX", "B",
                             std::string("Nb d'Années : "_w) + card::Format(100.0 / rate, 2));
        step_ = Step::kDepreciation;
        break;
      }
      case Step::kDepreciation: {
        const bool computed = !IsMode("E");
        if (computed)
          Compute(card::IsZero2(Amount(c_.CUMAMO)) || rateKey_ == keys_.f12 ? TrueValue()
                                                                            : FalseValue());
        screen_.ShowField("CUMAMO", c_.CUMAMO);
        screen_.ShowField("DOTAMO", c_.DOTAMO);
        if (IsMode("D"))
          screen_.SetFieldNote(
              "DOTAMO", "B", std::string("Taux Réel "_w) + card::Format(m_.effectiveRate, 4) + "%");
        step_ = WithinPeriod() ? Step::kRecompute : Step::kCumulative;
        break;
      }
      case Step::kCumulative:
        screen_.SetFieldHelp("CUMAMO", "B", "A ne Modifier qu'en cas d'Erreur de Saisie");
        Ask("CUMAMO", c_.CUMAMO);
        if (!SecondPageMove(Step::kMode)) step_ = Step::kRecompute;
        break;
      case Step::kRecompute:
        if (!IsMode("E")) Compute(FalseValue());
        step_ = Step::kCharge;
        break;
      case Step::kCharge:
        if (IsMode("E")) screen_.SetFieldHint("DOTAMO", "N", "0 Si Non Amortissable");
        Ask("DOTAMO", c_.DOTAMO);
        if (SecondPageMove(Step::kMode)) break;
        if (Round2(Amount(c_.DOTAMO) + Amount(c_.CUMAMO)) <= Round2(Amount(c_.VALACQ)))
          step_ = Step::kSave;
        break;
      case Step::kSave:
        EcrireFiche();
        step_ = Step::kNewCard;
        break;
      case Step::kEnd:
        break;
    }
  }

  // Heading heading_ of the analytic codes: a code typed or picked (F8) must exist for the
  // heading; Up goes to the heading above, Page Up to the first, both back to the nature
  // code from the first heading.
  void AnalyticCode() {
    if (heading_ > n_) {
      step_ = Step::kValue;
      return;
    }
    const std::string type = HeadingType(heading_);
    const std::string name = Trimmed(type);
    screen_.SetFieldNote(name, "N", "F8 Choix Par Consultation");
    std::string code;
    Brackets().Item(c_.analytic, heading_, code);
    Ask(name, code);
    if (keys_.IsBack(key_) && heading_ == 1) {
      step_ = Step::kNature;
      return;
    }
    if (key_ == keys_.up) {
      --heading_;
      return;
    }
    if (key_ == keys_.pageUp) {
      heading_ = 1;
      return;
    }
    if (key_ == keys_.f1) {
      step_ = Step::kSave;
      return;
    }
    if (key_ == keys_.f8) {
      ChoixCodeAna(type, HeadingLabel(heading_), code);
      if (code.empty()) return;
      screen_.ShowField(name, code);
    }
    std::string padded;
    Convert().Pad(code, 0, 6, padded);
    int16_t found = 0;
    KeyedFile().Find(m_.kAnaimo, type + padded, m_.fAnaimo, found);
    if (found == 0) return;
    screen_.SetFieldNote(name, "N", m_.anaimo.NOMANA.str());
    Brackets().SetItem(c_.analytic, heading_, code);
    ++heading_;
  }

  const card::Keys keys_;
  AssetCard& c_;
  MImmoState& m_;
  HostScreen& screen_;
  std::string fields_;
  int32_t n_ = 0;
  int32_t startDay_ = 0, endDay_ = 0;
  Step step_ = Step::kNewCard;
  int16_t key_ = 0, rateKey_ = 0;
  int32_t heading_ = 1;
  card::Description description_ = card::Description::kSupplier;
  AssetCard fresh_;  // the working copy at the start of the pass
};

}  // namespace

void EntImo() {
  Runtime().Enter();
  HostToolkit& toolkit = Toolkit();
  toolkit.SetEditionTitle(kEditionTitle);
  std::string title;
  toolkit.GetEditionTitle(title);
  Edition().Open(FalseValue(), ZeroValue(), ZeroValue(), title, -1);
  Edition().Close(-1);
  CardScreen().Run();
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

namespace card {

Keys AskKeys() {
  HostToolkit& toolkit = Toolkit();
  Keys keys;
  toolkit.KeyF1(keys.f1);
  toolkit.KeyF2(keys.f2);
  toolkit.KeyF6(keys.f6);
  toolkit.KeyF8(keys.f8);
  toolkit.KeyF12(keys.f12);
  toolkit.KeyUp(keys.up);
  toolkit.KeyPageUp(keys.pageUp);
  toolkit.KeyValidate(keys.validate);
  return keys;
}

double Amount(const std::string& packed) {
  double value = 0;
  Convert().UnpackDouble(packed, value);
  return value;
}

std::string Packed(double amount) {
  std::string packed;
  Convert().PackDouble(amount, packed);
  return packed;
}

double Round2(double value) {
  double rounded = 0;
  Convert().Round(value, 2, rounded);
  return rounded;
}

bool IsZero2(double value) {
  int16_t flag = 0;
  Convert().IsZero(value, 2, flag);
  return flag != 0;
}

std::string Format(double value, int16_t decimals) {
  std::string text;
  Convert().FormatNumber(value, decimals, text);
  return text;
}

std::string Trimmed(const std::string& text) {
  std::string trimmed;
  Convert().Trim(text, trimmed);
  return trimmed;
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
