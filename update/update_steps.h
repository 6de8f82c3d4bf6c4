// The steps of an update run, each on its own; run_update_impl takes them in
// order. A step that can end the run returns its Outcome: code 0 means go on.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fs/file_primitives.h"
#include "manifest/update_state.h"
#include "net/http.h"
#include "update/outcome.h"
#include "update/reporter.h"
#include "update/updated_folder.h"

namespace vup {

// The paths a run builds from the game folder. All are in the long form where the
// platform has one, so a game folder near the length limit of plain paths works
// like any other.
struct GameFolderPaths {
  PathString folder;      // as given; what the folder record keeps
  PathString root;        // the folder in the long form
  PathString executable;  // the game, checked before a normal run
  PathString state_file;  // the saved state
};
[[nodiscard]] GameFolderPaths game_folder_paths(const PathString& game_folder);

// Reads the saved state into `state`; true when the file was read and accepted. A
// state that cannot be read or is refused leaves `state` empty, with a note.
bool load_state(Reporter& reporter, const PathString& state_file, quillfen::updater::UpdateState& state);

// Fetches "manifest.json" into `body` with the client just opened on the update
// server: code 20 when the client did not open or the fetch failed, 25 when the
// host could not be verified.
[[nodiscard]] Outcome fetch_manifest(Reporter& reporter, Http& http, std::string& body);

// Checks the signed manifest in `body` (no older than the state's last seq) and
// takes its seq, creation text and entries into `folder`.
[[nodiscard]] Outcome verify_manifest(Reporter& reporter, std::string_view body,
                                      const std::uint8_t (&public_key)[32], UpdatedFolder& folder);

// Maps every entry to its local path (`folder.local_paths`), examining each folder
// on the way once, and gives the status of each file found there (empty where
// there is none) from the same examination. An entry at a name the updater keeps
// for its own files is refused like an unsafe path (code 22).
[[nodiscard]] Outcome map_paths(Reporter& reporter, const PathString& game_folder, UpdatedFolder& folder,
                                std::vector<std::optional<FileStat>>& found);

// The state keys of the manifest's entries (their folded paths), made once a run.
class ManifestKeys {
 public:
  explicit ManifestKeys(const std::vector<quillfen::updater::FileEntry>& entries);
  // The key of entry `index`.
  [[nodiscard]] const std::string& of(std::size_t index) const { return keys_[index]; }
  // The keys in byte order, the order of the state's records, and the entry of
  // each of them.
  [[nodiscard]] const std::vector<std::string_view>& sorted() const { return sorted_; }
  [[nodiscard]] const std::vector<std::size_t>& sorted_entries() const { return sorted_entries_; }

 private:
  std::vector<std::string> keys_;              // manifest order
  std::vector<std::size_t> sorted_entries_;    // entry indices in the byte order of their keys
  std::vector<std::string_view> sorted_;       // the keys in that order
};

enum PlanStatus { up_to_date = 0, kept = 1, to_download = 2 };

struct CheckPlan {
  std::vector<PlanStatus> status;  // one per manifest entry
  std::uint32_t download_count = 0;
  std::uint64_t download_bytes = 0;
  bool state_changed = false;  // a file was hashed and its record stored
};

// Classifies every entry from the status `map_paths` found; the state cache spares
// hashing files whose size and time it knows, unless `full_check` has every file
// read (its record is then replaced by what the file holds now).
[[nodiscard]] CheckPlan plan_checks(Reporter& reporter, const std::atomic<bool>& stop, UpdatedFolder& folder,
                                    const ManifestKeys& keys, const std::vector<std::optional<FileStat>>& found,
                                    bool full_check);

// Stops the run when the drive of `root` lacks the bytes to download plus a
// margin, or when its free space cannot be read.
[[nodiscard]] Outcome check_free_space(Reporter& reporter, const PathString& root, const CheckPlan& plan);

// Downloads every planned file in manifest order and records each in the state.
// The launcher's entry, when `running_program` is that file, comes last and is
// swapped in (see running_launcher_entry); `folder.launcher_replaced` then says so.
// When it fails or stops, the folders it made and left empty are removed again.
[[nodiscard]] Outcome download_planned(Reporter& reporter, Http& http, const std::atomic<bool>& stop,
                                       UpdatedFolder& folder, const ManifestKeys& keys, const CheckPlan& plan,
                                       const PathString& game_folder, const PathString& running_program);

using KeptRecords = std::vector<std::pair<std::string, quillfen::updater::StateRecord>>;

// Removes the ".dll" and ".rk" files the state knows and the manifest no longer
// lists, when they are still the files this updater installed: the same size and
// time as recorded, or else the recorded SHA-256; with `full_check` only the
// SHA-256 counts. Returns the records of those it could not remove, for the next
// run to try again.
[[nodiscard]] KeptRecords remove_departed_files(Reporter& reporter, const UpdatedFolder& folder,
                                                const ManifestKeys& keys, const PathString& game_folder,
                                                bool full_check);

// Keeps in `state` the records of manifest files, and puts back the kept records
// where no record has their key: at most max_kept_state_records of them, the
// first in key order, so the state written stays one the next run reads. True
// when that changed the state.
bool keep_state_records(quillfen::updater::UpdateState& state, const ManifestKeys& keys, const KeptRecords& kept);

// Raises the state's last seq to the manifest's and writes the state, unless
// nothing changed since it was read (`changed` false and the seq already there):
// a run with nothing to do writes nothing. A failed write is a note, not a failure:
// the state only spares hashing. So is a stop while the write waits for a state
// file that another program holds: the game files are all in place by then, and
// the next run checks again what the old state does not know.
void save_state(Reporter& reporter, UpdatedFolder& folder, const PathString& state_file, bool changed,
                const std::atomic<bool>& stop);

}  // namespace vup
