#pragma once
#include <string>

namespace untComm {

// Appends "<time> <message>\r\n", in the ANSI code page, to log\yyyy-mm-dd.txt beside the
// executable. Every failure raises EInOutError.
void WriteLog(const std::wstring& message);

}  // namespace untComm
