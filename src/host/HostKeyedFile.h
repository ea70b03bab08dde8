// Key files beside the record files. Keys are byte strings of the key length compared
// byte-wise; a "P" file holds one entry per key, an "S" file keeps duplicates in insertion
// order. Every failure throws HostError; "not found" and "end" come back in `found`.
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

class HostKeyedFile {
 public:
  virtual ~HostKeyedFile() = default;

  virtual void Open(const int16_t& trueValue, const std::string& name, const int16_t& keyLength,
                    const std::string& kind, int16_t& handle) = 0;
  // found := -1 and the record read into the buffer (call-back) when the key exists, else 0.
  virtual void Find(const int16_t& keyHandle, const std::string& key, const int16_t& recordHandle,
                    int16_t& found) = 0;
  // Stores the buffer as a new record (call-back Ecrire+name), enters the key for it and
  // returns its number. A second entry for the same key of a "P" file throws HostError.
  virtual void Insert(const int16_t& keyHandle, const std::string& key,
                      const int16_t& recordHandle, int32_t& number) = 0;
  virtual void AddKey(const int16_t& keyHandle, const std::string& key, const int32_t& number) = 0;
  // Removes the entry and its record.
  virtual void Delete(const int16_t& keyHandle, const std::string& key, const int32_t& number,
                      const int16_t& recordHandle) = 0;
  // Removes that one entry; the record stays.
  virtual void RemoveKey(const int16_t& keyHandle, const std::string& key,
                         const int32_t& number) = 0;
  virtual void Clear(const int16_t& keyHandle) = 0;
  // Ordered walk: entries by key, equal keys in insertion order; each entry's record is read
  // into the buffer and its key returned. found := 0 past the end.
  virtual void First(const int16_t& keyHandle, const int16_t& recordHandle, int16_t& found,
                     std::string& key) = 0;
  virtual void Next(const int16_t& keyHandle, const int16_t& recordHandle, int16_t& found,
                    std::string& key) = 0;
  // Bracket list of the record numbers of the entries whose key starts with `prefix`, in key
  // order ("" gives every entry).
  virtual void ListPrefix(const int16_t& keyHandle, const std::string& prefix,
                          std::string& list) = 0;
  // count := the number of entries whose key starts with `prefix`, counted on the keys alone
  // (no record read); `first` := the bracket list of the record numbers of the first `listed`
  // of them, in key order. For naming a few of a long run of entries and counting the rest.
  virtual void CountPrefix(const int16_t& keyHandle, const std::string& prefix,
                           const int32_t& listed, int32_t& count, std::string& first) = 0;
  virtual void Close(const int16_t& keyHandle) = 0;
};

}  // namespace actifix
