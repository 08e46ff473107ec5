// The file layouts the default-camera writers change: the Flash Player's settings file and
// a messenger's XML configuration, byte by byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/DefaultCamFiles.h"

namespace {

AnsiString Bytes(std::initializer_list<int> Values) {
  AnsiString out;
  for (int v : Values) out.push_back(static_cast<char>(v));
  return out;
}

AnsiString Be16(size_t Value) { return Bytes({int(Value >> 8) & 255, int(Value) & 255}); }

AnsiString Be32(uint32_t Value) {
  return Bytes({int(Value >> 24) & 255, int(Value >> 16) & 255, int(Value >> 8) & 255,
                int(Value) & 255});
}

AnsiString AmfName(const AnsiString& Name) { return Be16(Name.size()) + Name; }

// A settings file: the header, then the entries (name, then the value as given), each
// followed by the end byte 0.
AnsiString SolFile(const std::vector<std::pair<AnsiString, AnsiString>>& Entries) {
  AnsiString body = "TCSO" + Bytes({0, 4, 0, 0, 0, 0}) + AmfName("settings") + Bytes({0, 0, 0, 0});
  for (const auto& entry : Entries) body += AmfName(entry.first) + entry.second + Bytes({0});
  return Bytes({0x00, 0xBF}) + Be32(static_cast<uint32_t>(body.size())) + body;
}

AnsiString AmfString(const AnsiString& Value) { return Bytes({2}) + Be16(Value.size()) + Value; }

AnsiString CameraFile(const AnsiString& Camera) {
  return SolFile({{"gain", Bytes({0, 0x40, 0x49, 0, 0, 0, 0, 0, 0})},
                  {"defaultcamera", AmfString(Camera)},
                  {"defaultmicrophone", AmfString("Old Mic")}});
}

uint32_t LengthField(const AnsiString& Data) {
  uint32_t value = 0;
  for (int i = 2; i < 6; ++i) value = (value << 8) | static_cast<uint8_t>(Data[i]);
  return value;
}

}  // namespace

TEST(DefaultCamFiles, FlashSettingsTakeTheNameAndTheirNewLength) {
  // A 10-byte old name and a 16-byte new one: the file grows by 6, and so does its length.
  const AnsiString before = CameraFile("Old Camera");
  ASSERT_EQ(before.size() - 6, LengthField(before));
  AnsiString after;
  ASSERT_TRUE(PatchFlashSettings(before, "Tavisco Camera 1", after));
  EXPECT_EQ(before.size() + 6, after.size());
  EXPECT_EQ(LengthField(before) + 6, LengthField(after));
  EXPECT_EQ(CameraFile("Tavisco Camera 1"), after);

  // Shorter, empty and the longest name that fits one length byte.
  const struct {
    AnsiString Old, New;
  } cases[] = {{"Old Camera", "Cam"}, {"Old Camera", ""}, {"", "New"},
               {"Old Camera", AnsiString(255, 'n')}, {AnsiString(255, 'o'), "x"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Old + " -> " + c.New);
    AnsiString out;
    ASSERT_TRUE(PatchFlashSettings(CameraFile(c.Old), c.New, out));
    EXPECT_EQ(CameraFile(c.New), out);
    EXPECT_EQ(out.size() - 6, LengthField(out));
  }
}

TEST(DefaultCamFiles, FlashSettingsThatDoNotFitAreLeftAlone) {
  const AnsiString good = CameraFile("Old Camera");
  const size_t key = good.find("defaultcamera");
  const size_t type = key + 13;
  auto with = [&](size_t Offset, int Value) {
    AnsiString data = good;
    data[Offset] = static_cast<char>(Value);
    return data;
  };
  const struct {
    const char* What;
    AnsiString Data;
    AnsiString Name;
  } cases[] = {
      {"a name of 256 bytes", good, AnsiString(256, 'n')},
      {"a name of 300 bytes", good, AnsiString(300, 'n')},
      {"a number, not a string", with(type, 0), "Cam"},
      {"a long string (type 12)", with(type, 12), "Cam"},
      {"an old string of 256 bytes or more", with(type + 1, 1), "Cam"},
      {"an old length past the end", with(type + 2, 250), "Cam"},
      {"the letters inside another value", SolFile({{"note", AmfString("defaultcamera")}}), "Cam"},
      {"a wrong name length before the key", with(key - 1, 14), "Cam"},
      {"no defaultcamera", SolFile({{"gain", Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0})}}), "Cam"},
      {"the key cut after its type byte", good.substr(0, type + 1), "Cam"},
      {"the key cut after its high length byte", good.substr(0, type + 2), "Cam"},
      {"the key in the header", AmfName("defaultcamera") + AmfString("x"), "Cam"},
      {"empty", "", "Cam"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    AnsiString out = "untouched";
    EXPECT_FALSE(PatchFlashSettings(c.Data, c.Name, out));
    EXPECT_EQ("untouched", out);
  }
  // The string ending exactly at the end of the file is still inside it.
  const AnsiString last = good.substr(0, type + 3) + "Old Camera";
  AnsiString out;
  ASSERT_TRUE(PatchFlashSettings(AnsiString(last).replace(type + 2, 1, 1, char(10)), "ab", out));
  EXPECT_EQ(good.substr(6, type + 2 - 6) + Bytes({2}) + "ab", out.substr(6));
}

TEST(DefaultCamFiles, VideoDeviceIsReplacedInsideTheVideoElementOnly) {
  const struct {
    const char* What;
    AnsiString Text;
    bool Patched;
    AnsiString Result;
  } cases[] = {
      {"the device of the video element",
       "<c><Audio><Device>Mic</Device></Audio><Video><Fps>1</Fps><Device>Old</Device></Video></c>",
       true, "<c><Audio><Device>Mic</Device></Audio><Video><Fps>1</Fps><Device>NEW</Device></Video></c>"},
      {"an empty device", "<Video><Device></Device></Video>", true,
       "<Video><Device>NEW</Device></Video>"},
      {"only the first video element",
       "<Video><Device>A</Device></Video><Video><Device>B</Device></Video>", true,
       "<Video><Device>NEW</Device></Video><Video><Device>B</Device></Video>"},
      {"no </Video> after the device", "<Video><Device>Old</Device>", false, ""},
      {"no </Device>", "<Video><Device>Old</Video>", false, ""},
      {"no <Device>", "<Video><Fps>1</Fps></Video>", false, ""},
      {"the next device belongs to another element",
       "<Video></Video><Audio><Device>Mic</Device></Audio><X><Video></Video></X>", false, ""},
      {"the device ends after the video element",
       "<Video><Device>Old</Video></Device></Video>", false, ""},
      {"no <Video>", "<Device>Old</Device>", false, ""},
      {"a device before the video element only", "<Device>Old</Device><Video></Video>", false, ""},
      {"empty", "", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    AnsiString out = "untouched";
    EXPECT_EQ(c.Patched, PatchVideoDevice(c.Text, "NEW", out));
    EXPECT_EQ(c.Patched ? c.Result : AnsiString("untouched"), out);
  }
}

TEST(DefaultCamFiles, NamesBecomeXmlCharacterData) {
  const struct {
    AnsiString In, Out;
  } cases[] = {
      {"Tavisco Virtual Camera", "Tavisco Virtual Camera"},
      {"a<b>&c", "a&lt;b&gt;&amp;c"},
      {"&amp;", "&amp;amp;"},
      {"quotes ' and \" stay", "quotes ' and \" stay"},
      {AnsiString("tab\tline\nret\rbell\x07nul") + AnsiString(1, '\0') + "end\x1f",
       "tab\tline\nret\rbellnulend"},
      {"\xC3\xA9\xE2\x82\xAC", "\xC3\xA9\xE2\x82\xAC"},  // UTF-8 bytes pass through
  };
  for (const auto& c : cases) EXPECT_EQ(c.Out, XmlEscapeText(c.In)) << c.In;
}

TEST(DefaultCamFiles, CameraNamesAreStoredAsUtf8) {
  EXPECT_EQ("Tavisco Virtual Camera", CameraNameToUtf8("Tavisco Virtual Camera"));
  // "Caméra" in the Western code page (the system code page of the tests).
  EXPECT_EQ("Cam\xC3\xA9ra", CameraNameToUtf8("Cam\xE9ra"));
  EXPECT_EQ("", CameraNameToUtf8(""));
}
