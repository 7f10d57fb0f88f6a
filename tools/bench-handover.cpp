// Times how a finished backup file reaches its destination through the program's own code:
//   move-copy SOURCE MOVED COPIED   a rename on the same volume (Move), then a plain copy to
//                                   another drive (Copy with fail-if-exists, CopyFileW)
//   verified TEMP FOLDER FINAL      the hand-over as a job does it across volumes: copy to
//                                   the temporary name, flush, read back from the device,
//                                   compare, rename; TEMP is deleted afterwards
// Prints "<name>_ms <milliseconds>" lines.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/error.h"
#include "platform/services.h"
#include "platform/win32/file_system.h"
#include "untMain/backup_hand_over.h"

namespace {

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

template <typename Step>
double Timed(Step step) {
  LARGE_INTEGER start{};
  LARGE_INTEGER end{};
  QueryPerformanceCounter(&start);
  step();
  QueryPerformanceCounter(&end);
  return Milliseconds(start, end);
}

int Usage() {
  std::fputs(
      "usage: bench-handover.exe move-copy SOURCE MOVED COPIED\n"
      "       bench-handover.exe verified TEMP FOLDER FINAL\n",
      stderr);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5)
    return Usage();
  const std::wstring mode = argv[1];
  platform::win32::Win32FileSystem files;
  platform::Services services;
  services.files = &files;
  platform::Install(services);
  try {
    if (mode == L"move-copy") {
      const std::wstring source = argv[2];
      const std::wstring moved = argv[3];
      const std::wstring copied = argv[4];
      std::printf("same_volume %d\n", files.VolumeRoot(source) == files.VolumeRoot(moved));
      std::printf("other_volume %d\n", files.VolumeRoot(source) != files.VolumeRoot(copied));
      const double move = Timed([&] { files.Move(source, moved); });
      const double copy = Timed([&] { files.Copy(moved, copied, true); });
      std::printf("move_ms %.3f\ncopy_ms %.3f\n", move, copy);
    } else if (mode == L"verified") {
      untMain::HandOver result = untMain::HandOver::Failed;
      const double verified =
          Timed([&] { result = untMain::HandOverBackup(argv[2], argv[3], argv[4]); });
      if (result != untMain::HandOver::Done) {
        std::fputs("the verified hand-over failed\n", stderr);
        return 1;
      }
      std::printf("verified_ms %.3f\n", verified);
    } else {
      return Usage();
    }
  } catch (const platform::OsError& e) {
    std::fprintf(stderr, "failed with Windows error %u\n", static_cast<unsigned>(e.Code()));
    return 1;
  }
  return 0;
}
