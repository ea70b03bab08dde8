#include "refdata/MImmoPar.h"

#include "host/HostError.h"

namespace actifix {

void EntPar() {
  throw HostError("EntPar", "",
                  "l'entreprise n'a pas encore de paramètres et leur écran de saisie n'est pas "
                  "encore disponible dans Actifix");
}

}  // namespace actifix
