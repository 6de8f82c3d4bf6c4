// The game options as the updater holds them: read once from the game's options
// file at start, written back on every change while the file may be written, and
// held until the installing update run has succeeded while it may not (so no
// options file is ever created in a folder that does not hold the game yet).
// Window thread only.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "fs/platform_path.h"
#include "options/game_options.h"

namespace vup {

// The options file, seen through the calls the store makes.
class OptionsFile {
 public:
  virtual ~OptionsFile() = default;
  // The integer at section/key, or `default_value`.
  [[nodiscard]] virtual int read_int(std::string_view section, std::string_view key, int default_value) = 0;
  // Whether the file exists as a regular file (not a folder).
  [[nodiscard]] virtual bool exists() = 0;
  // False with the platform's error code when the entry could not be written.
  [[nodiscard]] virtual bool write(std::string_view section, std::string_view key, std::string_view value,
                                   int& error) = 0;
  // Puts what was written on the disk.
  virtual void flush() = 0;
};

// The game folder's "quillfen.ini" through the platform's INI functions.
class IniOptionsFile final : public OptionsFile {
 public:
  explicit IniOptionsFile(PathString path) : path_(std::move(path)) {}
  int read_int(std::string_view section, std::string_view key, int default_value) override;
  bool exists() override;
  bool write(std::string_view section, std::string_view key, std::string_view value, int& error) override;
  void flush() override;

 private:
  PathString path_;
};

// game folder + separator + "quillfen.ini".
[[nodiscard]] PathString options_file_path(const PathString& game_folder);

// Reads the six values of options_read_keys and maps them.
[[nodiscard]] GameOptions read_game_options(OptionsFile& file);

// Writes every entry of options_entries in order and then flushes the file. The
// first entry that fails stops the write (nothing after it, no flush) and is
// logged as "options: could not write quillfen.ini (error N)". True when all
// entries were written.
bool write_game_options(OptionsFile& file, const GameOptions& options,
                        const std::function<void(std::string_view)>& log);

class OptionsStore {
 public:
  // `log` receives the line of a failed write (the log file in the program).
  explicit OptionsStore(OptionsFile& file, std::function<void(std::string_view)> log = {});

  // Once, at start: the options from the file (defaults for what is missing), and
  // whether the file may be written: only when it exists now.
  void read();

  [[nodiscard]] const GameOptions& options() const { return options_; }
  [[nodiscard]] bool writable() const { return writable_; }
  // A change is waiting for the file to become writable.
  [[nodiscard]] bool pending() const { return pending_; }

  // The screen's new values, saved at once while the file is writable, else held.
  // A failed write is logged only; the new values stay.
  void change(const GameOptions& options);

  // After an update run succeeded: the game is in place, so the file may be written
  // from now on, and held changes are written now.
  void after_successful_update();

  // Holds every change from now on until after_successful_update, whether the file
  // exists or not: the folder does not hold the game (yet), so a file of that name
  // there is not the game's, or one that the install may still replace.
  void hold() { writable_ = false; }

 private:
  OptionsFile& file_;
  std::function<void(std::string_view)> log_;
  GameOptions options_;
  bool writable_ = false;
  bool pending_ = false;
};

}  // namespace vup
