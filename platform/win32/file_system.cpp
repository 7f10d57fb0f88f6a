#include "platform/win32/file_system.h"

#include <windows.h>

#include <algorithm>

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
  HANDLE Handle() const { return handle_.get(); }

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
    bytes.resize(ReadInto(bytes.data(), count));
    return bytes;
  }
  std::size_t ReadInto(char* buffer, std::size_t count) override {
    if (count > MAXDWORD)
      throw OsError(ERROR_INVALID_PARAMETER);
    DWORD read = 0;
    if (count && !ReadFile(handle_.get(), buffer, static_cast<DWORD>(count), &read, nullptr))
      ThrowLastError();
    return read;
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

UniqueHandle OpenHandle(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                        DWORD flags) {
  UniqueHandle handle(
      CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr));
  if (!handle.valid())
    ThrowLastError();
  return handle;
}

std::unique_ptr<File> Open(const std::wstring& path, DWORD access, DWORD disposition) {
  return std::make_unique<Win32File>(
      OpenHandle(path, access, FILE_SHARE_READ, disposition, FILE_ATTRIBUTE_NORMAL));
}

// Memory from VirtualAlloc: page-aligned, as reads without the system's cache require.
struct PagesDeleter {
  void operator()(char* pages) const { VirtualFree(pages, 0, MEM_RELEASE); }
};
using Pages = std::unique_ptr<char, PagesDeleter>;

// A file read past the system's cache. Such reads need a sector-aligned buffer, offset and
// length; the buffer is kept here, the caller asks for whole units.
class DeviceFile : public File {
 public:
  explicit DeviceFile(UniqueHandle handle) : file_(std::move(handle)) {}

  std::uint64_t Size() override { return file_.Size(); }
  void Seek(std::uint64_t offset) override {
    if (offset % kDeviceReadUnit)
      throw OsError(ERROR_INVALID_PARAMETER);
    file_.Seek(offset);
  }
  std::string Read(std::size_t count) override {
    std::string bytes(count, '\0');
    bytes.resize(ReadInto(bytes.data(), count));
    return bytes;
  }
  std::size_t ReadInto(char* buffer, std::size_t count) override {
    if (count % kDeviceReadUnit)
      throw OsError(ERROR_INVALID_PARAMETER);
    if (count > capacity_) {
      pages_.reset(static_cast<char*>(
          VirtualAlloc(nullptr, count, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)));
      if (!pages_)
        ThrowLastError();
      capacity_ = count;
    }
    const std::size_t read = file_.ReadInto(pages_.get(), count);
    std::copy(pages_.get(), pages_.get() + read, buffer);
    return read;
  }
  void Truncate() override { throw OsError(ERROR_ACCESS_DENIED); }
  void Write(const std::string&) override { throw OsError(ERROR_ACCESS_DENIED); }
  void Close() override { file_.Close(); }

 private:
  Win32File file_;
  Pages pages_;
  std::size_t capacity_ = 0;
};

// A search handle closed with FindClose.
class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (valid())
      FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

BY_HANDLE_FILE_INFORMATION Identity(const std::wstring& path) {
  // Attributes only: opens whatever sharing others chose; backup semantics open folders too.
  UniqueHandle handle =
      OpenHandle(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(handle.get(), &information))
    ThrowLastError();
  return information;
}

std::wstring WithBackslash(const std::wstring& folder) {
  return !folder.empty() && folder.back() == L'\\' ? folder : folder + L"\\";
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

std::uint64_t Win32FileSystem::FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
    ThrowLastError();
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::unique_ptr<File> Win32FileSystem::OpenForRead(const std::wstring& path) {
  return std::make_unique<Win32File>(
      OpenHandle(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN));
}

std::unique_ptr<File> Win32FileSystem::OpenFromDevice(const std::wstring& path) {
  return std::make_unique<DeviceFile>(
      OpenHandle(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                 FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN));
}

void Win32FileSystem::FlushToDevice(const std::wstring& path) {
  UniqueHandle handle =
      OpenHandle(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  if (!FlushFileBuffers(handle.get()))
    ThrowLastError();
  if (!handle.reset())
    ThrowLastError();
}

std::uint64_t Win32FileSystem::FreeBytes(const std::wstring& folder) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(WithBackslash(folder).c_str(), &available, nullptr, nullptr))
    ThrowLastError();
  return available.QuadPart;
}

std::wstring Win32FileSystem::FileSystemName(const std::wstring& root) {
  wchar_t name[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, name,
                             MAX_PATH + 1)) {
    ThrowLastError();
  }
  return name;
}

std::vector<std::wstring> Win32FileSystem::FileNames(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  FindHandle search(FindFirstFileExW((WithBackslash(folder) + L"*").c_str(), FindExInfoBasic,
                                     &found, FindExSearchNameMatch, nullptr, 0));
  if (!search.valid()) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND)
      return names;
    ThrowLastError();
  }
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      names.emplace_back(found.cFileName);
  } while (FindNextFileW(search.get(), &found));
  if (GetLastError() != ERROR_NO_MORE_FILES)
    ThrowLastError();
  return names;
}

bool Win32FileSystem::SameFile(const std::wstring& a, const std::wstring& b) {
  const BY_HANDLE_FILE_INFORMATION first = Identity(a);
  const BY_HANDLE_FILE_INFORMATION second = Identity(b);
  return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace platform::win32
