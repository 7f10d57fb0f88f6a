#include "untComm/exception_handler.h"

#include <exception>

#include "platform/error.h"
#include "platform/services.h"

namespace untComm {

std::wstring ExceptionBoxText(const std::wstring& message) {
  if (!message.empty() && message.back() > L'.')
    return message + L".";
  return message;
}

void ShowException(const std::wstring& message) {
  platform::ui::Application& app = *platform::Current().ui;
  app.ShowMessageBox(ExceptionBoxText(message), app.Title(),
                     platform::ui::kMbOk | platform::ui::kMbIconError);
}

void HandleExceptions(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const platform::Exception& e) {
    ShowException(e.Message());
  } catch (const std::exception& e) {
    // Not one of the program's own errors (out of memory, say): its text is plain ASCII.
    const std::string what = e.what();
    ShowException(std::wstring(what.begin(), what.end()));
  }
}

}  // namespace untComm
