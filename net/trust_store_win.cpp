// Windows: WinHTTP checks certificates against Windows' own store.
#include "net/trust_store.h"

namespace vup::net {

const char* trust_store_owner() { return "Windows"; }

}  // namespace vup::net
