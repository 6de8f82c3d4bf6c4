// INI text read and edited the way the Windows INI functions treat it, for the
// build without them. Lines are "[section]" headers and "key=value" pairs; names
// match without regard to ASCII case, the first match wins, blanks around names
// and values do not count, and every other line is kept as it is.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vup {

// The value of section/key, without the blanks around it and without one pair of
// matching quotes ("..." or '...') around it. Empty when there is no such key.
// Lines before the first header belong to no section and never match.
[[nodiscard]] std::optional<std::string> ini_value(std::string_view text, std::string_view section,
                                                   std::string_view key);

// The integer GetPrivateProfileIntW makes of a value: leading blanks skipped, an
// optional sign, "0x", "0o" or "0b" for another base, then digits up to the first
// character that is not one; the result wraps around at 32 bits.
[[nodiscard]] int ini_integer(std::string_view value);

// `text` with section/key set to `value`: the first such key gets the new value in
// its place; a missing key goes after the last line of the first such section; a
// missing section goes at the end. New lines end like the file's first line
// ("\r\n" for an empty text, as the Windows functions write).
[[nodiscard]] std::string ini_with_value(std::string_view text, std::string_view section, std::string_view key,
                                         std::string_view value);

}  // namespace vup
