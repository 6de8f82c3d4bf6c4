// What each refused server must produce on this platform: natively the sentence
// that matches the fault; under Wine what its WinHTTP can report.
#pragma once

#include <string>
#include <vector>

struct CertificateCase {
  const char* url_variable;  // the with-servers variable naming the server
  const char* sentence;      // the start of last_error()
};

std::vector<CertificateCase> certificate_cases();

// The start of last_error() for a port where nothing listens: natively a refused
// connection is told apart; WinHTTP only says that no connection could be made.
std::string closed_port_text(const std::string& host_and_port);

// Whether a certificate's IP entry verifies a host given as an address literal
// (Wine's certificate check only matches names).
bool address_literals_verify();

inline constexpr const char* date_sentence =
    "the host's certificate does not match this PC's date. Check that the PC's date and time are correct, then "
    "run VelmoraUpdater again";
// Windows names itself as the keeper of the trusted authorities; the native client
// reads the system's CA files.
extern const char* const authority_sentence;
inline constexpr const char* name_sentence = "the host's certificate is for a different name";
inline constexpr const char* setup_sentence = "a secure connection to the host could not be set up";
