#include <windows.h>

#include <string>

#include "tests/net/certificate_expectations.h"

const char* const authority_sentence = "the host's certificate is not from an authority Windows trusts";

namespace {

bool running_under_wine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

std::vector<CertificateCase> certificate_cases() {
  if (running_under_wine()) {
    // Wine's WinHTTP fails every certificate fault with 12157 (secure channel error)
    // and never calls the secure-failure callback, so no flags arrive and the last
    // rule applies. The client's choice itself is covered by the portable tests.
    static const std::string wine_text = std::string(setup_sentence) + " (error 12157, flags 0x00000000)";
    return {
        {"VUP_EXPIRED_URL", wine_text.c_str()},
        {"VUP_UNKNOWN_CA_URL", wine_text.c_str()},
        {"VUP_WRONG_NAME_URL", wine_text.c_str()},
        {"VUP_TLS11_URL", setup_sentence},
    };
  }
  // Windows reports each fault by its own error code and flags.
  return {
      {"VUP_EXPIRED_URL", date_sentence},
      {"VUP_UNKNOWN_CA_URL", authority_sentence},
      {"VUP_WRONG_NAME_URL", name_sentence},
      {"VUP_TLS11_URL", setup_sentence},
  };
}

bool address_literals_verify() { return !running_under_wine(); }

std::string closed_port_text(const std::string&) {
  // The window shows WinHTTP's code; the headless tool explains it.
  return "request failed (error 12029)";
}
