#include "update/update_settings.h"

#include "build_config.h"
#include "fs/file_primitives.h"

namespace vup {

UpdateSettings builtin_update_settings() {
  return UpdateSettings{{}, build_config::update_url, build_config::public_key, program_path()};
}

}  // namespace vup
