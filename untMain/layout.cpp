#include "untMain/layout.h"

namespace untMain {

namespace {

using platform::ui::ControlSpec;
using platform::ui::Font;
using platform::ui::Kind;

const Font kGroupFont{L"新宋体", 14, platform::ui::kGb2312Charset};
const Font kButtonFont{L"微软雅黑", 14, platform::ui::kGb2312Charset};
constexpr std::uint32_t kSkyBlue = 0xF0CAA6;  // RGB(166, 202, 240) as 0x00BBGGRR

ControlSpec Control(const wchar_t* name, Kind kind, int left, int top, int width, int height,
                    const wchar_t* text, int tab) {
  ControlSpec c;
  c.name = name;
  c.kind = kind;
  c.left = left;
  c.top = top;
  c.width = width;
  c.height = height;
  c.text = text;
  c.parent = L"grp1";
  c.tabOrder = tab;
  return c;
}

ControlSpec Label(const wchar_t* name, int left, int top, int width, const wchar_t* text) {
  ControlSpec c = Control(name, Kind::Label, left, top, width, 14, text, -1);
  c.autoSize = true;
  return c;
}

ControlSpec CheckBox(const wchar_t* name, int left, int top, int width, const wchar_t* text,
                     bool checked, int tab) {
  ControlSpec c = Control(name, Kind::CheckBox, left, top, width, 17, text, tab);
  c.checked = checked;
  return c;
}

platform::ui::FormSpec Build() {
  platform::ui::FormSpec form;
  form.name = L"frmMain";
  form.clientWidth = 414;
  form.clientHeight = 374;
  form.border = platform::ui::Border::FixedSingle;
  form.font = Font{L"Tahoma", 11, 1};

  ControlSpec group = Control(L"grp1", Kind::GroupBox, 0, 0, 414, 374, L"", -1);
  group.parent.clear();
  group.alignClient = true;
  group.font = kGroupFont;
  form.controls.push_back(group);

  form.controls.push_back(Label(L"lbl1", 34, 23, 56, L"服务器："));
  ControlSpec server = Control(L"label13", Kind::Label, 96, 20, 143, 21, L"(localhost)", -1);
  server.background = kSkyBlue;
  server.centerVertically = true;
  form.controls.push_back(server);

  form.controls.push_back(Label(L"lbl2", 34, 62, 56, L"sa密码："));
  ControlSpec pass = Control(L"edtBackupPass", Kind::Edit, 96, 59, 143, 22, L"******", 0);
  pass.password = true;
  pass.enabled = false;
  pass.background = 0xFFFFFF;
  form.controls.push_back(pass);
  form.controls.push_back(CheckBox(L"chkisw", 253, 64, 126, L"集成身份验证", true, 1));

  form.controls.push_back(Label(L"lbl3", 34, 101, 56, L"数据库："));
  form.controls.push_back(CheckBox(L"chkALLDB", 96, 101, 124, L"所有数据库", true, 11));
  form.controls.push_back(Control(L"edtDB", Kind::Edit, 200, 99, 169, 20, L"master", 12));

  form.controls.push_back(Label(L"lbl4", 48, 140, 42, L"计划："));
  ControlSpec plan = Control(L"ComboBox2", Kind::DropDownList, 96, 137, 75, 22, L"备份", 2);
  plan.items = {L"备份"};
  plan.selectedItem = 0;
  form.controls.push_back(plan);
  ControlSpec hours = Control(L"cboBackupTime", Kind::ComboBox, 189, 137, 58, 22, L"6", 3);
  hours.items = {L"3", L"6", L"12", L"24", L"48", L"72"};
  hours.maxLength = 3;
  form.controls.push_back(hours);
  form.controls.push_back(Label(L"lbl5", 253, 140, 84, L"小时执行一次"));

  form.controls.push_back(Label(L"lbl6", 18, 181, 70, L"备份目录："));
  form.controls.push_back(
      Control(L"edtBackupPath", Kind::Edit, 94, 178, 207, 26, L"E:\\backup", 4));
  form.controls.push_back(Control(L"btn2", Kind::Button, 307, 179, 62, 25, L"浏览...", 5));

  form.controls.push_back(CheckBox(L"chkBackupAutoStart", 94, 216, 97, L"启动时开启", true, 6));
  form.controls.push_back(CheckBox(L"CheckBox2", 197, 216, 97, L"启动时备份", false, 13));
  form.controls.push_back(CheckBox(L"chkBacktousb", 94, 239, 162, L"优先检测并备份到U盘", true, 9));
  form.controls.push_back(CheckBox(L"chkMustLabel", 94, 262, 153, L"只备份到指定卷标", false, 14));
  form.controls.push_back(Control(L"edtLabel", Kind::Edit, 235, 262, 144, 20, L"Hemlow备份", 15));
  form.controls.push_back(
      CheckBox(L"chkDelteUsbBackup", 94, 285, 171, L"只保留七天内的备份", true, 10));

  ControlSpec test = Control(L"btn4", Kind::Button, 96, 324, 91, 32, L"测试", 8);
  test.font = kButtonFont;
  form.controls.push_back(test);
  ControlSpec save = Control(L"btn3", Kind::Button, 225, 324, 96, 32, L"保存", 7);
  save.font = kButtonFont;
  save.enabled = false;
  save.defaultButton = true;
  form.controls.push_back(save);
  return form;
}

}  // namespace

const platform::ui::FormSpec& MainFormLayout() {
  static const platform::ui::FormSpec layout = Build();
  return layout;
}

}  // namespace untMain
