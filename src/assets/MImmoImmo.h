// The asset register entry: the asset card screen (EntImo) with its pick list of analytic
// codes, the split of a partly disposed card, and the storage routines that keep every asset
// record with exactly its keys: one "Immo" (CODNATI & NUMNATI), one "Immon" (CODNATI & packed
// DATACQ), and one "Immoa" (code brought to 6 & packed DATACQ) per element of LCANA.
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

// The card on screen: one text per field in its stored form (packed amounts and rates, date
// texts "dd/mm/yyyy"), and the values the screen shares with the storage routines.
struct AssetCard {
  std::string CODNATI, NUMNATI, DATACQ, NOMFRN, DESCRI, REMIMO, DATCES, NOMCLT, MTCESS, NCTRES;
  std::string VALACQ, MODAMO, TAUX, CUMAMO, DOTAMO, VACEDEE;
  std::string analytic = "[]";  // LCANA: one code per analytic heading
  // Our own addition: the asset's fiscal plan as file "Immof" stores it, asked on the card's
  // fiscal page when the company's option is on. A blank MODFIS: the asset has no plan.
  std::string MODFIS, TAUFIS, CUMFIS, SLDDER, DOTFIS;  // DOTFIS: the typed charge of mode E
  int32_t acquisitionDay = 0, disposalDay = 0;

  bool exists = false;       // the key was found: a save replaces the loaded record
  int32_t loaded = 0;        // number of the record found by the key
  int32_t previous = 0;      // number of the record saved last in this run, 0 after a deletion
  int32_t natureNumber = 0;  // number of the nature record of CODNATI
};

// The card of this thread's running EntImo.
AssetCard& Card();

// The asset card entry screen, until the user leaves it from the nature code.
void EntImo();

// The depreciation the card screen computes on card `c` of mode "L" or "D": the year's charge
// DOTAMO, after the earlier cumulative CUMAMO when `recompute` is non-zero (CalcAmort on the
// card's figures). A card of mode "E" is left as it is. REQUIRES for "L" and "D": a rate
// above 0 and at most 100 at 2 decimals.
void AmortirFiche(AssetCard& c, int16_t recompute);

// Proposes in Card().NUMNATI the nature's next order number, five digits, from NUMNAT of
// the nature record buffer (running number 41 gives "00042"), or after `taken`, a number
// found taken, when that is higher.
void NumeroSuivant(int32_t taken = 0);
// Stores the card with its keys (the loaded record and its keys removed first when the card
// exists), raises the nature's running number when the card's number is above it, and
// prints the card with its depreciation plan. Card().previous becomes the new record.
void EcrireFiche();
// The store of EcrireFiche without the print: the card with its keys and the nature's running
// number, for a save that prints nothing (a register imported in bulk).
void StockerFiche();
// Puts card `c` into the asset buffer in its stored form: dates packed, the reserved byte
// blank, LCANA the card's analytic list.
void CardToRecord(const AssetCard& c);
// Inserts the asset buffer as a new record with its "Immo" and "Immon" keys and one "Immoa"
// key per element of `analytic` (the card's list, whole); its record number in `number`.
// REQUIRES: no record under its "Immo" key.
void InsertAsset(const std::string& analytic, int32_t& number);
// Removes the asset record in the buffer, number Card().loaded, with all its keys.
void SupprimerFiche();
// Removes the asset in the buffer, record `number`, with all its keys: its "Immoa" entries,
// its "Immon" entry, then its "Immo" key `immoKey` together with the record.
void RemoveAsset(const std::string& immoKey, int32_t number);

// Our own addition, with the company's fiscal option on (the file "Immof" open): the fiscal
// plan of the asset of key `key` (CODNATI & NUMNATI as stored) into card `c`, a blank mode and
// zeros when it has none.
void LirePlanFiscal(const std::string& key, AssetCard& c);
// Stores the plan of card `c` under `key`: rewritten when the asset had one, inserted when
// not, removed when the card's MODFIS is blank.
void EcrirePlanFiscal(const std::string& key, const AssetCard& c);
// Removes the plan stored under `key`, if any.
void SupprimerPlanFiscal(const std::string& key);

// The pick list of the analytic codes of heading `type` (2 characters); `code` is the code
// chosen, "" when the user leaves the list.
void ChoixCodeAna(const std::string& type, const std::string& label, std::string& code);

// Value of a number text as the host reads it: leading blanks, a sign and digits; else 0.
int32_t Val(const std::string& text);

}  // namespace actifix
