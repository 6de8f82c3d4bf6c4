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

// The two members of the envelope, each with its last value. The payload, up to
// a million characters of Base64, is kept as its place in the envelope's text
// when it needed no decoding (as Base64 never does), not copied.
class EnvelopeHandler final : public JsonHandler {
 public:
  struct Member {
    bool is_string = false;
    std::string_view text;  // in the envelope, or in `decoded`
    std::string decoded;
  };

  explicit EnvelopeHandler(std::string_view envelope) : envelope_(envelope) {}

  bool root_object = false;
  Member payload;
  Member sig;

  bool null_value() override { return other(); }
  bool boolean(bool) override { return other(); }
  bool number(const JsonNumber&) override { return other(); }
  bool string(std::string_view value) override {
    if (Member* member = slot()) {
      member->is_string = true;
      const bool in_envelope = value.data() >= envelope_.data() &&
                               value.data() + value.size() <= envelope_.data() + envelope_.size();
      if (in_envelope) {
        member->text = value;
      } else {
        member->decoded.assign(value);
        member->text = member->decoded;
      }
    }
    return true;
  }
  bool begin_object() override {
    if (depth_ == 0) root_object = true;
    return open();
  }
  bool key(std::string_view name) override {
    using namespace std::string_view_literals;
    if (depth_ == 1 && root_object) member_ = name == "payload"sv ? &payload : name == "sig"sv ? &sig : nullptr;
    return true;
  }
  bool end_object() override { return close(); }
  bool begin_array() override { return open(); }
  bool end_array() override { return close(); }

 private:
  // The member a value at this depth belongs to, if any.
  Member* slot() const { return depth_ == 1 && root_object ? member_ : nullptr; }
  bool other() {
    if (Member* member = slot()) member->is_string = false;
    return true;
  }
  bool open() {
    other();
    ++depth_;
    return true;
  }
  bool close() {
    --depth_;
    return true;
  }

  std::string_view envelope_;
  std::size_t depth_ = 0;
  Member* member_ = nullptr;
};

ManifestResult open_checked(std::string_view envelope, const std::uint8_t (&public_key)[32],
                            std::int64_t min_seq) {
  if (envelope.size() > vup::max_envelope_size) return refuse(manifest_too_large);

  EnvelopeHandler read(envelope);
  if (!read_json(envelope, read) || !read.root_object) return refuse(envelope_malformed, "not a JSON object");
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
