// The criteria screens of the edition driver: the year, the date bounds ("bornage") with the
// choice of totals only, and the priorities of the sort criteria ("classement").
#include <cstdlib>
#include <string_view>
#include <vector>

#include "editions/EdtCommon.h"
#include "editions/MImmoEdt.h"
#include "host/Cp1252.h"
#include "host/Text.h"

namespace actifix {

namespace {

const char* const kOutOfYear = "Date Hors Exercice";

struct Keys {
  int16_t up = 0, pageUp = 0;
  Keys() {
    Toolkit().KeyUp(up);
    Toolkit().KeyPageUp(pageUp);
  }
};

// The first page: the date bounds of the chosen year. Returns false when the user leaves it
// from its first field.
bool AskBounds(bool depreciation, const Exercise& year) {
  MImmoState& m = MImmo();
  EditionCriteria& c = m.edt.criteria;
  HostScreen& screen = Screen();
  const HostDates& dates = Dates();
  const Keys keys;

  int16_t status = 0;
  screen.Clear(status);
  screen.SetTitle(
      std::string("DATES DE BORNAGE ") +
      (depreciation ? "POUR CALCUL AMORTISSEMENTS DANS L'EXERCICE" : "DES ACQUISITIONS"));
  screen.DefineFields(std::string("[") +
                      (depreciation ? "[DATDEB,DATE DE DEBUT DE LA DOTATION,D],"
                                      "[DATFIN,DATE DE FIN DE LA DOTATION,D],"
                                    : "") +
                      "[DATDEBA,DATE DE DEBUT D'ACQUISITION,D],[DATFINA,DATE DE FIN "
                      "D'ACQUISITION,D]" +
                      (depreciation ? ",[RECAPSEULE,RECAPITULATION SEULE,B]" : "") + "]");
  if (depreciation)
    screen.ShowExplanation("N",
                           std::string("[Le Bornage permet de Calculer une partie de la "
                                       "Dotation,pour la présentation de Situations Comptables]"_w),
                           "I");

  c.DATDEB = {year.startText, year.startDay};
  c.DATFIN = {year.endText, year.endDay};
  c.DATDEBA = {};
  c.DATFINA = {m.exercises[1].endText, m.exercises[1].endDay};
  std::string recap = "N";
  if (depreciation) screen.ShowField("DATFIN", c.DATFIN.text);

  enum Field { kDatDeb, kDatFin, kDatDebA, kDatFinA, kRecap, kDone };
  const Field first = depreciation ? kDatDeb : kDatDebA;
  Field field = first;
  // Asks one date field; the day number of its text goes to `date`.
  const auto ask = [&](const char* name, CriteriaDate& date, int16_t& key) {
    screen.AskField(name, date.text, key, "[]", "B");
    dates.DayNumber(date.text, date.day);
  };
  // Notes beside the field whether its date is out of the year; true when it is within.
  const auto within = [&](const char* name, bool out) {
    screen.SetFieldNote(name, "B", out ? kOutOfYear : "");
    return !out;
  };
  // An end date is refused before its start (`before` names the start) and noted past the
  // year's end; true when the field may be left.
  const auto endAccepted = [&](const char* name, const CriteriaDate& end, const CriteriaDate& start,
                               std::string_view before) {
    if (end.day < start.day) {
      screen.RefuseField(name, std::string(before) + start.text + ")");
      return false;
    }
    return within(name, end.day > year.endDay);
  };
  while (field != kDone) {
    int16_t key = 0;
    switch (field) {
      case kDatDeb:
        ask("DATDEB", c.DATDEB, key);
        if (key == keys.up || key == keys.pageUp || Trim(c.DATDEB.text).empty()) return false;
        if (within("DATDEB", c.DATDEB.day < year.startDay || c.DATDEB.day > year.endDay))
          field = kDatFin;
        break;
      case kDatFin:
        ask("DATFIN", c.DATFIN, key);
        if (key == keys.up || key == keys.pageUp)
          field = kDatDeb;
        else if (endAccepted("DATFIN", c.DATFIN, c.DATDEB,
                             "date avant le début de la dotation ("_w))
          field = kDatDebA;
        break;
      case kDatDebA:
        screen.SetFieldHint("DATDEBA", "N", "Rien Date la Plus Ancienne");
        ask("DATDEBA", c.DATDEBA, key);
        if (key == keys.up || key == keys.pageUp) {
          if (!depreciation) return false;
          field = key == keys.up ? kDatFin : kDatDeb;
        } else if (within("DATDEBA", c.DATDEBA.day > year.endDay)) {
          field = kDatFinA;
        }
        break;
      case kDatFinA:
        ask("DATFINA", c.DATFINA, key);
        if (key == keys.up)
          field = kDatDebA;
        else if (key == keys.pageUp)
          field = first;
        else if (endAccepted("DATFINA", c.DATFINA, c.DATDEBA,
                             "date avant le début d'acquisition ("_w))
          field = depreciation ? kRecap : kDone;
        break;
      case kRecap:
        screen.SetFieldHelp("RECAPSEULE", "N",
                            std::string("NON Edition Intégrale - OUI Sans Détail des Immos"_w));
        screen.AskField("RECAPSEULE", recap, key, "[]", "B");
        field = key == keys.up ? kDatFinA : key == keys.pageUp ? kDatDeb : kDone;
        break;
      case kDone:
        break;
    }
  }
  c.RECAPSEULE = depreciation && Trim(recap) == "O";
  return true;
}

// Checks the priorities: fills the level table and the number of levels. Returns 0 when they
// hold, else the criterion (from 1) at which entry starts again, with the reason in `why`.
int CheckPriorities(int criteria, std::string& why) {
  EditionCriteria& c = MImmo().edt.criteria;
  c.levels.assign(criteria + 1, 0);
  std::vector<std::string> items = SplitList(c.priorities);
  items.resize(criteria);
  for (int i = 1; i <= criteria; ++i) {
    const int p = std::atoi(Trimmed(items[i - 1]).c_str());
    if (p <= 0) continue;
    if (c.levels[p] != 0) {
      why = std::string("priorité "_w) + std::to_string(p) + std::string(" déjà donnée"_w);
      return i;
    }
    c.levels[p] = static_cast<int16_t>(i);
  }
  c.levelCount = 0;
  while (c.levelCount < criteria && c.levels[c.levelCount + 1] != 0) ++c.levelCount;
  for (int p = c.levelCount + 1; p <= criteria; ++p) {
    if (c.levels[p] == 0) continue;
    why = std::string("priorité "_w) + std::to_string(p) + std::string(" sans priorité "_w) +
          std::to_string(c.levelCount + 1);
    return c.levels[p];
  }
  if (c.levelCount > 0) return 0;
  why = std::string("une priorité 1 au moins"_w);
  return 1;
}

// The second page: one priority per criterion. Returns false when the user goes back from
// the first criterion.
bool AskPriorities() {
  MImmoState& m = MImmo();
  EditionCriteria& c = m.edt.criteria;
  HostScreen& screen = Screen();
  const HostBracketList& brackets = Brackets();
  const Keys keys;

  int16_t status = 0;
  screen.Clear(status);
  screen.SetTitle("CRITERES D'EDITION");
  std::string fields = "[[0,CLASSEMENT PAR NATURE,N0,1]]";
  std::string headings = m.headingList;
  for (int32_t k = 1; headings != "[]"; ++k) {
    std::string heading;
    brackets.TakeFirst(headings, heading);
    brackets.Append(fields, "[" + std::to_string(k) + ",CLASSEMENT PAR CODE " + Trimmed(heading) +
                                ",N0,1" + (k > 1 ? ",S1]" : "]"));
  }
  screen.DefineFields(fields);
  screen.ShowExplanation("N", std::string("[Donner un No Ordre de Priorité de Classement]"_w), "I");

  const int criteria = m.headingCount + 1;
  int i = 1;
  while (true) {
    while (i <= criteria) {
      const std::string name = std::to_string(i - 1);
      std::string value;
      brackets.Item(c.priorities, i, value);
      screen.SetFieldNote(name, "N", "Rien si Pas de Classement");
      int16_t key = 0;
      screen.AskField(name, value, key, "[]", "B");
      if (key == keys.up || key == keys.pageUp) {
        if (i == 1) return false;
        i = key == keys.up ? i - 1 : 1;
        continue;
      }
      if (std::atoi(Trimmed(value).c_str()) > criteria) {
        screen.RefuseField(name, std::string("priorité de 1 à "_w) + std::to_string(criteria) +
                                     ", rien si pas de classement");
        continue;
      }
      brackets.SetItem(c.priorities, i, Trimmed(value));
      ++i;
    }
    std::string why;
    i = CheckPriorities(criteria, why);
    if (i == 0) return true;
    screen.RefuseField(std::to_string(i - 1), why);
  }
}

}  // namespace

int32_t SelectExercise() {
  const MImmoState& m = MImmo();
  std::vector<std::string> rows;
  rows.reserve(100);
  for (int i = 1; i <= 100; ++i) {
    std::string row;
    Brackets().FromArray({m.exercises[i].startText, m.exercises[i].endText}, row);
    rows.push_back(std::move(row));
  }
  std::string list;
  Brackets().FromArray(rows, list);
  int32_t chosen = m.exerciseIndex;
  ChoiceList().Choose(std::string("Selection de l'Exercice à Editer"_w),
                      std::string("[[G,10,Date Début],[G,10,Date Fin]]"_w), list, chosen);
  return chosen;
}

bool CriteriaScreen(const int16_t& depreciation) {
  MImmoState& m = MImmo();
  EditionCriteria& c = m.edt.criteria;
  while (true) {
    c.selectedExercise = SelectExercise();
    if (c.selectedExercise < 1 || c.selectedExercise > 100) return true;
    m.exerciseIndex = static_cast<int16_t>(c.selectedExercise);
    if (!AskBounds(depreciation != 0, m.exercises[c.selectedExercise])) return true;
    if (AskPriorities()) return false;
  }
}

bool NatureCriteriaScreen(const std::function<std::string(int32_t)>& refusal) {
  MImmoState& m = MImmo();
  EditionCriteria& c = m.edt.criteria;
  while (true) {
    c.selectedExercise = SelectExercise();
    if (c.selectedExercise < 1 || c.selectedExercise > 100) return true;
    if (const std::string why = refusal(c.selectedExercise); !why.empty()) {
      int16_t result = 0;
      MessageBox().Show("Simple", std::string("Exercice refusé"_w), why, result);
      continue;
    }
    m.exerciseIndex = static_cast<int16_t>(c.selectedExercise);
    if (!AskBounds(true, m.exercises[c.selectedExercise])) return true;
    c.levels.assign(2, 0);
    c.levels[1] = 1;
    c.levelCount = 1;
    return false;
  }
}

}  // namespace actifix
