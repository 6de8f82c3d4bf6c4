// Adds the tests' throw-away CA to LOCAL_MACHINE's ROOT store, or removes it again,
// so WinHTTP trusts the test servers. Run inside the test's Wine prefix only (by
// with-servers); nothing outside that prefix is changed.
//   vup_trust_test_ca add|remove ca.der
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct StoreCloser {
  HCERTSTORE store;
  ~StoreCloser() { CertCloseStore(store, 0); }
};

struct ContextFreer {
  PCCERT_CONTEXT context;
  ~ContextFreer() { CertFreeCertificateContext(context); }
};

int fail(const char* what) {
  std::fprintf(stderr, "vup_trust_test_ca: %s failed (error %lu)\n", what, GetLastError());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::string(argv[1]) != "add" && std::string(argv[1]) != "remove")) {
    std::fprintf(stderr, "usage: vup_trust_test_ca add|remove ca.der\n");
    return 2;
  }
  std::ifstream file(argv[2], std::ios::binary);
  const std::vector<BYTE> der((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (der.empty()) {
    std::fprintf(stderr, "vup_trust_test_ca: cannot read %s\n", argv[2]);
    return 1;
  }
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                   CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG, L"ROOT");
  if (store == nullptr) return fail("CertOpenStore");
  StoreCloser closer{store};

  if (std::string(argv[1]) == "add") {
    if (!CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
      return fail("CertAddEncodedCertificateToStore");
    }
    return 0;
  }
  PCCERT_CONTEXT wanted = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
  if (wanted == nullptr) return fail("CertCreateCertificateContext");
  ContextFreer freer{wanted};
  PCCERT_CONTEXT found =
      CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr);
  if (found == nullptr) return 0;  // already gone
  if (!CertDeleteCertificateFromStore(found)) return fail("CertDeleteCertificateFromStore");  // frees found
  return 0;
}
