// The client against real HTTPS servers: nginx for the normal path, the fault
// server for everything a broken or hostile host can do. Run through
// tests/servers/with-servers, which starts them and names them in the environment.
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/http.h"
#include "tests/net/certificate_expectations.h"

namespace {

using vup::HttpResult;

std::string server(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The bodies of both servers: byte i is i % 251.
std::string pattern(std::size_t n) {
  std::string out(n, '\0');
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char>(i % 251);
  return out;
}

// Records what reached the sink.
struct Recorder {
  std::string bytes;
  std::vector<std::uint32_t> chunks;
  vup::DataSink sink() {
    return [this](const std::uint8_t* data, std::uint32_t count) {
      bytes.append(reinterpret_cast<const char*>(data), count);
      chunks.push_back(count);
      return true;
    };
  }
};

class HttpServers : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(server("VUP_NGINX_URL").empty()) << "run through tests/servers/with-servers";
  }
};

TEST_F(HttpServers, NginxServesFilesOnOneClient) {
  vup::Http http(server("VUP_NGINX_URL"), false);
  ASSERT_TRUE(http.is_open()) << http.last_error();

  // One client, several requests, as an update run makes them.
  for (std::size_t size : {1048576u, 1000u, 0u, 65537u}) {
    const std::string path = "pattern-" + std::to_string(size);
    SCOPED_TRACE(path);
    Recorder got;
    int status = 0;
    ASSERT_EQ(http.get_to_sink(path, size, got.sink(), status), HttpResult::success) << http.last_error();
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(got.bytes == pattern(size));
    for (std::uint32_t chunk : got.chunks) EXPECT_LE(chunk, 65536u);

    std::string body = "stale";
    ASSERT_EQ(http.get_to_memory(path, static_cast<std::uint32_t>(size), body, status), HttpResult::success);
    EXPECT_TRUE(body == pattern(size));
  }
}

TEST_F(HttpServers, AddressLiteralIsCheckedAgainstTheCertificate) {
  vup::Http http(server("VUP_NGINX_IP_URL"), false);
  Recorder got;
  int status = 0;
  const HttpResult result = http.get_to_sink("pattern-1000", 1000, got.sink(), status);
  if (address_literals_verify()) {
    EXPECT_EQ(result, HttpResult::success) << http.last_error();
    EXPECT_TRUE(got.bytes == pattern(1000));
  } else {
    EXPECT_EQ(result, HttpResult::not_verified);
    EXPECT_TRUE(got.chunks.empty());
  }
}

TEST_F(HttpServers, AnswersOtherThan200AreBadStatus) {
  const struct {
    const char* url_variable;
    const char* path;
    int status;
  } cases[] = {
      {"VUP_FAULT_URL", "status/301", 301},  // its Location leads to a 200: not followed
      {"VUP_FAULT_URL", "status/302", 302},
      {"VUP_FAULT_URL", "status/404", 404},
      {"VUP_FAULT_URL", "status/500", 500},
      {"VUP_FAULT_URL", "status/204", 204},
      {"VUP_NGINX_URL", "no-such-file", 404},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    vup::Http http(server(c.url_variable), false);
    Recorder got;
    int status = 0;
    EXPECT_EQ(http.get_to_sink(c.path, 1000, got.sink(), status), HttpResult::bad_status);
    EXPECT_EQ(status, c.status);
    EXPECT_TRUE(got.chunks.empty());
    EXPECT_EQ(vup::describe_http_result(HttpResult::bad_status, status, http),
              "the server answered " + std::to_string(c.status));
  }
}

TEST_F(HttpServers, NoBytePastTheLimitReachesTheSink) {
  const struct {
    const char* url_variable;
    const char* path;
    std::uint64_t limit;
    HttpResult result;
    std::size_t delivered;  // bytes the sink must see in full (on success)
  } cases[] = {
      // Exactly the limit, announced or not, is a success.
      {"VUP_NGINX_URL", "pattern-65537", 65537, HttpResult::success, 65537},
      {"VUP_FAULT_URL", "body-nolength/200000", 200000, HttpResult::success, 200000},
      // A Content-Length above the limit is refused before any byte is read.
      {"VUP_NGINX_URL", "pattern-65537", 65536, HttpResult::too_large, 0},
      {"VUP_NGINX_URL", "pattern-1048576", 1, HttpResult::too_large, 0},
      {"VUP_FAULT_URL", "announce/5000000000/10", 4999999999, HttpResult::too_large, 0},
      {"VUP_FAULT_URL", "announce/99999999999999999999999/10", 1000, HttpResult::too_large, 0},
      // Without a length, one byte more than the limit is too large.
      {"VUP_FAULT_URL", "body-nolength/200001", 200000, HttpResult::too_large, 0},
      {"VUP_FAULT_URL", "body-nolength/1", 0, HttpResult::too_large, 0},
      // A byte beyond the announced length is not part of the body.
      {"VUP_FAULT_URL", "announce/1000/1001", 1000, HttpResult::success, 1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + (" limit " + std::to_string(c.limit)));
    vup::Http http(server(c.url_variable), false);
    Recorder got;
    int status = 0;
    EXPECT_EQ(http.get_to_sink(c.path, c.limit, got.sink(), status), c.result) << http.last_error();
    EXPECT_EQ(status, 200);
    EXPECT_LE(got.bytes.size(), c.limit);
    if (c.result == HttpResult::success) {
      EXPECT_TRUE(got.bytes == pattern(c.delivered));
    } else if (std::string(c.path).rfind("body-nolength", 0) != 0) {
      EXPECT_TRUE(got.chunks.empty());  // announced: refused before the body
    }
  }
}

TEST_F(HttpServers, MemoryBodyIsEmptyOnEveryFailure) {
  const struct {
    const char* url_variable;
    const char* path;
    std::uint32_t limit;
    HttpResult result;
  } cases[] = {
      {"VUP_FAULT_URL", "status/404", 1000, HttpResult::bad_status},
      {"VUP_FAULT_URL", "body-nolength/70000", 69999, HttpResult::too_large},
      {"VUP_FAULT_URL", "announce/100000/70000", 200000, HttpResult::network_error},
      {"VUP_CLOSED_URL", "body/10", 1000, HttpResult::network_error},
      {"VUP_UNKNOWN_CA_URL", "body/10", 1000, HttpResult::not_verified},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    vup::Http http(server(c.url_variable), false);
    std::string body = "stale";
    int status = 0;
    EXPECT_EQ(http.get_to_memory(c.path, c.limit, body, status), c.result);
    EXPECT_TRUE(body.empty()) << body.size();
  }
}

TEST_F(HttpServers, SinkCanStopTheTransfer) {
  vup::Http http(server("VUP_NGINX_URL"), false);
  int calls = 0;
  const vup::DataSink stop = [&calls](const std::uint8_t*, std::uint32_t) { return ++calls, false; };
  int status = 0;
  EXPECT_EQ(http.get_to_sink("pattern-1048576", 1048576, stop, status), HttpResult::sink_stopped);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(vup::describe_http_result(HttpResult::sink_stopped, status, http), "the download was stopped");

  // The client is still usable afterwards.
  Recorder got;
  EXPECT_EQ(http.get_to_sink("pattern-1000", 1000, got.sink(), status), HttpResult::success);
  EXPECT_TRUE(got.bytes == pattern(1000));
}

// Running out of memory in the sink is the caller's exception: it comes out of the
// request once the transport has ended the transfer, and the client stays usable.
TEST_F(HttpServers, ExceptionFromTheSinkReachesTheCaller) {
  vup::Http http(server("VUP_NGINX_URL"), false);
  int calls = 0;
  const vup::DataSink failing = [&calls](const std::uint8_t*, std::uint32_t) -> bool {
    ++calls;
    throw std::bad_alloc();
  };
  int status = 0;
  EXPECT_THROW((void)http.get_to_sink("pattern-1048576", 1048576, failing, status), std::bad_alloc);
  EXPECT_EQ(calls, 1);

  Recorder got;
  EXPECT_EQ(http.get_to_sink("pattern-65537", 65537, got.sink(), status), HttpResult::success) << http.last_error();
  EXPECT_TRUE(got.bytes == pattern(65537));
}

TEST_F(HttpServers, BrokenConnectionsAreNetworkErrors) {
  {
    // A body that stops midway: never a success, whatever the platform reports.
    vup::Http http(server("VUP_FAULT_URL"), false);
    Recorder got;
    int status = 0;
    EXPECT_EQ(http.get_to_sink("announce/100000/70000", 100000, got.sink(), status), HttpResult::network_error);
    EXPECT_EQ(status, 200);
    EXPECT_LE(got.bytes.size(), 70000u);
    EXPECT_FALSE(http.last_error().empty());
  }
  {
    const std::string url = server("VUP_CLOSED_URL");
    vup::Http http(url, false);
    ASSERT_TRUE(http.is_open());  // opening does not connect
    Recorder got;
    int status = -1;
    EXPECT_EQ(http.get_to_sink("body/10", 1000, got.sink(), status), HttpResult::network_error);
    EXPECT_EQ(status, 0);
    // The sentence names the host and its port ("https://" before, "/" after).
    EXPECT_EQ(http.last_error(), closed_port_text(url.substr(8, url.size() - 9)));
  }
}

TEST_F(HttpServers, SlowBodyArrivesWhole) {
  vup::Http http(server("VUP_FAULT_URL"), false);
  Recorder got;
  int status = 0;
  EXPECT_EQ(http.get_to_sink("slow/100000", 100000, got.sink(), status), HttpResult::success) << http.last_error();
  EXPECT_TRUE(got.bytes == pattern(100000));
  EXPECT_GT(got.chunks.size(), 1u);
}

// Only the user agent and what the platform itself adds: no Accept, no compression,
// no range or conditional request.
TEST_F(HttpServers, SendsNoHeadersOfItsOwn) {
  vup::Http http(server("VUP_FAULT_URL"), false);
  std::string body;
  int status = 0;
  ASSERT_EQ(http.get_to_memory("headers", 10000, body, status), HttpResult::success) << http.last_error();
  EXPECT_NE(body.find("User-Agent: VelmoraUpdater/1\n"), std::string::npos) << body;
  std::size_t start = 0;
  while (start < body.size()) {
    const std::size_t end = body.find('\n', start);
    const std::string line = body.substr(start, end - start);
    start = end == std::string::npos ? body.size() : end + 1;
    const std::string name = line.substr(0, line.find(':'));
    EXPECT_TRUE(name == "Host" || name == "User-Agent" || name == "Connection") << line;
  }
}

TEST_F(HttpServers, RefusesUnverifiedHosts) {
  for (const CertificateCase& c : certificate_cases()) {
    SCOPED_TRACE(c.url_variable);
    vup::Http http(server(c.url_variable), false);
    ASSERT_TRUE(http.is_open());
    Recorder got;
    int status = -1;
    EXPECT_EQ(http.get_to_sink("body/10", 1000, got.sink(), status), HttpResult::not_verified) << http.last_error();
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(got.chunks.empty());
    const std::string text = http.last_error();
    EXPECT_EQ(text.rfind(c.sentence, 0), 0u) << text;
    EXPECT_NE(text.find(" (error "), std::string::npos) << text;
    EXPECT_EQ(vup::describe_http_result(HttpResult::not_verified, status, http), text);
  }
}

TEST_F(HttpServers, PlainHttpIsRefusedUnlessAllowed) {
  std::string url = server("VUP_FAULT_URL");
  url.replace(0, 5, "http");
  vup::Http refused(url, false);
  EXPECT_FALSE(refused.is_open());
  // Allowed, a plain request to a TLS port fails as a network problem, not a certificate one.
  vup::Http plain(url, true);
  ASSERT_TRUE(plain.is_open());
  Recorder got;
  int status = 0;
  const HttpResult result = plain.get_to_sink("body/10", 1000, got.sink(), status);
  EXPECT_TRUE(result == HttpResult::network_error || result == HttpResult::bad_status) << static_cast<int>(result);
  EXPECT_TRUE(got.chunks.empty());
}

}  // namespace
