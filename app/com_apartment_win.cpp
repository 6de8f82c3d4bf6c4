// Windows: CoInitializeEx as the shell asks of its callers.
#include <windows.h>
#include <objbase.h>

#include "app/com_apartment.h"

namespace vup {

ComApartment::ComApartment()
    : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}

ComApartment::~ComApartment() {
  if (initialised_) CoUninitialize();
}

}  // namespace vup
