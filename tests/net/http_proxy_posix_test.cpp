// The native client through a proxy named in the environment, as curl goes through
// it: a plain tunnelling proxy and one spoken to over TLS (the test servers' proxies).
#include <stdlib.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/http.h"
#include "tests/net/certificate_expectations.h"

namespace {

using vup::HttpResult;

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Points this process at one proxy for the test's lifetime, with nothing exempt
// (with-servers exempts localhost for every other test), and puts it all back after.
class ProxyEnvironment {
 public:
  explicit ProxyEnvironment(const std::string& proxy) {
    for (const char* name : names) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
    setenv("https_proxy", proxy.c_str(), 1);
  }
  ~ProxyEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name, value->c_str(), 1);
      } else {
        unsetenv(name);
      }
    }
  }
  ProxyEnvironment(const ProxyEnvironment&) = delete;
  ProxyEnvironment& operator=(const ProxyEnvironment&) = delete;

 private:
  static constexpr const char* names[] = {"https_proxy", "HTTPS_PROXY", "http_proxy", "all_proxy",
                                          "ALL_PROXY",   "no_proxy",    "NO_PROXY"};
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

std::string pattern(std::size_t n) {
  std::string out(n, '\0');
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char>(i % 251);
  return out;
}

// The request lines the proxies have seen so far.
std::vector<std::string> proxy_log() {
  std::ifstream file(variable("VUP_PROXY_LOG"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

// "CONNECT localhost:P HTTP/1.1" for the server at `url` ("https://localhost:P/").
std::string connect_line(const std::string& url) {
  return "CONNECT " + url.substr(8, url.size() - 9) + " HTTP/1.1";
}

class HttpThroughProxy : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(variable("VUP_PROXY_LOG").empty()) << "run through tests/servers/with-servers";
  }
  std::string proxy() const { return variable(GetParam()); }
};

TEST_P(HttpThroughProxy, FilesArriveThroughTheTunnel) {
  const std::string url = variable("VUP_NGINX_URL");
  const std::size_t seen_before = proxy_log().size();
  ProxyEnvironment environment(proxy());
  vup::Http http(url, false);
  ASSERT_TRUE(http.is_open()) << http.last_error();

  for (std::size_t size : {65537u, 0u, 1048576u}) {
    SCOPED_TRACE(size);
    std::string body = "stale";
    int status = 0;
    ASSERT_EQ(http.get_to_memory("pattern-" + std::to_string(size), static_cast<std::uint32_t>(size), body, status),
              HttpResult::success)
        << http.last_error();
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(body == pattern(size));
  }
  // The limit and the status rules hold through the tunnel as they do without it.
  std::string body;
  int status = 0;
  EXPECT_EQ(http.get_to_memory("pattern-65537", 65536, body, status), HttpResult::too_large);
  EXPECT_EQ(http.get_to_memory("no-such-file", 1000, body, status), HttpResult::bad_status);
  EXPECT_EQ(status, 404);

  const std::vector<std::string> seen = proxy_log();
  ASSERT_GT(seen.size(), seen_before);
  EXPECT_EQ(seen.back(), connect_line(url));
}

TEST_P(HttpThroughProxy, WrongCertificateBehindTheProxyIsStillRefused) {
  const std::string url = variable("VUP_WRONG_NAME_URL");
  ProxyEnvironment environment(proxy());
  vup::Http http(url, false);
  std::string body;
  int status = -1;
  EXPECT_EQ(http.get_to_memory("body/10", 1000, body, status), HttpResult::not_verified);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(http.last_error().rfind(name_sentence, 0), 0u) << http.last_error();
  EXPECT_EQ(proxy_log().back(), connect_line(url));
}

// A proxy that will not open the tunnel is a network problem that names its answer.
TEST_P(HttpThroughProxy, RefusedTunnelIsANetworkError) {
  ProxyEnvironment environment(proxy());
  vup::Http http("https://updates.velmora.invalid/", false);
  std::string body;
  int status = -1;
  EXPECT_EQ(http.get_to_memory("manifest.json", 1000, body, status), HttpResult::network_error);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(http.last_error().rfind("the proxy answered 403 (error ", 0), 0u) << http.last_error();
  EXPECT_EQ(proxy_log().back(), "CONNECT updates.velmora.invalid:443 HTTP/1.1");
}

INSTANTIATE_TEST_SUITE_P(Proxies, HttpThroughProxy, ::testing::Values("VUP_PROXY_URL", "VUP_TLS_PROXY_URL"),
                         [](const auto& info) { return std::string(info.param).substr(4); });

}  // namespace
