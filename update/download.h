// One game file from the update server into its place.
#pragma once

#include <atomic>
#include <functional>
#include <string_view>

#include "fs/platform_path.h"
#include "fs/retry_while_held.h"
#include "manifest/manifest.h"
#include "net/http.h"
#include "update/outcome.h"
#include "update/progress.h"
#include "update/reporter.h"

namespace vup {

inline constexpr int download_attempts = 3;

// How a checked download takes the place of its destination. Every move it makes
// waits through `pause` while another program holds a file (retry_while_held);
// the result is 0, or the error of the step that failed, with `stopped` when the
// stop flag ended such a wait. Whatever it does, it leaves a working file under
// the destination's name.
using PlaceFile = std::function<RetriedMove(const PathString& temporary, const PathString& destination,
                                            const PauseFunction& pause)>;

// The ordinary placement: the temporary file replaces the destination.
[[nodiscard]] RetriedMove replace_when_free(const PathString& temporary, const PathString& destination,
                                            const PauseFunction& pause);

// Streams "files/" + the entry's SHA-256 into `destination` + ".vup-part", checking
// size and hash as it arrives, then has `place` put it in place. Network and
// content failures are retried (3 attempts, pauses of 1.5 s and 3 s); a stop, a
// disk failure and an unverified host are not. A file held by another program
// (a virus scanner, say) is waited for, about 10 s, keeping the checked file; a
// file still held then ends the run with code 32, with `in_use_message` when
// given, else "<path> is in use. Close the game and run VelmoraUpdater again.".
// Every exit but success removes the temporary file and leaves a working file
// under the destination's name: the old one, untouched.
[[nodiscard]] Outcome download_file(Reporter& reporter, Http& http, const quillfen::updater::FileEntry& entry,
                                    const PathString& destination, DownloadProgress progress,
                                    const std::atomic<bool>& stop, const PlaceFile& place = replace_when_free,
                                    std::string_view in_use_message = {});

}  // namespace vup
