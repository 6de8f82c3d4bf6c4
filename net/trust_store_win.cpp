// Windows: WinHTTP checks certificates against Windows' own store.
#include "net/trust_store.h"

namespace vup::net {

const char* trust_store_owner() { return "Windows"; }

const char* private_ca_advice() {
  return "add that CA's certificate to the Trusted Root Certification Authorities of this computer "
         "(certlm.msc, or certutil -addstore Root FILE)";
}

}  // namespace vup::net
