#include "host/HostFactory.h"

#include "host/HostError.h"

namespace actifix {

namespace {
thread_local HostFactory* installed = nullptr;
}

void InstallHostFactory(HostFactory* factory) { installed = factory; }

HostFactory& InstalledHostFactory() {
  if (installed == nullptr)
    throw HostError("HostFactory", "", "aucun hôte n'est installé pour le module");
  return *installed;
}

}  // namespace actifix
