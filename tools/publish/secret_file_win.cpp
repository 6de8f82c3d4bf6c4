// Windows: a new file whose only access entry is for its owner.
#include <windows.h>
#include <sddl.h>

#include "fs/unique_file.h"
#include "tools/publish/secret_key.h"

namespace vup::publish {

int write_new_private_file(const PathString& path, const std::string& text) {
  // Protected DACL, full access for the owner only.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;OW)", SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    return static_cast<int>(GetLastError());
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  UniqueFile file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  const DWORD open_error = GetLastError();
  LocalFree(descriptor);
  if (!file.valid()) return static_cast<int>(open_error);
  DWORD written = 0;
  const BOOL ok = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size() && FlushFileBuffers(file.get());
  const DWORD error = ok ? 0 : GetLastError();
  file.close();
  if (!ok) {
    DeleteFileW(path.c_str());
    return error == 0 ? ERROR_WRITE_FAULT : static_cast<int>(error);
  }
  return 0;
}

}  // namespace vup::publish
