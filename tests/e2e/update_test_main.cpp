// velmora-update for the end-to-end tests: the same program, but the server and key
// come from VELMORA_TEST_UPDATE_URL and VELMORA_TEST_PUBLIC_KEY, so that each test
// can use its own servers (on free ports) and its own keys. Never shipped.
#include <cstdlib>

#include "tools/common/command_line.h"
#include "tools/update/velmora_update.h"

int main(int argc, char** argv) {
  vup::UpdateSettings settings = vup::builtin_update_settings();
  if (const char* url = std::getenv("VELMORA_TEST_UPDATE_URL")) settings.update_url = url;
  if (const char* key = std::getenv("VELMORA_TEST_PUBLIC_KEY")) settings.public_key = key;
  return vup::tools::run_velmora_update(vup::tools::command_line_arguments(argc, argv), settings);
}
