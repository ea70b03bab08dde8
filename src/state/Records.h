// The five record buffers and their layouts. A record is a text of fixed-width fields in
// layout order, without separators; positions count from 1 and are byte positions of the
// Windows-1252 text. Amounts, rates and dates stay in their packed forms here.
//
// Asset record, file "Immo", record length 256, layout 225 bytes:
//   pos  width  field    encoding
//     1      6  CODNATI  text, upper case
//     7      5  NUMNATI  five digits
//    12      3  DATACQ   packed date
//    15     30  NOMFRN   text
//    45     30  DESCRI   text
//    75     30  REMIMO   text
//   105      8  VALACQ   packed amount
//   113      1  MODAMO   "L", "D" or "E"
//   114      4  TAUX     packed rate
//   118      8  CUMAMO   packed amount
//   126      1  (reserved, a blank)
//   127      3  DATCES   packed date, 3 zero bytes when not disposed of
//   130     30  NOMCLT   text
//   160      8  DOTAMO   packed amount
//   168     40  LCANA    bracket list
//   208      8  MTCESS   packed amount, 8 blanks read as 0
//   216     10  NCTRES   text
//
// Nature record, file "Nature", record length 256, layout 91 bytes:
//   1 CODNAT 6 | 7 LIBNAT 30 | 37 NUMNAT 5 | 42 NCIMAT 10 | 52 NCIAMO 10 | 62 NCIDOT 10 |
//   72 NCIVNC 10 | 82 NCIPROD 10
// Company-parameter record, file "Parimo", record length 256, layout 103 bytes:
//   1 CEIMO 2 | 3 LINTANA 100 | 103 COMPTA 1
// Chart-of-accounts record, file "Pcimo", record length 64, layout 50 bytes:
//   1 NOCPTCG 10 | 11 NOMCPTCG 40
// Analytic-code record, file "Anaimo", record length 128, layout 38 bytes:
//   1 TYPANA 2 | 3 CODEANA 6 | 9 NOMANA 30
// Our own addition, the fiscal plan of an asset, file "Immof", record length 64, layout 32
// bytes, one record per asset that has a plan, under the asset's key CODNATI & NUMNATI:
//   1 CODNATF 6 | 7 NUMNATF 5 | 12 MODFIS 1 ("L", "D" or "E") | 13 TAUFIS 4 packed rate |
//   17 CUMFIS 8 packed amount, fiscal depreciation before the current fiscal year |
//   25 SLDDER 8 packed amount, derogatory balance before the current fiscal year
#pragma once

#include <string>

#include "state/FixedText.h"

namespace actifix {

struct AssetRecord {
  static constexpr int kLength = 256;
  FixedText<6> CODNATI;
  FixedText<5> NUMNATI;
  FixedText<3> DATACQ;
  FixedText<30> NOMFRN;
  FixedText<30> DESCRI;
  FixedText<30> REMIMO;
  FixedText<8> VALACQ;
  FixedText<1> MODAMO;
  FixedText<4> TAUX;
  FixedText<8> CUMAMO;
  FixedText<1> RESERVED;
  FixedText<3> DATCES;
  FixedText<30> NOMCLT;
  FixedText<8> DOTAMO;
  FixedText<40> LCANA;
  FixedText<8> MTCESS;
  FixedText<10> NCTRES;
};

struct NatureRecord {
  static constexpr int kLength = 256;
  FixedText<6> CODNAT;
  FixedText<30> LIBNAT;
  FixedText<5> NUMNAT;
  FixedText<10> NCIMAT;
  FixedText<10> NCIAMO;
  FixedText<10> NCIDOT;
  FixedText<10> NCIVNC;
  FixedText<10> NCIPROD;
};

struct ParimoRecord {
  static constexpr int kLength = 256;
  FixedText<2> CEIMO;
  FixedText<100> LINTANA;
  FixedText<1> COMPTA;
};

struct PcimoRecord {
  static constexpr int kLength = 64;
  FixedText<10> NOCPTCG;
  FixedText<40> NOMCPTCG;
};

struct AnaimoRecord {
  static constexpr int kLength = 128;
  FixedText<2> TYPANA;
  FixedText<6> CODEANA;
  FixedText<30> NOMANA;
};

struct FiscalRecord {
  static constexpr int kLength = 64;
  FixedText<6> CODNATF;
  FixedText<5> NUMNATF;
  FixedText<1> MODFIS;
  FixedText<4> TAUFIS;
  FixedText<8> CUMFIS;
  FixedText<8> SLDDER;
  FixedText<8> DOTFIS;
};

// Record text <-> buffer. ToText concatenates the fields in layout order; FromText sets each
// field to the bytes at its position (a short text reads as blank-filled).
std::string ToText(const AssetRecord& r);
void FromText(const std::string& text, AssetRecord& r);
std::string ToText(const NatureRecord& r);
void FromText(const std::string& text, NatureRecord& r);
std::string ToText(const ParimoRecord& r);
void FromText(const std::string& text, ParimoRecord& r);
std::string ToText(const PcimoRecord& r);
void FromText(const std::string& text, PcimoRecord& r);
std::string ToText(const AnaimoRecord& r);
void FromText(const std::string& text, AnaimoRecord& r);
std::string ToText(const FiscalRecord& r);
void FromText(const std::string& text, FiscalRecord& r);

}  // namespace actifix
