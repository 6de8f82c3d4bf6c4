// POSIX file primitives: open/read/write/fsync/rename, statvfs, /proc/self/exe
// and OpenSSL's SHA-256.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <openssl/evp.h>

#include <cerrno>
#include <vector>

#include "fs/digest_text.h"
#include "fs/file_primitives.h"
#include "fs/file_stat_posix.h"

namespace vup {
namespace {

constexpr std::uint32_t max_piece = 1073741824;  // 1 GiB per write or hash update
constexpr std::size_t hash_buffer_size = 1048576;
constexpr std::size_t read_chunk_size = 65536;

int open_retrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Opens a regular file for reading. O_NONBLOCK keeps the open of a pipe or device
// from waiting for a partner; anything but a regular file is then refused (errno
// EISDIR for a folder, EINVAL for the rest). On a regular file O_NONBLOCK changes
// nothing. `size` is the file's size when it was opened.
UniqueFile open_regular_file(const char* path, std::uint64_t& size) {
  UniqueFile file(open_retrying(path, O_RDONLY | O_NONBLOCK | O_NOCTTY));
  if (!file.valid()) return file;
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return UniqueFile();
  if (!S_ISREG(info.st_mode)) {
    const int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    file.close();
    errno = error;
  }
  size = static_cast<std::uint64_t>(info.st_size);
  return file;
}

ssize_t read_retrying(int fd, void* buffer, std::size_t count) {
  ssize_t got;
  do {
    got = ::read(fd, buffer, count);
  } while (got < 0 && errno == EINTR);
  return got;
}

// Writes all `count` bytes, going on after short writes; false with errno set.
bool write_all_retrying(int fd, const char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t wrote = ::write(fd, bytes, count);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      if (wrote == 0) errno = EIO;
      return false;
    }
    bytes += wrote;
    count -= static_cast<std::size_t>(wrote);
  }
  return true;
}

PathString parent_of(const PathString& path) {
  const auto slash = path.find_last_of('/');
  if (slash == PathString::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Makes a rename inside `folder` durable where it can. A folder that cannot be
// opened or synced (some file systems say EINVAL) leaves the rename done all the
// same: it only may not survive a power cut.
void sync_folder(const PathString& folder) {
  const UniqueFile fd(open_retrying(folder.c_str(), O_RDONLY | O_DIRECTORY));
  if (fd.valid()) (void)::fsync(fd.get());
}

}  // namespace

struct Sha256::State {
  EVP_MD_CTX* context = nullptr;
  ~State() {
    if (context != nullptr) EVP_MD_CTX_free(context);
  }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->context = EVP_MD_CTX_new();
  if (state_->context == nullptr || EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1) {
    failed_ = true;
  }
}

Sha256::~Sha256() = default;

void Sha256::update(const void* bytes, std::uint32_t count) {
  const auto* at = static_cast<const unsigned char*>(bytes);
  while (!failed_ && count > 0) {
    const std::uint32_t piece = count < max_piece ? count : max_piece;
    if (EVP_DigestUpdate(state_->context, at, piece) != 1) failed_ = true;
    at += piece;
    count -= piece;
  }
}

std::optional<std::string> Sha256::finish_hex() {
  if (failed_) return std::nullopt;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  // A finished context cannot be fed again; marking it failed keeps a second
  // finish from reporting a digest of nothing.
  const bool ok = EVP_DigestFinal_ex(state_->context, digest, &length) == 1 && length == 32;
  failed_ = true;
  if (!ok) return std::nullopt;
  return hex_lower(digest, length);
}

std::optional<std::string> hash_file(const PathString& path, const std::atomic<bool>* stop,
                                     std::uint64_t* bytes_hashed) {
  std::uint64_t size = 0;
  const UniqueFile file = open_regular_file(path.c_str(), size);
  if (!file.valid()) return std::nullopt;
  (void)::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  Sha256 hasher;
  std::vector<unsigned char> buffer(hash_buffer_size);
  std::uint64_t total = 0;
  for (;;) {
    if (stop != nullptr && stop->load()) return std::nullopt;
    const ssize_t got = read_retrying(file.get(), buffer.data(), buffer.size());
    if (got < 0) return std::nullopt;
    if (got == 0) {
      if (bytes_hashed != nullptr) *bytes_hashed = total;
      return hasher.finish_hex();
    }
    hasher.update(buffer.data(), static_cast<std::uint32_t>(got));
    total += static_cast<std::uint64_t>(got);
  }
}

OutputFile::~OutputFile() = default;

bool OutputFile::create(const PathString& path) {
  file_.close();
  // A link or pipe someone left at this name goes; O_EXCL then makes sure that
  // the file opened is the new one, not something put back in between.
  (void)::unlink(path.c_str());
  file_ = UniqueFile(open_retrying(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666));
  if (!file_.valid()) return false;
  (void)::posix_fadvise(file_.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  return true;
}

bool OutputFile::write_all(const void* bytes, std::uint32_t count) {
  if (count == 0) return true;
  if (!file_.valid()) return false;
  const auto* at = static_cast<const unsigned char*>(bytes);
  while (count > 0) {
    const std::uint32_t piece = count < max_piece ? count : max_piece;
    const ssize_t wrote = ::write(file_.get(), at, piece);
    if (wrote < 0 && errno == EINTR) continue;
    // A short write is normal on POSIX (a signal, a nearly full disk): go on with
    // the rest; a full disk then fails the next call with ENOSPC.
    if (wrote <= 0) return false;
    at += wrote;
    count -= static_cast<std::uint32_t>(wrote);
  }
  return true;
}

bool OutputFile::flush_and_close() {
  if (!file_.valid()) return false;
  const bool flushed = ::fsync(file_.get()) == 0;
  // close can report a delayed write error (network file systems): that is a
  // failed flush too.
  const bool closed = file_.close();
  return flushed && closed;
}

void OutputFile::close() { (void)file_.close(); }

bool OutputFile::is_open() const { return file_.valid(); }

int last_error_code() { return errno; }

void remove_file(const PathString& path) { (void)::unlink(path.c_str()); }

int delete_file(const PathString& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

int replace_file(const PathString& source, const PathString& destination) {
  {
    // The content must be on the disk before the name points at it.
    const UniqueFile file(open_retrying(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (!file.valid()) return errno;
    if (::fsync(file.get()) != 0 && errno != EINVAL) return errno;
  }
  if (::rename(source.c_str(), destination.c_str()) != 0) return errno;
  // From here on the destination is the new file: this is success.
  sync_folder(parent_of(destination));
  return 0;
}

int copy_file(const PathString& source, const PathString& destination) {
  std::uint64_t size = 0;
  const UniqueFile from = open_regular_file(source.c_str(), size);
  if (!from.valid()) return errno;
  struct stat info {};
  if (::fstat(from.get(), &info) != 0) return errno;
  UniqueFile to(open_retrying(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL, info.st_mode & 0777));
  if (!to.valid()) return errno;
  const auto fail = [&] {
    const int error = errno;
    to = UniqueFile();
    ::unlink(destination.c_str());
    return error;
  };
  std::vector<char> chunk(read_chunk_size);
  for (;;) {
    const ssize_t got = read_retrying(from.get(), chunk.data(), chunk.size());
    if (got < 0) return fail();
    if (got == 0) break;
    if (!write_all_retrying(to.get(), chunk.data(), static_cast<std::size_t>(got))) return fail();
  }
  if (::fsync(to.get()) != 0) return fail();
  sync_folder(parent_of(destination));
  return 0;
}

bool is_in_use_error(int) { return false; }

bool create_parent_folders(const PathString& game_folder, const PathString& full_path,
                           std::vector<PathString>* created) {
  const PathString prefix = game_folder + "/";
  if (full_path.size() <= prefix.size() || full_path.compare(0, prefix.size(), prefix) != 0) {
    errno = EINVAL;
    return false;
  }
  for (auto slash = full_path.find('/', prefix.size()); slash != PathString::npos;
       slash = full_path.find('/', slash + 1)) {
    const PathString folder = full_path.substr(0, slash);
    if (::mkdir(folder.c_str(), 0777) == 0) {
      if (created != nullptr) created->push_back(folder);
    } else if (errno != EEXIST) {
      return false;
    }
  }
  return true;
}

bool remove_empty_folder(const PathString& folder) { return ::rmdir(folder.c_str()) == 0; }

std::optional<std::uint64_t> free_disk_space(const PathString& folder) {
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

PathString program_path() {
  std::vector<char> buffer(32768);
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return {};
  return PathString(buffer.data(), static_cast<std::size_t>(length));
}

PathString program_folder() {
  const PathString path = program_path();
  const auto slash = path.find_last_of('/');
  if (slash == PathString::npos || slash == 0) return {};
  return path.substr(0, slash);
}

ReadResult read_whole_file(const PathString& path, std::uint32_t cap, std::string& bytes) {
  bytes.clear();
  std::uint64_t size = 0;
  const UniqueFile file = open_regular_file(path.c_str(), size);
  if (!file.valid()) return (errno == ENOENT || errno == ENOTDIR) ? read_not_found : read_error;
  // Room for what the file holds now (it may still change), up to the cap.
  bytes.reserve(static_cast<std::size_t>(size < cap ? size : cap));
  std::vector<char> chunk(read_chunk_size);
  for (;;) {
    const ssize_t got = read_retrying(file.get(), chunk.data(), chunk.size());
    if (got < 0) {
      bytes.clear();
      return read_error;
    }
    if (got == 0) return read_ok;
    if (bytes.size() + static_cast<std::size_t>(got) > cap) {
      bytes.clear();
      return read_too_large;
    }
    bytes.append(chunk.data(), static_cast<std::size_t>(got));
  }
}

std::optional<FileStat> file_stat(const PathString& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return file_stat_of(info);
}

std::string narrow_ascii(PathView text) {
  std::string narrow;
  narrow.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead >= 1 && lead <= 127) {
      narrow.push_back(static_cast<char>(lead));
      ++i;
      continue;
    }
    // One "?" per well-formed UTF-8 character; every other byte is a "?" of its own.
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    std::size_t k = 1;
    while (k < length && i + k < text.size() && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80) ++k;
    narrow.push_back('?');
    i += (k == length) ? length : 1;
  }
  return narrow;
}

PathString widen_bytes(std::string_view text) { return PathString(text); }

}  // namespace vup
