// WriteLog over any existing log bytes and any message: the bytes before the cut (the first
// Ctrl-Z among the last 128 bytes, else the end) are kept exactly, and the new line follows
// them exactly: the time, a blank, the message, CR LF, in the ANSI code page.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <string>

#include "fuzz/fuzz_text.h"
#include "platform/error.h"
#include "platform/sim/world.h"
#include "untComm/time_format.h"
#include "untComm/write_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool exists = input.ConsumeBool();
  const bool western = input.ConsumeBool();
  const int hour = input.ConsumeIntegralInRange(0, 23);
  const int minute = input.ConsumeIntegralInRange(0, 59);
  const int second = input.ConsumeIntegralInRange(0, 59);
  const std::wstring message = fuzz::WideText(input.ConsumeRandomLengthString(4096));
  const std::string old = input.ConsumeRemainingBytesAsString();

  platform::sim::World world;
  untComm::ForgetLocaleFormats();
  world.system.codePage = western ? 1252 : 936;
  world.clock.Set({2022, 6, 9, hour, minute, second, 0});
  const std::wstring name = L"C:\\Tavrix\\log\\2022-06-09.txt";
  std::string kept;
  if (exists) {
    world.files.PutFile(name, old);
    const std::size_t tail = old.size() > 128 ? old.size() - 128 : 0;
    kept = old.substr(0, std::min(old.size(), old.find('\x1A', tail)));
  }

  try {
    untComm::WriteLog(message);
  } catch (const platform::Exception& e) {
    fuzz::Finding("the line was not written", message, e.Message());
  }

  wchar_t time[16];
  std::swprintf(time, 16, L"%02d:%02d:%02d ", hour, minute, second);
  const std::string line = world.system.ToAnsi(time + message + L"\r\n");
  const auto now = world.files.Contents(name);
  if (!now || now->size() != kept.size() + line.size() || now->compare(0, kept.size(), kept) != 0)
    fuzz::Finding("the bytes before the cut were not kept", message);
  if (now->compare(kept.size(), line.size(), line) != 0)
    fuzz::Finding("the line was not appended exactly", message);
  if (world.files.OpenHandles() != 0)
    fuzz::Finding("the log stayed open", message);
  return 0;
}
