// The integer classes that the manifest and the state file accept. A number
// without fraction or exponent is an integer: unsigned when not negative, signed
// when negative. 1.0 and 1e3 are not integers.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

#include <nlohmann/json.hpp>

namespace quillfen::updater {

// The value when `value` is an integer within the signed 64-bit range.
inline std::optional<std::int64_t> json_signed(const nlohmann::json& value) {
  if (value.is_number_unsigned()) {
    const auto u = value.get<std::uint64_t>();
    if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
    return static_cast<std::int64_t>(u);
  }
  if (value.is_number_integer()) return value.get<std::int64_t>();
  return std::nullopt;
}

// The value when `value` is a non-negative integer.
inline std::optional<std::uint64_t> json_unsigned(const nlohmann::json& value) {
  if (value.is_number_unsigned()) return value.get<std::uint64_t>();
  return std::nullopt;
}

}  // namespace quillfen::updater
