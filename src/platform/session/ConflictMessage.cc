#include "platform/session/ConflictMessage.h"

#include "host/Cp1252.h"
#include "host/Text.h"

namespace actifix::platform {

namespace {

// `text` in UTF-8 without its trailing blanks.
std::string Shown(std::string_view text) { return ToUtf8(TrimRight(text)); }

}  // namespace

std::string ConflictMessage(const StoreConflict& conflict) {
  using Reason = StoreConflict::Reason;
  const std::string_view key = conflict.key();
  if (conflict.file() == "Immo" && conflict.reason() == Reason::kKeyTaken)
    return "le numéro d'ordre " + Shown(key.substr(6)) + " de la nature " +
           Shown(key.substr(0, 6)) +
           " vient d'être pris par un autre utilisateur : la fiche n'est pas enregistrée, "
           "saisissez-la de nouveau (le numéro suivant vous sera proposé)";
  struct Noun {
    const char* file;
    const char* what;
    bool feminine;
  };
  static const Noun kNouns[] = {{"Immo", "la fiche", true},
                                {"Nature", "la nature", true},
                                {"Pcimo", "le compte", false},
                                {"Anaimo", "le code analytique", false},
                                {"Parimo", "le paramétrage", false}};
  const Noun* noun = nullptr;
  for (const Noun& n : kNouns)
    if (conflict.file() == n.file) noun = &n;
  if (noun == nullptr) return conflict.cause();
  const std::string e = noun->feminine ? "e" : "";
  std::string what = std::string(noun->what) + " ";
  what +=
      conflict.file() == "Immo" ? Shown(key.substr(0, 6)) + " " + Shown(key.substr(6)) : Shown(key);
  switch (conflict.reason()) {
    case Reason::kKeyTaken:
      return what + " vient d'être créé" + e +
             " par un autre utilisateur : votre saisie n'est pas enregistrée, rouvrez-l" +
             (noun->feminine ? "a" : "e") + " pour la reprendre";
    case Reason::kChanged:
      return what + " a été modifié" + e +
             " par un autre utilisateur depuis que vous l'avez ouvert" + e +
             " : votre saisie n'est pas enregistrée, rouvrez-l" + (noun->feminine ? "a" : "e") +
             " et refaites-la";
    case Reason::kDeleted:
      break;
  }
  return what + " a été supprimé" + e + " par un autre utilisateur depuis que vous l'avez ouvert" +
         e + " : votre saisie n'est pas enregistrée";
}

}  // namespace actifix::platform
