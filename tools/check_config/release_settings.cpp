#include "tools/check_config/release_settings.h"

#include <cstdint>

#include "manifest/base64.h"
#include "net/http.h"

namespace vup::tools {
namespace {

bool starts_with(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// What parse_base_address stopped at, in its own order.
std::string address_reason(std::string_view url) {
  if (!starts_with(url, "https://")) {
    return starts_with(url, "http://") ? "it must begin with https:// (updates never come over plain http)"
                                       : "it must begin with https://";
  }
  const std::string_view rest = url.substr(8);
  const std::size_t slash = rest.find('/');
  if (rest.empty() || slash == 0) return "it names no host";
  if (slash == std::string_view::npos || url.back() != '/') return "it must end with \"/\", as a folder does";
  std::string_view host = rest.substr(0, slash);
  if (const std::size_t colon = host.find(':'); colon != std::string_view::npos) {
    const std::string_view port = host.substr(colon + 1);
    host = host.substr(0, colon);
    if (host.empty()) return "it names no host before the port";
    bool digits = !port.empty() && port.size() <= 5;
    unsigned long value = 0;
    for (char c : port) {
      digits = digits && c >= '0' && c <= '9';
      if (digits) value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    if (!digits || value < 1 || value > 65535) return "the port must be a number from 1 to 65535";
  }
  return "the host name may hold only letters, digits, dots and hyphens (no user name, no [address])";
}

}  // namespace

std::string update_url_problem(std::string_view url) {
  if (parse_base_address(url, false)) return "";
  return "the update address \"" + std::string(url) + "\" is not one the updater accepts: " + address_reason(url) +
         ". A good one: https://updates.example.com/game/";
}

std::string public_key_problem(std::string_view key) {
  if (key.empty()) {
    return "the public key is missing: give the 44 characters that velmora-publish keygen printed "
           "(velmora-publish public-key --secret-key FILE prints them again)";
  }
  if (key.find("VELMORA-SECRET-KEY-") != std::string_view::npos) {
    return "this is the SECRET key, not the public key: built into a program, anyone could read it out and sign "
           "updates that every player accepts. Give the public key, which velmora-publish public-key --secret-key "
           "FILE prints";
  }
  std::uint8_t bytes[32];
  if (!quillfen::updater::decode_builtin_key(key, bytes)) {
    return "the public key is malformed: it must be 44 characters of Base64 that decode to 32 bytes, as "
           "velmora-publish keygen prints it";
  }
  return "";
}

}  // namespace vup::tools
