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

}  // namespace actifix
