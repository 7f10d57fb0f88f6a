// The main window's two timers that drive the promotion window: Timer2 every hour, Timer3
// 15 seconds after each showing.
#include "untGG/frmGG.h"
#include "untGG/promotion_address.h"
#include "untMain/frmMain.h"

namespace untMain {

void TfrmMain::Timer2Timer() {
  // Both timers run from the main window's creation, and a modal box of the start-up
  // sequence lets them tick before the promotion window exists.
  if (!untGG::frmGG)
    return;
  untGG::frmGG->WebBrowser1.Navigate(untGG::PromotionAddress());
  untGG::frmGG->form->Show();
  // Stopped at this point in every hour, so a fresh 15-second count begins.
  Timer3->SetEnabled(true);
}

void TfrmMain::Timer3Timer() {
  if (untGG::frmGG)
    untGG::frmGG->form->Hide();
  Timer3->SetEnabled(false);
}

}  // namespace untMain
