// The check boxes that enable their entry fields, the start-up registration box, the hours
// filter and the folder picker.
#include "platform/services.h"
#include "untComm/auto_start.h"
#include "untMain/frmMain.h"

namespace untMain {

namespace {

// Critical-error boxes (a drive without a medium) stay away while the picker is open.
class CriticalErrorsSuppressed {
 public:
  explicit CriticalErrorsSuppressed(platform::System& system)
      : system_(system), previous_(system.SetErrorMode(platform::kSemFailCriticalErrors)) {}
  ~CriticalErrorsSuppressed() { system_.SetErrorMode(previous_); }
  CriticalErrorsSuppressed(const CriticalErrorsSuppressed&) = delete;
  CriticalErrorsSuppressed& operator=(const CriticalErrorsSuppressed&) = delete;

 private:
  platform::System& system_;
  std::uint32_t previous_;
};

constexpr wchar_t kBackspace = 8;

}  // namespace

void TfrmMain::chkALLDBClick() {
  edtDB.SetEnabled(!chkALLDB.Checked());
}

void TfrmMain::chkiswClick() {
  edtBackupPass.SetEnabled(!chkisw.Checked());
}

void TfrmMain::chkBacktousbClick() {
  edtBackupPath.SetEnabled(!chkBacktousb.Checked());
}

void TfrmMain::chkBackupAutoStartClick() {
  untComm::SetAutoStart(chkBackupAutoStart.Checked());
}

void TfrmMain::cboBackupTimeKeyPress(wchar_t& Key) {
  if (Key != kBackspace && Key != L'.' && !(Key >= L'0' && Key <= L'9'))
    Key = 0;
  // The whole text counts, also a selected "." the key would replace.
  if (Key == L'.' && cboBackupTime.Text().find(L'.') != std::wstring::npos)
    Key = 0;
}

void TfrmMain::btn2Click() {
  platform::Services& os = platform::Current();
  platform::ui::FolderPickerOptions options;
  options.title = L"选择目录 ";
  options.root = L" ";  // parsed by the desktop folder: the top of the shell's namespace
  // No initial folder: the picker opens with nothing selected, whatever the box holds.
  std::optional<std::wstring> chosen;
  {
    CriticalErrorsSuppressed quiet(*os.system);
    chosen = os.ui->PickFolder(options);
  }
  if (chosen)
    edtBackupPath.SetText(*chosen);
}

}  // namespace untMain
