#include "state/Records.h"

#include <concepts>
#include <cstddef>
#include <tuple>
#include <type_traits>

namespace actifix {

namespace {

// Position 126 of the asset record, counted from 0.
constexpr std::size_t kReservedOffset = 125;

// Reads consecutive fields from a record text, each at the position after the last.
class FieldReader {
 public:
  explicit FieldReader(const std::string& text) : text_(text) {}
  template <std::size_t W>
  FieldReader& operator>>(FixedText<W>& field) {
    field = pos_ < text_.size() ? std::string_view(text_).substr(pos_, W) : std::string_view();
    pos_ += W;
    return *this;
  }

 private:
  const std::string& text_;
  std::size_t pos_ = 0;
};

class FieldWriter {
 public:
  template <std::size_t W>
  FieldWriter& operator<<(const FixedText<W>& field) {
    text_.append(field.view());
    return *this;
  }
  std::string text() { return std::move(text_); }

 private:
  std::string text_;
};

// Each record's fields in layout order, as references into the buffer (const for a const one).
template <typename R>
requires std::same_as<std::remove_const_t<R>, AssetRecord>
auto Fields(R& r) {
  return std::tie(r.CODNATI, r.NUMNATI, r.DATACQ, r.NOMFRN, r.DESCRI, r.REMIMO, r.VALACQ, r.MODAMO,
                  r.TAUX, r.CUMAMO, r.RESERVED, r.DATCES, r.NOMCLT, r.DOTAMO, r.LCANA, r.MTCESS,
                  r.NCTRES);
}

template <typename R>
requires std::same_as<std::remove_const_t<R>, NatureRecord>
auto Fields(R& r) {
  return std::tie(r.CODNAT, r.LIBNAT, r.NUMNAT, r.NCIMAT, r.NCIAMO, r.NCIDOT, r.NCIVNC, r.NCIPROD);
}

template <typename R>
requires std::same_as<std::remove_const_t<R>, ParimoRecord>
auto Fields(R& r) { return std::tie(r.CEIMO, r.LINTANA, r.COMPTA); }

template <typename R>
requires std::same_as<std::remove_const_t<R>, PcimoRecord>
auto Fields(R& r) { return std::tie(r.NOCPTCG, r.NOMCPTCG); }

template <typename R>
requires std::same_as<std::remove_const_t<R>, AnaimoRecord>
auto Fields(R& r) { return std::tie(r.TYPANA, r.CODEANA, r.NOMANA); }

template <typename R>
requires std::same_as<std::remove_const_t<R>, FiscalRecord>
auto Fields(R& r) {
  return std::tie(r.CODNATF, r.NUMNATF, r.MODFIS, r.TAUFIS, r.CUMFIS, r.SLDDER, r.DOTFIS);
}

template <typename R>
std::string Join(const R& r) {
  FieldWriter w;
  std::apply([&w](const auto&... field) { (w << ... << field); }, Fields(r));
  return w.text();
}

template <typename R>
void Split(const std::string& text, R& r) {
  FieldReader reader(text);
  std::apply([&reader](auto&... field) { (reader >> ... >> field); }, Fields(r));
}

}  // namespace

// The reserved byte is written blank whatever the buffer holds.
std::string ToText(const AssetRecord& r) {
  std::string text = Join(r);
  text[kReservedOffset] = ' ';
  return text;
}
void FromText(const std::string& text, AssetRecord& r) { Split(text, r); }
std::string ToText(const NatureRecord& r) { return Join(r); }
void FromText(const std::string& text, NatureRecord& r) { Split(text, r); }
std::string ToText(const ParimoRecord& r) { return Join(r); }
void FromText(const std::string& text, ParimoRecord& r) { Split(text, r); }
std::string ToText(const PcimoRecord& r) { return Join(r); }
void FromText(const std::string& text, PcimoRecord& r) { Split(text, r); }
std::string ToText(const AnaimoRecord& r) { return Join(r); }
void FromText(const std::string& text, AnaimoRecord& r) { Split(text, r); }
std::string ToText(const FiscalRecord& r) { return Join(r); }
void FromText(const std::string& text, FiscalRecord& r) { Split(text, r); }

}  // namespace actifix
