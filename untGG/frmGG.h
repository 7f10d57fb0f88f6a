#pragma once
// TfrmGG: the promotion window. A borderless window in the bottom-right corner of the work
// area that shows the vendor's promotion page; the main window's Timer2 shows it every hour
// and Timer3 hides it 15 seconds later. It is created once, hidden, and only ever shown and
// hidden until the program ends.
#include <memory>

#include "platform/ui.h"

namespace untGG {

class TfrmGG {
 public:
  // Builds the window, hidden, with its controls. FormCreate is the creator's next step.
  TfrmGG();
  ~TfrmGG();
  TfrmGG(const TfrmGG&) = delete;
  TfrmGG& operator=(const TfrmGG&) = delete;

  std::unique_ptr<platform::ui::Form> form;

  platform::ui::WebBrowser& WebBrowser1;
  platform::ui::Button& Button1;

  // Places the window, hides the application window (which takes the program's task-bar
  // button away) and starts loading the page. A navigate the control rejects raises.
  void FormCreate();
  // "X": hides the window; Timer3 of the main window is left running.
  void Button1Click();
};

// The one promotion window, once the program entry has created it.
extern TfrmGG* frmGG;

// The program entry's step after the main window: builds the window into `owner`, makes it
// frmGG and runs FormCreate. The window exists before FormCreate runs, so an error raised
// there (the caller reports it like any event handler's) leaves it in place. When the
// window cannot be built, the application window is hidden all the same and the error
// raised; frmGG stays null, which the main window's promotion timers take as nothing to do.
void CreatefrmGG(std::unique_ptr<TfrmGG>& owner);

}  // namespace untGG
