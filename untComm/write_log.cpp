#include "untComm/write_log.h"

#include <memory>

#include "platform/services.h"
#include "untComm/exceptions.h"
#include "untComm/paths.h"
#include "untComm/time_format.h"

namespace untComm {

namespace {

constexpr std::size_t kMaxPath = 259;
constexpr std::uint64_t kEofScanBytes = 128;
constexpr char kCtrlZ = '\x1A';

// Opens an existing log for appending. A Ctrl-Z among its last 128 bytes marks the old end
// of a text file: the file is cut there before anything is added.
std::unique_ptr<platform::File> OpenForAppend(platform::FileSystem& files,
                                              const std::wstring& name) {
  auto file = files.OpenForAppend(name);
  const std::uint64_t size = file->Size();
  const std::uint64_t start = size > kEofScanBytes ? size - kEofScanBytes : 0;
  file->Seek(start);
  const std::string tail = file->Read(static_cast<std::size_t>(size - start));
  const auto ctrlZ = tail.find(kCtrlZ);
  if (ctrlZ != std::string::npos) {
    file->Seek(start + ctrlZ);
    file->Truncate();
  } else {
    file->Seek(size);
  }
  return file;
}

}  // namespace

void WriteLog(const std::wstring& message) {
  platform::Services& os = platform::Current();
  try {
    const platform::DateTime now = os.system->LocalTime();

    const std::wstring folder = ExtractFilePath(os.system->ModuleFileName()) + L"log\\";
    if (!os.files->DirectoryExists(folder))
      os.files->MakeDirectory(folder);

    const std::wstring name = folder + FormatLogDate(now) + L".txt";
    if (name.size() > kMaxPath)
      throw EInOutError(platform::error::kPathNotFound);

    auto file =
        os.files->FileExists(name) ? OpenForAppend(*os.files, name) : os.files->CreateAlways(name);
    file->Write(
        os.system->ToAnsi(FormatLongTime(now, LongTimeLocale()) + L" " + message + L"\r\n"));
    file->Close();
  } catch (const platform::OsError& error) {
    throw EInOutError(error.Code());
  }
}

}  // namespace untComm
