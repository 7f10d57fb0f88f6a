#pragma once
// Date and time texts: the locale's long time format ("tt") and the fixed formats of the
// log's file name and the backup stamp.
#include <string>

#include "platform/system.h"

namespace untComm {

// "tt": the long time format built from the locale's values.
std::wstring FormatLongTime(const platform::DateTime& time,
                            const platform::TimeFormatLocale& locale);

// "yyyy-mm-dd", whatever the locale's date separator.
std::wstring FormatLogDate(const platform::DateTime& time);

// "yymmddhhnnss": twelve digits, no separators.
std::wstring FormatBackupStamp(const platform::DateTime& time);

// The locale values the runtime reads once at start; read on first use when the program
// entry did not read them already.
const platform::TimeFormatLocale& LongTimeLocale();
void ReadLocaleFormats();
void ForgetLocaleFormats();  // tests: the next use reads them again

}  // namespace untComm
