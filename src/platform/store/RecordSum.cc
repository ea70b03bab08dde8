#include "platform/store/RecordSum.h"

#include <array>
#include <cstring>

namespace actifix::platform {

namespace {

constexpr uint32_t kPolynomial = 0x82F63B78;

constexpr std::array<uint32_t, 256> MakeTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1) != 0 ? kPolynomial : 0);
    table[i] = crc;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

uint32_t SoftwareCrc(const unsigned char* p, std::size_t n, uint32_t crc) {
  for (std::size_t i = 0; i < n; ++i) crc = kTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

#if defined(__x86_64__)
// The processor's own CRC-32C instruction (SSE 4.2), eight bytes at a time: a record of 256
// bytes in about 30 ns, against 250 ns by the table.
__attribute__((target("sse4.2"))) uint32_t HardwareCrc(const unsigned char* p, std::size_t n,
                                                       uint32_t crc) {
  uint64_t c = crc;
  for (; n >= 8; n -= 8, p += 8) {
    uint64_t word = 0;
    std::memcpy(&word, p, 8);
    c = __builtin_ia32_crc32di(c, word);
  }
  auto c32 = static_cast<uint32_t>(c);
  for (; n > 0; --n, ++p) c32 = __builtin_ia32_crc32qi(c32, *p);
  return c32;
}

const bool kHardware = [] {
  __builtin_cpu_init();  // static initialisers may run before the library's own
  return __builtin_cpu_supports("sse4.2") != 0;
}();
#endif

}  // namespace

uint32_t Crc32c(std::string_view bytes, uint32_t crc) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  crc = ~crc;
#if defined(__x86_64__)
  crc = kHardware ? HardwareCrc(p, bytes.size(), crc) : SoftwareCrc(p, bytes.size(), crc);
#else
  crc = SoftwareCrc(p, bytes.size(), crc);
#endif
  return ~crc;
}

int32_t RecordSum(int32_t number, std::string_view bytes) {
  const auto n = static_cast<uint32_t>(number);
  const char prefix[4] = {static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF),
                          static_cast<char>((n >> 16) & 0xFF), static_cast<char>(n >> 24)};
  return static_cast<int32_t>(Crc32c(bytes, Crc32c(std::string_view(prefix, 4))));
}

}  // namespace actifix::platform
