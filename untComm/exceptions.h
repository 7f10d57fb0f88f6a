#pragma once
// The exception classes the program raises itself, after the runtime it was first written
// for: each carries the message the user sees in the error box.
#include <cstdint>
#include <string>

#include "platform/error.h"

namespace untComm {

using platform::Exception;

// A failed file operation of the activity log, with its Windows error code.
class EInOutError : public Exception {
 public:
  explicit EInOutError(std::uint32_t code);
  std::uint32_t ErrorCode() const { return code_; }

 private:
  std::uint32_t code_;
};

// A write to the settings file that the initialisation-file service refused.
class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

// A text that is not a valid integer.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A registry value that could not be written.
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// The message of an I/O error code, as the user sees it.
std::wstring InOutErrorMessage(std::uint32_t code);

}  // namespace untComm
