// The benchmark's SHA-256 through CNG (BCrypt).
#include <windows.h>
#include <bcrypt.h>

#include "bench/bench_sha256.h"

struct BenchSha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool failed = false;
};

BenchSha256::BenchSha256() : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.failed = BCryptOpenAlgorithmProvider(&s.algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0 ||
             BCryptCreateHash(s.algorithm, &s.hash, nullptr, 0, nullptr, 0, 0) < 0;
}

BenchSha256::~BenchSha256() {
  if (state_->hash) BCryptDestroyHash(state_->hash);
  if (state_->algorithm) BCryptCloseAlgorithmProvider(state_->algorithm, 0);
}

bool BenchSha256::ok() const { return !state_->failed; }

void BenchSha256::update(const std::uint8_t* bytes, std::uint32_t count) {
  if (!state_->failed && BCryptHashData(state_->hash, const_cast<PUCHAR>(bytes), count, 0) < 0) state_->failed = true;
}

std::string BenchSha256::finish_hex() {
  unsigned char digest[32];
  if (state_->failed || BCryptFinishHash(state_->hash, digest, sizeof digest, 0) < 0) return {};
  static const char hex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : digest) {
    out.push_back(hex[b >> 4]);
    out.push_back(hex[b & 15]);
  }
  return out;
}
