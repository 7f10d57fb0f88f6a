#include "untMain/frmMain.h"

#include "platform/services.h"
#include "untComm/exception_handler.h"
#include "untMain/layout.h"

namespace untMain {

TfrmMain* frmMain = nullptr;

namespace {

constexpr std::uint32_t kTwelveHours = 43'200'000;
constexpr std::uint32_t kOneSecond = 1'000;
constexpr std::uint32_t kOneHour = 3'600'000;
constexpr std::uint32_t kFifteenSeconds = 15'000;

std::unique_ptr<platform::Query> NewQuery() {
  platform::Database* database = platform::Current().database;
  return database ? database->CreateQuery() : nullptr;
}

}  // namespace

TfrmMain::TfrmMain()
    : form(platform::Current().ui->CreateForm(MainFormLayout())),
      edtBackupPass(form->Find(L"edtBackupPass")),
      chkisw(form->Get<platform::ui::CheckBox>(L"chkisw")),
      chkALLDB(form->Get<platform::ui::CheckBox>(L"chkALLDB")),
      edtDB(form->Find(L"edtDB")),
      ComboBox2(form->Get<platform::ui::ComboBox>(L"ComboBox2")),
      cboBackupTime(form->Get<platform::ui::ComboBox>(L"cboBackupTime")),
      edtBackupPath(form->Find(L"edtBackupPath")),
      btn2(form->Get<platform::ui::Button>(L"btn2")),
      chkBackupAutoStart(form->Get<platform::ui::CheckBox>(L"chkBackupAutoStart")),
      CheckBox2(form->Get<platform::ui::CheckBox>(L"CheckBox2")),
      chkBacktousb(form->Get<platform::ui::CheckBox>(L"chkBacktousb")),
      chkMustLabel(form->Get<platform::ui::CheckBox>(L"chkMustLabel")),
      edtLabel(form->Find(L"edtLabel")),
      chkDelteUsbBackup(form->Get<platform::ui::CheckBox>(L"chkDelteUsbBackup")),
      btn4(form->Get<platform::ui::Button>(L"btn4")),
      btn3(form->Get<platform::ui::Button>(L"btn3")) {
  platform::ui::Application& app = *platform::Current().ui;
  using untComm::Guarded;

  TrayIcon1 = app.CreateTrayIcon(*form, app.Title(), L"退出(&X)");
  TrayIcon1->OnDblClick = Guarded([this] { TrayIcon1DblClick(); });
  TrayIcon1->OnExitItem = Guarded([this] { X1Click(); });

  tmrBackup = form->CreateTimer(kTwelveHours, true);
  tmrBackup->OnTimer = Guarded([this] {
    if (backupSchedule.Tick())
      tmrBackupTimer();
  });
  Timer1 = form->CreateTimer(kOneSecond, true);
  Timer1->OnTimer = Guarded([this] { Timer1Timer(); });
  Timer2 = form->CreateTimer(kOneHour, true);
  Timer2->OnTimer = Guarded([this] { Timer2Timer(); });
  Timer3 = form->CreateTimer(kFifteenSeconds, true);
  Timer3->OnTimer = Guarded([this] { Timer3Timer(); });

  qry1 = NewQuery();
  qry_BaseTemp = NewQuery();

  form->OnCloseQuery = Guarded([this](bool& canClose) { FormCloseQuery(canClose); });
  form->OnQueryEndSession = Guarded([this](bool& canEnd) { FormQueryEndSession(canEnd); });
  chkALLDB.OnClick = Guarded([this] { chkALLDBClick(); });
  chkisw.OnClick = Guarded([this] { chkiswClick(); });
  chkBacktousb.OnClick = Guarded([this] { chkBacktousbClick(); });
  chkBackupAutoStart.OnClick = Guarded([this] { chkBackupAutoStartClick(); });
  cboBackupTime.OnKeyPress = Guarded([this](wchar_t& key) { cboBackupTimeKeyPress(key); });
  btn2.OnClick = Guarded([this] { btn2Click(); });
  btn4.OnClick = Guarded([this] { btn4Click(); });
  btn3.OnClick = Guarded([this] { btn3Click(); });
}

TfrmMain::~TfrmMain() {
  if (frmMain == this)
    frmMain = nullptr;
}

}  // namespace untMain
