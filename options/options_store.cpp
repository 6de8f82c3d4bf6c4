#include "options/options_store.h"

#include "fs/file_primitives.h"
#include "log/log.h"
#include "options/ini_file.h"

namespace vup {

int IniOptionsFile::read_int(std::string_view section, std::string_view key, int default_value) {
  return read_ini_int(path_, section, key, default_value);
}

bool IniOptionsFile::exists() { return file_stat(path_).has_value(); }

bool IniOptionsFile::write(std::string_view section, std::string_view key, std::string_view value, int& error) {
  return write_ini_string(path_, section, key, value, error);
}

void IniOptionsFile::flush() { flush_ini_file(path_); }

PathString options_file_path(const PathString& game_folder) {
  PathString path = game_folder;
  path += path_separator;
  path += widen_bytes(options_file_name);
  return path;
}

GameOptions read_game_options(OptionsFile& file) {
  int read[6];
  for (int i = 0; i < 6; ++i) {
    const OptionsKey& key = options_read_keys[i];
    read[i] = file.read_int(key.section, key.key, key.default_value);
  }
  OptionsValues values;
  values.height = read[0];
  values.width = read[1];
  values.largescreen = read[2];
  values.intro = read[3];
  values.effects = read[4];
  values.music = read[5];
  return options_from_values(values);
}

bool write_game_options(OptionsFile& file, const GameOptions& options,
                        const std::function<void(std::string_view)>& log) {
  for (const OptionsEntry& entry : options_entries(options)) {
    int error = 0;
    if (!file.write(entry.section, entry.key, entry.value, error)) {
      if (log) log("options: could not write quillfen.ini (error " + std::to_string(error) + ")");
      return false;
    }
  }
  file.flush();
  return true;
}

OptionsStore::OptionsStore(OptionsFile& file, std::function<void(std::string_view)> log)
    : file_(file), log_(log ? std::move(log) : std::function<void(std::string_view)>(write_log_line)) {}

void OptionsStore::read() {
  options_ = read_game_options(file_);
  writable_ = file_.exists();
}

void OptionsStore::change(const GameOptions& options) {
  options_ = options;
  if (!writable_) {
    pending_ = true;
    return;
  }
  pending_ = false;
  (void)write_game_options(file_, options_, log_);
}

void OptionsStore::after_successful_update() {
  writable_ = true;
  if (!pending_) return;
  pending_ = false;
  (void)write_game_options(file_, options_, log_);
}

}  // namespace vup
