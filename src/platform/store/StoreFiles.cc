#include "platform/store/StoreFiles.h"

#include <algorithm>

#include "host/Cp1252.h"

namespace actifix::platform::storefiles {

void CheckName(const std::string& name, const std::string& operation) {
  const bool ok =
      !name.empty() && name.size() <= 40 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_';
      });
  if (!ok)
    throw HostError(operation, ToUtf8(name),
                    "nom de fichier invalide (lettres, chiffres et _ seulement)");
}

std::string RecordNumberCause(int32_t number) {
  return "l'enregistrement " + std::to_string(number) + " n'existe pas";
}

void RefuseNumber(int32_t number, const std::string& operation, const std::string& subject) {
  throw HostError(operation, subject,
                  "numéro d'enregistrement invalide : " + std::to_string(number));
}

std::string PrefixEnd(std::string prefix) {
  while (!prefix.empty() && static_cast<unsigned char>(prefix.back()) == 0xFF) prefix.pop_back();
  if (!prefix.empty())
    prefix.back() = static_cast<char>(static_cast<unsigned char>(prefix.back()) + 1);
  return prefix;
}

void CheckRecordFile(const std::string& name, int32_t recordLength) {
  CheckName(name, kOpenRecord);
  if (recordLength < 1)
    throw HostError(kOpenRecord, name,
                    "longueur d'enregistrement invalide : " + std::to_string(recordLength));
}

void CheckKeyFile(const std::string& name, int16_t keyLength, const std::string& kind) {
  CheckName(name, kOpenKey);
  if (kind != "P" && kind != "S")
    throw HostError(kOpenKey, name, "type de fichier de clés invalide : " + ToUtf8(kind));
  if (keyLength < 1)
    throw HostError(kOpenKey, name, "longueur de clé invalide : " + std::to_string(keyLength));
}

void RefuseHandle(int16_t handle, const std::string& operation, const char* cause) {
  throw HostError(operation, std::to_string(handle), cause);
}

void RecordFile::RefuseText(const std::string& text) const {
  throw HostError(kWriteText, subject,
                  "texte de " + std::to_string(text.size()) +
                      " caractères, plus long que l'enregistrement (" + std::to_string(length) +
                      ")");
}

void KeyFile::RefuseWalk(const std::string& operation) const {
  throw HostError(operation, subject, "parcours non commencé : First doit précéder Next");
}

bool KeyFile::MemoryStep(bool fromStart, std::string& key, int32_t& number) {
  const auto it =
      fromStart || walk == Walk::kBeforeFirst ? memory.begin() : memory.After(walkKey, walkSeq);
  if (it == memory.end()) {
    if (fromStart) walk = Walk::kBeforeFirst;
    key.clear();
    return false;
  }
  walk = Walk::kAt;
  walkKey = key = it->first.first;
  walkSeq = it->first.second;
  number = it->second;
  return true;
}

void KeyFile::RefuseKey(const std::string& operation) const {
  throw HostError(operation, subject,
                  "clé plus longue que " + std::to_string(length) + " caractères");
}

}  // namespace actifix::platform::storefiles
