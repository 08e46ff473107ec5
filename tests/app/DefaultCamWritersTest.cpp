// Which store each row of the default-camera list writes, and where the user's stores are.
// The stores themselves are checked from outside by check_default_cam_stores.py.
#include "framework/WinApi.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include "app/DefaultCamWriters.h"
#include "tests/framework/TestFolder.h"

namespace {

const char kTestKey[] = "Software\\TaviscoTests\\DefaultCamWriters";

// The value names under the key and its sub-keys, as "key\name" (the key relative).
void ListValues(HKEY Key, const AnsiString& Path, TStrings* Out) {
  char name[512];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumValueA(Key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    Out->Add(Path + "\\" + name);
  }
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(Key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY sub = nullptr;
    if (RegOpenKeyExA(Key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
      ListValues(sub, Path.empty() ? AnsiString(name) : Path + "\\" + name, Out);
      RegCloseKey(sub);
    }
  }
}

AnsiString ShellFolder(int Csidl) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, Csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

}  // namespace

TEST(DefaultCamWriters, EachRowWritesItsOwnStore) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
  HKEY user = nullptr, machine = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, (AnsiString(kTestKey) + "\\User").c_str(), 0,
                                           nullptr, 0, KEY_ALL_ACCESS, nullptr, &user, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, (AnsiString(kTestKey) + "\\Machine").c_str(),
                                           0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &machine, nullptr));
  TTestFolder local, roaming;
  // A name no device has, so the device writers find none.
  TDefaultCamWriters writers("No Device Has This Camera Name",
                             TDefaultCamStores{local.Path(), roaming.Path(), user, machine});
  // Rows of registry writers add their value; the file writers find no files and change
  // nothing; rows without a writer of their own run nothing.
  const struct {
    int Row;
    bool HasWriter;
    const char* NewValue;
  } cases[] = {
      {0, true, nullptr},
      {1, true, "User\\Software\\Microsoft\\RTC\\TermVideoCapture"},
      {2, true, "User\\Software\\Camfrog\\Connector\\videoDeviceName"},
      {3, true, nullptr},
      {4, true, nullptr},  // the camera is not among the devices: the user's choice stays
      {5, true, nullptr},  // the camera is not among the devices: no path to write
      {6, false, nullptr}, {7, true, nullptr}, {8, false, nullptr}, {9, false, nullptr},
      {10, false, nullptr}, {11, false, nullptr}, {-1, false, nullptr},
  };
  TStringList before;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Row);
    HKEY root = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &root));
    ListValues(root, AnsiString(), &before);
    EXPECT_EQ(c.HasWriter, writers.RunRow(c.Row));
    TStringList after;
    ListValues(root, AnsiString(), &after);
    RegCloseKey(root);
    if (c.NewValue) {
      before.Add(c.NewValue);
    }
    before.SetSorted(true);
    after.SetSorted(true);
    EXPECT_EQ(before.GetText(), after.GetText());
    before.Clear();
    before.SetSorted(false);
  }
  DWORD value = 0, size = sizeof value;
  EXPECT_NE(ERROR_SUCCESS, RegGetValueA(user, "Software\\Yahoo\\Pager", "Camera Src", RRF_RT_REG_DWORD,
                                        nullptr, &value, &size));
  RegCloseKey(user);
  RegCloseKey(machine);
  RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
  CoUninitialize();
}

TEST(DefaultCamWriters, UserStoresAreTheShellFolders) {
  const TDefaultCamStores stores = GetUserDefaultCamStores();
  EXPECT_TRUE(SameText(ShellFolder(CSIDL_LOCAL_APPDATA), stores.LocalAppData)) << stores.LocalAppData;
  EXPECT_TRUE(SameText(ShellFolder(CSIDL_APPDATA), stores.AppData)) << stores.AppData;
  EXPECT_EQ(HKEY_CURRENT_USER, stores.UserRoot);
  EXPECT_EQ(HKEY_LOCAL_MACHINE, stores.MachineRoot);
  TDefaultCamWriters writers("x", stores);
  EXPECT_TRUE(SameText(ShellFolder(CSIDL_APPDATA) +
                           "\\Macromedia\\Flash Player\\macromedia.com\\support\\flashplayer\\sys\\settings.sol",
                       writers.FlashSettingsFile()));
}
