// Downloads one file with get_to_sink into a sink that hashes it, and prints the
// time, the throughput and the digest:
//   http_download_bench BASE_URL PATH SIZE [nohash]
// "nohash" drops the hashing, to tell the transport's share from the hash's.
// bench/http-download runs it against nginx beside curl and prints the ratio.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fs/file_primitives.h"
#include "net/http.h"

int main(int argc, char** argv) {
  const bool hash = argc == 4;
  if (argc != 4 && !(argc == 5 && std::string(argv[4]) == "nohash")) {
    std::fprintf(stderr, "usage: http_download_bench BASE_URL PATH SIZE [nohash]\n");
    return 2;
  }
  const std::uint64_t size = std::strtoull(argv[3], nullptr, 10);
  vup::Sha256 hasher;
  const auto start = std::chrono::steady_clock::now();
  vup::Http http(argv[1], false);
  std::uint64_t received = 0;
  const vup::DataSink sink = [&](const std::uint8_t* bytes, std::uint32_t count) {
    if (hash) hasher.update(bytes, count);
    received += count;
    return true;
  };
  int status = 0;
  const vup::HttpResult result = http.get_to_sink(argv[2], size, sink, status);
  const std::string digest = hasher.finish_hex().value_or("");
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (result != vup::HttpResult::success || received != size || (hash && digest.empty())) {
    std::fprintf(stderr, "http_download_bench: %s (%llu bytes)\n", vup::describe_http_result(result, status, http).c_str(),
                 static_cast<unsigned long long>(received));
    return 1;
  }
  std::printf("%.3f s %.1f MB/s %s\n", seconds, static_cast<double>(size) / 1048576.0 / seconds, digest.c_str());
  return 0;
}
