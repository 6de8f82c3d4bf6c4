// One game file from the update server into its place.
#pragma once

#include <atomic>

#include "fs/platform_path.h"
#include "manifest/manifest.h"
#include "net/http.h"
#include "update/outcome.h"
#include "update/progress.h"
#include "update/reporter.h"

namespace vup {

inline constexpr int download_attempts = 3;

// Streams "files/" + the entry's SHA-256 into `destination` + ".vup-part", checking
// size and hash as it arrives, then moves it over `destination`. Network and
// content failures are retried (3 attempts, pauses of 1.5 s and 3 s); a stop, a
// disk failure, an unverified host or a failed replacement are not. Every exit but
// success removes the temporary file and leaves `destination` untouched.
[[nodiscard]] Outcome download_file(Reporter& reporter, Http& http, const quillfen::updater::FileEntry& entry,
                                    const PathString& destination, DownloadProgress progress,
                                    const std::atomic<bool>& stop);

}  // namespace vup
