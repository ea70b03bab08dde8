#include "platform/store/StoreFiles.h"

#include <algorithm>

#include "host/Cp1252.h"
#include "host/Text.h"

namespace actifix::platform {

namespace {

std::string ConflictCause(StoreConflict::Reason reason, const std::string& key) {
  const std::string shown = "« " + ToUtf8(key) + " »";
  switch (reason) {
    case StoreConflict::Reason::kKeyTaken:
      return "la clé " + shown +
             " vient d'être prise par un autre utilisateur : l'enregistrement est refusé, "
             "saisissez-le de nouveau";
    case StoreConflict::Reason::kChanged:
      return "l'enregistrement de clé " + shown +
             " a été modifié par un autre utilisateur depuis que vous l'avez lu : vos "
             "changements sont refusés, rouvrez-le";
    case StoreConflict::Reason::kDeleted:
      break;
  }
  return "l'enregistrement de clé " + shown +
         " a été supprimé par un autre utilisateur depuis que vous l'avez lu : vos changements "
         "sont refusés";
}

}  // namespace

StoreConflict::StoreConflict(Reason reason, std::string operation, std::string file,
                             std::string key)
    : HostError(ErrorKind::kConflict, std::move(operation), ToUtf8(file),
                ConflictCause(reason, key)),
      reason_(reason),
      file_(std::move(file)),
      key_(std::move(key)) {}

}  // namespace actifix::platform

namespace actifix::platform::storefiles {

namespace {

// The number in `field` as the module's Val reads it: blanks, then digits.
int64_t RunningValue(std::string_view field) {
  int64_t value = 0;
  std::size_t i = field.find_first_not_of(' ');
  for (; i < field.size() && field[i] >= '0' && field[i] <= '9' && value < 1'000'000'000; ++i)
    value = value * 10 + (field[i] - '0');
  return value;
}

}  // namespace

bool RecordFile::KeepsRunning(const std::string& text, const std::string& stored, int32_t number) {
  const auto offset = static_cast<std::size_t>(runningOffset);
  const auto width = static_cast<std::size_t>(runningWidth);
  if (width == 0 || stored.size() < offset + width) return false;
  const std::string_view before = std::string_view(stored).substr(offset, width);
  const std::string_view now =
      text.size() > offset ? std::string_view(text).substr(offset, width) : std::string_view();
  if (RunningValue(before) <= RunningValue(now)) return false;
  kept = text;
  if (kept.size() < offset + width) kept.resize(offset + width, ' ');
  kept.replace(offset, width, before);
  keptNumber = number;
  return true;
}

void KeyFile::Saw(const void* file, const std::string& key, int32_t number,
                  const std::string& bytes) {
  Seen* slot = nullptr;
  for (Seen& s : seen)
    if (s.number == number && s.file == file) slot = &s;
  if (slot == nullptr) {
    slot = &seen[seenNext];
    seenNext = (seenNext + 1) % kSeenSlots;
  }
  slot->file = file;
  slot->number = number;
  slot->key = key;
  slot->bytes = bytes;
}

void CheckName(const std::string& name, const std::string& operation) {
  const bool ok =
      !name.empty() && name.size() <= 40 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_';
      });
  if (!ok)
    throw HostError(ErrorKind::kInvalidInput, operation, ToUtf8(name),
                    "nom de fichier invalide (lettres, chiffres et _ seulement)");
}

std::string RecordNumberCause(int32_t number) {
  return "l'enregistrement " + std::to_string(number) + " n'existe pas";
}

void RefuseNumber(int32_t number, const std::string& operation, const std::string& subject) {
  throw HostError(ErrorKind::kInvalidInput, operation, subject,
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
    throw HostError(ErrorKind::kInvalidInput, kOpenRecord, name,
                    "longueur d'enregistrement invalide : " + std::to_string(recordLength));
}

void CheckKeyFile(const std::string& name, int16_t keyLength, const std::string& kind) {
  CheckName(name, kOpenKey);
  if (kind != "P" && kind != "S")
    throw HostError(ErrorKind::kInvalidInput, kOpenKey, name,
                    "type de fichier de clés invalide : " + ToUtf8(kind));
  if (keyLength < 1)
    throw HostError(ErrorKind::kInvalidInput, kOpenKey, name,
                    "longueur de clé invalide : " + std::to_string(keyLength));
}

void RefuseHandle(int16_t handle, const std::string& operation, const char* cause) {
  throw HostError(ErrorKind::kInvalidInput, operation, std::to_string(handle), cause);
}

std::string DamagedCause(const std::string& file, int32_t number, std::string_view bytes,
                         const std::vector<int32_t>& naming) {
  std::string name;
  std::size_t at = 0;
  for (const int32_t width : naming) {
    const std::string_view field = bytes.substr(std::min(at, bytes.size()), width);
    at += static_cast<std::size_t>(width);
    std::string shown;
    for (const char c : ToUtf8(field)) shown += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    shown.resize(TrimRight(shown).size());
    if (!shown.empty()) name += (name.empty() ? "" : " ") + shown;
  }
  const std::string which =
      name.empty() ? std::to_string(number) : name + " (n° " + std::to_string(number) + ")";
  return "l'enregistrement " + which + " du fichier « " + ToUtf8(file) +
         " » est endommagé : restaurez une copie de sauvegarde de l'entreprise (actifix company "
         "backups, puis actifix company restore)";
}

void RecordFile::RefuseDamaged(int32_t number, std::string_view bytes,
                               const std::string& operation) const {
  throw HostError(ErrorKind::kDamaged, operation, subject,
                  DamagedCause(name, number, bytes, naming));
}

void RecordFile::RefuseText(const std::string& text) const {
  throw HostError(ErrorKind::kInvalidInput, kWriteText, subject,
                  "texte de " + std::to_string(text.size()) +
                      " caractères, plus long que l'enregistrement (" + std::to_string(length) +
                      ")");
}

void KeyFile::RefuseWalk(const std::string& operation) const {
  throw HostError(ErrorKind::kInvalidInput, operation, subject,
                  "parcours non commencé : First doit précéder Next");
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
  walkKey = key = memory.KeyAt(it);
  walkSeq = memory.SeqAt(it);
  number = memory.NumberAt(it);
  return true;
}

void KeyFile::RefuseKey(const std::string& operation) const {
  throw HostError(ErrorKind::kInvalidInput, operation, subject,
                  "clé plus longue que " + std::to_string(length) + " caractères");
}

}  // namespace actifix::platform::storefiles
