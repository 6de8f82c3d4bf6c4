// The lines velmora-update adds after a failed run, for what the run's own message
// leaves to guess.
#include "tools/update/advice.h"

#include <gtest/gtest.h>

namespace {

using vup::Outcome;
using vup::tools::advice_lines;

TEST(Advice, SaysWhatWinHttpsConnectionCodesMean) {
  const struct {
    const char* message;
    const char* address;
    const char* first_words;  // empty: no line
  } cases[] = {
      {"could not check for updates (request failed (error 12029)). Try again later.", "https://up.example:8443/g/",
       "No connection to up.example:8443 could be made (error 12029): check that the update server is running"},
      {"could not check for updates (request failed (error 12002)). Try again later.", "https://up.example/",
       "The connection to up.example timed out (error 12002): check"},
      {"could not check for updates (request failed (error 12007)). Try again later.", "https://up.example:8443/",
       "The host name up.example was not found (error 12007): check"},
      // Codes that say nothing of the connection, and messages that say it already.
      {"could not check for updates (request failed (error 12030)). Try again later.", "https://up.example/", ""},
      {"could not check for updates (request failed (error 12029. Try again later.", "https://up.example/", ""},
      {"could not check for updates (the connection to up.example was refused (error 7)). Try again later.",
       "https://up.example/", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const auto lines = advice_lines(Outcome{vup::code_unreachable, c.message}, c.address);
    if (*c.first_words == '\0') {
      EXPECT_TRUE(lines.empty());
    } else {
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_EQ(lines[0].rfind(c.first_words, 0), 0u) << lines[0];
    }
  }
}

TEST(Advice, OnlyForTheOutcomeItExplains) {
  // The same words in a download's message (code 31) are not a failed connection to the host.
  EXPECT_TRUE(advice_lines(Outcome{vup::code_download_failed, "Data/a.rk: request failed (error 12029)"},
                           "https://up.example/")
                  .empty());
}

TEST(Advice, AnUnknownAuthorityIsSaidOnceWithWhatToDo) {
  const Outcome outcome{vup::code_not_verified,
                        "the update host could not be verified: the host's certificate is not from an authority "
                        "this system trusts (error 20, flags 0x00000008)."};
  EXPECT_EQ(vup::tools::outcome_line(outcome),
            "The update server could not be verified: the host's certificate is not from an authority this system "
            "trusts (error 20, flags 0x00000008).");
  const auto lines = advice_lines(outcome, "https://up.example/");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("private certificate authority"), std::string::npos) << lines[0];
  // A certificate for another name is not fixed by trusting a CA.
  EXPECT_TRUE(advice_lines(Outcome{vup::code_not_verified,
                                   "the update host could not be verified: the host's certificate is for a "
                                   "different name (error 60, flags 0x00000010)."},
                           "https://up.example/")
                  .empty());
}

}  // namespace
