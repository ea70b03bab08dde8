// ListImo: the asset list ("LISTE DES IMMOBILISATIONS"), every asset in key order with the
// cumul and dotation stored on its card, without any computation.
#include "depreciation/MImmoAmort.h"
#include "editions/EdtCommon.h"
#include "editions/MImmoEdt.h"
#include "host/Text.h"

namespace actifix {

void ListImo() {
  MImmoState& m = MImmo();
  AssetRecord& a = m.immo;
  HostEdition& edition = Edition();
  const HostBracketList& brackets = Brackets();
  int16_t found = 0;
  std::string key;
  KeyedFile().First(m.kImmo, m.fImmo, found, key);
  if (found == 0) return;

  const std::string title = "LISTE DES IMMOBILISATIONS";
  edt::OpenTitledEdition(title);
  edition.DefineColumns(
      "[PS,1,[[CODNATI,NATURE,A,6,G],[NUMNATI,ORDRE,A,5,D],[DATACQ,ACQUISITION,D,C],[CD,Cumul "
      "Debut,M,12,2,D],[D,Dotation,M,12,2,D],[NOMFRN,DESCRIPTION,A,30,G],[DATCES,CESSION,D,C],"
      "[LCANA,ANALYSE,A,40,G]],[CD,D]]");
  bool interrupted = EditionInterrupted();
  while (found != 0 && !interrupted) {
    RequireCardFigures("ListImo", false);  // no "nan" in the totals
    if (Trim(a.LCANA.view()).empty()) a.LCANA = "[]";
    if (a.MTCESS.view() == std::string(8, ' ')) {
      std::string zero;
      Convert().PackDouble(0.0, zero);
      a.MTCESS = zero;
    }
    edition.SetCell("CODNATI", a.CODNATI, "@");
    edition.SetCell("NUMNATI", a.NUMNATI, "@");
    edition.SetCell("DATACQ", a.DATACQ, "@");
    edition.SetCell("DATCES", a.DATCES, "@");
    edition.SetAmount("CD", UnpackedAmount(a.CUMAMO), "@");
    edition.SetAmount("D", UnpackedAmount(a.DOTAMO), "@");
    edition.SetCell("NOMFRN", a.NOMFRN, "@");
    std::string codes = Trimmed(a.LCANA.view()), shown;
    while (codes != "[]") {
      std::string code, padded;
      brackets.TakeFirst(codes, code);
      Convert().Pad(code, 0, 6, padded);
      shown += padded + " ";
    }
    edition.SetCell("LCANA", Trimmed(shown), "@");
    edition.PrintLine();
    interrupted = EditionInterrupted();
    for (const std::string& text : {Trimmed(a.DESCRI.view()), Trimmed(a.REMIMO.view())}) {
      if (interrupted || text.empty()) continue;
      edition.SetCell("NOMFRN", text, "@");
      edition.PrintLine();
      interrupted = EditionInterrupted();
    }
    if (interrupted) break;
    edition.Step(1);
    KeyedFile().Next(m.kImmo, m.fImmo, found, key);
  }
  if (!interrupted) {
    edition.PrintTotals("[CD,D]");
    edition.PrintTotalLine("[[[CODNATI,Total]],[[CD,1],[D,1]]]", "+");
    edition.ResetTotals("[CD,D]");
  }
  edition.Close(0);
}

}  // namespace actifix
