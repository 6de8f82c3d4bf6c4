#include "manifest/envelope.h"

#include <cstring>
#include <vector>

#include "manifest/base64.h"
#include "manifest/json_reader.h"
#include "manifest/signature.h"
#include "update/constants.h"

namespace quillfen::updater {
namespace {

ManifestResult refuse(int error, const char* detail = "") {
  ManifestResult result;
  result.error = error;
  result.detail = detail;
  return result;
}

// The two members of the envelope; a key given twice counts with its last value.
class EnvelopeHandler final : public JsonFormatHandler {
 public:
  bool root_object = false;
  JsonScalar payload;
  JsonScalar sig;

 protected:
  bool value(JsonScalar& value, bool& follow) override {
    if (depth() == 0) {
      root_object = value.kind == JsonScalar::Kind::object;
      follow = root_object;
    } else if (slot_ != nullptr) {
      *slot_ = std::move(value);
    }
    return true;
  }
  bool member(std::string& name) override {
    using namespace std::string_view_literals;
    const std::string_view given = name;
    slot_ = given == "payload"sv ? &payload : given == "sig"sv ? &sig : nullptr;
    return true;
  }
  bool end() override { return true; }

 private:
  JsonScalar* slot_ = nullptr;
};

ManifestResult open_checked(std::string_view envelope, const std::uint8_t (&public_key)[32],
                            std::int64_t min_seq) {
  if (envelope.size() > vup::max_envelope_size) return refuse(manifest_too_large);

  EnvelopeHandler read;
  if (!read_json(envelope, read) || !read.root_object) return refuse(envelope_malformed, "not a JSON object");
  if (read.payload.kind != JsonScalar::Kind::string || read.sig.kind != JsonScalar::Kind::string) {
    return refuse(envelope_malformed, "payload or sig missing");
  }

  std::vector<std::uint8_t> payload;
  if (!base64_decode(read.payload.text, payload) || payload.empty() || payload.size() > vup::max_payload_size) {
    return refuse(envelope_malformed, "payload");
  }
  std::vector<std::uint8_t> sig;
  if (!base64_decode(read.sig.text, sig) || sig.size() != 64) {
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
