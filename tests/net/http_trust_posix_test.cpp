// Which authorities the native client trusts: the system's, or a private CA named
// the way curl and OpenSSL programs are given one. Each case sets the three
// variables itself; the test CA is found only where a case names it.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "net/http.h"
#include "tests/net/certificate_expectations.h"

namespace {

using vup::HttpResult;

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Sets or clears one variable for the life of the object, then puts back what was there.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value.empty()) {
      unsetenv(name);
    } else {
      setenv(name, value.c_str(), 1);
    }
  }
  ~ScopedVariable() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

TEST(HttpTrust, FindsAPrivateAuthorityWhereTheEnvironmentNamesIt) {
  const std::string url = variable("VUP_NGINX_URL");
  const std::string ca = variable("VUP_TEST_CA");
  const std::string ca_dir = variable("VUP_TEST_CA_DIR");
  const std::string other = variable("VUP_OTHER_CA");
  ASSERT_FALSE(url.empty() || ca.empty() || ca_dir.empty() || other.empty())
      << "run through tests/servers/with-servers";

  const struct {
    const char* what;
    std::string curl_bundle, cert_file, cert_dir;
    bool trusted;
  } cases[] = {
      {"a hashed folder alone", "", "", ca_dir, true},
      {"curl's bundle alone", ca, "", "", true},
      {"OpenSSL's file alone", "", ca, "", true},
      {"OpenSSL's file and folder together", "", other, ca_dir, true},
      {"curl's bundle comes first and alone", other, ca, ca_dir, false},
      {"nothing named: the system's authorities", "", "", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ScopedVariable curl_bundle("CURL_CA_BUNDLE", c.curl_bundle);
    const ScopedVariable cert_file("SSL_CERT_FILE", c.cert_file);
    const ScopedVariable cert_dir("SSL_CERT_DIR", c.cert_dir);
    vup::Http http(url, false);
    std::string body;
    int status = 0;
    const HttpResult result = http.get_to_memory("pattern-1000", 1000, body, status);
    if (c.trusted) {
      EXPECT_EQ(result, HttpResult::success) << http.last_error();
      EXPECT_EQ(body.size(), 1000u);
    } else {
      EXPECT_EQ(result, HttpResult::not_verified) << http.last_error();
      EXPECT_EQ(http.last_error().rfind(authority_sentence, 0), 0u) << http.last_error();
    }
  }
}

}  // namespace
