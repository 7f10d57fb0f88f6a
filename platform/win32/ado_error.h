#pragma once
// The message of a failed ADO call, as the user is shown it.
#include <string>

#include "platform/win32/ado_interfaces.h"

namespace platform::win32 {

// Forgets the errors of earlier calls (the connection's Errors collection and the thread's
// COM error object), so that a failure reports only its own.
void ForgetAdoErrors(ado::Connection* connection);

// The descriptions in the connection's Errors collection (the provider's own words, one line
// each); else the description of the COM error object set by `object` for `iid`; else a text
// of our own for the HRESULT. Never empty.
std::wstring AdoErrorMessage(HRESULT result, ado::Connection* connection, IUnknown* object,
                             REFIID iid);

// Our own text for an HRESULT, ending in its code.
std::wstring HresultMessage(HRESULT result);

// Raises DatabaseError with AdoErrorMessage.
[[noreturn]] void ThrowAdoError(HRESULT result, ado::Connection* connection, IUnknown* object,
                                REFIID iid);

}  // namespace platform::win32
