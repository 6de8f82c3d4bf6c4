// SHA-256 for the benchmark's sink, straight from the platform's provider
// (OpenSSL natively, CNG on Windows), so the benchmark needs nothing else.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class BenchSha256 {
 public:
  BenchSha256();
  ~BenchSha256();
  BenchSha256(const BenchSha256&) = delete;
  BenchSha256& operator=(const BenchSha256&) = delete;

  [[nodiscard]] bool ok() const;
  void update(const std::uint8_t* bytes, std::uint32_t count);
  // 64 lower-case hex digits; empty after any failure.
  [[nodiscard]] std::string finish_hex();

 private:
  struct State;
  std::unique_ptr<State> state_;
};
