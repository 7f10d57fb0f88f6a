#include "untComm/exceptions.h"

namespace untComm {

std::wstring InOutErrorMessage(std::uint32_t code) {
  switch (code) {
    case 2:
      return L"File not found";
    case 3:
      return L"Invalid filename";
    case 4:
      return L"Too many open files";
    case 5:
      return L"File access denied";
    default:
      return L"I/O error " + std::to_wstring(code);
  }
}

EInOutError::EInOutError(std::uint32_t code) : Exception(InOutErrorMessage(code)), code_(code) {}

}  // namespace untComm
