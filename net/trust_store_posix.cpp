// POSIX: libcurl checks certificates against the system's CA files, or the ones
// SSL_CERT_FILE, SSL_CERT_DIR or CURL_CA_BUNDLE name (see http_posix.cpp).
#include "net/trust_store.h"

namespace vup::net {

const char* trust_store_owner() { return "this system"; }

const char* private_ca_advice() {
  return "name that CA's certificate in CURL_CA_BUNDLE (or SSL_CERT_FILE, or a hashed folder in SSL_CERT_DIR), "
         "or add it to this system's authorities (/usr/local/share/ca-certificates, then update-ca-certificates)";
}

}  // namespace vup::net
