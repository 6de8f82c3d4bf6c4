#include "tools/update/advice.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "manifest/manifest.h"
#include "net/http.h"
#include "net/secure_failure.h"
#include "net/trust_store.h"

namespace vup::tools {
namespace {

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (ascii_lower(text[i]) != ascii_lower(prefix[i])) return false;
  }
  return true;
}

bool ends_with(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// WinHTTP reports a connection that was never made only by its code, which the
// window shows as it is ("request failed (error 12029)"); here it is said in words,
// with the host.
std::optional<std::string> winhttp_connect_sentence(std::string_view message, std::string_view update_address) {
  constexpr std::string_view marker = "request failed (error ";
  const std::size_t at = message.find(marker);
  if (at == std::string_view::npos) return std::nullopt;
  const char* first = message.data() + at + marker.size();
  std::uint32_t code = 0;
  const auto [end, error] = std::from_chars(first, message.data() + message.size(), code);
  if (error != std::errc() || end == message.data() + message.size() || *end != ')') return std::nullopt;
  const std::optional<net::ConnectFailure> kind = net::winhttp_connect_failure(code);
  const std::optional<BaseAddress> address = parse_base_address(update_address, false);
  if (!kind || !address) return std::nullopt;
  std::string sentence = net::connect_failure_text(*kind, *address, static_cast<long>(code));
  sentence[0] = ascii_upper(sentence[0]);
  return sentence;
}

}  // namespace

std::string outcome_line(const Outcome& outcome) {
  const std::string_view short_text = outcome_short_text(outcome.code);
  std::string message = outcome.message.empty() ? std::string("out of memory") : outcome.message;
  // The status says "server" where the message says "host"; once is enough.
  constexpr std::string_view host_not_verified = "the update host could not be verified: ";
  if (outcome.code == code_not_verified && message.rfind(host_not_verified, 0) == 0) {
    message.erase(0, host_not_verified.size());
  }
  if (!starts_with_ignoring_case(message, short_text)) return std::string(short_text) + ": " + message;
  message[0] = ascii_upper(message[0]);
  return message;
}

std::vector<std::string> advice_lines(const Outcome& outcome, std::string_view update_address) {
  switch (outcome.code) {
    case code_unreachable: {
      const std::optional<std::string> sentence = winhttp_connect_sentence(outcome.message, update_address);
      if (!sentence) return {};
      return {*sentence + ": check that the update server is running and that this machine can reach it "
                          "(a firewall, a proxy), then run velmora-update again."};
    }
    case code_game_missing:
      return {"This folder holds no game yet: add --install to install the game here, or name the game's folder "
              "with --folder DIR."};
    case code_not_verified:
      if (outcome.message.find("not from an authority") == std::string::npos) return {};
      return {std::string("If the update host's certificate comes from a private certificate authority, ") +
              net::private_ca_advice() + "; a public host needs a certificate from a public authority."};
    case code_untrusted: {
      const std::string signature = quillfen::updater::manifest_error_text(quillfen::updater::signature_invalid);
      if (!ends_with(outcome.message, signature)) return {};
      return {"The release on the update server was signed with another key than the one built into this program. "
              "The studio must publish with the secret key of this program's public key, or build the program with "
              "the public key of the key that signed the release (velmora-publish public-key --secret-key FILE "
              "prints it)."};
    }
    case code_download_failed: {
      // The download's message is the game path, ": ", and what went wrong.
      const std::string missing = ": the server answered 404";
      if (!ends_with(outcome.message, missing)) return {};
      const std::string path = outcome.message.substr(0, outcome.message.size() - missing.size());
      return {"The update server does not have " + path +
              " (it answered 404): the release there is incomplete. Upload the release's whole files/ folder "
              "with its manifest.json, then run velmora-update again."};
    }
    default:
      return {};
  }
}

}  // namespace vup::tools
