// POSIX: there is no COM; the apartment is nothing.
#include "app/com_apartment.h"

namespace vup {

ComApartment::ComApartment() = default;
ComApartment::~ComApartment() = default;

}  // namespace vup
