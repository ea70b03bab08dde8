#include "host/HostFactory.h"

#include "host/HostError.h"
#include "host/HostFecFile.h"

namespace actifix {

namespace {
thread_local HostFactory* installed = nullptr;
}

std::unique_ptr<HostFecFile> HostFactory::MakeFecFile() {
  throw HostError(ErrorKind::kNotSupported, "HostFecFile", "",
                  "cet hôte n'écrit pas le fichier des écritures FEC");
}

void InstallHostFactory(HostFactory* factory) { installed = factory; }

HostFactory& InstalledHostFactory() {
  if (installed == nullptr)
    throw HostError(ErrorKind::kNotSupported, "HostFactory", "",
                    "aucun hôte n'est installé pour le module");
  return *installed;
}

}  // namespace actifix
