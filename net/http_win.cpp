// The HTTPS transport on Windows: WinHTTP in synchronous mode.
#include <windows.h>
#include <winhttp.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "net/http.h"
#include "net/secure_failure.h"

namespace vup {
namespace {

constexpr DWORD buffer_size = 65536;
constexpr DWORD tls12_and_13 = 0x2800;
constexpr DWORD tls12_only = 0x800;

struct InternetDeleter {
  void operator()(void* handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetDeleter>;

std::string error_text(const char* what, DWORD code) {
  return std::string(what) + " (error " + std::to_string(code) + ")";
}

// Each byte becomes one UTF-16 unit; hosts and paths are ASCII.
std::wstring widen(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (char c : text) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

// Collects the secure-failure flags of the request in progress. The context is the
// address of that request's flags word; it runs on this thread during the
// synchronous send and receive.
void CALLBACK on_status(HINTERNET, DWORD_PTR context, DWORD status, LPVOID information, DWORD length) {
  if (status != WINHTTP_CALLBACK_STATUS_SECURE_FAILURE || context == 0 || information == nullptr || length < 4) {
    return;
  }
  DWORD flags = 0;
  std::memcpy(&flags, information, sizeof flags);
  *reinterpret_cast<DWORD*>(context) |= flags;
}

}  // namespace

struct Http::State {
  std::optional<BaseAddress> address;
  std::string last_error;
  InternetHandle root;        // closed last
  InternetHandle connection;  // closed before the root
};

Http::Http(std::string_view base_address, bool allow_plain_http) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.address = parse_base_address(base_address, allow_plain_http);
  if (!s.address) {
    s.last_error = "the update address is not acceptable";
    return;
  }
  // The automatic type follows the proxy the player set in Windows (or a company's
  // automatic configuration) and connects directly when there is none; the default
  // type would read only the machine-wide WinHTTP setting, which players rarely set.
  s.root.reset(WinHttpOpen(L"VelmoraUpdater/1", WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0));
  if (!s.root) {
    s.last_error = error_text("WinHttpOpen failed", GetLastError());
    return;
  }
  // A failure here leaves WinHTTP's defaults, which are as long or longer.
  (void)WinHttpSetTimeouts(s.root.get(), 10000, 10000, 30000, 30000);
  if (s.address->secure) {
    DWORD protocols = tls12_and_13;
    if (!WinHttpSetOption(s.root.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
      protocols = tls12_only;
      if (!WinHttpSetOption(s.root.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
        s.last_error = error_text("cannot require TLS 1.2", GetLastError());
        s.root.reset();
        return;
      }
    }
  }
  s.connection.reset(WinHttpConnect(s.root.get(), widen(s.address->host).c_str(), s.address->port, 0));
  if (!s.connection) s.last_error = error_text("WinHttpConnect failed", GetLastError());
}

Http::~Http() = default;

bool Http::is_open() const { return state_->connection != nullptr; }

std::string Http::last_error() const { return state_->last_error; }

HttpResult Http::get_to_sink(std::string_view path, std::uint64_t limit, const DataSink& sink, int& status) {
  status = 0;
  State& s = *state_;
  if (!s.connection) return HttpResult::network_error;
  const bool secure = s.address->secure;

  std::string target = s.address->base_path;
  target += path;
  InternetHandle request(WinHttpOpenRequest(s.connection.get(), L"GET", widen(target).c_str(), nullptr,
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                            secure ? WINHTTP_FLAG_SECURE : 0));
  if (!request) {
    s.last_error = error_text("WinHttpOpenRequest failed", GetLastError());
    return HttpResult::network_error;
  }
  HINTERNET r = request.get();

  DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  if (!WinHttpSetOption(r, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never)) {
    // Following a redirect would break the promise of one fixed server.
    s.last_error = error_text("cannot turn off redirects", GetLastError());
    return HttpResult::network_error;
  }
  DWORD failure_flags = 0;
  if (secure) {
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&failure_flags);
    (void)WinHttpSetOption(r, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context);
    (void)WinHttpSetStatusCallback(r, on_status, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);
  }

  if (!WinHttpSendRequest(r, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
      !WinHttpReceiveResponse(r, nullptr)) {
    const DWORD code = GetLastError();
    if (secure && net::is_secure_channel_error(code)) {
      s.last_error = net::secure_failure_text(code, failure_flags);
      return HttpResult::not_verified;
    }
    // The window's detail keeps WinHTTP's code as it is; velmora-update.exe says what
    // the connection codes mean (net::winhttp_connect_failure).
    s.last_error = error_text("request failed", code);
    return HttpResult::network_error;
  }

  DWORD number = 0;
  DWORD number_size = sizeof number;
  if (!WinHttpQueryHeaders(r, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                           &number, &number_size, WINHTTP_NO_HEADER_INDEX)) {
    s.last_error = error_text("no status line", GetLastError());
    return HttpResult::network_error;
  }
  status = static_cast<int>(number);
  if (number != 200) return HttpResult::bad_status;

  net::BodyDelivery delivery(limit, sink);
  std::optional<std::uint64_t> announced;
  wchar_t length_text[32] = {};
  DWORD length_size = sizeof length_text;
  if (WinHttpQueryHeaders(r, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, length_text, &length_size,
                          WINHTTP_NO_HEADER_INDEX)) {
    std::string narrow;
    for (const wchar_t* p = length_text; p < length_text + 32 && *p != 0; ++p) {
      narrow.push_back(*p < 128 ? static_cast<char>(*p) : '?');
    }
    announced = net::parse_content_length(narrow);
    if (announced && delivery.announced_too_large(*announced)) return HttpResult::too_large;
  }

  const auto buffer = std::make_unique<std::uint8_t[]>(buffer_size);
  for (;;) {
    DWORD read = 0;
    if (!WinHttpReadData(r, buffer.get(), buffer_size, &read)) {
      s.last_error = error_text("read failed", GetLastError());
      return HttpResult::network_error;
    }
    if (read == 0) break;
    switch (delivery.deliver(buffer.get(), read)) {
      case net::BodyDelivery::Step::go_on: break;
      case net::BodyDelivery::Step::too_large: return HttpResult::too_large;
      case net::BodyDelivery::Step::sink_stopped: return HttpResult::sink_stopped;
    }
  }
  if (delivery.ended_short(announced)) {
    s.last_error = net::broke_off_text(delivery.total(), *announced);
    return HttpResult::network_error;
  }
  return HttpResult::success;
}

}  // namespace vup
