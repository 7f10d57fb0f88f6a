// The registry service over the real registry of the test prefix: a scratch key under
// HKEY_CURRENT_USER, removed again after each test.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/win32/registry.h"

namespace {

using platform::RegistryAccess;
using platform::RegistryRoot;

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest()
      : path_(L"Software\\TavrixAdapterTest\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(++counter_)) {}
  ~RegistryTest() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
  }

  // The raw value as RegQueryValueExW returns it: type and byte count.
  std::pair<DWORD, DWORD> RawValue(const std::wstring& name) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0, bytes = 0;
    const LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::make_pair(type, bytes) : std::make_pair(0ul, 0ul);
  }

  static inline int counter_ = 0;
  platform::win32::Win32Registry registry_;
  std::wstring path_;
};

TEST_F(RegistryTest, AStringValueRoundTripsAsRegSzWithItsNullCounted) {
  std::uint32_t error = 99;
  auto key =
      registry_.CreateKey(RegistryRoot::CurrentUser, path_, RegistryAccess::AllAccess, &error);
  ASSERT_TRUE(key);
  EXPECT_EQ(error, 0u);
  const std::wstring data = L"C:\\备份 工具\\Tavrix.exe";
  EXPECT_EQ(key->SetString(L"Tavrix", data), 0u);
  EXPECT_EQ(key->QueryString(L"tavrix"), data) << "value names are case-insensitive";
  EXPECT_EQ(RawValue(L"Tavrix"),
            std::make_pair(static_cast<DWORD>(REG_SZ), static_cast<DWORD>((data.size() + 1) * 2)));
  key->Close();

  auto reader = registry_.OpenKey(RegistryRoot::CurrentUser, path_, RegistryAccess::Read);
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->QueryString(L"Tavrix"), data);
}

TEST_F(RegistryTest, DeletingReportsTheOutcomeAndAMissingValueReadsAsNothing) {
  auto key = registry_.CreateKey(RegistryRoot::CurrentUser, path_, RegistryAccess::AllAccess);
  ASSERT_TRUE(key);
  ASSERT_EQ(key->SetString(L"Tavrix", L"x"), 0u);
  EXPECT_EQ(key->DeleteValue(L"Tavrix"), 0u);
  EXPECT_EQ(key->DeleteValue(L"Tavrix"), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(key->QueryString(L"Tavrix"), std::nullopt);
}

TEST_F(RegistryTest, AValueOfAnotherTypeIsNotAString) {
  auto key = registry_.CreateKey(RegistryRoot::CurrentUser, path_, RegistryAccess::AllAccess);
  ASSERT_TRUE(key);
  HKEY raw = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_SET_VALUE, &raw), ERROR_SUCCESS);
  const DWORD number = 1;
  RegSetValueExW(raw, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
  RegCloseKey(raw);
  EXPECT_EQ(key->QueryString(L"Number"), std::nullopt);
  EXPECT_EQ(key->SetString(L"Empty", L""), 0u);
  EXPECT_EQ(key->QueryString(L"Empty"), L"");
}

TEST_F(RegistryTest, OpeningAMissingKeyFailsWithItsCode) {
  std::uint32_t error = 0;
  EXPECT_FALSE(registry_.OpenKey(RegistryRoot::CurrentUser, path_ + L"\\missing",
                                 RegistryAccess::Read, &error));
  EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

TEST_F(RegistryTest, AKeyWithoutWriteAccessOpensOnlyForReading) {
  {
    auto key = registry_.CreateKey(RegistryRoot::CurrentUser, path_, RegistryAccess::AllAccess);
    ASSERT_TRUE(key);
    ASSERT_EQ(key->SetString(L"Tavrix", L"old"), 0u);
  }
  // Everyone may read the key, nobody may write it (as HKLM for a user without
  // administrator rights). The DACL holds while this wineserver runs.
  HKEY raw = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, WRITE_DAC | READ_CONTROL, &raw),
            ERROR_SUCCESS);
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  ASSERT_TRUE(
      AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
  alignas(ACL) unsigned char aclBuffer[256] = {};
  auto* acl = reinterpret_cast<PACL>(aclBuffer);
  ASSERT_TRUE(InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION));
  ASSERT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | WRITE_DAC, everyone));
  SECURITY_DESCRIPTOR descriptor{};
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
  ASSERT_EQ(RegSetKeySecurity(raw, DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);

  std::uint32_t error = 0;
  EXPECT_FALSE(
      registry_.CreateKey(RegistryRoot::CurrentUser, path_, RegistryAccess::AllAccess, &error));
  EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_ACCESS_DENIED));
  auto reader = registry_.CreateKey(RegistryRoot::CurrentUser, path_, RegistryAccess::Read);
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->QueryString(L"Tavrix"), L"old");
  EXPECT_NE(reader->SetString(L"Tavrix", L"new"), 0u) << "a key opened for reading refuses writes";
  EXPECT_EQ(reader->QueryString(L"Tavrix"), L"old");
  reader->Close();

  // Full access again, so that the key can be removed.
  InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
  AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone);
  RegSetKeySecurity(raw, DACL_SECURITY_INFORMATION, &descriptor);
  RegCloseKey(raw);
  FreeSid(everyone);
}

}  // namespace
