#include "export/ExportColumns.h"

namespace actifix {

std::string_view StoredField(const AssetRecord& r, int id) {
  switch (id) {
    case kColNature:
      return r.CODNATI.view();
    case kColNumber:
      return r.NUMNATI.view();
    case kColAcquired:
      return r.DATACQ.view();
    case kColSupplier:
      return r.NOMFRN.view();
    case kColDescription:
      return r.DESCRI.view();
    case kColRemark:
      return r.REMIMO.view();
    case kColValue:
      return r.VALACQ.view();
    case kColMode:
      return r.MODAMO.view();
    case kColRate:
      return r.TAUX.view();
    case kColCumulative:
      return r.CUMAMO.view();
    case kColDisposed:
      return r.DATCES.view();
    case kColCustomer:
      return r.NOMCLT.view();
    case kColCharge:
      return r.DOTAMO.view();
    case kColAnalytic:
      return r.LCANA.view();
    case kColProceeds:
      return r.MTCESS.view();
    default:
      return r.NCTRES.view();
  }
}

std::string ExportHeader() {
  std::string header;
  for (const ExportColumn& column : kExportColumns) {
    if (!header.empty()) header += ';';
    header += column.header;
  }
  return header;
}

namespace {

// Whether `text` needs the apostrophe: after its apostrophes, a character that starts a
// formula. The apostrophes count so that a text that starts with one reads back the same.
bool StartsFormula(std::string_view text) {
  const std::size_t at = text.find_first_not_of('\'');
  return at != std::string_view::npos &&
         std::string_view("=+-@\t\r").find(text[at]) != std::string_view::npos;
}

}  // namespace

std::string NeutralisedText(std::string_view text) {
  if (!StartsFormula(text)) return std::string(text);
  std::string guarded = "'" + std::string(text);
  if (guarded.back() == ' ') guarded.pop_back();
  return guarded;
}

std::string_view UnneutralisedText(std::string_view text) {
  if (text.starts_with('\'') && StartsFormula(text)) text.remove_prefix(1);
  return text;
}

}  // namespace actifix
