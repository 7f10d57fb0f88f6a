#include "platform/win32/file_system.h"

#include <windows.h>

#include "platform/error.h"
#include "platform/win32/handle.h"

namespace platform::win32 {

namespace {

[[noreturn]] void ThrowLastError() {
  throw OsError(GetLastError());
}

class Win32File : public File {
 public:
  explicit Win32File(UniqueHandle handle) : handle_(std::move(handle)) {}

  std::uint64_t Size() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_.get(), &size))
      ThrowLastError();
    return static_cast<std::uint64_t>(size.QuadPart);
  }
  void Seek(std::uint64_t offset) override {
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(handle_.get(), distance, nullptr, FILE_BEGIN))
      ThrowLastError();
  }
  std::string Read(std::size_t count) override {
    std::string bytes(count, '\0');
    DWORD read = 0;
    if (count &&
        !ReadFile(handle_.get(), bytes.data(), static_cast<DWORD>(count), &read, nullptr)) {
      ThrowLastError();
    }
    bytes.resize(read);
    return bytes;
  }
  void Truncate() override {
    if (!SetEndOfFile(handle_.get()))
      ThrowLastError();
  }
  void Write(const std::string& bytes) override {
    DWORD written = 0;
    if (!WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr)) {
      ThrowLastError();
    }
    if (written != bytes.size())
      throw OsError(ERROR_DISK_FULL);
  }
  void Close() override {
    if (!handle_.reset())
      ThrowLastError();
  }

 private:
  UniqueHandle handle_;
};

std::unique_ptr<File> Open(const std::wstring& path, DWORD access, DWORD disposition) {
  UniqueHandle handle(CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.valid())
    ThrowLastError();
  return std::make_unique<Win32File>(std::move(handle));
}

}  // namespace

bool Win32FileSystem::DirectoryExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void Win32FileSystem::MakeDirectory(const std::wstring& path) {
  if (!CreateDirectoryW(path.c_str(), nullptr))
    ThrowLastError();
}

std::unique_ptr<File> Win32FileSystem::OpenForAppend(const std::wstring& path) {
  return Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
}

std::unique_ptr<File> Win32FileSystem::CreateAlways(const std::wstring& path) {
  return Open(path, GENERIC_WRITE, CREATE_ALWAYS);
}

void Win32FileSystem::Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) {
  if (!CopyFileW(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE))
    ThrowLastError();
}

void Win32FileSystem::Move(const std::wstring& from, const std::wstring& to) {
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH))
    ThrowLastError();
}

bool Win32FileSystem::Delete(const std::wstring& path) {
  return DeleteFileW(path.c_str()) != 0;
}

std::wstring Win32FileSystem::VolumeRoot(const std::wstring& path) {
  wchar_t root[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(path.c_str(), root, MAX_PATH + 1))
    ThrowLastError();
  // Windows keeps the case the path was given in ("c:\" for "c:\tempbak"); in upper case
  // the roots of one volume compare equal as text.
  const DWORD length = static_cast<DWORD>(wcslen(root));
  CharUpperBuffW(root, length);
  return std::wstring(root, length);
}

}  // namespace platform::win32
