#include "manifest/envelope.h"

#include <cstring>
#include <vector>

#include "base/constants.h"
#include "manifest/base64.h"
#include "manifest/json_format_handler.h"
#include "manifest/signature.h"

namespace quillfen::updater {
namespace {

ManifestResult refuse(int error, const char* detail = "") {
  ManifestResult result;
  result.error = error;
  result.detail = detail;
  return result;
}

// The two members of the envelope, each with its last value. The payload, up to
// a million characters of Base64, is taken over from the parser, not copied.
class EnvelopeHandler final : public JsonFormatHandler {
 public:
  struct Member {
    bool is_string = false;
    std::string text;
  };

  bool root_object = false;
  Member payload;
  Member sig;

 protected:
  bool value(JsonScalar& value, bool& follow) override {
    if (depth() == 0) {
      root_object = value.kind == JsonScalar::Kind::object;
      follow = root_object;
    } else if (member_ != nullptr) {
      member_->is_string = value.kind == JsonScalar::Kind::string;
      if (member_->is_string) member_->text = std::move(value.text);
    }
    return true;
  }
  bool member(std::string_view name) override {
    using namespace std::string_view_literals;
    member_ = name == "payload"sv ? &payload : name == "sig"sv ? &sig : nullptr;
    return true;
  }
  bool end() override { return true; }

 private:
  Member* member_ = nullptr;
};

ManifestResult open_checked(std::string_view envelope, const std::uint8_t (&public_key)[32],
                            std::int64_t min_seq) {
  if (envelope.size() > vup::max_envelope_size) return refuse(manifest_too_large);

  EnvelopeHandler read;
  if (!read_json_format(envelope, read) || !read.root_object) return refuse(envelope_malformed, "not a JSON object");
  if (!read.payload.is_string || !read.sig.is_string) return refuse(envelope_malformed, "payload or sig missing");

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
