#include "app/core/program.h"

#include <memory>

#include "platform/services.h"
#include "untComm/exception_handler.h"
#include "untComm/settings.h"
#include "untGG/frmGG.h"
#include "untMain/frmMain.h"

namespace app {

namespace {

constexpr wchar_t kMutexName[] = L"TheStandard";

// For the whole life of the process, a drive without a medium (an empty card-reader slot as
// the backup folder) fails the call that touched it, instead of stopping the program's only
// thread behind a system box until somebody answers it. The bits set by whoever started us
// stay.
void FailCriticalErrors(platform::System& system) {
  const std::uint32_t inherited = system.SetErrorMode(platform::kSemFailCriticalErrors);
  system.SetErrorMode(inherited | platform::kSemFailCriticalErrors);
}

}  // namespace

int RunProgram() {
  platform::Services& os = platform::Current();
  platform::ui::Application& app = *os.ui;

  FailCriticalErrors(*os.system);
  app.Initialize();

  // One instance per Windows session. A creation that fails for another reason lets the
  // program run without the guard.
  if (os.system->CreateNamedMutexAlreadyExisted(kMutexName)) {
    app.ShowMessageBox(L"程序已经在运行中，请不要重复启动！", L"提示", platform::ui::kMbOk);
    return 0;
  }

  // Every form is owned by the application window, so the main window has no task-bar
  // button of its own (see platform/ui.h); the promotion window later hides that one.
  app.SetTitle(L"Orbanel");

  // Building the main window adds the notification-area icon and starts its timers.
  auto main = std::make_unique<untMain::TfrmMain>();
  untMain::frmMain = main.get();
  untComm::HandleExceptions([&] { main->FormCreate(); });
  main->form->Show();

  std::unique_ptr<untGG::TfrmGG> promotion;
  untComm::HandleExceptions([&] { untGG::CreatefrmGG(promotion); });

  app.RunMessageLoop();

  // Destroyed in reverse order of creation; the main window takes the icon and the timers.
  promotion.reset();
  main.reset();
  untComm::BackupSettings = {};
  return 0;
}

}  // namespace app
