// The checksum every stored record carries beside its bytes, so that bytes changed inside a
// record's data (which no page check of the database sees) are found when the record is read.
//
// The sum is the CRC-32C (Castagnoli, reflected polynomial 0x82F63B78, initial value and final
// xor 0xFFFFFFFF, as iSCSI and ext4 use) of the record number as 4 bytes little-endian followed
// by the record's bytes as stored; it is kept as the signed 32-bit integer of the same bits. The
// number takes part so that a record moved under another number is found too.
#pragma once

#include <cstdint>
#include <string_view>

namespace actifix::platform {

// CRC-32C of `bytes`, continuing from `crc` (0 to start).
uint32_t Crc32c(std::string_view bytes, uint32_t crc = 0);

// The stored sum of record `number` holding `bytes`.
int32_t RecordSum(int32_t number, std::string_view bytes);

}  // namespace actifix::platform
