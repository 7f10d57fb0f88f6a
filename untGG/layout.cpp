#include "untGG/layout.h"

namespace untGG {

platform::ui::FormSpec PromotionFormLayout() {
  using platform::ui::ControlSpec;
  using platform::ui::Kind;

  platform::ui::FormSpec form;
  form.name = L"frmGG";
  form.clientWidth = 366;
  form.clientHeight = 208;
  form.border = platform::ui::Border::None;
  form.font = {L"Tahoma", 11};
  form.showHints = true;

  ControlSpec browser;
  browser.name = L"WebBrowser1";
  browser.kind = Kind::WebBrowser;
  browser.left = 0;
  browser.top = 0;
  browser.width = 366;
  browser.height = 208;
  browser.alignClient = true;
  browser.tabOrder = 0;

  // After the browser in the table, so it lies on top of it.
  ControlSpec close;
  close.name = L"Button1";
  close.kind = Kind::Button;
  close.left = 310;
  close.top = 8;
  close.width = 19;
  close.height = 17;
  close.text = L"X";
  close.hint = L"不感兴趣";
  close.handCursor = true;
  close.tabOrder = 1;

  form.controls = {browser, close};
  return form;
}

}  // namespace untGG
