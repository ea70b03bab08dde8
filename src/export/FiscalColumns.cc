#include "export/FiscalColumns.h"

#include "fiscal/AssetFiscal.h"
#include "state/Amounts.h"
#include "state/MImmo.h"

namespace actifix {

std::string_view ColumnHeader(int column) {
  return column < kExportColumnCount ? kExportColumns[column].header
                                     : kFiscalColumns[column - kExportColumnCount].header;
}

std::string FiscalHeader() {
  std::string header;
  for (const ExportColumn& column : kFiscalColumns) (header += ';') += column.header;
  return header;
}

FiscalValues ReadFiscalValues() {
  FiscalValues values;
  fiscal::StoredPlan stored;
  if (!fiscal::ReadStoredPlan(stored)) return values;
  values.planned = true;
  values.mode = stored.plan.mode;
  values.rate = stored.plan.rate;
  const fiscal::FiscalYearResult year =
      fiscal::CurrentYear(stored, UnpackedAmount(MImmo().immo.DOTAMO.str()));
  values.amounts[kColFiscalCumulative] = stored.state.cumulative;
  values.amounts[kColBalance] = stored.state.balance;
  values.amounts[kColFiscalTyped] = stored.typed;
  values.amounts[kColFiscalCharge] = year.fiscal;
  values.amounts[kColAllowance] = year.movement.allowance;
  values.amounts[kColWriteBack] = year.movement.writeBack;
  return values;
}

}  // namespace actifix
