#pragma once

#include <bit>
#include <cstdint>
#include <limits>

namespace kx {

// Explicit little-endian encoding of the values written into a template DLL:
// the least significant byte first, whatever the host's byte order.

static_assert(std::numeric_limits<float>::is_iec559, "positions are IEEE 754 single-precision values");
static_assert(sizeof(float) == 4);

// The low 16 bits of a value, as a signed 16-bit word.
inline std::int16_t Low16(std::int32_t value) { return static_cast<std::int16_t>(value); }

// Writes 2 bytes at `out`.
inline void Put16(unsigned char* out, std::int16_t value) {
  const auto bits = static_cast<std::uint16_t>(value);
  out[0] = static_cast<unsigned char>(bits & 0xFF);
  out[1] = static_cast<unsigned char>(bits >> 8);
}

// Writes 4 bytes at `out`.
inline void Put32(unsigned char* out, std::uint32_t bits) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

// Writes the nearest single-precision value of `value` as 4 bytes at `out`.
inline void PutFloat32(unsigned char* out, std::int32_t value) {
  Put32(out, std::bit_cast<std::uint32_t>(static_cast<float>(value)));
}

}  // namespace kx
