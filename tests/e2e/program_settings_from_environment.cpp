// The updater's test build: the server and key come from VELMORA_TEST_UPDATE_URL and
// VELMORA_TEST_PUBLIC_KEY, so that each test uses its own servers (on free ports)
// and its own keys. Never shipped.
#include <cstdlib>

#include "app/program_settings.h"

namespace vup {

UpdateSettings program_settings() {
  UpdateSettings settings = builtin_update_settings();
  if (const char* url = std::getenv("VELMORA_TEST_UPDATE_URL")) settings.update_url = url;
  if (const char* key = std::getenv("VELMORA_TEST_PUBLIC_KEY")) settings.public_key = key;
  return settings;
}

}  // namespace vup
