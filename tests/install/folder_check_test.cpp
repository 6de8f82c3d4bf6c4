#include "install/folder_check.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fs/utf8_path.h"
#include "install/folder_names.h"
#include "install/install_marker.h"
#include "update/game_files.h"

namespace {

using vup::FolderCheck;
using vup::FolderKind;
using vup::FolderListing;
using vup::PathKind;
using vup::PathString;

TEST(FolderNames, CompareWithoutAsciiCaseOnly) {
  EXPECT_TRUE(vup::same_name("KSLV41.EXE", "KSLv41.exe"));
  EXPECT_FALSE(vup::same_name("KSLv41.exe ", "KSLv41.exe"));
  EXPECT_FALSE(vup::same_name("KSLv41.ex", "KSLv41.exe"));
  // Only A-Z fold: "É" and "é" differ, and so do "Velmora" and "Velmorá".
  EXPECT_FALSE(vup::same_name("\xC3\x89", "\xC3\xA9"));
  EXPECT_TRUE(vup::same_name("caf\xC3\xA9", "CAF\xC3\xA9"));
}

TEST(FolderNames, AllowedEntries) {
  struct Case {
    const char* name;
    bool allowed;
  };
  const Case cases[] = {
      {"World.rk", true},           {"ENGINE.DLL", true},         {"music.acm", true},
      {"keys.aes", true},           {"intro.avi", true},          {"KSLv41.exe.manifest", true},
      {"World.rk.vup-part", true},  {"Data", true},               {"data", true},
      {"README.txt", true},         {"quillfen.ini", true},       {"quillfen.ini.tmp", true},
      {"VelmoraUpdater.installing", true},     {"VelmoraUpdater.installing.tmp", true},
      {"VelmoraUpdater.state.json.tmp", true}, {"VelmoraUpdater.state.json", false},
      {"photo.jpg", false},         {"World.rk.bak", false},      {"Data2", false},
      {"readme.txt.old", false},    {"rk", false},                {"VelmoraUpdater.exe", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(vup::is_allowed_entry(c.name), c.allowed);
  }
}

TEST(FolderNames, WindowsFolderRulesOnThePathText) {
  using std::string_view;
  using std::wstring_view;
  EXPECT_TRUE(vup::is_network_folder(wstring_view(L"\\\\server\\share\\Games")));
  EXPECT_TRUE(vup::is_network_folder(string_view("\\\\?\\C:\\Games")));
  EXPECT_FALSE(vup::is_network_folder(wstring_view(L"C:\\Games")));
  EXPECT_FALSE(vup::is_network_folder(wstring_view(L"\\")));
  EXPECT_FALSE(vup::is_network_folder(string_view("/home/ann/Games")));
  EXPECT_TRUE(vup::is_drive_root(wstring_view(L"C:")));
  EXPECT_TRUE(vup::is_drive_root(string_view("d:")));
  EXPECT_FALSE(vup::is_drive_root(wstring_view(L"C:\\")));
  EXPECT_FALSE(vup::is_drive_root(wstring_view(L"C:\\Games")));
  EXPECT_FALSE(vup::is_drive_root(string_view("/")));
}

FolderListing listing(std::vector<std::string> names, bool ok = true) { return FolderListing{ok, std::move(names)}; }

TEST(Classify, FolderKinds) {
  struct Case {
    const char* name;
    FolderListing listing;
    bool drive_root;
    bool marker_matches;
    FolderKind kind;
  };
  const std::vector<std::string> started = {"VelmoraUpdater.exe", "VelmoraUpdater.installing", "World.rk", "Data",
                                            "quillfen.ini", "VelmoraUpdater.state.json"};
  const Case cases[] = {
      {"failed listing", listing({"VelmoraUpdater.exe"}, false), false, false, FolderKind::other},
      {"empty listing", listing({}), false, false, FolderKind::other},
      {"the program alone", listing({"VelmoraUpdater.exe"}), false, false, FolderKind::updater_alone},
      {"with its state file", listing({"VelmoraUpdater.state.json", "velmoraupdater.EXE"}), false, false,
       FolderKind::updater_alone},
      {"alone at a drive root", listing({"VelmoraUpdater.exe"}), true, false, FolderKind::other},
      {"with the backups of its own updates", listing({"VelmoraUpdater.exe", "VelmoraUpdater.exe.old",
                                                       "velmoraupdater.exe.3.OLD"}),
       false, false, FolderKind::updater_alone},
      {"marker and a backup", listing({"VelmoraUpdater.installing", "VelmoraUpdater.exe.1.old", "World.rk"}), false,
       true, FolderKind::install_started},
      {"a backup name beyond the ten", listing({"VelmoraUpdater.exe", "VelmoraUpdater.exe.10.old"}), false, false,
       FolderKind::other},
      {"the game", listing({"photo.jpg", "KSLv41.exe"}), false, false, FolderKind::game},
      {"the game in capitals", listing({"KSLV41.EXE", "VelmoraUpdater.exe"}), false, false, FolderKind::game},
      {"the game at a drive root", listing({"KSLv41.exe"}), true, false, FolderKind::game},
      {"started here", listing(started), false, true, FolderKind::install_started},
      {"started elsewhere", listing(started), false, false, FolderKind::install_moved},
      {"started, at a drive root", listing(started), true, true, FolderKind::other},
      {"marker alone, foreign", listing({"VelmoraUpdater.installing"}), false, false, FolderKind::install_moved},
      {"marker with allowed names in other cases",
       listing({"velmoraupdater.INSTALLING", "readme.TXT", "MAP.VUP-PART", "DATA"}), false, true,
       FolderKind::install_started},
      {"marker with a photo", listing({"VelmoraUpdater.installing", "photo.jpg", "World.rk"}), false, true,
       FolderKind::other},
      {"a photo", listing({"VelmoraUpdater.exe", "photo.jpg"}), false, false, FolderKind::other},
      {"game files without a marker", listing({"VelmoraUpdater.exe", "World.rk"}), false, true, FolderKind::other},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(vup::classify(c.listing, c.drive_root, "VelmoraUpdater.exe", c.marker_matches), c.kind);
  }
}

// A file system made of listings, path kinds and marker answers.
class FakeProbe final : public vup::FolderProbe {
 public:
  std::map<PathString, FolderListing> listings;
  std::map<PathString, PathKind> kinds;
  std::map<PathString, bool> markers;
  int calls = 0;

  FolderListing list(const PathString& folder) override {
    ++calls;
    const auto it = listings.find(folder);
    return it == listings.end() ? FolderListing{} : it->second;
  }
  PathKind kind(const PathString& path) override {
    ++calls;
    const auto it = kinds.find(path);
    return it == kinds.end() ? PathKind::missing : it->second;
  }
  bool marker_matches(const PathString& folder) override {
    ++calls;
    const auto it = markers.find(folder);
    return it != markers.end() && it->second;
  }
};

const PathString game_folder = VUP_PATH("C:\\Games\\Download");
const PathString subfolder = vup::child_path(game_folder, "Velmora");

TEST(CheckFolder, NetworkFolderCannotHoldTheGame) {
  FakeProbe probe;
  const FolderCheck check = vup::check_folder(probe, VUP_PATH("\\\\server\\share\\Games"), "VelmoraUpdater.exe");
  EXPECT_TRUE(check.cannot_hold);
  EXPECT_EQ(check.message,
            "The game can only be installed on this PC's own drives, not a network folder. Put VelmoraUpdater.exe "
            "in a folder on this PC, then start it again.");
  EXPECT_EQ(probe.calls, 0) << "nothing on the share is looked at";
}

TEST(CheckFolder, KindsTargetsAndTheSubfolder) {
  struct Case {
    const char* name;
    PathString folder;
    FolderListing here;
    bool marker_here;
    PathKind sub_kind;
    FolderListing sub;
    bool marker_sub;
    FolderKind kind;
    bool cannot_hold;
    bool unfinished;
  };
  const FolderListing photo = listing({"VelmoraUpdater.exe", "photo.jpg"});
  const FolderListing alone = listing({"VelmoraUpdater.exe"});
  const FolderListing started = listing({"VelmoraUpdater.exe", "VelmoraUpdater.installing", "World.rk"});
  const PathKind missing = PathKind::missing;
  const PathKind directory = PathKind::directory;
  const Case cases[] = {
      {"alone", game_folder, alone, false, missing, {}, false, FolderKind::updater_alone, false, false},
      {"game", game_folder, listing({"KSLv41.exe"}), false, directory, listing({"x"}), false, FolderKind::game, false,
       false},
      {"started here", game_folder, started, true, missing, {}, false, FolderKind::install_started, false, false},
      {"moved here", game_folder, started, false, missing, {}, false, FolderKind::install_moved, false, false},
      {"photo, no subfolder", game_folder, photo, false, missing, {}, false, FolderKind::other, false, false},
      {"photo, empty subfolder", game_folder, photo, false, directory, listing({}), false, FolderKind::other, false,
       false},
      {"photo, subfolder not listed", game_folder, photo, false, directory, listing({}, false), false,
       FolderKind::other, true, false},
      {"photo, subfolder with a photo", game_folder, photo, false, directory, listing({"cat.png"}), false,
       FolderKind::other, true, false},
      {"photo, subfolder with game files only", game_folder, photo, false, directory, listing({"World.rk"}), false,
       FolderKind::other, true, false},
      {"photo, subfolder started", game_folder, photo, false, directory, started, true, FolderKind::other, false,
       true},
      {"photo, subfolder started elsewhere", game_folder, photo, false, directory, started, false, FolderKind::other,
       false, true},
      {"photo, subfolder holding a copy", game_folder, photo, false, directory, alone, false, FolderKind::other,
       false, false},
      {"photo, subfolder holding the game", game_folder, photo, false, directory, listing({"KSLv41.exe"}), false,
       FolderKind::other, false, false},
      {"photo, subfolder is a file or a link", game_folder, photo, false, PathKind::other, {}, false,
       FolderKind::other, true, false},
      {"alone at a drive root", VUP_PATH("C:"), alone, false, missing, {}, false, FolderKind::other, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProbe probe;
    const PathString sub = vup::child_path(c.folder, "Velmora");
    probe.listings[c.folder] = c.here;
    probe.markers[c.folder] = c.marker_here;
    probe.kinds[sub] = c.sub_kind;
    probe.listings[sub] = c.sub;
    probe.markers[sub] = c.marker_sub;
    const FolderCheck check = vup::check_folder(probe, c.folder, "VelmoraUpdater.exe");
    EXPECT_EQ(check.kind, c.kind);
    EXPECT_EQ(check.cannot_hold, c.cannot_hold);
    EXPECT_EQ(check.unfinished_subfolder, c.unfinished);
    EXPECT_EQ(check.target, c.kind == FolderKind::other ? sub : c.folder);
    if (c.cannot_hold) {
      EXPECT_EQ(check.message, "This folder has other files in it, and " + vup::path_to_utf8(sub) +
                                   " already exists with other files. Put VelmoraUpdater.exe in an empty folder, "
                                   "then try again.");
    } else {
      EXPECT_EQ(check.message, "");
    }
  }
}

TEST(InstallMarker, ContentNamesItsFolder) {
  const std::string folder = "C:\\Games\\Caf\xC3\xA9";
  const std::string content = vup::install_marker_content(folder);
  EXPECT_EQ(content,
            "folder=C:\\Games\\Caf\xC3\xA9\nAn install of the game into this folder has started; VelmoraUpdater "
            "carries it on.\n");
  struct Case {
    std::string content;
    bool matches;
  };
  const Case cases[] = {
      {content, true},
      {"folder=C:\\Games\\Caf\xC3\xA9\r\nAn install...\r\n", true},
      {"folder=c:\\games\\CAF\xC3\xA9", true},
      {"folder=C:\\Games\\Caf\xC3\xA9\r\r\n", false},
      {"folder=C:\\Games\\Caf\xC3\x89\n", false},
      {"folder=C:\\Games\n", false},
      {"folder=C:\\Games\\Caf\xC3\xA9\\Velmora\n", false},
      {"Folder=C:\\Games\\Caf\xC3\xA9\n", false},
      {" folder=C:\\Games\\Caf\xC3\xA9\n", false},
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    EXPECT_EQ(vup::marker_names_folder(c.content, folder), c.matches);
  }
}

TEST(InstallMarker, CarriesHeldOptions) {
  const std::string folder = "C:\\Games\\Velmora";
  vup::GameOptions held;
  held.size_index = 2;
  held.music = false;
  held.intro = true;
  const std::string content = vup::install_marker_content(folder, held);
  EXPECT_EQ(content.substr(content.find("on.\n") + 4),
            "launcher/music=0\nlauncher/effects=1\nlauncher/intro=1\nlauncher/largescreen=1\n"
            "screen/width=1366\nscreen/height=768\n");
  EXPECT_TRUE(vup::marker_names_folder(content, folder)) << "the folder line stays first";

  const std::string head = vup::install_marker_content(folder);
  const std::string switches = "launcher/music=1\nlauncher/effects=0\nlauncher/intro=0\n";
  struct Case {
    std::string name;
    std::string content;
    std::optional<vup::GameOptions> held;
  };
  const Case cases[] = {
      {"as written", content, held},
      {"800 x 600 has no size lines", head + switches + "launcher/largescreen=0\n",
       vup::GameOptions{0, true, false, false}},
      {"carriage returns, no last line feed",
       head + "launcher/music=0\r\nlauncher/effects=1\r\nlauncher/intro=0\r\nlauncher/largescreen=1\r\n"
              "screen/width=1920\r\nscreen/height=1080",
       vup::GameOptions{4, false, true, false}},
      {"no options", head, std::nullopt},
      {"a switch missing", head + "launcher/music=1\nlauncher/effects=0\nlauncher/largescreen=0\n", std::nullopt},
      {"a damaged value", head + switches + "launcher/largescreen=x\n", std::nullopt},
      {"an empty value", head + switches + "launcher/largescreen=\n", std::nullopt},
      {"on the folder line only", "folder=launcher/music=0\n", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<vup::GameOptions> read = vup::marker_held_options(c.content);
    ASSERT_EQ(read.has_value(), c.held.has_value());
    if (!read) continue;
    EXPECT_EQ(read->size_index, c.held->size_index);
    EXPECT_EQ(read->music, c.held->music);
    EXPECT_EQ(read->effects, c.held->effects);
    EXPECT_EQ(read->intro, c.held->intro);
  }
}

}  // namespace
