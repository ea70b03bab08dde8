// What the store tests share: a tiny component that keeps one record buffer per file and
// answers the Lire/Ecrire call-backs through ReadText/WriteText, and a fixture that makes a
// company database in a temporary directory and reopens it at will.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/HostError.h"
#include "platform/store/CompanyDatabase.h"
#include "platform/store/Store.h"
#include "support/TempDir.h"

namespace actifix::platform::testing {

inline std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class BufferComponent : public HostComponent {
 public:
  explicit BufferComponent(HostRecordFile& records) : records_(records) {}

  // Makes the component answer for record file `name` opened under `handle`.
  void Attach(const std::string& name, int16_t handle) { handles_[name] = handle; }

  void CallRecordOperation(const std::string& name, int32_t& E) override {
    calls.push_back(name + ":" + std::to_string(E));
    if (name == failOn) throw HostError(name, "", "échec voulu par le test");
    for (const auto& [file, handle] : handles_) {
      if (name == "Lire" + file) return records_.ReadText(handle, E, buffer[file]);
      if (name == "Ecrire" + file) {
        if (skipWrite) return;
        return records_.WriteText(handle, E, buffer[file]);
      }
    }
    throw HostError("CallRecordOperation", name, "opération inconnue");
  }

  std::map<std::string, std::string> buffer;  // by file name
  std::vector<std::string> calls;             // "LireImmo:3", in order
  std::string failOn;                         // a call-back that throws
  bool skipWrite = false;                     // Ecrire that forgets to write

 private:
  HostRecordFile& records_;
  std::map<std::string, int16_t> handles_;
};

// A company database "01" in a temporary directory, its store and the two services, with
// record file "Immo" (256) and key files "Immo" (P, 11) and "Immon" (S, 9) open.
class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CompanySettings settings{"01", "SARL Exemple", "01/01/2026", "31/12/2026", "15/03/2026"};
    CompanyDatabase::Create(path(), settings);
    Reopen();
  }

  std::filesystem::path path() const { return CompanyDatabase::PathFor(dir_.path(), "01"); }

  // Drops the store without committing (as a crash would), then opens everything again.
  void Reopen() {
    component.reset();
    keyed.reset();
    records.reset();
    store.reset();
    store = std::make_unique<Store>(CompanyDatabase::Open(path()));
    records = store->MakeRecordFile();
    keyed = store->MakeKeyedFile();
    component = std::make_unique<BufferComponent>(*records);
    const int16_t yes = -1;
    records->Open(yes, "Immo", 256, immo, *component);
    component->Attach("Immo", immo);
    keyed->Open(yes, "Immo", 11, "P", primary);
    keyed->Open(yes, "Immon", 9, "S", secondary);
  }

  int32_t Insert(int16_t keyHandle, const std::string& key, const std::string& text) {
    component->buffer["Immo"] = text;
    int32_t number = 0;
    keyed->Insert(keyHandle, key, immo, number);
    return number;
  }

  // The keys of a full walk, in order.
  std::vector<std::string> Walk(int16_t keyHandle) {
    std::vector<std::string> keys;
    int16_t found = 0;
    std::string key;
    for (keyed->First(keyHandle, immo, found, key); found != 0;
         keyed->Next(keyHandle, immo, found, key))
      keys.push_back(key);
    return keys;
  }

  actifix::testing::TempDir dir_;
  std::unique_ptr<Store> store;
  std::unique_ptr<HostRecordFile> records;
  std::unique_ptr<HostKeyedFile> keyed;
  std::unique_ptr<BufferComponent> component;
  int16_t immo = 0, primary = 0, secondary = 0;
};

}  // namespace actifix::platform::testing
