// The two service objects a store hands to the module: thin, they only forward to the
// KeyedStore they were made by, or to the files it has open (its member files_).
#pragma once

#include <cstdint>
#include <string>

#include "host/HostComponent.h"
#include "host/HostKeyedFile.h"
#include "host/HostRecordFile.h"
#include "platform/store/KeyedStore.h"

namespace actifix::platform {

class StoreRecordFile final : public HostRecordFile {
 public:
  explicit StoreRecordFile(KeyedStore& store) : store_(store) {}
  void Open(const int16_t&, const std::string& name, const int32_t& recordLength, int16_t& handle,
            HostComponent& component) override {
    store_.OpenRecordFile(name, recordLength, handle, component);
  }
  void Read(const int16_t& handle, const int32_t& number) override { store_.Read(handle, number); }
  void Write(const int16_t& handle, const int32_t& number) override {
    store_.files_.Write(handle, number);
  }
  void ReadText(const int16_t& handle, const int32_t& number, std::string& text) override {
    store_.ReadText(handle, number, text);
  }
  void WriteText(const int16_t& handle, const int32_t& number, const std::string& text) override {
    store_.WriteText(handle, number, text);
  }
  void LastRecordNumber(const int16_t& handle, int32_t& number) override {
    number = store_.files_.LastRecordNumber(handle);
  }
  void CreateText(const std::string& fileName, int16_t& handle) override {
    store_.files_.CreateText(fileName, handle);
  }
  void WriteLine(const int16_t& handle, const std::string& line) override {
    store_.files_.texts.WriteLine(handle, line);
  }
  void Exists(const std::string& path, int16_t& flag) override {
    flag = store_.files_.texts.Exists(path) ? -1 : 0;
  }
  void Remove(const std::string& path) override { store_.files_.texts.Remove(path); }

 private:
  KeyedStore& store_;
};

class StoreKeyedFile final : public HostKeyedFile {
 public:
  explicit StoreKeyedFile(KeyedStore& store) : store_(store) {}
  void Open(const int16_t&, const std::string& name, const int16_t& keyLength,
            const std::string& kind, int16_t& handle) override {
    store_.OpenKeyFile(name, keyLength, kind, handle);
  }
  void Find(const int16_t& keyHandle, const std::string& key, const int16_t& recordHandle,
            int16_t& found) override {
    found = store_.Find(keyHandle, key, recordHandle) ? -1 : 0;
  }
  void Insert(const int16_t& keyHandle, const std::string& key, const int16_t& recordHandle,
              int32_t& number) override {
    number = store_.Insert(keyHandle, key, recordHandle);
  }
  void AddKey(const int16_t& keyHandle, const std::string& key, const int32_t& number) override {
    store_.AddKey(keyHandle, key, number);
  }
  void Delete(const int16_t& keyHandle, const std::string& key, const int32_t& number,
              const int16_t& recordHandle) override {
    store_.Delete(keyHandle, key, number, recordHandle);
  }
  void RemoveKey(const int16_t& keyHandle, const std::string& key, const int32_t& number) override {
    store_.RemoveKey(keyHandle, key, number);
  }
  void Clear(const int16_t& keyHandle) override { store_.Clear(keyHandle); }
  void First(const int16_t& keyHandle, const int16_t& recordHandle, int16_t& found,
             std::string& key) override {
    found = store_.First(keyHandle, recordHandle, key) ? -1 : 0;
  }
  void Next(const int16_t& keyHandle, const int16_t& recordHandle, int16_t& found,
            std::string& key) override {
    found = store_.Next(keyHandle, recordHandle, key) ? -1 : 0;
  }
  void ListPrefix(const int16_t& keyHandle, const std::string& prefix, std::string& list) override {
    list = store_.ListPrefix(keyHandle, prefix);
  }
  void CountPrefix(const int16_t& keyHandle, const std::string& prefix, const int32_t& listed,
                   int32_t& count, std::string& first) override {
    count = store_.CountPrefix(keyHandle, prefix, listed, first);
  }
  void Close(const int16_t& keyHandle) override { store_.CloseKeyFile(keyHandle); }

 private:
  KeyedStore& store_;
};

}  // namespace actifix::platform
