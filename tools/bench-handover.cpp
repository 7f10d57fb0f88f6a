// Times how a finished backup file reaches its destination through the file service of the
// program: a rename on the same volume (Move) and a copy to another drive (Copy with
// fail-if-exists). Prints one "<name>_ms <milliseconds>" line for each.
//   bench-handover.exe SOURCE SAME_VOLUME_TARGET OTHER_DRIVE_TARGET
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/error.h"
#include "platform/win32/file_system.h"

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fputs("usage: bench-handover.exe SOURCE SAME_VOLUME_TARGET OTHER_DRIVE_TARGET\n", stderr);
    return 2;
  }
  const std::wstring source = argv[1];
  const std::wstring moved = argv[2];
  const std::wstring copied = argv[3];
  platform::win32::Win32FileSystem files;
  try {
    std::printf("same_volume %d\n", files.VolumeRoot(source) == files.VolumeRoot(moved));
    std::printf("other_volume %d\n", files.VolumeRoot(source) != files.VolumeRoot(copied));
    const double move = Timed([&] { files.Move(source, moved); });
    const double copy = Timed([&] { files.Copy(moved, copied, true); });
    std::printf("move_ms %.3f\ncopy_ms %.3f\n", move, copy);
  } catch (const platform::OsError& e) {
    std::fprintf(stderr, "failed with Windows error %u\n", static_cast<unsigned>(e.Code()));
    return 1;
  }
  return 0;
}
