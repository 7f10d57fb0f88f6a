// The start-up sequence: settings into the window, the backup schedule, the start log line,
// the start-up registration and the optional backup at start.
#include <functional>
#include <memory>

#include "platform/services.h"
#include "untComm/auto_start.h"
#include "untComm/config_file.h"
#include "untComm/connection_string.h"
#include "untComm/conversions.h"
#include "untComm/exception_handler.h"
#include "untComm/load_config.h"
#include "untComm/paths.h"
#include "untComm/settings.h"
#include "untComm/write_log.h"
#include "untMain/frmMain.h"

namespace untMain {

namespace {

// One step of the sequence. A step that fails is reported in the error box and the sequence
// goes on with the next one, so that one bad setting or a registry without write access
// does not cost the start log line, the registration or the backup at start.
void Step(const std::function<void()>& step) {
  untComm::HandleExceptions(step);
}

}  // namespace

void TfrmMain::FormCreate() {
  platform::Services& os = platform::Current();
  untComm::TBackupSettings& settings = untComm::BackupSettings;

  Step([&] { os.ui->SetTitle(L"Velmora"); });
  Step([&] { os.system->ChangeDirectory(untComm::ExtractFileDir(os.system->ModuleFileName())); });
  Step(
      [&] { untComm::ConfigFile = std::make_unique<untComm::TIniFile>(untComm::kConfigFileName); });
  Step([&] { untComm::LoadConfig(); });
  Step([&] { form->SetCaption(L"Velmora V1.2 - " + settings.OemName); });

  // Setting a check box runs its click handler when the state changes.
  Step([&] {
    chkBackupAutoStart.SetChecked(settings.BackupAutoStart);
    chkALLDB.SetChecked(settings.BackupAllDb);
    edtDB.SetText(settings.BackupDbName);
    chkisw.SetChecked(settings.UseIntegratedSecurity);
    edtBackupPass.SetText(settings.BackupPass);
    cboBackupTime.SetText(settings.BackupTime);
    edtBackupPath.SetText(settings.BackupPath);
    chkBacktousb.SetChecked(settings.BackupToUsb);
    chkDelteUsbBackup.SetChecked(settings.DeleteBackupFile);
    CheckBox2.SetChecked(settings.BackupAtStartup);
    edtLabel.SetText(settings.UsbLabel);
    chkMustLabel.SetChecked(settings.MustLabel);
  });
  Step([&] {
    chkALLDBClick();
    chkiswClick();
    chkBacktousbClick();
  });

  Step([&] { untComm::BuildConnectionString(settings.BackupPass); });
  Step([&] {
    if (settings.BackupAutoStart) {
      backupSchedule.Arm(*tmrBackup, untComm::StrToInt(settings.BackupTime));
      tmrBackup->SetEnabled(true);
    }
  });
  Step([&] { untComm::WriteLog(L"程序启动。"); });
  Step([&] { untComm::SetAutoStart(true); });
  Step([&] { chkBackupAutoStart.SetChecked(true); });
  Step([&] {
    if (settings.BackupAtStartup)
      tmrBackupTimer();
  });
}

}  // namespace untMain
