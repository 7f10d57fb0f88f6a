// The main window as built from its layout table, before start-up fills it.
#include "tests/sim_test.h"
#include "untMain/frmMain.h"

namespace {

using platform::sim::SimForm;

class MainWindowLayoutTest : public SimTest {
 protected:
  MainWindowLayoutTest() { world.ui.SetTitle(L"Orbanel"); }
};

TEST_F(MainWindowLayoutTest, ComponentsHaveTheirDesignValues) {
  untMain::TfrmMain main;
  EXPECT_EQ(main.tmrBackup->Interval(), 43'200'000u);
  EXPECT_TRUE(main.tmrBackup->Enabled());
  EXPECT_EQ(main.Timer1->Interval(), 1'000u);
  EXPECT_EQ(main.Timer2->Interval(), 3'600'000u);
  EXPECT_EQ(main.Timer3->Interval(), 15'000u);
  ASSERT_EQ(world.ui.trayIcons.size(), 1u);
  EXPECT_EQ(main.TrayIcon1->Tooltip(), L"Orbanel");
  EXPECT_EQ(world.ui.trayIcons[0]->exitCaption, L"退出(&X)");
  EXPECT_FALSE(main.btn3.Enabled());
  EXPECT_FALSE(main.edtBackupPass.Enabled());
  EXPECT_TRUE(main.chkisw.Checked());
  EXPECT_FALSE(main.CheckBox2.Checked());
  EXPECT_FALSE(main.chkMustLabel.Checked());
  EXPECT_EQ(main.edtLabel.Text(), L"Hemlow备份");
  EXPECT_EQ(main.edtBackupPath.Text(), L"E:\\backup");
  EXPECT_EQ(main.ComboBox2.Text(), L"备份");
  EXPECT_EQ(main.cboBackupTime.Text(), L"6");
}

TEST_F(MainWindowLayoutTest, TabOrderRunsThroughEveryFocusableControlOnce) {
  untMain::TfrmMain main;
  const auto& design = dynamic_cast<SimForm&>(*main.form).design;
  std::vector<std::wstring> byTab(16);
  for (const auto& c : design.controls) {
    if (c.tabOrder < 0)
      continue;
    ASSERT_LT(c.tabOrder, 16);
    EXPECT_TRUE(byTab[static_cast<std::size_t>(c.tabOrder)].empty()) << c.name;
    byTab[static_cast<std::size_t>(c.tabOrder)] = c.name;
  }
  EXPECT_EQ(byTab,
            (std::vector<std::wstring>{L"edtBackupPass", L"chkisw", L"ComboBox2", L"cboBackupTime",
                                       L"edtBackupPath", L"btn2", L"chkBackupAutoStart", L"btn3",
                                       L"btn4", L"chkBacktousb", L"chkDelteUsbBackup", L"chkALLDB",
                                       L"edtDB", L"CheckBox2", L"chkMustLabel", L"edtLabel"}));
}

}  // namespace
