// Who keeps the list of trusted certificate authorities, as the player's sentences
// name it. The platform halves say it: Windows keeps its own store; the native
// client reads the system's CA files (or the ones the environment names).
#pragma once

namespace vup::net {

// "Windows" on Windows, "this system" natively.
[[nodiscard]] const char* trust_store_owner();

// How a server host makes this client trust a private certificate authority.
[[nodiscard]] const char* private_ca_advice();

}  // namespace vup::net
