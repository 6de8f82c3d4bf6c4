// Throughput of SHA-256 hashing, for hash.sh:
//   hash_bench hash FILE     hash_file over FILE
//   hash_bench read FILE     the same 1 MiB reads, without hashing
//   hash_bench sha MIB       the hasher alone over MIB MiB already in memory
// Prints one line: mode, digest (or "-"), bytes, seconds, MiB/s, peak resident KiB.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/peak_memory.h"
#include "fs/file_primitives.h"

namespace {

constexpr std::size_t buffer_size = 1048576;

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: hash_bench hash|read FILE, or hash_bench sha MIB\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::string argument = argv[2];
  std::string digest = "-";
  std::uint64_t bytes = 0;
  const auto start = std::chrono::steady_clock::now();
  if (mode == "hash") {
    const auto result = vup::hash_file(vup::widen_bytes(argument));
    if (!result) {
      std::fprintf(stderr, "hash_bench: cannot hash %s\n", argument.c_str());
      return 1;
    }
    digest = *result;
    const auto stat = vup::file_stat(vup::widen_bytes(argument));
    bytes = stat ? stat->size : 0;
  } else if (mode == "read") {
    std::FILE* file = std::fopen(argument.c_str(), "rb");
    if (file == nullptr) return 1;
    std::vector<char> buffer(buffer_size);
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;) bytes += got;
    std::fclose(file);
  } else if (mode == "sha") {
    const long mib = std::strtol(argument.c_str(), nullptr, 10);
    std::vector<unsigned char> buffer(buffer_size, 0x5A);
    vup::Sha256 hasher;
    for (long i = 0; i < mib; ++i) hasher.update(buffer.data(), buffer_size);
    digest = hasher.finish_hex().value_or("failed");
    bytes = static_cast<std::uint64_t>(mib) * buffer_size;
  } else {
    return 2;
  }
  const double seconds = seconds_since(start);
  std::printf("%s %s %llu %.3f %.1f %llu\n", mode.c_str(), digest.c_str(), static_cast<unsigned long long>(bytes),
              seconds, bytes / 1048576.0 / seconds, static_cast<unsigned long long>(peak_resident_kib()));
  return 0;
}
