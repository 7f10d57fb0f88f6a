#pragma once
// The application object's handler for exceptions that escape an event handler: the error
// is shown in a modal box and the program goes on.
#include <functional>
#include <string>
#include <utility>

namespace untComm {

// The text of the error box: the message, with "." appended when the code of its last
// character is above that of ".".
std::wstring ExceptionBoxText(const std::wstring& message);

// A modal message box captioned with the application title, error icon, one OK button.
void ShowException(const std::wstring& message);

// Runs the handler; an exception escaping it is shown by ShowException.
void HandleExceptions(const std::function<void()>& handler);

// The handler as an event handler of a control: every call runs through HandleExceptions.
template <class Handler>
auto Guarded(Handler handler) {
  return [handler = std::move(handler)](auto&... args) {
    HandleExceptions([&] { handler(args...); });
  };
}

}  // namespace untComm
