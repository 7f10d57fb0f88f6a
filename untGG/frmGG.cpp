#include "untGG/frmGG.h"

#include "platform/services.h"
#include "untComm/exception_handler.h"
#include "untGG/layout.h"
#include "untGG/promotion_address.h"

namespace untGG {

TfrmGG* frmGG = nullptr;

TfrmGG::TfrmGG()
    : form(platform::Current().ui->CreateForm(PromotionFormLayout())),
      WebBrowser1(form->Get<platform::ui::WebBrowser>(L"WebBrowser1")),
      Button1(form->Get<platform::ui::Button>(L"Button1")) {
  Button1.OnClick = untComm::Guarded([this] { Button1Click(); });
}

TfrmGG::~TfrmGG() {
  if (frmGG == this)
    frmGG = nullptr;
}

void TfrmGG::FormCreate() {
  platform::ui::Application& app = *platform::Current().ui;
  // Only the work area's height and width count, not its origin: with the task bar at the
  // top or on the left the window ends short of the screen's edge by the bar's thickness.
  const platform::ui::WorkArea area = app.PrimaryWorkArea();
  const platform::ui::Bounds window = form->GetBounds();
  const int top = (area.bottom - area.top) - window.height;
  const int left = (area.right - area.left) - window.width;
  form->MoveTo(left, top);

  app.HideApplicationWindow();
  WebBrowser1.Navigate(PromotionAddress());
}

void TfrmGG::Button1Click() {
  form->Hide();
}

void CreatefrmGG(std::unique_ptr<TfrmGG>& owner) {
  try {
    owner = std::make_unique<TfrmGG>();
  } catch (...) {
    // Without its window (no browser control on this machine) the program still runs, and
    // still has no task-bar button once started.
    platform::Current().ui->HideApplicationWindow();
    throw;
  }
  frmGG = owner.get();
  frmGG->FormCreate();
}

}  // namespace untGG
