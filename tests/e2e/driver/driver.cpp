// The end-to-end tests' hands and eyes on the running Tavrix.exe: a console program run
// with Wine in the same prefix (so it shares the program's wineserver), one command per run,
// its findings as one line of JSON on standard output (UTF-8).
//
//   layout                          the main window's layout table, as the program has it
//   find CLASS [WAIT_MS] [TITLE]    visible top-level windows of a class (and exact title)
//   find-any CLASS [WAIT_MS]        the same, hidden windows too
//   window HWND                     one window: title, rectangle, visible, iconic, enabled
//   controls HWND                   every descendant window, in z-order (rect in its
//                                   parent's client area, screen on the screen)
//   box CAPTION [WAIT_MS]           a message box: its text and which buttons it has
//   menu [WAIT_MS]                  an open pop-up menu and its items
//   post HWND MSG WPARAM LPARAM     PostMessageW (numbers in decimal or 0x hex)
//   send HWND MSG WPARAM LPARAM     SendMessageTimeoutW; prints the result
//   tray MOUSE_MESSAGE              the notification-area icon's callback, as the shell posts it
//   gone HWND [WAIT_MS]             waits until the window no longer exists
//   process PID                     a process's handle count, USER and GDI objects, memory
//   ado-statements COUNT            the program's backup statement COUNT times through ADO on
//                                   one connection, with this process's memory along the way
//   move HWND LEFT TOP              moves a top-level window's corner (SetWindowPos)
//
// Exit code 0 with the JSON, 1 when what was asked for did not appear in time, 2 on misuse.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/win32/database.h"
#include "platform/win32/ui_form.h"
#include "platform/win32/ui_tray_icon.h"
#include "untComm/connection_string.h"
#include "untMain/backup_names.h"
#include "untMain/layout.h"

namespace {

// --- output ---

std::string Utf8(const std::wstring& text) {
  if (text.empty())
    return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

std::string Quote(const std::wstring& text) {
  std::string out = "\"";
  for (unsigned char c : Utf8(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// A JSON object built field by field.
class Object {
 public:
  Object& Field(const char* name, const std::string& json) {
    text_.append(text_.empty() ? "{" : ",").append("\"").append(name).append("\":").append(json);
    return *this;
  }

  Object& Text(const char* name, const std::wstring& value) { return Field(name, Quote(value)); }
  Object& Number(const char* name, long long value) { return Field(name, std::to_string(value)); }
  Object& Bool(const char* name, bool value) { return Field(name, value ? "true" : "false"); }
  std::string Json() const { return text_.empty() ? "{}" : text_ + "}"; }

 private:
  std::string text_;
};

std::string Array(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i)
    out.append(i ? "," : "").append(items[i]);
  return out.append("]");
}

std::string Rect(const RECT& r) {
  char text[64];
  std::snprintf(text, sizeof text, "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right, r.bottom);
  return text;
}

int Print(const std::string& json) {
  std::fwrite(json.data(), 1, json.size(), stdout);
  std::fputc('\n', stdout);
  return 0;
}

// --- reading windows of another process ---

constexpr UINT kReadTimeout = 2000;

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kReadTimeout, &result);
  return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  Send(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::string Handle(HWND window) {
  return std::to_string(reinterpret_cast<std::uintptr_t>(window));
}

HWND ParseHandle(const wchar_t* text) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::wcstoull(text, nullptr, 0)));
}

long long ParseNumber(const wchar_t* text) {
  return static_cast<long long>(std::wcstoull(text, nullptr, 0));
}

std::string DescribeWindow(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  RECT client{};
  GetClientRect(window, &client);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return Object()
      .Field("hwnd", Handle(window))
      .Number("pid", process)
      .Text("class", ClassOf(window))
      .Text("title", TextOf(window))
      .Field("rect", Rect(rect))
      .Field("client", Rect(client))
      .Bool("visible", IsWindowVisible(window))
      .Bool("iconic", IsIconic(window))
      .Bool("enabled", IsWindowEnabled(window))
      .Field("owner", Handle(GetWindow(window, GW_OWNER)))
      .Number("style", GetWindowLongW(window, GWL_STYLE))
      .Number("exstyle", GetWindowLongW(window, GWL_EXSTYLE))
      .Json();
}

std::vector<HWND> TopLevelWindows(const std::wstring& className, const std::wstring* title,
                                  bool visibleOnly) {
  struct Search {
    const std::wstring& className;
    const std::wstring* title;
    bool visibleOnly;
    std::vector<HWND> found;
  } search{className, title, visibleOnly, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        if (ClassOf(window) == s.className && (!s.visibleOnly || IsWindowVisible(window)) &&
            (!s.title || TextOf(window) == *s.title)) {
          s.found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Polls until `find` returns something or the time is up.
template <class Find>
auto WaitFor(Find find, DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (;;) {
    auto found = find();
    if (!found.empty() || GetTickCount64() >= end)
      return found;
    Sleep(50);
  }
}

// --- commands ---

const wchar_t* KindName(platform::ui::Kind kind) {
  using platform::ui::Kind;
  switch (kind) {
    case Kind::GroupBox:
      return L"GroupBox";
    case Kind::Label:
      return L"Label";
    case Kind::Edit:
      return L"Edit";
    case Kind::CheckBox:
      return L"CheckBox";
    case Kind::ComboBox:
      return L"ComboBox";
    case Kind::DropDownList:
      return L"DropDownList";
    case Kind::Button:
      return L"Button";
    case Kind::WebBrowser:
      return L"WebBrowser";
  }
  return L"";
}

int Layout() {
  const platform::ui::FormSpec& form = untMain::MainFormLayout();
  std::vector<std::string> controls;
  for (std::size_t i = 0; i < form.controls.size(); ++i) {
    const platform::ui::ControlSpec& c = form.controls[i];
    std::vector<std::string> items;
    for (const std::wstring& item : c.items)
      items.push_back(Quote(item));
    Object control;
    control.Text("name", c.name)
        .Number("id", platform::win32::kFirstControlId + static_cast<int>(i))
        .Text("kind", KindName(c.kind))
        .Number("left", c.left)
        .Number("top", c.top)
        .Number("width", c.width)
        .Number("height", c.height)
        .Text("text", c.text)
        .Text("parent", c.parent)
        .Number("tab", c.tabOrder)
        .Bool("enabled", c.enabled)
        .Bool("checked", c.checked)
        .Bool("password", c.password)
        .Bool("autoSize", c.autoSize)
        .Bool("alignClient", c.alignClient)
        .Bool("defaultButton", c.defaultButton)
        .Number("maxLength", c.maxLength)
        .Field("items", Array(items))
        .Number("background", c.background ? static_cast<long long>(*c.background) : -1)
        .Text("font", c.font ? c.font->face : L"");
    controls.push_back(control.Json());
  }
  return Print(Object()
                   .Text("name", form.name)
                   .Number("clientWidth", form.clientWidth)
                   .Number("clientHeight", form.clientHeight)
                   .Field("controls", Array(controls))
                   .Json());
}

int Find(const std::wstring& className, const std::wstring* title, DWORD wait, bool visibleOnly) {
  const auto found = WaitFor([&] { return TopLevelWindows(className, title, visibleOnly); }, wait);
  std::vector<std::string> windows;
  for (HWND window : found)
    windows.push_back(DescribeWindow(window));
  Print(Array(windows));
  return found.empty() ? 1 : 0;
}

int Controls(HWND top) {
  std::vector<HWND> children;
  EnumChildWindows(
      top,
      [](HWND child, LPARAM data) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  std::vector<std::string> out;
  for (HWND child : children) {
    HWND parent = GetParent(child);
    RECT screen{};
    GetWindowRect(child, &screen);
    RECT rect = screen;
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    const std::wstring className = ClassOf(child);
    Object control;
    control.Field("hwnd", Handle(child))
        .Field("parent", Handle(parent))
        .Number("id", GetDlgCtrlID(child))
        .Text("class", className)
        .Text("text", TextOf(child))
        .Field("rect", Rect(rect))
        .Field("screen", Rect(screen))
        .Number("style", GetWindowLongW(child, GWL_STYLE))
        .Number("exstyle", GetWindowLongW(child, GWL_EXSTYLE))
        .Bool("enabled", IsWindowEnabled(child))
        .Bool("visible", IsWindowVisible(child));
    if (_wcsicmp(className.c_str(), L"Button") == 0)
      control.Number("check", Send(child, BM_GETCHECK, 0, 0));
    if (_wcsicmp(className.c_str(), L"Edit") == 0) {
      control.Number("limit", Send(child, EM_GETLIMITTEXT, 0, 0))
          .Number("passwordChar", Send(child, EM_GETPASSWORDCHAR, 0, 0));
    }
    if (_wcsicmp(className.c_str(), L"ComboBox") == 0) {
      std::vector<std::string> items;
      const LRESULT count = Send(child, CB_GETCOUNT, 0, 0);
      for (LRESULT i = 0; i < count; ++i) {
        wchar_t item[256] = {};
        Send(child, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
        items.push_back(Quote(item));
      }
      control.Field("items", Array(items)).Number("selected", Send(child, CB_GETCURSEL, 0, 0));
    }
    out.push_back(control.Json());
  }
  return Print(Array(out));
}

int Box(const std::wstring& caption, DWORD wait) {
  const auto boxes = WaitFor([&] { return TopLevelWindows(L"#32770", &caption, true); }, wait);
  if (boxes.empty()) {
    Print("null");
    return 1;
  }
  HWND box = boxes.front();
  std::vector<std::string> buttons;
  for (int id = IDOK; id <= IDCONTINUE; ++id) {
    if (HWND button = GetDlgItem(box, id); button && IsWindowVisible(button))
      buttons.push_back(Object().Number("id", id).Text("text", TextOf(button)).Json());
  }
  return Print(Object()
                   .Field("hwnd", Handle(box))
                   .Text("text", TextOf(GetDlgItem(box, 0xFFFF)))
                   .Field("owner", Handle(GetWindow(box, GW_OWNER)))
                   .Field("window", DescribeWindow(box))
                   .Field("buttons", Array(buttons))
                   .Json());
}

int Menu(DWORD wait) {
  const auto menus = WaitFor([] { return TopLevelWindows(L"#32768", nullptr, true); }, wait);
  if (menus.empty()) {
    Print("null");
    return 1;
  }
  auto menu = reinterpret_cast<HMENU>(Send(menus.front(), MN_GETHMENU, 0, 0));
  std::vector<std::string> items;
  const int count = menu ? GetMenuItemCount(menu) : 0;
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
    items.push_back(Quote(text));
  }
  return Print(Object().Field("hwnd", Handle(menus.front())).Field("items", Array(items)).Json());
}

int Tray(UINT mouseMessage) {
  const auto windows = TopLevelWindows(platform::win32::kTrayWindowClass, nullptr, false);
  if (windows.empty()) {
    Print("null");
    return 1;
  }
  PostMessageW(windows.front(), platform::win32::kTrayCallbackMessage, platform::win32::kTrayIconId,
               mouseMessage);
  return Print(Object().Field("hwnd", Handle(windows.front())).Json());
}

int Gone(HWND window, DWORD wait) {
  const ULONGLONG end = GetTickCount64() + wait;
  while (IsWindow(window)) {
    if (GetTickCount64() >= end) {
      Print("false");
      return 1;
    }
    Sleep(50);
  }
  return Print("true");
}

// The windows of one process, top-level and child: a USER figure every platform gives.
struct WindowCount {
  DWORD pid;
  long long windows;
};

BOOL CALLBACK CountChild(HWND, LPARAM data) {
  ++reinterpret_cast<WindowCount*>(data)->windows;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM data) {
  auto& count = *reinterpret_cast<WindowCount*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == count.pid) {
    ++count.windows;
    EnumChildWindows(window, CountChild, data);
  }
  return TRUE;
}

// The process's GDI objects from the handle table its PEB points to (as Windows lays it out
// and Wine fills it, one table per process): the entries in use that are not stock objects.
// -1 when the table cannot be read.
long long GdiObjectsInTable(HANDLE process, DWORD pid) {
  constexpr std::size_t kPebGdiTable = 0xF8;  // x64 PEB.GdiSharedHandleTable
  constexpr std::size_t kEntries = 0x10000, kEntrySize = 24;
  PROCESS_BASIC_INFORMATION basic{};
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) !=
          0 ||
      !basic.PebBaseAddress)
    return -1;
  std::uint64_t table = 0;
  if (!ReadProcessMemory(process,
                         reinterpret_cast<const char*>(basic.PebBaseAddress) + kPebGdiTable, &table,
                         sizeof table, nullptr) ||
      !table)
    return -1;
  std::vector<unsigned char> entries(kEntries * kEntrySize);
  SIZE_T read = 0;
  if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                         entries.size(), &read) &&
      read == 0)
    return -1;
  long long count = 0;
  for (std::size_t i = 0; i < read / kEntrySize; ++i) {
    const unsigned char* entry = entries.data() + i * kEntrySize;
    std::uint16_t owner = 0;
    std::memcpy(&owner, entry + 8, sizeof owner);
    // Bytes 12..15: the kind with the stock flag in its top bit, a generation, the type, flags.
    const bool stock = entry[12] & 0x80;
    const bool inUse = entry[14] != 0;
    if (inUse && !stock && (owner == 0 || owner == pid))
      ++count;
  }
  return count;
}

// Handles and memory of one process from the system's process list: Wine answers there
// where GetProcessHandleCount gives 0.
struct ProcessListFigures {
  long long handles = -1, threads = -1, pagefile = -1;
};

ProcessListFigures FromProcessList(DWORD pid) {
  std::vector<unsigned char> buffer(1 << 20);
  ULONG needed = 0;
  for (;;) {
    const NTSTATUS status = NtQuerySystemInformation(SystemProcessInformation, buffer.data(),
                                                     static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0)
      break;
    if (static_cast<ULONG>(status) != 0xC0000004 /* STATUS_INFO_LENGTH_MISMATCH */)
      return {};
    buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed));
  }
  for (std::size_t offset = 0;;) {
    const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
    if (reinterpret_cast<std::uintptr_t>(entry->UniqueProcessId) == pid) {
      return {static_cast<long long>(entry->HandleCount),
              static_cast<long long>(entry->NumberOfThreads),
              static_cast<long long>(entry->VirtualMemoryCounters.PagefileUsage)};
    }
    if (entry->NextEntryOffset == 0)
      return {};
    offset += entry->NextEntryOffset;
  }
}

// What a process holds, as Windows reports it. Where the direct query does not answer (Wine:
// GetProcessHandleCount gives 0, GetGuiResources fails, PrivateUsage stays 0) the system's
// process list and the GDI handle table stand in; "source" says which answered. -1: neither.
int ProcessFigures(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) {
    Print("null");
    return 1;
  }
  const ProcessListFigures listed = FromProcessList(pid);
  DWORD handles = 0;
  const bool handlesAnswered = GetProcessHandleCount(process, &handles) && handles > 0;
  // GetGuiResources gives 0 both for "none" and for a failure; only the error tells them apart.
  auto guiResources = [process](DWORD kind) {
    SetLastError(ERROR_SUCCESS);
    const DWORD value = GetGuiResources(process, kind);
    return value == 0 && GetLastError() != ERROR_SUCCESS ? -1LL : static_cast<long long>(value);
  };
  long long gdi = guiResources(GR_GDIOBJECTS);
  const bool gdiAnswered = gdi >= 0;
  if (!gdiAnswered)
    gdi = GdiObjectsInTable(process, pid);
  const long long user = guiResources(GR_USEROBJECTS);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  const bool haveMemory =
      GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof memory) != 0;
  CloseHandle(process);

  WindowCount count{pid, 0};
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
  auto bytes = [haveMemory](SIZE_T value) {
    return haveMemory && value > 0 ? static_cast<long long>(value) : -1LL;
  };
  return Print(
      Object()
          .Number("pid", pid)
          .Number("handles", handlesAnswered ? handles : listed.handles)
          .Text("handlesSource", handlesAnswered ? L"GetProcessHandleCount" : L"process list")
          .Number("gdi", gdi)
          .Text("gdiSource", gdiAnswered ? L"GetGuiResources" : L"GDI handle table")
          .Number("user", user)
          .Number("windows", count.windows)
          .Number("threads", listed.threads)
          .Number("workingSet", bytes(memory.WorkingSetSize))
          .Number("private", bytes(memory.PrivateUsage))
          .Number("pagefile", listed.pagefile)
          .Json());
}

// What ADO itself keeps per statement, apart from any program: the backup statement the
// program sends, COUNT times on one connection as the program keeps it, and this process's
// working set after the first, the middle and the last statement.
int AdoStatements(int count) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::vector<std::string> workingSets;
  int failures = 0;
  {
    platform::win32::AdoQuery query;
    for (int i = 1; i <= count; ++i) {
      const std::wstring file =
          L"c:\\tempbak\\" + untMain::BackupFileName(L"master", std::to_wstring(i));
      query.Close();
      query.SetConnectionString(untComm::kIntegratedConnectionString);
      query.SetSql(untMain::BackupStatement(L"master", file));
      query.SetCommandTimeout(0);
      try {
        query.ExecSql();
      } catch (const platform::Exception&) {
        ++failures;
      }
      DeleteFileW(file.c_str());
      if (i == 1 || i == count / 2 || i == count) {
        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
        workingSets.push_back(
            Object()
                .Number("statement", i)
                .Number("workingSet", static_cast<long long>(memory.WorkingSetSize))
                .Json());
      }
    }
  }
  CoUninitialize();
  return Print(Object().Number("failures", failures).Field("figures", Array(workingSets)).Json());
}

int Move(HWND window, int left, int top) {
  const bool moved = SetWindowPos(window, nullptr, left, top, 0, 0,
                                  SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != 0;
  return moved ? Print(DescribeWindow(window)) : (Print("null"), 1);
}

int Usage() {
  std::fputs(
      "usage: driver layout | find CLASS [WAIT_MS] [TITLE] | find-any CLASS [WAIT_MS] |\n"
      "  window HWND | controls HWND | box CAPTION [WAIT_MS] | menu [WAIT_MS] |\n"
      "  post|send HWND MSG WPARAM LPARAM | tray MOUSE_MESSAGE | gone HWND [WAIT_MS] |\n"
      "  move HWND LEFT TOP | process PID | ado-statements COUNT\n",
      stderr);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2)
    return Usage();
  const std::wstring command = argv[1];
  auto argument = [&](int i) -> const wchar_t* { return i < argc ? argv[i] : nullptr; };
  auto wait = [&](int i, DWORD fallback) {
    return argument(i) ? static_cast<DWORD>(ParseNumber(argument(i))) : fallback;
  };

  if (command == L"layout")
    return Layout();
  if (command == L"find" && argument(2)) {
    const std::wstring title = argument(4) ? argument(4) : L"";
    return Find(argument(2), argument(4) ? &title : nullptr, wait(3, 0), true);
  }
  if (command == L"find-any" && argument(2))
    return Find(argument(2), nullptr, wait(3, 0), false);
  if (command == L"window" && argument(2)) {
    HWND window = ParseHandle(argument(2));
    return IsWindow(window) ? Print(DescribeWindow(window)) : (Print("null"), 1);
  }
  if (command == L"controls" && argument(2))
    return Controls(ParseHandle(argument(2)));
  if (command == L"box" && argument(2))
    return Box(argument(2), wait(3, 10000));
  if (command == L"menu")
    return Menu(wait(2, 10000));
  if ((command == L"post" || command == L"send") && argc == 6) {
    HWND window = ParseHandle(argv[2]);
    const auto message = static_cast<UINT>(ParseNumber(argv[3]));
    const auto wParam = static_cast<WPARAM>(ParseNumber(argv[4]));
    const auto lParam = static_cast<LPARAM>(ParseNumber(argv[5]));
    if (command == L"post")
      return PostMessageW(window, message, wParam, lParam) ? Print("true") : (Print("false"), 1);
    DWORD_PTR result = 0;
    const bool answered =
        SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result) != 0;
    return answered ? Print(std::to_string(result)) : (Print("null"), 1);
  }
  if (command == L"tray" && argument(2))
    return Tray(static_cast<UINT>(ParseNumber(argument(2))));
  if (command == L"move" && argc == 5) {
    return Move(ParseHandle(argv[2]), static_cast<int>(std::wcstol(argv[3], nullptr, 0)),
                static_cast<int>(std::wcstol(argv[4], nullptr, 0)));
  }
  if (command == L"gone" && argument(2))
    return Gone(ParseHandle(argument(2)), wait(3, 10000));
  if (command == L"ado-statements" && argument(2))
    return AdoStatements(static_cast<int>(ParseNumber(argument(2))));
  if (command == L"process" && argument(2))
    return ProcessFigures(static_cast<DWORD>(ParseNumber(argument(2))));
  return Usage();
}
