#include "net/http.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/secure_failure.h"
#include "tests/net/certificate_expectations.h"

namespace {

using vup::HttpResult;

TEST(BaseAddress, AcceptsHostPortAndPath) {
  const struct {
    const char* address;
    bool allow_http;
    bool secure;
    const char* host;
    std::uint16_t port;
    const char* base_path;
  } cases[] = {
      {"https://h/", false, true, "h", 443, "/"},
      {"https://h:8443/a/b/", false, true, "h", 8443, "/a/b/"},
      {"https://updates.example-host.com:65535/x/", false, true, "updates.example-host.com", 65535, "/x/"},
      {"https://127.0.0.1:1/", false, true, "127.0.0.1", 1, "/"},
      {"http://h/", true, false, "h", 80, "/"},
      {"http://h:8080/p/", true, false, "h", 8080, "/p/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    const auto parsed = vup::parse_base_address(c.address, c.allow_http);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->secure, c.secure);
    EXPECT_EQ(parsed->host, c.host);
    EXPECT_EQ(parsed->port, c.port);
    EXPECT_EQ(parsed->base_path, c.base_path);
  }
}

TEST(BaseAddress, RefusesEverythingElse) {
  const struct {
    const char* address;
    bool allow_http;
  } cases[] = {
      {"https://h", false},          // no "/" after the host
      {"https:///", false},          // empty host
      {"https://", false},           // nothing after the scheme
      {"https://h/x", false},        // does not end with "/"
      {"https://h:/", false},        // empty port
      {"https://:443/", false},      // empty host before the port
      {"https://h:0/", false},       // port 0
      {"https://h:65536/", false},   // above 65535
      {"https://h:123456/", false},  // six digits
      {"https://h:8a/", false},      // not a number
      {"https://h:-1/", false},
      {"https://user@h/", false},    // user information
      {"https://user:pw@h/", false},
      {"https://[::1]/", false},     // bracketed address literal
      {"https://h_x/", false},       // not a host character
      {"https://h%41/", false},
      {"HTTPS://h/", false},         // scheme is case-sensitive
      {"http://h/", false},          // plain http not allowed
      {"ftp://h/", true},
      {"h/", true},
      {"", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    EXPECT_FALSE(vup::parse_base_address(c.address, c.allow_http).has_value());
  }
}

// A refused address leaves a client that is not open: every request fails at once
// with status 0, the sink is never called and the body stays empty.
TEST(Http, RefusedAddressGivesAClosedClient) {
  for (const char* address : {"https://h", "http://127.0.0.1:1/"}) {
    SCOPED_TRACE(address);
    vup::Http http(address, false);
    EXPECT_FALSE(http.is_open());
    EXPECT_EQ(http.last_error(), "the update address is not acceptable");

    int status = -1;
    int calls = 0;
    const vup::DataSink sink = [&calls](const std::uint8_t*, std::uint32_t) { return ++calls, true; };
    EXPECT_EQ(http.get_to_sink("manifest.json", 100, sink, status), HttpResult::network_error);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(calls, 0);

    std::string body = "stale";
    status = -1;
    EXPECT_EQ(http.get_to_memory("manifest.json", 100, body, status), HttpResult::network_error);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(http.last_error(), "the update address is not acceptable");
    EXPECT_EQ(vup::describe_http_result(HttpResult::network_error, 0, http),
              "network problem: the update address is not acceptable");
  }
}

TEST(Http, DescribesEveryResult) {
  const vup::Http http("https://h", false);  // not open; last_error is known
  const struct {
    HttpResult result;
    int status;
    const char* text;
  } cases[] = {
      {HttpResult::success, 200, "ok"},
      {HttpResult::network_error, 0, "network problem: the update address is not acceptable"},
      {HttpResult::bad_status, 404, "the server answered 404"},
      {HttpResult::bad_status, 301, "the server answered 301"},
      {HttpResult::too_large, 200, "the server sent more than expected"},
      {HttpResult::sink_stopped, 200, "the download was stopped"},
      {HttpResult::not_verified, 0, "the update address is not acceptable"},
      {static_cast<HttpResult>(6), 0, "unknown"},
      {static_cast<HttpResult>(-1), 0, "unknown"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.result));
    EXPECT_EQ(vup::describe_http_result(c.result, c.status, http), c.text);
  }
}

constexpr const char* revoked_sentence = "the host's certificate has been revoked";
constexpr const char* invalid_sentence = "the host's certificate is not valid";

TEST(SecureFailure, ChoosesTheFirstRuleThatHolds) {
  const struct {
    std::uint32_t code;
    std::uint32_t flags;
    const char* sentence;
    const char* tail;
  } cases[] = {
      {12037, 0, date_sentence, " (error 12037, flags 0x00000000)"},
      {12175, 0x20, date_sentence, " (error 12175, flags 0x00000020)"},
      // The date rule is tested first, whatever else is set.
      {12175, 0x7f, date_sentence, " (error 12175, flags 0x0000007f)"},
      {12045, 0x20, date_sentence, " (error 12045, flags 0x00000020)"},
      {12038, 0x08, authority_sentence, " (error 12038, flags 0x00000008)"},
      {12045, 0, authority_sentence, " (error 12045, flags 0x00000000)"},
      {12175, 0x18, authority_sentence, " (error 12175, flags 0x00000018)"},
      {12038, 0, name_sentence, " (error 12038, flags 0x00000000)"},
      {12175, 0x14, name_sentence, " (error 12175, flags 0x00000014)"},
      {12170, 0, revoked_sentence, " (error 12170, flags 0x00000000)"},
      {12175, 0x04, revoked_sentence, " (error 12175, flags 0x00000004)"},
      {12169, 0, invalid_sentence, " (error 12169, flags 0x00000000)"},
      {12179, 0, invalid_sentence, " (error 12179, flags 0x00000000)"},
      {12175, 0x02, invalid_sentence, " (error 12175, flags 0x00000002)"},
      {12175, 0x40, invalid_sentence, " (error 12175, flags 0x00000040)"},
      {12057, 0x01, setup_sentence, " (error 12057, flags 0x00000001)"},
      {12157, 0, setup_sentence, " (error 12157, flags 0x00000000)"},
      {12175, 0x80000000, setup_sentence, " (error 12175, flags 0x80000000)"},
      // The POSIX transport reports OpenSSL's verification code the same way.
      {10, 0x20, date_sentence, " (error 10, flags 0x00000020)"},
      {20, 0x08, authority_sentence, " (error 20, flags 0x00000008)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.code) + " " + std::to_string(c.flags));
    EXPECT_EQ(vup::net::secure_failure_text(c.code, c.flags), std::string(c.sentence) + c.tail);
  }
}

TEST(ConnectFailure, NamesTheHostAndAPortOtherThanTheSchemes) {
  const auto address = [](const char* text) { return *vup::parse_base_address(text, true); };
  const struct {
    vup::net::ConnectFailure kind;
    const char* address;
    long code;
    const char* text;
  } cases[] = {
      {vup::net::ConnectFailure::refused, "https://h.example/", 7, "the connection to h.example was refused (error 7)"},
      {vup::net::ConnectFailure::refused, "https://h:8443/a/", 7, "the connection to h:8443 was refused (error 7)"},
      {vup::net::ConnectFailure::cannot_connect, "https://h:443/", 12029,
       "no connection to h could be made (error 12029)"},
      {vup::net::ConnectFailure::timed_out, "http://h:443/", 28, "the connection to h:443 timed out (error 28)"},
      {vup::net::ConnectFailure::timed_out, "http://h:80/", 12002, "the connection to h timed out (error 12002)"},
      // A name that was not found has no port to speak of.
      {vup::net::ConnectFailure::name_not_found, "https://no-such.example:8443/", 6,
       "the host name no-such.example was not found (error 6)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(vup::net::connect_failure_text(c.kind, address(c.address), c.code), c.text);
  }
}

TEST(SecureFailure, KnowsTheSecureChannelCodes) {
  for (std::uint32_t code : {12037u, 12038u, 12045u, 12057u, 12157u, 12169u, 12170u, 12175u, 12179u}) {
    EXPECT_TRUE(vup::net::is_secure_channel_error(code)) << code;
  }
  for (std::uint32_t code : {0u, 12002u, 12029u, 12030u, 12152u, 12044u}) {
    EXPECT_FALSE(vup::net::is_secure_channel_error(code)) << code;
  }
}

TEST(ContentLength, ReadsDecimalDigitsOnly) {
  constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
  const struct {
    const char* text;
    std::optional<std::uint64_t> value;
  } cases[] = {
      {"0", 0},
      {"1048576", 1048576},
      {"18446744073709551615", max},
      {"18446744073709551616", max},  // beyond 64 bits: above any limit, never wrapped
      {"99999999999999999999999", max},
      {"", std::nullopt},
      {"12a", std::nullopt},
      {"-1", std::nullopt},
      {" 5", std::nullopt},
      {"0x10", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(vup::net::parse_content_length(c.text), c.value);
  }
}

// The limit is checked on the running total before a chunk reaches the sink.
TEST(BodyDelivery, NoByteBeyondTheLimitReachesTheSink) {
  std::vector<std::uint32_t> seen;
  const vup::DataSink sink = [&seen](const std::uint8_t*, std::uint32_t count) {
    seen.push_back(count);
    return true;
  };
  const std::uint8_t chunk[4] = {1, 2, 3, 4};

  vup::net::BodyDelivery exact(8, sink);
  EXPECT_EQ(exact.deliver(chunk, 4), vup::net::BodyDelivery::Step::go_on);
  EXPECT_EQ(exact.deliver(chunk, 4), vup::net::BodyDelivery::Step::go_on);
  EXPECT_EQ(exact.total(), 8u);
  EXPECT_FALSE(exact.announced_too_large(8));
  EXPECT_TRUE(exact.announced_too_large(9));

  seen.clear();
  vup::net::BodyDelivery over(7, sink);
  EXPECT_EQ(over.deliver(chunk, 4), vup::net::BodyDelivery::Step::go_on);
  EXPECT_EQ(over.deliver(chunk, 4), vup::net::BodyDelivery::Step::too_large);
  EXPECT_EQ(seen, std::vector<std::uint32_t>{4});

  // A body shorter than announced broke off; without an announcement nothing can tell.
  EXPECT_TRUE(over.ended_short(9));
  EXPECT_FALSE(exact.ended_short(8));
  EXPECT_FALSE(exact.ended_short(std::nullopt));

  bool go_on = true;
  const vup::DataSink stopping = [&go_on](const std::uint8_t*, std::uint32_t) { return go_on; };
  vup::net::BodyDelivery stopped(100, stopping);
  EXPECT_EQ(stopped.deliver(chunk, 4), vup::net::BodyDelivery::Step::go_on);
  go_on = false;
  EXPECT_EQ(stopped.deliver(chunk, 4), vup::net::BodyDelivery::Step::sink_stopped);
}

}  // namespace
