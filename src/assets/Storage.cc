// Storage of the asset card: the next order number of a nature, the save of a card with all
// its keys and the print of its plan, and the removal of a card with all its keys.
#include <algorithm>

#include "assets/MImmoImmo.h"
#include "depreciation/MImmoAmort.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

thread_local AssetCard card;

// The "Immoa" key of one element of an analytic list for a packed acquisition date.
std::string AnalyticKey(const std::string& element, const std::string& packedDate) {
  std::string code;
  Convert().Pad(element, 0, 6, code);
  return code + packedDate;
}

// Calls `use` with the "Immoa" key of each element of the analytic list `list` (a blank list
// has none) for a packed acquisition date.
template <typename Use>
void ForEachAnalyticKey(const std::string& list, const std::string& packedDate, Use use) {
  std::string rest;
  Convert().Trim(list, rest);
  if (rest.empty()) rest = "[]";
  while (rest != "[]") {
    std::string element;
    Brackets().TakeFirst(rest, element);
    use(AnalyticKey(element, packedDate));
  }
}

}  // namespace

AssetCard& Card() { return card; }

int32_t Val(const std::string& text) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return 0;
  const bool negative = text[i] == '-';
  if (text[i] == '-' || text[i] == '+') ++i;
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value <= INT32_MAX; ++i)
    value = value * 10 + (text[i] - '0');
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<int32_t>(negative ? -value : value);
}

void NumeroSuivant(int32_t taken) {
  std::string text;
  const int32_t running = Val(MImmo().nature.NUMNAT.str());
  Convert().FormatNumber(std::max(running, taken) + 100000.0 + 1, 0, text);
  card.NUMNATI = text.substr(1);
}

void CardToRecord(const AssetCard& c) {
  AssetRecord& r = MImmo().immo;
  std::string packed;
  Dates().PackDate(c.DATACQ, packed);
  r.DATACQ = packed;
  Dates().PackDate(c.DATCES, packed);
  r.DATCES = packed;
  r.CODNATI = c.CODNATI;
  r.NUMNATI = c.NUMNATI;
  r.DESCRI = c.DESCRI;
  r.REMIMO = c.REMIMO;
  r.NOMFRN = c.NOMFRN;
  r.VALACQ = c.VALACQ;
  r.MODAMO = c.MODAMO;
  r.TAUX = c.TAUX;
  r.CUMAMO = c.CUMAMO;
  r.RESERVED.Blank();
  r.NOMCLT = c.NOMCLT;
  r.DOTAMO = c.DOTAMO;
  r.LCANA = c.analytic;
  r.MTCESS = c.MTCESS;
  r.NCTRES = c.NCTRES;
}

void InsertAsset(const std::string& analytic, int32_t& number) {
  MImmoState& m = MImmo();
  const AssetRecord& r = m.immo;
  KeyedFile().Insert(m.kImmo, r.CODNATI.str() + r.NUMNATI.str(), m.fImmo, number);
  ForEachAnalyticKey(analytic, r.DATACQ.str(), [&m, &number](const std::string& key) {
    KeyedFile().AddKey(m.kImmoa, key, number);
  });
  KeyedFile().AddKey(m.kImmon, r.CODNATI.str() + r.DATACQ.str(), number);
}

void StockerFiche() {
  MImmoState& m = MImmo();
  if (card.exists) {
    RecordFile().Read(m.fImmo, card.loaded);
    SupprimerFiche();
  }
  CardToRecord(card);
  InsertAsset(card.analytic, card.previous);

  // The running number of the nature never goes down.
  if (Val(m.nature.NUMNAT.str()) < Val(card.NUMNATI)) {
    RecordFile().Read(m.fNature, card.natureNumber);
    m.nature.NUMNAT = card.NUMNATI;
    RecordFile().Write(m.fNature, card.natureNumber);
  }
}

void EcrireFiche() {
  StockerFiche();
  // The fiscal plan joins the card's transaction; with the option off nothing is written.
  if (const AssetRecord& r = MImmo().immo; MImmo().fiscal.on)
    EcrirePlanFiscal(r.CODNATI.str() + r.NUMNATI.str(), card);
  std::string title;
  Toolkit().GetEditionTitle(title);
  Edition().Open(FalseValue(), ZeroValue(), ZeroValue(), title, -1);
  EDTPA();
  Edition().Close(0);
}

void RemoveAsset(const std::string& immoKey, int32_t number) {
  MImmoState& m = MImmo();
  const AssetRecord& r = m.immo;
  ForEachAnalyticKey(r.LCANA.str(), r.DATACQ.str(), [&m, number](const std::string& key) {
    KeyedFile().RemoveKey(m.kImmoa, key, number);
  });
  KeyedFile().RemoveKey(m.kImmon, r.CODNATI.str() + r.DATACQ.str(), number);
  KeyedFile().Delete(m.kImmo, immoKey, number, m.fImmo);
}

void SupprimerFiche() {
  const AssetRecord& r = MImmo().immo;
  RemoveAsset(r.CODNATI.str() + r.NUMNATI.str(), card.loaded);
  card.previous = 0;
}

}  // namespace actifix
