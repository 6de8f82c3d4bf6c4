#include "net/secure_failure.h"

#include <cstdio>
#include <limits>

#include "net/trust_store.h"

namespace vup::net {

bool is_secure_channel_error(std::uint32_t code) {
  switch (code) {
    case 12037: case 12038: case 12045: case 12057: case 12157:
    case 12169: case 12170: case 12175: case 12179:
      return true;
    default:
      return false;
  }
}

std::string secure_failure_text(std::uint32_t code, std::uint32_t flags) {
  std::string sentence;
  if (code == 12037 || (flags & flag_date_invalid) != 0) {
    sentence = "the host's certificate does not match this PC's date. Check that the PC's date and time are "
               "correct, then run VelmoraUpdater again";
  } else if (code == 12045 || (flags & flag_invalid_ca) != 0) {
    sentence = std::string("the host's certificate is not from an authority ") + trust_store_owner() + " trusts";
  } else if (code == 12038 || (flags & flag_name_invalid) != 0) {
    sentence = "the host's certificate is for a different name";
  } else if (code == 12170 || (flags & flag_revoked) != 0) {
    sentence = "the host's certificate has been revoked";
  } else if (code == 12169 || code == 12179 || (flags & (flag_invalid_cert | flag_wrong_usage)) != 0) {
    sentence = "the host's certificate is not valid";
  } else {
    sentence = "a secure connection to the host could not be set up";
  }
  char tail[64];
  std::snprintf(tail, sizeof tail, " (error %lu, flags 0x%08lx)", static_cast<unsigned long>(code),
                static_cast<unsigned long>(flags));
  return sentence + tail;
}

std::string connect_failure_text(ConnectFailure kind, const BaseAddress& address, long code) {
  std::string host = address.host;
  if (address.port != (address.secure ? 443 : 80)) host += ":" + std::to_string(address.port);
  std::string sentence;
  switch (kind) {
    case ConnectFailure::refused: sentence = "the connection to " + host + " was refused"; break;
    case ConnectFailure::cannot_connect: sentence = "no connection to " + host + " could be made"; break;
    case ConnectFailure::timed_out: sentence = "the connection to " + host + " timed out"; break;
    case ConnectFailure::name_not_found: sentence = "the host name " + address.host + " was not found"; break;
  }
  return sentence + " (error " + std::to_string(code) + ")";
}

std::optional<ConnectFailure> winhttp_connect_failure(std::uint32_t code) {
  switch (code) {
    case 12029: return ConnectFailure::cannot_connect;
    case 12002: return ConnectFailure::timed_out;
    case 12007: return ConnectFailure::name_not_found;
    default: return std::nullopt;
  }
}

std::optional<std::uint64_t> parse_content_length(std::string_view text) {
  if (text.empty()) return std::nullopt;
  constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t value = 0;
  bool overflow = false;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (value > (max - digit) / 10) overflow = true;
    if (!overflow) value = value * 10 + digit;
  }
  return overflow ? max : value;
}

BodyDelivery::Step BodyDelivery::deliver(const std::uint8_t* bytes, std::uint32_t count) {
  total_ += count;
  if (total_ > limit_) return Step::too_large;
  if (!sink_(bytes, count)) return Step::sink_stopped;
  return Step::go_on;
}

std::string broke_off_text(std::uint64_t received, std::uint64_t announced) {
  return "the connection broke off after " + std::to_string(received) + " of " + std::to_string(announced) +
         " bytes";
}

}  // namespace vup::net
