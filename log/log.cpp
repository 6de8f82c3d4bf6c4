#include "log/log.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "log/log_platform.h"

namespace vup {
namespace {

// Set by the first successful opening and kept until the process ends, unless the
// program hands the log to another process (close_log). Lines read it under the
// writing mutex, so no line can meet a stream being closed.
std::atomic<std::FILE*> log_stream{nullptr};
std::mutex opening_mutex;
// Keeps each line whole whatever the C runtime's own stream locking does.
std::mutex writing_mutex;

constexpr auto in_use_pause = std::chrono::milliseconds(50);

// One opening; true when it should be tried again: another process holds the file.
bool try_open_log() {
  const std::lock_guard<std::mutex> lock(opening_mutex);
  // Only the first opening of a process counts: a later run neither rotates nor
  // reopens the file this process already writes.
  if (log_stream.load() != nullptr) return false;
  const PathString folder = log_folder();
  if (folder.empty()) return false;
  bool in_use = false;
  if (std::FILE* file = detail::open_log_file(folder, in_use)) log_stream.store(file);
  return in_use;
}

}  // namespace

void open_log() { (void)try_open_log(); }

void open_log_waiting(std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (try_open_log() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(in_use_pause);
}

void write_log_line(std::string_view message) {
  if (log_stream.load() == nullptr) return;
  std::tm local{};
  if (!detail::to_local_time(std::time(nullptr), local)) local = std::tm{};
  const std::string line = format_log_line(local, message);
  const std::lock_guard<std::mutex> lock(writing_mutex);
  std::FILE* file = log_stream.load();
  if (file == nullptr) return;
  // Failures are silent: the log must never fail its caller.
  (void)std::fwrite(line.data(), 1, line.size(), file);
  (void)std::fflush(file);
}

void close_log() {
  const std::lock_guard<std::mutex> opening(opening_mutex);
  const std::lock_guard<std::mutex> writing(writing_mutex);
  if (std::FILE* file = log_stream.exchange(nullptr)) std::fclose(file);
}

std::string format_log_line(const std::tm& local, std::string_view message) {
  char time_text[32];
  const std::size_t length = std::strftime(time_text, sizeof time_text, "%Y-%m-%d %H:%M:%S", &local);
  std::string line;
  line.reserve(length + 2 + message.size() + 1);
  line.append(time_text, length);
  line += "  ";
  line += message;
  line += '\n';
  return line;
}

}  // namespace vup
