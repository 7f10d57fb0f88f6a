// The Windows error code that a platform call raised, for tests of the file services.
#pragma once

#include <cstdint>

#include "platform/error.h"

namespace testsupport {

// The code of the OsError the call raised, or 0 when it raised nothing.
template <typename Call>
std::uint32_t ErrorOf(Call call) {
  try {
    call();
  } catch (const platform::OsError& e) {
    return e.Code();
  }
  return 0;
}

}  // namespace testsupport
