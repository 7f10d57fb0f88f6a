// The WebBrowser control hosted through atl.dll, for real under Wine. Wine has no HTML
// engine here (no Gecko): the control is created and navigates, the request goes out, but
// nothing is drawn.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <string>

#include "platform/error.h"
#include "platform/win32/web_browser.h"
#include "untGG/promotion_address.h"

namespace {

using platform::win32::Win32WebBrowser;

// Lets the control's own messages run for up to `timeout` milliseconds or until `done`.
template <typename Done>
bool PumpUntil(DWORD timeout, Done done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeout)
      return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
  return true;
}

class WebBrowserTest : public ::testing::Test {
 protected:
  WebBrowserTest() {
    com_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // A stand-in for the promotion form: a hidden borderless top-level window.
    form_ = CreateWindowExW(0, L"STATIC", L"frmGG", WS_POPUP, 1554, 832, 366, 208, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  }
  ~WebBrowserTest() override {
    browser_.reset();
    if (form_)
      DestroyWindow(form_);
    if (SUCCEEDED(com_))
      CoUninitialize();
  }

  Win32WebBrowser& Create() {
    const RECT bounds{0, 0, 366, 208};
    browser_ = platform::win32::CreateWebBrowserControl(L"WebBrowser1", form_, bounds, 100);
    return *browser_;
  }

  HRESULT com_;
  HWND form_ = nullptr;
  std::unique_ptr<Win32WebBrowser> browser_;
};

TEST_F(WebBrowserTest, ControlLivesInAnAtlAxWinChildThatFillsTheForm) {
  ASSERT_TRUE(form_);
  ASSERT_TRUE(SUCCEEDED(com_));
  Win32WebBrowser& browser = Create();
  const HWND host = browser.Window();
  ASSERT_TRUE(IsWindow(host));
  EXPECT_EQ(GetParent(host), form_);
  EXPECT_EQ(GetDlgCtrlID(host), 100);
  wchar_t className[64] = {};
  GetClassNameW(host, className, 64);
  EXPECT_STREQ(className, L"AtlAxWin");
  EXPECT_EQ(browser.Text(), L"Shell.Explorer.2");
  EXPECT_EQ(browser.Name(), L"WebBrowser1");
  EXPECT_TRUE(browser.Enabled());

  RECT rect{};
  GetWindowRect(host, &rect);
  EXPECT_EQ(rect.left, 1554);
  EXPECT_EQ(rect.top, 832);
  EXPECT_EQ(rect.right - rect.left, 366);
  EXPECT_EQ(rect.bottom - rect.top, 208);
  // The control's own window sits inside the host.
  EXPECT_NE(GetWindow(host, GW_CHILD), nullptr);
  EXPECT_EQ(browser.LocationUrl(), L"") << "nothing loaded yet";
}

TEST_F(WebBrowserTest, DestroyingTheControlDestroysItsHostWindow) {
  const HWND host = Create().Window();
  browser_.reset();
  EXPECT_FALSE(IsWindow(host));

  // The other way round, the form takes the host with it and the control lets go quietly.
  const HWND second = Create().Window();
  DestroyWindow(form_);
  form_ = nullptr;
  EXPECT_FALSE(IsWindow(second));
  browser_.reset();
}

// Wine reads a scheme-less address with a plain host the way a browser's address bar does:
// as an http address.
TEST_F(WebBrowserTest, PromotionAddressIsAcceptedAndReadAsHttp) {
  Win32WebBrowser& browser = Create();
  EXPECT_NO_THROW(browser.Navigate(untGG::PromotionAddress()));
  EXPECT_TRUE(PumpUntil(5000, [&] { return !browser.LocationUrl().empty(); }));
  EXPECT_EQ(browser.LocationUrl(), L"http://" + untGG::PromotionAddress());
}

class Listener {
 public:
  explicit Listener(unsigned short port) {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    u_long nonBlocking = 1;
    int length = sizeof address;
    ready_ = socket_ != INVALID_SOCKET &&
             bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
             listen(socket_, 4) == 0 && ioctlsocket(socket_, FIONBIO, &nonBlocking) == 0 &&
             getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    port_ = ntohs(address.sin_port);
  }
  ~Listener() {
    if (socket_ != INVALID_SOCKET)
      closesocket(socket_);
    if (started_)
      WSACleanup();
  }
  bool Ready() const { return ready_; }
  unsigned short Port() const { return port_; }

  // The start of the first request that arrives, or nothing once the time is up.
  std::string Request(DWORD timeout) {
    std::string request;
    PumpUntil(timeout, [&] {
      const SOCKET client = accept(socket_, nullptr, nullptr);
      if (client == INVALID_SOCKET)
        return false;
      u_long blocking = 0;
      ioctlsocket(client, FIONBIO, &blocking);
      char buffer[512];
      const int length = recv(client, buffer, sizeof buffer, 0);
      if (length > 0)
        request.assign(buffer, static_cast<std::size_t>(length));
      closesocket(client);
      return true;
    });
    return request;
  }

 private:
  bool started_ = false;
  bool ready_ = false;
  unsigned short port_ = 0;
  SOCKET socket_ = INVALID_SOCKET;
};

TEST_F(WebBrowserTest, SchemeLessHostWithoutPortReachesItsWebServer) {
  Listener server(80);
  if (!server.Ready())
    GTEST_SKIP() << "port 80 of the loopback address is not available";
  Win32WebBrowser& browser = Create();
  browser.Navigate(L"127.0.0.1/ad.asp");
  const std::string request = server.Request(5000);
  EXPECT_EQ(request.rfind("GET /ad.asp HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("\r\nHost: 127.0.0.1\r\n"), std::string::npos) << request;
}

// Why the promotion host takes no port: "host:port/..." reads as a URL scheme, and nothing
// is requested.
TEST_F(WebBrowserTest, SchemeLessHostWithPortIsReadAsASchemeAndRequestsNothing) {
  Listener server(0);
  ASSERT_TRUE(server.Ready());
  const std::wstring address = L"127.0.0.1:" + std::to_wstring(server.Port()) + L"/ad.asp";
  Win32WebBrowser& browser = Create();
  EXPECT_NO_THROW(browser.Navigate(address));
  EXPECT_EQ(server.Request(1500), "");
  // The same with a scheme is an ordinary request.
  browser.Navigate(L"http://" + address);
  EXPECT_EQ(server.Request(5000).rfind("GET /ad.asp HTTP/1.1\r\n", 0), 0u);
}

}  // namespace
