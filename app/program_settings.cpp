#include "app/program_settings.h"

namespace vup {

UpdateSettings program_settings() { return builtin_update_settings(); }

}  // namespace vup
