#include "tests/net/certificate_expectations.h"

// OpenSSL's verification result names each fault.
std::vector<CertificateCase> certificate_cases() {
  return {
      {"VUP_EXPIRED_URL", date_sentence},
      {"VUP_UNKNOWN_CA_URL", authority_sentence},
      {"VUP_WRONG_NAME_URL", name_sentence},
      {"VUP_TLS11_URL", setup_sentence},
  };
}

bool address_literals_verify() { return true; }
