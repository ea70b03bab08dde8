// Fixed-length record files of the current company, and plain text files.
// Handles are 16-bit, record numbers 32-bit. Every failure throws HostError.
#pragma once

#include <cstdint>
#include <string>

#include "host/HostComponent.h"

namespace actifix {

class HostRecordFile {
 public:
  virtual ~HostRecordFile() = default;

  // Opens (creating when absent) the company's record file `name`. The component and the
  // name are kept for the call-backs Lire+name / Ecrire+name.
  virtual void Open(const int16_t& trueValue, const std::string& name, const int32_t& recordLength,
                    int16_t& handle, HostComponent& component) = 0;
  // Reads record `number`, then calls back Lire+name with it.
  virtual void Read(const int16_t& handle, const int32_t& number) = 0;
  // Calls back Ecrire+name, which stores the buffer as record `number`.
  virtual void Write(const int16_t& handle, const int32_t& number) = 0;
  // The stored text of record `number`, blank-filled to the record length.
  virtual void ReadText(const int16_t& handle, const int32_t& number, std::string& text) = 0;
  virtual void WriteText(const int16_t& handle, const int32_t& number, const std::string& text) = 0;
  // Number of the record last read through this file.
  virtual void LastRecordNumber(const int16_t& handle, int32_t& number) = 0;

  // A text file of the company's data directory, created anew (Windows-1252, CR LF lines).
  virtual void CreateText(const std::string& fileName, int16_t& handle) = 0;
  virtual void WriteLine(const int16_t& handle, const std::string& line) = 0;
  virtual void Exists(const std::string& path, int16_t& flag) = 0;
  // Deletes the file at `path` (a relative path is taken in the company's data directory);
  // nothing happens when there is none.
  virtual void Remove(const std::string& path) = 0;
};

}  // namespace actifix
