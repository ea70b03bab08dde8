// One program's files on a company's store, for the store tests of both backends: record file
// "Immo" (256) and key files "Immo" (P, 11) and "Immon" (S, 9) open, the record call-backs
// answered from one buffer.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/HostError.h"
#include "platform/store/Store.h"

namespace actifix::platform::testing {

using Keys = std::vector<std::string>;

struct BufferComponent : HostComponent {
  explicit BufferComponent(HostRecordFile& r) : records(r) {}
  void CallRecordOperation(const std::string& name, int32_t& E) override {
    lastCall = name + ":" + std::to_string(E);
    if (name == "LireImmo")
      records.ReadText(handle, E, buffer);
    else if (name != "EcrireImmo")
      throw HostError("CallRecordOperation", name, "opération inconnue");
    else if (!skipWrite)
      records.WriteText(handle, E, buffer);
    if (name == failOn) throw HostError(name, "", "échec voulu par le test");  // after writing
  }
  HostRecordFile& records;
  int16_t handle = 0;
  std::string buffer, lastCall, failOn;  // lastCall: "LireImmo:3"; failOn: a call-back that throws
  bool skipWrite = false;                // Ecrire that forgets to write
};

struct StoreUser {
  // Drops what is open without committing, as a crash would.
  void Close() { component.reset(), keyed.reset(), records.reset(), store.reset(); }
  // Drops what was open, then opens `opened`.
  void Open(std::unique_ptr<Store> opened) {
    Close();
    store = std::move(opened);
    records = store->MakeRecordFile();
    keyed = store->MakeKeyedFile();
    component = std::make_unique<BufferComponent>(*records);
    records->Open(-1, "Immo", 256, immo, *component);
    component->handle = immo;
    keyed->Open(-1, "Immo", 11, "P", primary);
    keyed->Open(-1, "Immon", 9, "S", secondary);
  }
  int32_t Insert(int16_t keyHandle, const std::string& key, const std::string& text) {
    component->buffer = text;
    int32_t number = 0;
    keyed->Insert(keyHandle, key, immo, number);
    return number;
  }
  std::string List(int16_t keyHandle, const std::string& prefix = "") {
    std::string list;
    keyed->ListPrefix(keyHandle, prefix, list);
    return list;
  }
  // The count of the entries under `prefix`, and the numbers of the first `listed` of them.
  std::pair<int32_t, std::string> Counted(int16_t keyHandle, const std::string& prefix,
                                          int32_t listed) {
    std::pair<int32_t, std::string> counted;
    keyed->CountPrefix(keyHandle, prefix, listed, counted.first, counted.second);
    return counted;
  }
  int32_t Current() {
    int32_t number = 0;
    records->LastRecordNumber(immo, number);
    return number;
  }
  // The keys of a full walk, in order.
  Keys Walk(int16_t keyHandle) {
    Keys keys;
    int16_t found = 0;
    std::string key;
    for (keyed->First(keyHandle, immo, found, key); found != 0;
         keyed->Next(keyHandle, immo, found, key))
      keys.push_back(key);
    return keys;
  }

  std::unique_ptr<Store> store;
  std::unique_ptr<HostRecordFile> records;
  std::unique_ptr<HostKeyedFile> keyed;
  std::unique_ptr<BufferComponent> component;
  int16_t immo = 0, primary = 0, secondary = 0;
};

}  // namespace actifix::platform::testing
