#pragma once
// The one exception hierarchy of the program. Every failure travels as an
// Exception with a wide message; the application object shows Message().
#include <cstdint>
#include <exception>
#include <string>

namespace platform {

class Exception : public std::exception {
 public:
  explicit Exception(std::wstring message) : message_(std::move(message)) {}
  const std::wstring& Message() const { return message_; }
  const char* what() const noexcept override { return "platform::Exception"; }

 private:
  std::wstring message_;
};

// A failed operating-system call, with its Windows error code.
class OsError : public Exception {
 public:
  OsError(std::uint32_t code, std::wstring message) : Exception(std::move(message)), code_(code) {}
  explicit OsError(std::uint32_t code)
      : Exception(L"System error " + std::to_wstring(code)), code_(code) {}
  std::uint32_t Code() const { return code_; }

 private:
  std::uint32_t code_;
};

// A failure of the database access layer (connect, login, statement, time-out).
class DatabaseError : public Exception {
 public:
  using Exception::Exception;
};

// Windows error codes the core compares against.
namespace error {
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kPathNotFound = 3;
inline constexpr std::uint32_t kTooManyOpenFiles = 4;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kNotSameDevice = 17;
inline constexpr std::uint32_t kNotReady = 21;
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kFileExists = 80;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kDiskFull = 112;
inline constexpr std::uint32_t kInvalidName = 123;
inline constexpr std::uint32_t kAlreadyExists = 183;
}  // namespace error

}  // namespace platform
