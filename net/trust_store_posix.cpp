// POSIX: libcurl checks certificates against the system's CA files, or the ones
// SSL_CERT_FILE, SSL_CERT_DIR or CURL_CA_BUNDLE name (see http_posix.cpp).
#include "net/trust_store.h"

namespace vup::net {

const char* trust_store_owner() { return "this system"; }

}  // namespace vup::net
