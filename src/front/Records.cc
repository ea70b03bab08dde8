#include "front/Records.h"

#include <cstddef>

namespace actifix {

namespace {

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

}  // namespace

std::string ToText(const AssetRecord& r) {
  FieldWriter w;
  w << r.CODNATI << r.NUMNATI << r.DATACQ << r.NOMFRN << r.DESCRI << r.REMIMO << r.VALACQ
    << r.MODAMO << r.TAUX << r.CUMAMO << FixedText<1>() << r.DATCES << r.NOMCLT << r.DOTAMO
    << r.LCANA << r.MTCESS << r.NCTRES;
  return w.text();
}

void FromText(const std::string& text, AssetRecord& r) {
  FieldReader(text) >> r.CODNATI >> r.NUMNATI >> r.DATACQ >> r.NOMFRN >> r.DESCRI >> r.REMIMO >>
      r.VALACQ >> r.MODAMO >> r.TAUX >> r.CUMAMO >> r.RESERVED >> r.DATCES >> r.NOMCLT >>
      r.DOTAMO >> r.LCANA >> r.MTCESS >> r.NCTRES;
}

std::string ToText(const NatureRecord& r) {
  FieldWriter w;
  w << r.CODNAT << r.LIBNAT << r.NUMNAT << r.NCIMAT << r.NCIAMO << r.NCIDOT << r.NCIVNC
    << r.NCIPROD;
  return w.text();
}

void FromText(const std::string& text, NatureRecord& r) {
  FieldReader(text) >> r.CODNAT >> r.LIBNAT >> r.NUMNAT >> r.NCIMAT >> r.NCIAMO >> r.NCIDOT >>
      r.NCIVNC >> r.NCIPROD;
}

std::string ToText(const ParimoRecord& r) {
  FieldWriter w;
  w << r.CEIMO << r.LINTANA << r.COMPTA;
  return w.text();
}

void FromText(const std::string& text, ParimoRecord& r) {
  FieldReader(text) >> r.CEIMO >> r.LINTANA >> r.COMPTA;
}

std::string ToText(const PcimoRecord& r) {
  FieldWriter w;
  w << r.NOCPTCG << r.NOMCPTCG;
  return w.text();
}

void FromText(const std::string& text, PcimoRecord& r) {
  FieldReader(text) >> r.NOCPTCG >> r.NOMCPTCG;
}

std::string ToText(const AnaimoRecord& r) {
  FieldWriter w;
  w << r.TYPANA << r.CODEANA << r.NOMANA;
  return w.text();
}

void FromText(const std::string& text, AnaimoRecord& r) {
  FieldReader(text) >> r.TYPANA >> r.CODEANA >> r.NOMANA;
}

}  // namespace actifix
