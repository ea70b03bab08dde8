// A fixed-width text field of a record buffer: always exactly W bytes, a value put into it is
// blank-padded on the right or cut to W.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace actifix {

template <std::size_t W>
class FixedText {
 public:
  static constexpr std::size_t kWidth = W;

  FixedText() { bytes_.fill(' '); }
  FixedText(std::string_view value) { *this = value; }  // NOLINT: a field takes any text.

  FixedText& operator=(std::string_view value) {
    const std::size_t n = std::min(value.size(), W);
    std::copy_n(value.data(), n, bytes_.begin());
    std::fill(bytes_.begin() + n, bytes_.end(), ' ');
    return *this;
  }

  // The W bytes, blanks included.
  std::string str() const { return std::string(bytes_.data(), W); }
  operator std::string() const { return str(); }  // NOLINT: a field reads as its text.
  std::string_view view() const { return {bytes_.data(), W}; }
  void Blank() { bytes_.fill(' '); }

  bool operator==(const FixedText&) const = default;

 private:
  std::array<char, W> bytes_;
};

}  // namespace actifix
