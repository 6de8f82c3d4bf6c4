#include "manifest/envelope.h"

#include <cstring>
#include <vector>

#include <nlohmann/json.hpp>

#include "manifest/base64.h"
#include "manifest/signature.h"

namespace quillfen::updater {
namespace {

ManifestResult refuse(int error, const char* detail = "") {
  ManifestResult result;
  result.error = error;
  result.detail = detail;
  return result;
}

ManifestResult open_checked(std::string_view envelope, const std::uint8_t (&public_key)[32],
                            std::int64_t min_seq) {
  if (envelope.size() > max_envelope_size) return refuse(manifest_too_large);

  const nlohmann::json root = nlohmann::json::parse(envelope.begin(), envelope.end(), nullptr,
                                                    /*allow_exceptions=*/false,
                                                    /*ignore_comments=*/false);
  if (root.is_discarded() || !root.is_object()) return refuse(envelope_malformed, "not a JSON object");

  const auto payload_it = root.find("payload");
  const auto sig_it = root.find("sig");
  if (payload_it == root.end() || sig_it == root.end() || !payload_it->is_string() ||
      !sig_it->is_string()) {
    return refuse(envelope_malformed, "payload or sig missing");
  }

  std::vector<std::uint8_t> payload;
  if (!base64_decode(payload_it->get_ref<const std::string&>(), payload) || payload.empty() ||
      payload.size() > max_payload_size) {
    return refuse(envelope_malformed, "payload");
  }
  std::vector<std::uint8_t> sig;
  if (!base64_decode(sig_it->get_ref<const std::string&>(), sig) || sig.size() != 64) {
    return refuse(envelope_malformed, "sig");
  }
  std::uint8_t signature[64];
  std::memcpy(signature, sig.data(), sizeof signature);
  if (!ed25519_signature_valid(signature, public_key, payload.data(), payload.size())) {
    return refuse(signature_invalid);
  }

  return parse_manifest(
      std::string_view(reinterpret_cast<const char*>(payload.data()), payload.size()), min_seq);
}

}  // namespace

ManifestResult open_signed_manifest(std::string_view envelope, const std::uint8_t (&public_key)[32],
                                    std::int64_t min_seq) noexcept {
  try {
    return open_checked(envelope, public_key, min_seq);
  } catch (...) {
    ManifestResult result;  // allocates nothing, so this cannot throw again
    result.error = manifest_internal_error;
    return result;
  }
}

}  // namespace quillfen::updater
