#include "untComm/time_format.h"

#include <optional>

#include "platform/services.h"

namespace untComm {

namespace {

std::wstring TwoDigits(int value) {
  std::wstring text = std::to_wstring(value % 100);
  return text.size() < 2 ? L"0" + text : text;
}

std::optional<platform::TimeFormatLocale> cachedLocale;

}  // namespace

std::wstring FormatLongTime(const platform::DateTime& time,
                            const platform::TimeFormatLocale& locale) {
  int hour = time.hour;
  if (!locale.twentyFourHour) {
    hour %= 12;
    if (hour == 0)
      hour = 12;
  }
  const std::wstring separator = locale.separator.empty() ? L":" : locale.separator;
  std::wstring text = locale.leadingZero ? TwoDigits(hour) : std::to_wstring(hour);
  text += separator + TwoDigits(time.minute) + separator + TwoDigits(time.second);
  if (locale.twentyFourHour)
    return text;

  const std::wstring& designator = time.hour < 12 ? locale.am : locale.pm;
  return locale.designatorFirst ? designator + L" " + text : text + L" " + designator;
}

std::wstring FormatLogDate(const platform::DateTime& time) {
  std::wstring year = std::to_wstring(time.year);
  while (year.size() < 4)
    year = L"0" + year;
  return year + L"-" + TwoDigits(time.month) + L"-" + TwoDigits(time.day);
}

std::wstring FormatBackupStamp(const platform::DateTime& time) {
  return TwoDigits(time.year) + TwoDigits(time.month) + TwoDigits(time.day) + TwoDigits(time.hour) +
         TwoDigits(time.minute) + TwoDigits(time.second);
}

void ReadLocaleFormats() {
  cachedLocale = platform::Current().system->TimeFormat();
}
void ForgetLocaleFormats() {
  cachedLocale.reset();
}

const platform::TimeFormatLocale& LongTimeLocale() {
  if (!cachedLocale)
    ReadLocaleFormats();
  return *cachedLocale;
}

}  // namespace untComm
