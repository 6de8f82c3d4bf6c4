// Win32 file primitives and CNG (BCrypt) SHA-256.
#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "fs/digest_text.h"
#include "fs/file_primitives.h"

namespace vup {
namespace {

constexpr DWORD max_piece = 1073741824;  // 1 GiB per write or hash update
constexpr DWORD hash_buffer_size = 1048576;
constexpr DWORD read_chunk_size = 65536;
constexpr DWORD replace_flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

}  // namespace

struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::vector<UCHAR> object;
  ~State() {
    if (hash != nullptr) BCryptDestroyHash(hash);
    if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  if (BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
    state_->algorithm = nullptr;
    failed_ = true;
    return;
  }
  DWORD object_length = 0;
  ULONG written = 0;
  if (BCryptGetProperty(state_->algorithm, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&object_length),
                        sizeof object_length, &written, 0) != 0) {
    failed_ = true;
    return;
  }
  state_->object.assign(object_length, 0);
  if (BCryptCreateHash(state_->algorithm, &state_->hash, state_->object.data(), object_length, nullptr, 0, 0) !=
      0) {
    state_->hash = nullptr;
    failed_ = true;
  }
}

Sha256::~Sha256() = default;

void Sha256::update(const void* bytes, std::uint32_t count) {
  // BCryptHashData takes a non-const pointer but does not write through it.
  auto* at = static_cast<UCHAR*>(const_cast<void*>(bytes));
  while (!failed_ && count > 0) {
    const ULONG piece = count < max_piece ? count : max_piece;
    if (BCryptHashData(state_->hash, at, piece, 0) != 0) failed_ = true;
    at += piece;
    count -= piece;
  }
}

std::optional<std::string> Sha256::finish_hex() {
  if (failed_) return std::nullopt;
  UCHAR digest[32];
  const bool ok = BCryptFinishHash(state_->hash, digest, sizeof digest, 0) == 0;
  // A finished hash cannot be used again.
  failed_ = true;
  if (!ok) return std::nullopt;
  return hex_lower(digest, sizeof digest);
}

std::optional<std::string> hash_file(const PathString& path, const std::atomic<bool>* stop,
                                     std::uint64_t* bytes_hashed) {
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) return std::nullopt;
  Sha256 hasher;
  std::vector<unsigned char> buffer(hash_buffer_size);
  std::uint64_t total = 0;
  for (;;) {
    if (stop != nullptr && stop->load()) return std::nullopt;
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer.data(), hash_buffer_size, &got, nullptr)) return std::nullopt;
    if (got == 0) {
      if (bytes_hashed != nullptr) *bytes_hashed = total;
      return hasher.finish_hex();
    }
    hasher.update(buffer.data(), got);
    total += got;
  }
}

OutputFile::~OutputFile() = default;

bool OutputFile::create(const PathString& path) {
  file_.close();
  // A link someone left at this name is deleted, not followed; CREATE_NEW with
  // FILE_FLAG_OPEN_REPARSE_POINT then refuses whatever is put back in between
  // (or could not be deleted) instead of opening it.
  DeleteFileW(path.c_str());
  file_ = UniqueFile(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT,
                                 nullptr));
  return file_.valid();
}

bool OutputFile::write_all(const void* bytes, std::uint32_t count) {
  if (count == 0) return true;
  if (!file_.valid()) return false;
  const auto* at = static_cast<const unsigned char*>(bytes);
  while (count > 0) {
    const DWORD piece = count < max_piece ? count : max_piece;
    DWORD wrote = 0;
    if (!WriteFile(file_.get(), at, piece, &wrote, nullptr) || wrote != piece) return false;
    at += piece;
    count -= piece;
  }
  return true;
}

bool OutputFile::flush_and_close() {
  if (!file_.valid()) return false;
  const bool flushed = FlushFileBuffers(file_.get()) != 0;
  (void)file_.close();
  return flushed;
}

void OutputFile::close() { (void)file_.close(); }

bool OutputFile::is_open() const { return file_.valid(); }

int last_error_code() { return static_cast<int>(GetLastError()); }

void remove_file(const PathString& path) { DeleteFileW(path.c_str()); }

int delete_file(const PathString& path) {
  return DeleteFileW(path.c_str()) ? 0 : static_cast<int>(GetLastError());
}

int replace_file(const PathString& source, const PathString& destination) {
  if (MoveFileExW(source.c_str(), destination.c_str(), replace_flags)) return 0;
  return static_cast<int>(GetLastError());
}

int copy_file(const PathString& source, const PathString& destination) {
  // CopyFileW removes a copy it could not finish.
  if (!CopyFileW(source.c_str(), destination.c_str(), TRUE)) return static_cast<int>(GetLastError());
  const UniqueFile copy(CreateFileW(destination.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (copy.valid()) (void)FlushFileBuffers(copy.get());
  return 0;
}

bool is_in_use_error(int error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED; }

bool create_parent_folders(const PathString& game_folder, const PathString& full_path,
                           std::vector<PathString>* created) {
  const PathString prefix = L"\\\\?\\" + game_folder + L"\\";
  if (full_path.size() <= prefix.size() || full_path.compare(0, prefix.size(), prefix) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  for (auto slash = full_path.find(L'\\', prefix.size()); slash != PathString::npos;
       slash = full_path.find(L'\\', slash + 1)) {
    const PathString folder = full_path.substr(0, slash);
    if (CreateDirectoryW(folder.c_str(), nullptr)) {
      if (created != nullptr) created->push_back(folder);
    } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
  }
  return true;
}

bool remove_empty_folder(const PathString& folder) { return RemoveDirectoryW(folder.c_str()) != 0; }

std::optional<std::uint64_t> free_disk_space(const PathString& folder) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

PathString program_path() {
  // Long enough for any path the platform gives; a cut path would name the wrong file.
  std::vector<wchar_t> buffer(32768);
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return {};
  return PathString(buffer.data(), length);
}

PathString program_folder() {
  const PathString path = program_path();
  const auto slash = path.find_last_of(L'\\');
  if (slash == PathString::npos) return {};
  return path.substr(0, slash);
}

ReadResult read_whole_file(const PathString& path, std::uint32_t cap, std::string& bytes) {
  bytes.clear();
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    const DWORD code = GetLastError();
    return (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) ? read_not_found : read_error;
  }
  // Room for what the file holds now (it may still change), up to the cap.
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
    bytes.reserve(static_cast<std::size_t>(static_cast<std::uint64_t>(size.QuadPart) < cap ? size.QuadPart : cap));
  }
  std::vector<char> chunk(read_chunk_size);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), chunk.data(), read_chunk_size, &got, nullptr)) {
      bytes.clear();
      return read_error;
    }
    if (got == 0) return read_ok;
    if (bytes.size() + got > cap) {
      bytes.clear();
      return read_too_large;
    }
    bytes.append(chunk.data(), got);
  }
}

std::optional<FileStat> file_stat(const PathString& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  FileStat stat;
  stat.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  stat.last_write = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                    data.ftLastWriteTime.dwLowDateTime;
  return stat;
}

std::string narrow_ascii(PathView text) {
  std::string narrow(text.size(), '?');
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= 1 && text[i] <= 127) narrow[i] = static_cast<char>(text[i]);
  }
  return narrow;
}

PathString widen_bytes(std::string_view text) {
  PathString wide(text.size(), L'\0');
  for (std::size_t i = 0; i < text.size(); ++i) wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
  return wide;
}

}  // namespace vup
