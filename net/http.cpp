// The portable half of the client: the address rules, the in-memory request and
// the wording of results. The transports live in http_win.cpp and http_posix.cpp.
#include "net/http.h"

#include <string>

namespace vup {
namespace {

bool is_host_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

bool starts_with(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

std::optional<BaseAddress> parse_base_address(std::string_view address, bool allow_plain_http) {
  BaseAddress out;
  std::string_view rest;
  if (starts_with(address, "https://")) {
    out.secure = true;
    rest = address.substr(8);
  } else if (allow_plain_http && starts_with(address, "http://")) {
    out.secure = false;
    rest = address.substr(7);
  } else {
    return std::nullopt;
  }
  const std::size_t slash = rest.find('/');
  if (rest.empty() || slash == std::string_view::npos || slash == 0 || address.back() != '/') return std::nullopt;

  std::string_view authority = rest.substr(0, slash);
  out.base_path = std::string(rest.substr(slash));
  out.port = out.secure ? 443 : 80;
  std::string_view host = authority;
  if (const std::size_t colon = authority.find(':'); colon != std::string_view::npos) {
    host = authority.substr(0, colon);
    const std::string_view port = authority.substr(colon + 1);
    if (host.empty() || port.empty() || port.size() > 5) return std::nullopt;
    unsigned long value = 0;
    for (char c : port) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    if (value < 1 || value > 65535) return std::nullopt;
    out.port = static_cast<std::uint16_t>(value);
  }
  for (char c : host) {
    if (!is_host_char(c)) return std::nullopt;
  }
  out.host = std::string(host);
  return out;
}

HttpResult Http::get_to_memory(std::string_view path, std::uint32_t limit, std::string& body, int& status) {
  body.clear();
  const DataSink append = [&body](const std::uint8_t* bytes, std::uint32_t count) {
    body.append(reinterpret_cast<const char*>(bytes), count);
    return true;
  };
  const HttpResult result = get_to_sink(path, limit, append, status);
  if (result != HttpResult::success) {
    body.clear();
    body.shrink_to_fit();
  }
  return result;
}

std::string describe_http_result(HttpResult result, int status, const Http& http) {
  switch (result) {
    case HttpResult::success: return "ok";
    case HttpResult::network_error: return "network problem: " + http.last_error();
    case HttpResult::bad_status: return "the server answered " + std::to_string(status);
    case HttpResult::too_large: return "the server sent more than expected";
    case HttpResult::sink_stopped: return "the download was stopped";
    case HttpResult::not_verified: return http.last_error();
  }
  return "unknown";
}

}  // namespace vup
