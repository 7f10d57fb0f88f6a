#include "platform/sim/ui.h"

#include <algorithm>

#include "platform/error.h"

namespace platform::sim {

SimControl::SimControl(SimApplication& app, const ui::ControlSpec& s)
    : design(s), app_(app), enabled_(s.enabled), text_(s.text) {
  if (design.selectedItem >= 0 &&
      static_cast<std::size_t>(design.selectedItem) < design.items.size()) {
    text_ = design.items[static_cast<std::size_t>(design.selectedItem)];
  }
}

bool SimControl::TakesUserInput() const {
  return enabled_ && app_.TakesUserInput();
}

void SimCheckBox::SetChecked(bool checked) {
  if (checked == checked_)
    return;
  checked_ = checked;
  if (OnClick)
    OnClick();
}

void SimCheckBox::UserClick() {
  if (TakesUserInput())
    SetChecked(!checked_);
}

void SimButton::UserClick() {
  if (TakesUserInput() && OnClick)
    OnClick();
}

void SimComboBox::Type(wchar_t key) {
  if (!TakesUserInput())
    return;
  if (OnKeyPress)
    OnKeyPress(key);
  if (key == 0)
    return;
  if (key == L'\b') {
    if (!text_.empty())
      text_.pop_back();
    return;
  }
  if (key < L' ')
    return;  // other control characters insert nothing
  if (design.maxLength > 0 && text_.size() >= static_cast<std::size_t>(design.maxLength))
    return;
  text_ += key;
}

void SimComboBox::TypeText(const std::wstring& keys) {
  for (wchar_t key : keys)
    Type(key);
}

void SimComboBox::PickItem(std::size_t index) {
  if (!TakesUserInput())
    return;
  text_ = design.items.at(index);
}

void SimWebBrowser::Navigate(const std::wstring& address) {
  if (rejectNavigate)
    throw Exception(L"The browser control refused to navigate");
  navigations.push_back(address);
}

SimTimer::SimTimer(SimApplication& app, std::uint32_t interval, bool enabled)
    : app_(app), interval_(interval), enabled_(enabled) {
  app_.timers_.push_back(this);
  Restart();
}

SimTimer::~SimTimer() {
  auto& timers = app_.timers_;
  timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
}

void SimTimer::Restart() {
  due_ = app_.clock_.Milliseconds() + Period();
}

void SimTimer::SetInterval(std::uint32_t milliseconds) {
  if (milliseconds == interval_)
    return;
  interval_ = milliseconds;
  Restart();
}

void SimTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_)
    return;
  enabled_ = enabled;
  if (enabled_)
    Restart();
}

std::optional<std::int64_t> SimTimer::NextDue() const {
  if (!enabled_ || interval_ == 0)
    return std::nullopt;
  return due_;
}

std::int64_t SimTimer::Period() const {
  return std::min(interval_, ui::kMaxTimerInterval);
}

SimForm::SimForm(SimApplication& app, const ui::FormSpec& s)
    : design(s), app_(app), bounds_{0, 0, s.clientWidth, s.clientHeight} {
  for (const ui::ControlSpec& c : design.controls) {
    std::unique_ptr<SimControl> control;
    switch (c.kind) {
      case ui::Kind::CheckBox:
        control = std::make_unique<SimCheckBox>(app, c);
        break;
      case ui::Kind::Button:
        control = std::make_unique<SimButton>(app, c);
        break;
      case ui::Kind::ComboBox:
      case ui::Kind::DropDownList:
        control = std::make_unique<SimComboBox>(app, c);
        break;
      case ui::Kind::WebBrowser:
        if (app.webBrowserFailure)
          throw Exception(*app.webBrowserFailure);
        control = std::make_unique<SimWebBrowser>(app, c);
        break;
      case ui::Kind::Edit:
        control = std::make_unique<SimEdit>(app, c);
        break;
      case ui::Kind::Label:
      case ui::Kind::GroupBox:
        control = std::make_unique<SimLabel>(app, c);
        break;
    }
    controls_.emplace(c.name, std::move(control));
  }
  app_.forms.push_back(this);
  if (!app_.mainForm_)
    app_.mainForm_ = this;
}

SimForm::~SimForm() {
  if (app_.mainForm_ == this)
    app_.mainForm_ = nullptr;
  auto& forms = app_.forms;
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
}

ui::Control& SimForm::Find(const std::wstring& name) {
  auto it = controls_.find(name);
  if (it == controls_.end())
    throw Exception(L"no control " + name);
  return *it->second;
}

void SimForm::Show() {
  visible_ = true;
  ++showCount;
  lastShownOrder = ++app_.stackingCounter_;
  if (app_.mainForm_ == this) {
    app_.applicationMinimized = false;
    app_.FollowMainForm(true);
  }
}

void SimForm::Hide() {
  visible_ = false;
  if (app_.mainForm_ == this)
    app_.FollowMainForm(false);
}

bool SimForm::QueryEndSession() {
  bool canEnd = true;
  if (OnQueryEndSession)
    OnQueryEndSession(canEnd);
  return canEnd;
}

void SimForm::Minimize() {
  if (!app_.TakesUserInput())
    return;
  if (app_.mainForm_ != this) {
    visible_ = false;
    return;
  }
  visible_ = false;
  app_.applicationMinimized = true;
  app_.applicationWindowVisible = true;
  app_.applicationWindowRecordedVisible = true;
}

void SimForm::MoveTo(int left, int top) {
  bounds_.left = left;
  bounds_.top = top;
}

std::unique_ptr<ui::Timer> SimForm::CreateTimer(std::uint32_t interval, bool enabled) {
  return std::make_unique<SimTimer>(app_, interval, enabled);
}

void SimForm::RequestClose() {
  bool canClose = true;
  if (OnCloseQuery)
    OnCloseQuery(canClose);
  if (canClose)
    Hide();
}

SimTrayIcon::SimTrayIcon(SimApplication& app, std::wstring tooltip, std::wstring caption)
    : exitCaption(std::move(caption)), app_(app), tooltip_(std::move(tooltip)) {
  app_.trayIcons.push_back(this);
}

SimTrayIcon::~SimTrayIcon() {
  auto& icons = app_.trayIcons;
  icons.erase(std::remove(icons.begin(), icons.end(), this), icons.end());
}

void SimTrayIcon::DoubleClick() {
  if (OnDblClick && app_.TakesUserInput())
    OnDblClick();
}

void SimTrayIcon::ChooseExit() {
  if (OnExitItem && app_.TakesUserInput())
    OnExitItem();
}

std::unique_ptr<ui::Form> SimApplication::CreateForm(const ui::FormSpec& design) {
  return std::make_unique<SimForm>(*this, design);
}

std::unique_ptr<ui::TrayIcon> SimApplication::CreateTrayIcon(ui::Form&, const std::wstring& tooltip,
                                                             const std::wstring& exitCaption) {
  return std::make_unique<SimTrayIcon>(*this, tooltip.substr(0, 127), exitCaption);
}

int SimApplication::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                   std::uint32_t flags) {
  boxes.push_back({text, caption, flags, 0});
  const std::size_t index = boxes.size() - 1;
  ++modalDepth;
  const int answer = answerBox ? answerBox(boxes[index])
                               : ((flags & 0xF) == ui::kMbYesNo ? ui::kIdYes : ui::kIdOk);
  --modalDepth;
  boxes[index].answer = answer;
  return answer;
}

std::optional<std::wstring> SimApplication::BrowseForFolder(const std::wstring& title) {
  folderPickerTitles.push_back(title);
  ++modalDepth;
  auto chosen = answerFolderPicker ? answerFolderPicker(title) : std::nullopt;
  --modalDepth;
  return chosen;
}

std::optional<std::wstring> SimApplication::PickFolder(const ui::FolderPickerOptions& options) {
  folderPickers.push_back(options);
  return BrowseForFolder(options.title);
}

void SimApplication::HideApplicationWindow() {
  applicationWindowVisible = false;
  ++hideApplicationWindowCalls;
}

void SimApplication::FollowMainForm(bool visible) {
  if (applicationWindowRecordedVisible != applicationWindowVisible)
    return;
  applicationWindowVisible = visible;
  applicationWindowRecordedVisible = visible;
}

void SimApplication::ActivateTaskBarButton() {
  if (applicationMinimized && mainForm_)
    mainForm_->Show();
}

void SimApplication::RunMessageLoop() {
  if (whileLooping)
    whileLooping();
}

void SimApplication::RunFor(std::int64_t milliseconds) {
  const std::int64_t end = clock_.Milliseconds() + milliseconds;
  while (!terminated) {
    SimTimer* next = nullptr;
    for (SimTimer* timer : timers_) {
      const auto due = timer->NextDue();
      if (due && *due <= end && (!next || *due < *next->NextDue()))
        next = timer;
    }
    if (!next)
      break;
    const std::int64_t due = *next->NextDue();
    if (due > clock_.Milliseconds())
      clock_.Advance(due - clock_.Milliseconds());
    // The next tick is one interval after this one; ticks missed while busy are not queued.
    next->due_ = due + next->Period();
    while (next->due_ <= clock_.Milliseconds())
      next->due_ += next->Period();
    if (next->OnTimer)
      next->OnTimer();
  }
  if (end > clock_.Milliseconds())
    clock_.Advance(end - clock_.Milliseconds());
}

SimForm* SimApplication::FindForm(const std::wstring& name) {
  for (SimForm* form : forms) {
    if (form->design.name == name)
      return form;
  }
  return nullptr;
}

}  // namespace platform::sim
