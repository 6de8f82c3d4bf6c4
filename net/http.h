// The program's only network client: GET requests over HTTPS to one fixed server,
// into memory or streamed to a sink, with a byte limit on every body.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vup {

enum class HttpResult : int {
  success = 0,        // status 200 and the whole body delivered
  network_error = 1,  // no request could be made or it broke off; last_error says why
  bad_status = 2,     // an answer other than 200 (redirects included); see status
  too_large = 3,      // the announced or received body is longer than the limit
  sink_stopped = 4,   // the sink asked to stop
  not_verified = 5,   // the secure connection failed; last_error is the player's sentence
};

// Receives the body chunk by chunk; returns false to stop the transfer.
using DataSink = std::function<bool(const std::uint8_t* bytes, std::uint32_t count)>;

// The parts of an accepted base address.
struct BaseAddress {
  bool secure = true;
  std::string host;
  std::uint16_t port = 443;
  std::string base_path;  // begins and ends with "/"
};

// "https://host[:port]/path/" (or "http://" when allowed); empty when refused.
[[nodiscard]] std::optional<BaseAddress> parse_base_address(std::string_view address, bool allow_plain_http);

// Requests go through the proxy the player's system names: on Windows the proxy
// set in Windows (or found by its automatic configuration), natively the one the
// environment names (https_proxy, all_proxy, no_proxy), as the curl command does.
class Http {
 public:
  // Parses the address and opens the connection. Never fails loudly: when something
  // fails the object is not open and last_error says why.
  Http(std::string_view base_address, bool allow_plain_http);
  ~Http();
  Http(const Http&) = delete;
  Http& operator=(const Http&) = delete;

  [[nodiscard]] bool is_open() const;
  // The description of the most recent failure; a success does not clear it.
  [[nodiscard]] std::string last_error() const;

  // One GET of base path + `path`, streaming the body to `sink`. `status` is the
  // HTTP status, 0 when no answer came. No byte past `limit` reaches the sink.
  [[nodiscard]] HttpResult get_to_sink(std::string_view path, std::uint64_t limit, const DataSink& sink,
                                       int& status);
  // The same into `body`, which is empty unless the result is success.
  [[nodiscard]] HttpResult get_to_memory(std::string_view path, std::uint32_t limit, std::string& body,
                                         int& status);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The wording of a result inside the engine's messages.
[[nodiscard]] std::string describe_http_result(HttpResult result, int status, const Http& http);

}  // namespace vup
