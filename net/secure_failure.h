// Internal to net/: the pieces of the client that do not depend on the transport,
// so that both transports share one rule and the tests can reach it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/http.h"

namespace vup::net {

// The secure-failure flags as WinHTTP reports them; the POSIX transport maps
// OpenSSL's verification result onto the same bits.
inline constexpr std::uint32_t flag_rev_failed = 0x01;
inline constexpr std::uint32_t flag_invalid_cert = 0x02;
inline constexpr std::uint32_t flag_revoked = 0x04;
inline constexpr std::uint32_t flag_invalid_ca = 0x08;
inline constexpr std::uint32_t flag_name_invalid = 0x10;
inline constexpr std::uint32_t flag_date_invalid = 0x20;
inline constexpr std::uint32_t flag_wrong_usage = 0x40;

// True for WinHTTP's secure-channel error codes (12037, 12038, 12045, 12057,
// 12157, 12169, 12170, 12175, 12179).
[[nodiscard]] bool is_secure_channel_error(std::uint32_t code);

// The player's sentence for a failed secure connection, chosen by the first rule
// that holds (date, authority, name, revoked, not valid, could not be set up),
// the authority sentence naming the keeper of the trust store (trust_store.h),
// followed by " (error N, flags 0x%08x)".
[[nodiscard]] std::string secure_failure_text(std::uint32_t code, std::uint32_t flags);

// Why no connection to the update host was made.
enum class ConnectFailure { refused, cannot_connect, timed_out, name_not_found };

// The sentence that says so and names the host (with its port when that is not
// the scheme's own), followed by " (error N)": for example "the connection to
// updates.example.com was refused (error 7)".
[[nodiscard]] std::string connect_failure_text(ConnectFailure kind, const BaseAddress& address, long code);

// What a WinHTTP error code of a request that made no connection means
// (12029 cannot connect: WinHTTP does not tell refused from unreachable, 12002
// timed out, 12007 name not found); nothing for any other code.
[[nodiscard]] std::optional<ConnectFailure> winhttp_connect_failure(std::uint32_t code);

// Content-Length text: decimal digits only. A value beyond 64 bits is reported as
// the largest value (always above any limit); anything else is not a length.
[[nodiscard]] std::optional<std::uint64_t> parse_content_length(std::string_view text);

// The read loop's bookkeeping: the running total is checked against the limit
// before a chunk reaches the sink, so no byte past the limit is ever handed over.
class BodyDelivery {
 public:
  enum class Step { go_on, too_large, sink_stopped };

  BodyDelivery(std::uint64_t limit, const DataSink& sink) : limit_(limit), sink_(sink) {}

  // Checked before any byte is read.
  [[nodiscard]] bool announced_too_large(std::uint64_t content_length) const { return content_length > limit_; }
  [[nodiscard]] Step deliver(const std::uint8_t* bytes, std::uint32_t count);
  // A body that ends before its announced length broke off; it is not a success.
  [[nodiscard]] bool ended_short(std::optional<std::uint64_t> announced) const {
    return announced && total_ < *announced;
  }
  [[nodiscard]] std::uint64_t total() const { return total_; }

 private:
  std::uint64_t limit_;
  const DataSink& sink_;
  std::uint64_t total_ = 0;
};

[[nodiscard]] std::string broke_off_text(std::uint64_t received, std::uint64_t announced);

}  // namespace vup::net
