// The benchmark's SHA-256 through OpenSSL's EVP interface.
#include <openssl/evp.h>

#include "bench/bench_sha256.h"

struct BenchSha256::State {
  EVP_MD_CTX* ctx = nullptr;
  bool failed = false;
};

BenchSha256::BenchSha256() : state_(std::make_unique<State>()) {
  state_->ctx = EVP_MD_CTX_new();
  state_->failed = state_->ctx == nullptr || EVP_DigestInit_ex(state_->ctx, EVP_sha256(), nullptr) != 1;
}

BenchSha256::~BenchSha256() { EVP_MD_CTX_free(state_->ctx); }

bool BenchSha256::ok() const { return !state_->failed; }

void BenchSha256::update(const std::uint8_t* bytes, std::uint32_t count) {
  if (!state_->failed && EVP_DigestUpdate(state_->ctx, bytes, count) != 1) state_->failed = true;
}

std::string BenchSha256::finish_hex() {
  unsigned char digest[32];
  unsigned int size = 0;
  if (state_->failed || EVP_DigestFinal_ex(state_->ctx, digest, &size) != 1 || size != 32) return {};
  static const char hex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : digest) {
    out.push_back(hex[b >> 4]);
    out.push_back(hex[b & 15]);
  }
  return out;
}
