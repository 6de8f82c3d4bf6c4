// The file layer through which everything else touches files: SHA-256, explicit
// output files, replacement, atomic small-file writes, folders, whole-file reads,
// file status, free space and the two plain text conversions. Failures are
// results; nothing throws except when memory runs out. Paths that may be long
// already carry the "\\?\" prefix on Windows.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fs/platform_path.h"
#include "fs/unique_file.h"

namespace vup {

// SHA-256 through the platform's provider (CNG on Windows, OpenSSL on POSIX).
// Once a step fails the hasher stays failed and finish_hex gives nothing.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // Feeds `count` bytes (in pieces of at most 1 GiB).
  void update(const void* bytes, std::uint32_t count);
  // 64 lower-case hex digits; empty when any step failed. Call once.
  [[nodiscard]] std::optional<std::string> finish_hex();

 private:
  struct State;
  std::unique_ptr<State> state_;
  bool failed_ = false;
};

// The digest of a whole file, read 1 MiB at a time, and in `bytes_hashed` (when
// given) the number of bytes that digest covers: both come from the same read.
// Empty when the file cannot be opened or read, or when `stop` is set before one
// of the reads. On POSIX, anything but a regular file (a pipe, a device) is
// refused without waiting for it.
[[nodiscard]] std::optional<std::string> hash_file(const PathString& path, const std::atomic<bool>* stop = nullptr,
                                                   std::uint64_t* bytes_hashed = nullptr);

// A new file opened for writing alone, flushed and closed explicitly; destruction
// closes a file still open without flushing.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Whatever stands at `path` (an older file, a link someone placed there) is
  // removed first and a new file is made; a link is never followed. False when
  // that fails, or when something is put back at `path` in between.
  [[nodiscard]] bool create(const PathString& path);
  // True when every byte was written; false at once on a failed or short write.
  [[nodiscard]] bool write_all(const void* bytes, std::uint32_t count);
  // Flushes to the disk and closes; true when the flush succeeded. The file is
  // closed either way. False when nothing was open.
  [[nodiscard]] bool flush_and_close();
  // Closes without flushing (used before deleting a file that failed).
  void close();
  [[nodiscard]] bool is_open() const;

 private:
  UniqueFile file_;
};

// The platform's error code of the last failed call on this thread (GetLastError
// on Windows, errno on POSIX), read right after the call that failed.
[[nodiscard]] int last_error_code();

// Deletes a file; a failure is ignored.
void remove_file(const PathString& path);
// Deletes a file; 0 on success, else the platform's error code.
[[nodiscard]] int delete_file(const PathString& path);

// Moves `source` over `destination`, replacing it, and returns once the move is on
// the disk. 0 on success, else the platform's error code (see is_in_use_error).
// Once the move has happened the result is 0, even if making it durable afterwards
// failed. It tries once; replace_file_when_free waits for a held file.
[[nodiscard]] int replace_file(const PathString& source, const PathString& destination);

// Copies `source` to `destination`, which must not exist yet, and returns once the
// copy is on the disk. 0 on success, else the platform's error code; a failed copy
// leaves no file at `destination`.
[[nodiscard]] int copy_file(const PathString& source, const PathString& destination);

// True when a failed move's error code says that another program holds one of the
// files: a sharing violation (32) or access denied (5) on Windows; never on POSIX,
// where an open file does not keep a rename from happening.
[[nodiscard]] bool is_in_use_error(int error);

// Writes `destination` + ".tmp", flushes it and moves it over `destination`,
// waiting up to about 10 s while another program holds either file, and reading
// `stop` (when given) during that wait. On any failure, a stop included, the
// temporary file is gone and `destination` is untouched.
[[nodiscard]] bool write_file_atomically(const PathString& destination, const void* bytes, std::uint32_t count,
                                         const std::atomic<bool>* stop = nullptr);

// Creates every missing folder between `game_folder` and the file `full_path`
// below it (neither the game folder nor the file itself), and appends to `created`
// (when given) each folder it made, outermost first. On failure the platform's
// error code is left for last_error_code().
[[nodiscard]] bool create_parent_folders(const PathString& game_folder, const PathString& full_path,
                                         std::vector<PathString>* created = nullptr);

// Removes `folder` when it is empty; true when it is gone. A folder that holds
// anything stays as it is.
bool remove_empty_folder(const PathString& folder);

// Bytes available to this user on the volume of `folder`; empty when the query
// fails, with the platform's error code left for last_error_code().
[[nodiscard]] std::optional<std::uint64_t> free_disk_space(const PathString& folder);

// The running executable's full path; empty on failure.
[[nodiscard]] PathString program_path();
// The folder of the running executable without a trailing separator; empty on failure.
[[nodiscard]] PathString program_folder();

enum ReadResult : int { read_ok = 0, read_not_found = 1, read_error = 2, read_too_large = 3 };

// Reads a small file whole. Anything but read_ok leaves `bytes` empty. A missing
// file or folder on the way is read_not_found; more than `cap` bytes is
// read_too_large; a folder, and on POSIX a pipe or device, is read_error (without
// waiting for it).
[[nodiscard]] ReadResult read_whole_file(const PathString& path, std::uint32_t cap, std::string& bytes);

struct FileStat {
  std::uint64_t size = 0;
  std::uint64_t last_write = 0;  // the platform's file time, compared for equality only
};

// Size and last-write time of a file; empty for a folder, for anything else that is
// not a regular file, and when the query fails.
[[nodiscard]] std::optional<FileStat> file_stat(const PathString& path);

// Platform text for messages and listings: every ASCII character 1-127 kept, every
// other character (a UTF-16 unit on Windows, a UTF-8 character or stray byte on
// POSIX) written as one "?".
[[nodiscard]] std::string narrow_ascii(PathView text);
// Each byte becomes one platform character (on Windows zero-extended to UTF-16).
[[nodiscard]] PathString widen_bytes(std::string_view text);

}  // namespace vup
