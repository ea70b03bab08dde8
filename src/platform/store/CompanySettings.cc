#include "platform/store/CompanySettings.h"

#include "host/HostError.h"

namespace actifix::platform {

void CheckIdentity(const CompanySettings& settings, const std::string& code,
                   const std::string& operation, const std::string& subject) {
  if (settings.code == code) return;
  const std::string what = settings.code.empty() ? "le code de l'entreprise manque dans ses données"
                                                 : "l'entreprise enregistrée ici porte le code « " +
                                                       settings.code + " », pas « " + code + " »";
  throw HostError(ErrorKind::kDamaged, operation, subject,
                  what +
                      " : données endommagées ou venues d'une autre entreprise ; restaurez une "
                      "copie de sauvegarde (actifix company restore), ou copiez l'entreprise "
                      "sous son propre code (actifix company copy)");
}

std::string MissingFileCause(const std::string& file) {
  return "le fichier « " + file +
         " » manque dans les données de l'entreprise, qui sont endommagées : restaurez une copie "
         "de sauvegarde (actifix company restore)";
}

}  // namespace actifix::platform
