// The HTTPS transport on POSIX: libcurl with OpenSSL, held to the same contract as
// the WinHTTP one (TLS 1.2 at least, no redirects, the four timeouts, no headers of
// our own, no compressed transfer, one 64 KiB buffer, the limit before the sink).
// Like the curl command it goes through the proxy that the environment names
// (https_proxy, all_proxy, no_proxy), which libcurl reads for every connection,
// and trusts the authorities that CURL_CA_BUNDLE, or SSL_CERT_FILE and
// SSL_CERT_DIR, name in place of the system's.
#include <arpa/inet.h>
#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <optional>
#include <string>

#include "net/http.h"
#include "net/secure_failure.h"

namespace vup {
namespace {

constexpr long buffer_size = 65536;
constexpr long resolve_and_connect_ms = 20000;  // WinHTTP's 10 s to resolve plus 10 s to connect
constexpr long stall_seconds = 30;               // WinHTTP's 30 s send and receive timeouts

struct CurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// What OpenSSL's verification found on the current connection, in WinHTTP's terms.
struct Verification {
  std::string host;
  bool host_is_ip = false;
  long first_code = 0;
  std::uint32_t flags = 0;
};

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int verification_index() {
  static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

std::uint32_t flags_for_verify_error(int error) {
  switch (error) {
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_ERROR_IN_CERT_NOT_BEFORE_FIELD:
    case X509_V_ERR_ERROR_IN_CERT_NOT_AFTER_FIELD:
      return net::flag_date_invalid;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
    case X509_V_ERR_INVALID_CA:
      return net::flag_invalid_ca;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return net::flag_name_invalid;
    case X509_V_ERR_CERT_REVOKED:
      return net::flag_revoked;
    case X509_V_ERR_INVALID_PURPOSE:
      return net::flag_wrong_usage;
    case X509_V_ERR_UNABLE_TO_GET_CRL:
      return net::flag_rev_failed;
    default:
      return net::flag_invalid_cert;
  }
}

// Whether this handshake is the one with the update host. Through an https://
// proxy the first handshake is the proxy's, which libcurl checks against the
// proxy's own name; libcurl names the host it expects in the SNI extension, which
// it leaves out for an address literal.
bool is_update_host(SSL* ssl, const Verification& seen) noexcept {
  const char* name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);
  if (name == nullptr) return seen.host_is_ip;
  const std::string_view sent(name);
  if (sent.size() != seen.host.size()) return false;
  for (std::size_t i = 0; i < sent.size(); ++i) {
    if (ascii_lower(sent[i]) != ascii_lower(seen.host[i])) return false;
  }
  return true;
}

Verification* verification_of(X509_STORE_CTX* store, SSL** ssl_out) {
  auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  if (ssl == nullptr) return nullptr;
  *ssl_out = ssl;
  return static_cast<Verification*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), verification_index()));
}

// Called by OpenSSL for each problem in the chain. The first problem ends the
// handshake (the verdict is never overridden); before that, the leaf's own date
// and name are checked too, so that the sentence follows the same order of rules
// as WinHTTP's accumulated flags (a wrong date wins over everything else).
int verify_callback(int preverify_ok, X509_STORE_CTX* store) noexcept {
  if (preverify_ok) return 1;
  SSL* ssl = nullptr;
  Verification* seen = verification_of(store, &ssl);
  if (seen == nullptr || !is_update_host(ssl, *seen)) return 0;
  const int error = X509_STORE_CTX_get_error(store);
  if (seen->first_code == 0) seen->first_code = error;
  seen->flags |= flags_for_verify_error(error);
  if (X509* leaf = X509_STORE_CTX_get0_cert(store)) {
    if (X509_cmp_current_time(X509_get0_notBefore(leaf)) >= 0 ||
        X509_cmp_current_time(X509_get0_notAfter(leaf)) <= 0) {
      seen->flags |= net::flag_date_invalid;
    }
    const int name_ok = seen->host_is_ip ? X509_check_ip_asc(leaf, seen->host.c_str(), 0)
                                         : X509_check_host(leaf, seen->host.c_str(), seen->host.size(), 0, nullptr);
    if (name_ok != 1) seen->flags |= net::flag_name_invalid;
  }
  return 0;
}

// Verifies one handshake's chain. On the update host's handshake OpenSSL itself
// checks the host's name, so that a wrong name is reported like the other faults.
int verify_chain(X509_STORE_CTX* store, void*) noexcept {
  SSL* ssl = nullptr;
  const Verification* seen = verification_of(store, &ssl);
  if (seen != nullptr && is_update_host(ssl, *seen)) {
    X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(store);
    const int named = seen->host_is_ip ? X509_VERIFY_PARAM_set1_ip_asc(param, seen->host.c_str())
                                       : X509_VERIFY_PARAM_set1_host(param, seen->host.c_str(), seen->host.size());
    if (named != 1) return 0;
  }
  return X509_verify_cert(store);
}

// libcurl hands us each new connection's context (the proxy's too) after it has
// loaded the CA bundle; OpenSSL then refuses anything below TLS 1.2.
CURLcode prepare_tls(CURL*, void* ssl_ctx, void* user) noexcept {
  auto* ctx = static_cast<SSL_CTX*>(ssl_ctx);
  if (SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION) != 1) return CURLE_SSL_CIPHER;
  if (SSL_CTX_set_ex_data(ctx, verification_index(), user) != 1) return CURLE_SSL_CERTPROBLEM;
  SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, verify_callback);
  SSL_CTX_set_cert_verify_callback(ctx, verify_chain, nullptr);
  return CURLE_OK;
}

bool is_secure_failure(CURLcode code) {
  switch (code) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
      return true;
    default:
      return false;
  }
}

const char* environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

// The CA bundle and the hashed CA folder to trust instead of the system's. As the
// curl command does, CURL_CA_BUNDLE comes first and alone; without it,
// SSL_CERT_FILE and SSL_CERT_DIR each replace the system's bundle or folder, as in
// OpenSSL programs (so either, or both, can name the private CA).
struct CaLocations {
  const char* file = nullptr;
  const char* folder = nullptr;
};
CaLocations ca_locations() {
  if (const char* bundle = environment("CURL_CA_BUNDLE")) return {bundle, nullptr};
  return {environment("SSL_CERT_FILE"), environment("SSL_CERT_DIR")};
}

// A request that failed before any answer because no connection was made: which
// way it failed, when libcurl can tell.
std::optional<net::ConnectFailure> connect_failure_of(CURL* curl, CURLcode code) {
  if (code == CURLE_COULDNT_RESOLVE_HOST) return net::ConnectFailure::name_not_found;
  if (code == CURLE_COULDNT_CONNECT) {
    long error = 0;
    (void)curl_easy_getinfo(curl, CURLINFO_OS_ERRNO, &error);
    if (error == ECONNREFUSED) return net::ConnectFailure::refused;
    if (error == ETIMEDOUT) return net::ConnectFailure::timed_out;
    return net::ConnectFailure::cannot_connect;
  }
  if (code == CURLE_OPERATION_TIMEDOUT) {
    // The same code ends a transfer that stalled; only a connection never made counts here.
    curl_off_t connected = 0;
    if (curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connected) == CURLE_OK && connected == 0) {
      return net::ConnectFailure::timed_out;
    }
  }
  return std::nullopt;
}

bool curl_ready() {
  static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
  return init == CURLE_OK;
}

// One request's progress, shared with libcurl's callbacks.
struct Request {
  Request(CURL* handle, std::uint64_t limit, const DataSink& sink) : curl(handle), delivery(limit, sink) {}
  CURL* curl;
  net::BodyDelivery delivery;
  int status = 0;
  bool headers_done = false;
  std::optional<std::uint64_t> announced;
  std::optional<HttpResult> stopped;  // set when a callback ended the transfer
  // An exception from the sink (out of memory) must not unwind through libcurl's C
  // frames: the callback keeps it and ends the transfer, and it is thrown again
  // once libcurl has returned.
  std::exception_ptr failure;
};

bool ieq_prefix(const char* line, std::size_t size, std::string_view prefix) {
  if (size < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (ascii_lower(line[i]) != prefix[i]) return false;
  }
  return true;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  return text;
}

// The status and Content-Length are judged once the header block ends, before a
// single body byte is read.
std::size_t on_header(char* line, std::size_t size, std::size_t count, void* user) noexcept {
  auto* request = static_cast<Request*>(user);
  const std::size_t length = size * count;
  const std::string_view text(line, length);
  if (ieq_prefix(line, length, "http/")) {
    request->announced.reset();  // a new header block (after an interim 1xx)
    return length;
  }
  if (ieq_prefix(line, length, "content-length:")) {
    request->announced = net::parse_content_length(trimmed(text.substr(15)));
    return length;
  }
  if (!trimmed(text).empty()) return length;
  long code = 0;
  curl_easy_getinfo(request->curl, CURLINFO_RESPONSE_CODE, &code);
  if (code >= 100 && code < 200) return length;  // an interim answer; the real one follows
  request->status = static_cast<int>(code);
  if (code != 200) {
    request->stopped = HttpResult::bad_status;
    return 0;
  }
  if (request->announced && request->delivery.announced_too_large(*request->announced)) {
    request->stopped = HttpResult::too_large;
    return 0;
  }
  request->headers_done = true;
  return length;
}

std::size_t on_body(char* bytes, std::size_t size, std::size_t count, void* user) noexcept {
  auto* request = static_cast<Request*>(user);
  const std::size_t length = size * count;
  net::BodyDelivery::Step step;
  try {
    step = request->delivery.deliver(reinterpret_cast<const std::uint8_t*>(bytes), static_cast<std::uint32_t>(length));
  } catch (...) {
    request->failure = std::current_exception();
    return 0;
  }
  switch (step) {
    case net::BodyDelivery::Step::go_on: return length;
    case net::BodyDelivery::Step::too_large: request->stopped = HttpResult::too_large; return 0;
    case net::BodyDelivery::Step::sink_stopped: request->stopped = HttpResult::sink_stopped; return 0;
  }
  return 0;
}

}  // namespace

struct Http::State {
  std::optional<BaseAddress> address;
  std::string last_error;
  std::unique_ptr<curl_slist, SlistDeleter> headers;
  Verification verification;
  std::unique_ptr<CURL, CurlDeleter> curl;
};

Http::Http(std::string_view base_address, bool allow_plain_http) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.address = parse_base_address(base_address, allow_plain_http);
  if (!s.address) {
    s.last_error = "the update address is not acceptable";
    return;
  }
  if (!curl_ready()) {
    s.last_error = "curl_global_init failed";
    return;
  }
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) {
    s.last_error = "curl_easy_init failed";
    return;
  }
  CURL* c = curl.get();
  // "Accept:" with nothing after it removes libcurl's default Accept header.
  s.headers.reset(curl_slist_append(nullptr, "Accept:"));
  s.verification.host = s.address->host;
  in_addr ip{};
  s.verification.host_is_ip = inet_pton(AF_INET, s.address->host.c_str(), &ip) == 1;

  CURLcode failed = CURLE_OK;
  auto set = [&failed](CURLcode code) {
    if (failed == CURLE_OK) failed = code;
  };
  set(curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L));
  set(curl_easy_setopt(c, CURLOPT_USERAGENT, "VelmoraUpdater/1"));
  set(curl_easy_setopt(c, CURLOPT_HTTPHEADER, s.headers.get()));
  set(curl_easy_setopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)));
  set(curl_easy_setopt(c, CURLOPT_HTTP_CONTENT_DECODING, 0L));
  set(curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L));
  set(curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, s.address->secure ? "https" : "http"));
  set(curl_easy_setopt(c, CURLOPT_PATH_AS_IS, 1L));
  set(curl_easy_setopt(c, CURLOPT_BUFFERSIZE, buffer_size));
  set(curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, resolve_and_connect_ms));
  set(curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L));
  set(curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, stall_seconds));
  // Through a proxy the tunnel's own answer ("200 Connection established") is not
  // the server's: only the server's header block reaches on_header.
  set(curl_easy_setopt(c, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L));
  set(curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, on_header));
  set(curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, on_body));
  if (failed != CURLE_OK || !s.headers) {
    s.last_error = "cannot set up the request (error " + std::to_string(static_cast<int>(failed)) + ")";
    return;
  }
  if (s.address->secure) {
    set(curl_easy_setopt(c, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2)));
    set(curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L));
    set(curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L));
    set(curl_easy_setopt(c, CURLOPT_SSL_CTX_FUNCTION, prepare_tls));
    set(curl_easy_setopt(c, CURLOPT_SSL_CTX_DATA, &s.verification));
    // Another trust store (a private CA), named the way curl and OpenSSL programs
    // are given one; it holds for an https:// proxy as for the server.
    const CaLocations trusted = ca_locations();
    if (trusted.file != nullptr) {
      set(curl_easy_setopt(c, CURLOPT_CAINFO, trusted.file));
      set(curl_easy_setopt(c, CURLOPT_PROXY_CAINFO, trusted.file));
    }
    if (trusted.folder != nullptr) {
      set(curl_easy_setopt(c, CURLOPT_CAPATH, trusted.folder));
      set(curl_easy_setopt(c, CURLOPT_PROXY_CAPATH, trusted.folder));
    }
    if (failed != CURLE_OK) {
      s.last_error = "cannot require TLS 1.2 (error " + std::to_string(static_cast<int>(failed)) + ")";
      return;
    }
  }
  s.curl = std::move(curl);
}

Http::~Http() = default;

bool Http::is_open() const { return state_->curl != nullptr; }

std::string Http::last_error() const { return state_->last_error; }

HttpResult Http::get_to_sink(std::string_view path, std::uint64_t limit, const DataSink& sink, int& status) {
  status = 0;
  State& s = *state_;
  if (!s.curl) return HttpResult::network_error;
  CURL* c = s.curl.get();

  const BaseAddress& a = *s.address;
  std::string url = a.secure ? "https://" : "http://";
  url += a.host + ":" + std::to_string(a.port) + a.base_path;
  url += path;

  Request request(c, limit, sink);
  s.verification.first_code = 0;
  s.verification.flags = 0;
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &request);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &request);
  if (curl_easy_setopt(c, CURLOPT_URL, url.c_str()) != CURLE_OK) {
    s.last_error = "request failed (error " + std::to_string(static_cast<int>(CURLE_URL_MALFORMAT)) + ")";
    return HttpResult::network_error;
  }
  const CURLcode code = curl_easy_perform(c);
  if (request.failure) std::rethrow_exception(request.failure);
  status = request.status;
  if (request.stopped) return *request.stopped;
  if (code == CURLE_OK) {
    if (!request.headers_done) {  // libcurl accepted an answer without a header block
      s.last_error = "no status line (error 0)";
      return HttpResult::network_error;
    }
    if (request.delivery.ended_short(request.announced)) {
      s.last_error = net::broke_off_text(request.delivery.total(), *request.announced);
      return HttpResult::network_error;
    }
    return HttpResult::success;
  }
  long proxy_answer = 0;
  if (!request.headers_done && curl_easy_getinfo(c, CURLINFO_HTTP_CONNECTCODE, &proxy_answer) == CURLE_OK &&
      proxy_answer != 0 && proxy_answer != 200) {
    s.last_error = "the proxy answered " + std::to_string(proxy_answer) + " (error " +
                   std::to_string(static_cast<int>(code)) + ")";
    return HttpResult::network_error;
  }
  if (a.secure && !request.headers_done && is_secure_failure(code)) {
    const long reported = s.verification.first_code != 0 ? s.verification.first_code : static_cast<long>(code);
    s.last_error = net::secure_failure_text(static_cast<std::uint32_t>(reported), s.verification.flags);
    return HttpResult::not_verified;
  }
  if (!request.headers_done) {
    if (const std::optional<net::ConnectFailure> kind = connect_failure_of(c, code)) {
      s.last_error = net::connect_failure_text(*kind, a, static_cast<long>(code));
      return HttpResult::network_error;
    }
  }
  s.last_error = std::string(request.headers_done ? "read failed" : "request failed") + " (error " +
                 std::to_string(static_cast<int>(code)) + ")";
  return HttpResult::network_error;
}

}  // namespace vup
