// The disposal gains and losses ("EDITION DES PLUS OU MOINS VALUES DE CESSION"): one block per
// disposal the depreciation edition collected, its net book value against its price.
#include <cmath>

#include "editions/EdtCommon.h"
#include "editions/MImmoEdt.h"
#include "host/Cp1252.h"

namespace actifix {

void EdtPlusMoinsValues() {
  EditionState& e = MImmo().edt;
  if (e.disposals.empty()) return;
  HostEdition& edition = Edition();
  const HostBracketList& brackets = Brackets();
  edition.AddTitle("EDITION DES PLUS OU MOINS VALUES DE CESSION", "G");
  edition.DefineColumns(
      std::string("[PS,1,[[CODNATI,Nature,A,6,G],[@ACQUISITION,[DATACQ,Date,A,8,G],[NOMFRN,"
                  "Description,A,30,G,[A]]],[VNC,VNC,M,12,2,D],[@CESSION,[DATCES,Date,A,8,G],"
                  "[VC,Valeur,M,12,2,D]],") +
      "[@PLUS OU MOINS VALUES,[PV,Plus Values,M,12,2,D],[MV,Moins Values,M,12,2,D]]],"
      "[VNC,VC,PV,MV]]");
  while (!e.disposals.empty()) {
    std::string element;
    brackets.TakeFirst(e.disposals, element);
    std::string texts[10];
    for (std::string& text : texts) brackets.TakeFirst(element, text);
    std::string shortDate;
    edition.SetCell("CODNATI", texts[0], "@");
    Dates().ShortDate(texts[1], shortDate);
    edition.SetCell("DATACQ", shortDate, "@");
    std::string lines = "[]";
    brackets.Append(lines, "Ordre :" + texts[2]);
    for (int i = 3; i <= 5; ++i)
      if (!texts[i].empty()) brackets.Append(lines, texts[i]);
    if (!texts[6].empty())
      brackets.Append(lines, (std::string("Cédée à "_w) + texts[6]).substr(0, 30));
    edition.SetCell("VNC", texts[7], "@");
    Dates().ShortDate(texts[8], shortDate);
    edition.SetCell("DATCES", shortDate, "@");
    edition.SetCell("VC", texts[9], "@");
    const double difference = edt::ReadAmount(texts[9]) - edt::ReadAmount(texts[7]);
    std::string amount;
    Convert().FormatNumber(std::fabs(difference), 2, amount);
    edition.SetCell(difference > 0 ? "PV" : "MV", amount, "@");
    while (lines != "[]") {
      std::string line;
      brackets.TakeFirst(lines, line);
      edition.SetCell("NOMFRN", line, "@");
      edition.PrintLine();
    }
    edition.Step(1);
  }
  edition.PrintTotals("[VNC,VC,PV,MV]");
  edition.PrintTotalLine("[[[NOMFRN,TOTAL]],[[VNC,1],[VC,1],[PV,1],[MV,1]]]", "");
  edition.ResetTotals("[VNC,VC,PV,MV]");
}

}  // namespace actifix
