// Hiding to and showing from the notification area, and exiting.
#include "platform/services.h"
#include "untComm/exception_handler.h"
#include "untComm/write_log.h"
#include "untMain/frmMain.h"

namespace untMain {

void TfrmMain::FormCloseQuery(bool& CanClose) {
  // Closing only hides: the program lives on in the notification area.
  CanClose = false;
  form->Hide();
}

void TfrmMain::FormQueryEndSession(bool& CanEnd) {
  // Never stand in the way of a shut-down or log-off.
  CanEnd = true;
}

void TfrmMain::Timer1Timer() {
  form->Hide();
  Timer1->SetEnabled(false);
}

void TfrmMain::TrayIcon1DblClick() {
  form->Show();
}

void TfrmMain::X1Click() {
  platform::ui::Application& app = *platform::Current().ui;
  const int answer = app.ShowMessageBox(L"确定要停止并退出吗", L"警告",
                                        platform::ui::kMbYesNo | platform::ui::kMbIconQuestion);
  if (answer != platform::ui::kIdYes)
    return;
  // The user asked to exit: a log that cannot be written is reported, but must not keep
  // the program from ending. The error box comes first: a pending quit would close it at
  // once on Windows, unseen.
  untComm::HandleExceptions([] { untComm::WriteLog(L"用户退出程序。"); });
  app.Terminate();
}

}  // namespace untMain
