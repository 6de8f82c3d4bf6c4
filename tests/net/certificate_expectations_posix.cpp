#include "tests/net/certificate_expectations.h"

const char* const authority_sentence = "the host's certificate is not from an authority this system trusts";

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

std::string closed_port_text(const std::string& host_and_port) {
  return "the connection to " + host_and_port + " was refused (error 7)";
}
