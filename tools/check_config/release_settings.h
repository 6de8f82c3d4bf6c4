// Why an update address or a public key would not work in the programs built with
// it. The verdicts are the programs' own (parse_base_address, decode_builtin_key);
// the sentences are those of cmake/ReleaseSettings.cmake, which a test compares.
#pragma once

#include <string>
#include <string_view>

namespace vup::tools {

// "" when the updater accepts `url` as its base address, else the sentence why not.
[[nodiscard]] std::string update_url_problem(std::string_view url);

// "" when `key` works as the built-in public key, else the sentence why not (an
// empty key and a secret key file's text have their own).
[[nodiscard]] std::string public_key_problem(std::string_view key);

}  // namespace vup::tools
