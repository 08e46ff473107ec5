// The registry object against the real registry (the test's own key under HKCU).
#include <gtest/gtest.h>

#include "framework/Registry.h"
#include "framework/WinApi.h"

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = "Software\\TaviscoTests\\Framework-" + IntToStr(GetCurrentProcessId());
    RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\TaviscoTests");  // only when empty
  }
  AnsiString base_;
};

}  // namespace

TEST_F(RegistryTest, ValuesRoundTripWithTheirTypes) {
  TRegistry reg;
  EXPECT_EQ(HKEY_CURRENT_USER, reg.GetRootKey());
  EXPECT_FALSE(reg.OpenKey(base_, false));
  ASSERT_TRUE(reg.OpenKey(base_, true));
  EXPECT_EQ(base_, reg.GetCurrentPath());
  reg.WriteString("Path", "C:\\Program Files\\Lumetra");
  reg.WriteInteger("Count", -5);
  reg.WriteBool("Flag", true);
  reg.WriteString("Empty", "");
  EXPECT_EQ("C:\\Program Files\\Lumetra", reg.ReadString("Path"));
  EXPECT_EQ(-5, reg.ReadInteger("Count"));
  EXPECT_TRUE(reg.ReadBool("Flag"));
  EXPECT_EQ("", reg.ReadString("Empty"));
  EXPECT_TRUE(reg.ValueExists("empty"));
  EXPECT_FALSE(reg.ValueExists("Missing"));
  EXPECT_EQ("", reg.ReadString("Missing"));
  EXPECT_EQ(rdString, reg.GetDataType("Path"));
  EXPECT_EQ(rdInteger, reg.GetDataType("Count"));
  EXPECT_EQ(rdUnknown, reg.GetDataType("Missing"));

  // Texts stored by other programs without their terminating zero, or with extra zeros.
  HKEY key = reg.GetCurrentKey();
  RegSetValueExA(key, "NoZero", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
  RegSetValueExA(key, "Zeros", 0, REG_SZ, reinterpret_cast<const BYTE*>("ab\0\0\0"), 5);
  RegSetValueExA(key, "Binary", 0, REG_BINARY, reinterpret_cast<const BYTE*>("\1\2\3\4"), 4);
  EXPECT_EQ("abc", reg.ReadString("NoZero"));
  EXPECT_EQ("ab", reg.ReadString("Zeros"));

  struct Case {
    const char* name;
    bool asInteger;
    const char* message;
  };
  for (const Case& c : {Case{"Path", true, "Invalid data type for 'Path'"},
                        Case{"Binary", true, "Invalid data type for 'Binary'"},
                        Case{"Count", false, "Invalid data type for 'Count'"},
                        Case{"Missing", true, "Failed to get data for 'Missing'"}}) {
    try {
      if (c.asInteger) {
        reg.ReadInteger(c.name);
      } else {
        reg.ReadString(c.name);
      }
      ADD_FAILURE() << c.name;
    } catch (const ERegistryException& e) {
      EXPECT_EQ(c.message, e.Message);
    }
  }
  TStringList names;
  reg.GetValueNames(&names);
  EXPECT_EQ(7, names.GetCount());
  EXPECT_TRUE(reg.DeleteValue("Binary"));
  EXPECT_FALSE(reg.DeleteValue("Binary"));
}

TEST_F(RegistryTest, KeysOpenRelativeOrAbsoluteAndReadOnly) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(base_, true));
    ASSERT_TRUE(reg.OpenKey("Sub\\Deeper", true));  // relative to the open key
    EXPECT_EQ(base_ + "\\Sub\\Deeper", reg.GetCurrentPath());
    reg.WriteString("Name", "deep");
    ASSERT_TRUE(reg.OpenKey("\\" + base_, false));  // absolute
    EXPECT_EQ(base_, reg.GetCurrentPath());
    EXPECT_TRUE(reg.KeyExists("Sub"));
    EXPECT_TRUE(reg.KeyExists("\\" + base_ + "\\Sub\\Deeper"));
    EXPECT_FALSE(reg.KeyExists("Nope"));
    EXPECT_TRUE(reg.CreateKey("Other"));
    TStringList keys;
    reg.GetKeyNames(&keys);
    keys.Sort();
    EXPECT_EQ("Other\r\nSub\r\n", keys.GetText());
  }
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(base_ + "\\Sub\\Deeper"));
    EXPECT_EQ("deep", reg.ReadString("Name"));
    try {
      reg.WriteString("Name", "changed");
      ADD_FAILURE();
    } catch (const ERegistryException& e) {
      EXPECT_EQ("Failed to set data for 'Name'", e.Message);
    }
    EXPECT_EQ("deep", reg.ReadString("Name"));
    reg.CloseKey();
    EXPECT_EQ("", reg.GetCurrentPath());
    EXPECT_THROW(reg.WriteString("x", "y"), ERegistryException);  // no key open
  }
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(base_, false));
    EXPECT_FALSE(reg.DeleteKey(""));
    EXPECT_TRUE(reg.DeleteKey("Sub"));  // with everything below it
    EXPECT_FALSE(reg.KeyExists("Sub"));
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(nullptr, reg.GetCurrentKey());
    EXPECT_TRUE(reg.OpenKeyReadOnly("Software"));
  }
}
