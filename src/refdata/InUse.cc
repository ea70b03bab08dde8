#include "refdata/InUse.h"

#include <array>
#include <cstdlib>
#include <utility>

#include "host/Cp1252.h"
#include "host/Text.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

// How many users a refusal names before "...".
constexpr int32_t kNamed = 5;

// "MAT 00012": the card in the asset buffer, as the card screen keys it.
std::string CardName() {
  const AssetRecord& r = MImmo().immo;
  return Trimmed(r.CODNATI.str()) + " " + r.NUMNATI.str();
}

// "12 fiches : A, B, C, D, E, ... ; supprimez ou changez d'abord ces fiches." and the
// singular for one card.
std::string CardsSentence(int32_t count, const std::string& names) {
  const bool one = count == 1;
  return std::to_string(count) + (one ? " fiche : " : " fiches : ") + names +
         (count > kNamed ? ", ..." : "") +
         (one ? " ; supprimez ou changez d'abord cette fiche."
              : " ; supprimez ou changez d'abord "
                "ces fiches.");
}

int32_t Number(const std::string& text) {
  return static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 10));
}

void AppendName(std::string& names, const std::string& name) {
  names += (names.empty() ? "" : ", ") + name;
}

}  // namespace

std::string NatureInUse(const std::string& code) {
  MImmoState& m = MImmo();
  // The "Immo" keys of the nature's cards start with its code: counted on the keys alone,
  // and only the first few cards read, to name them.
  int32_t count = 0;
  std::string first;
  KeyedFile().CountPrefix(m.kImmo, code, kNamed, count, first);
  if (count == 0) return "";
  std::string names;
  const HostBracketList& brackets = Brackets();
  while (first != "[]") {
    std::string number;
    brackets.TakeFirst(first, number);
    RecordFile().Read(m.fImmo, Number(number));
    AppendName(names, CardName());
  }
  return std::string("La nature "_w) + Trimmed(code) + std::string(" est utilisée par "_w) +
         CardsSentence(count, names);
}

std::string AnalyticCodeInUse(int32_t heading, const std::string& code) {
  MImmoState& m = MImmo();
  const HostBracketList& brackets = Brackets();
  // The "Immoa" key holds the code without its heading: the cards found under it may hold
  // the same code under another heading, so each is read and its element of this heading
  // compared, brought to 6 characters as the key is. A card holding the code twice has two
  // entries, one after the other.
  std::string all;
  KeyedFile().ListPrefix(m.kImmoa, code, all);
  BracketList numbers(all);
  all.clear();
  int32_t count = 0;
  int32_t last = 0;
  std::string names;
  while (!numbers.empty()) {
    std::string text;
    brackets.TakeFirst(numbers, text);
    const int32_t number = Number(text);
    if (number == last) continue;
    last = number;
    RecordFile().Read(m.fImmo, number);
    std::string list = Trimmed(m.immo.LCANA.str());
    if (list.empty()) list = "[]";
    std::string element, padded;
    brackets.Item(list, heading, element);
    Convert().Pad(element, 0, 6, padded);
    if (padded != code) continue;
    if (++count <= kNamed) AppendName(names, CardName());
  }
  if (count == 0) return "";
  std::string label;
  brackets.Item(m.headingList, heading, label);
  return std::string("Le code analytique "_w) + Trimmed(code) + " (" + Trimmed(label) +
         std::string(") est utilisé par "_w) + CardsSentence(count, names);
}

std::string AccountInUse(const std::string& account) {
  MImmoState& m = MImmo();
  const NatureRecord& n = m.nature;
  // The natures are few (a few hundred at most): each is read and its accounts compared.
  const std::array<std::pair<const FixedText<10>*, const char*>, 5> fields = {{
      {&n.NCIMAT, "compte de l'immobilisation"},
      {&n.NCIAMO, "compte d'amortissement"},
      {&n.NCIDOT, "compte de dotation"},
      {&n.NCIVNC, "compte de VNC"},
      {&n.NCIPROD, "compte de produit de cession"},
  }};
  int32_t count = 0;
  std::string names;
  int16_t found = 0;
  std::string key = EmptyText();
  KeyedFile().First(m.kNature, m.fNature, found, key);
  while (found != 0) {
    std::string named;
    for (const auto& [field, label] : fields)
      if (field->str() == account) named += (named.empty() ? "" : ", ") + std::string(label);
    if (!named.empty() && ++count <= kNamed)
      AppendName(names, Trimmed(n.CODNAT.str()) + " (" + named + ")");
    key = EmptyText();
    KeyedFile().Next(m.kNature, m.fNature, found, key);
  }
  if (count == 0) return "";
  const bool one = count == 1;
  return std::string("Le compte ") + Trimmed(account) + std::string(" est utilisé par "_w) +
         std::to_string(count) + (one ? " nature : " : " natures : ") + names +
         (count > kNamed ? ", ..." : "") +
         (one ? " ; changez d'abord ce compte dans cette nature."
              : " ; changez d'abord ce compte dans ces natures.");
}

bool DeletionRefused(const std::string& refusal) {
  if (refusal.empty()) return false;
  int16_t result = 0;
  MessageBox().Show("Information", "Suppression impossible", refusal, result);
  return true;
}

}  // namespace actifix
