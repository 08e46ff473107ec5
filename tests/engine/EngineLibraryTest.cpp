// The engine library as a program uses it: loaded with LoadLibrary, reached only through
// its exports and the engine object's table. Exports, operations before and after
// Initialize, the event and message protocol, module ids, effect lists, effect files,
// output size and rate, and the ffdshow lists that Initialize extends.
#include <objbase.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "EngineClient.h"
#include "engine/effects/PropertyIds.h"

namespace {

using engine_client::Engine;
using engine_client::EngineObject;
using engine_client::kEFail;
using engine_client::kEngineEvent;
using engine_client::kEnginePropertyChanged;
using engine_client::Library;
using engine_client::Message;
using engine_client::NotifyWindow;
using engine_client::Text;
using engine_client::TextList;

constexpr const char* kNoCamera = "Engine Library Test Camera";  // installed nowhere

// The names a module's export directory lists.
std::set<std::string> ExportedNames(HMODULE module) {
  std::set<std::string> names;
  const BYTE* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (dir.VirtualAddress == 0) return names;
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  const auto* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    names.insert(reinterpret_cast<const char*>(base + nameRvas[i]));
  }
  if (exports->NumberOfFunctions != exports->NumberOfNames) names.insert("<unnamed>");
  return names;
}

std::string ColourPath(DWORD colour) {
  char text[32];
  snprintf(text, sizeof(text), "@color:0x%06lX", static_cast<unsigned long>(colour));
  return text;
}

class EngineLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(library.Loaded());
  }
  void TearDown() override { CoUninitialize(); }

  // An engine set up in the program's order and initialised.
  void Initialize(EngineObject& engine) {
    ASSERT_NE(engine.get(), nullptr);
    VD(engine.get(), SetHostVersion, 0x0102);
    EXPECT_EQ(VD(engine.get(), SetNotifyWindow, notify.Handle()), 0);
    VD(engine.get(), SetOwnerWindow, notify.Handle());
    EXPECT_EQ(VD(engine.get(), SetOutputSize, 320, 240), 1);
    EXPECT_EQ(VD(engine.get(), SetFrameRate, 20), 1);
    VD(engine.get(), Initialize, kNoCamera);
    notify.TakeAll();
  }

  std::string Get(Engine* e, int module, int property, bool* ok = nullptr) {
    Text value("unset");
    const BOOL result = VD(e, GetProperty, module, property, nullptr, &value);
    if (ok) *ok = result == TRUE;
    EXPECT_TRUE(result == TRUE || result == FALSE);
    return value.value;
  }

  std::vector<std::string> List(Engine* e, int* selected = nullptr) {
    TextList list;
    int index = -7;
    VD(e, GetEffectList, &list, &index);
    if (selected) *selected = index;
    EXPECT_EQ(list.releases, 0);
    return list.items;
  }

  // Ids of the user effects in list order.
  std::vector<int> Ids(Engine* e) {
    std::vector<int> ids;
    const std::vector<std::string> texts = List(e);
    for (size_t i = 4; i < texts.size(); i += 6) ids.push_back(std::stoi(texts[i]));
    return ids;
  }

  Library library;
  NotifyWindow notify;
};

TEST_F(EngineLibrary, ExportsExactlyTheFourFunctionsByName) {
  EXPECT_EQ(ExportedNames(library.Module()),
            (std::set<std::string>{"CreateEngine", "FindDevice", "InstallDevice", "RemoveDevice"}));
  EngineObject first(library);
  EngineObject second(library);
  EXPECT_NE(first.get(), nullptr);
  EXPECT_NE(first.get(), second.get());
}

TEST_F(EngineLibrary, EveryOperationAnswersInItsSlotBeforeInitialize) {
  EngineObject engine(library);
  Engine* e = engine.get();
  ASSERT_NE(e, nullptr);

  // Settings work without a compositor.
  VD(e, SetHostVersion, 0x0304);
  VD(e, SetOwnerWindow, notify.Handle());
  EXPECT_EQ(VD(e, SetNotifyWindow, notify.Handle()), 0);
  EXPECT_EQ(VD(e, SetOutputSize, 352, 288), 1);
  EXPECT_EQ(VD(e, SetFrameRate, 25), 1);
  EXPECT_EQ(VD(e, EnableSourceFilter, 1, FALSE), 0);
  EXPECT_EQ(VD(e, EnableSourceFilter, 2, TRUE), 0);
  VD(e, Tick);

  int code = -1;
  Text text("stale");
  EXPECT_EQ(VD(e, GetLastEvent, &code, &text), 1);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(text.value, "");

  TextList devices;
  int defaultDevice = -1;
  EXPECT_EQ(VD(e, GetCaptureDevices, &devices, &defaultDevice), 1);
  EXPECT_EQ(devices.items.size() % 2, 0u) << "friendly and display name per device";
  EXPECT_GE(defaultDevice, 0);
  TextList audio;
  EXPECT_EQ(VD(e, GetAudioCaptureDevices, &audio, &defaultDevice), 1);
  EXPECT_EQ(audio.items.size() % 2, 0u);

  // The composition needs Initialize.
  EXPECT_EQ(VD(e, AddEffect, ColourPath(0x10).c_str(), nullptr, nullptr, nullptr), FALSE);
  Text value("kept");
  EXPECT_EQ(VD(e, GetProperty, -1, PROP_COLOR_VALUE, "arg", &value), FALSE);
  EXPECT_EQ(value.value, "kept");
  EXPECT_EQ(VD(e, SetProperty, -1, PROP_SOURCE_TYPE, "3"), FALSE);
  EXPECT_EQ(VD(e, SelectEffect, 1), kEFail);
  EXPECT_EQ(VD(e, GetSelectedEffect), 0);
  EXPECT_EQ(VD(e, RemoveEffect, 1), kEFail);
  EXPECT_EQ(VD(e, SetPreviewWindow, notify.Handle()), kEFail);
  EXPECT_EQ(VD(e, EnableEffects, TRUE), kEFail);
  EXPECT_EQ(VD(e, PreviewMouse, FALSE, WM_MOUSEMOVE, 1, 1), 0);
  EXPECT_EQ(VD(e, OpenElementFile, -1, ColourPath(0x10).c_str()), FALSE);
  EXPECT_EQ(VD(e, LoadElementSource, -1, "C:\\missing.efc"), FALSE);
  EXPECT_EQ(VD(e, DrawElementFrame, -1, nullptr, 0, 0, 1, 1), FALSE);
  EXPECT_EQ(VD(e, SaveEffect, -1, "Frame", "Misc", "Name", "C:\\x.efc"), FALSE);
  EXPECT_EQ(VD(e, GetKindMultiple, "Frame"), FALSE);
  int selected = 0;
  EXPECT_TRUE(List(e, &selected).empty());
  EXPECT_EQ(selected, -1);

  // Recording without a recorder.
  EXPECT_EQ(VD(e, GetRecordingState), 0);
  EXPECT_EQ(VD(e, StopRecording), FALSE);
  EXPECT_EQ(VD(e, PauseRecording), FALSE);
  Text time("none");
  EXPECT_EQ(VD(e, GetRecordingTime, &time), FALSE);

  // Picture and effect-file operations work without the composition; the snapshot needs
  // it and reports its failure.
  HBITMAP bitmap = nullptr;
  EXPECT_EQ(VD(e, GetThumbnail, "@cam:", &bitmap), TRUE);
  EXPECT_NE(bitmap, nullptr);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_EQ(VD(e, CopyEffectFile, "C:\\no\\a.efc", "C:\\no\\b.efc", "Frame", "Misc", "Name"),
            FALSE);
  int frames = -1;
  bitmap = reinterpret_cast<HBITMAP>(1);
  Text delays;
  EXPECT_EQ(VD(e, LoadPicture, "C:\\no\\x.png", &bitmap, &frames, &delays), FALSE);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(frames, 0);
  EXPECT_EQ(VD(e, CreateEffectFile, "C:\\no\\x.efc", "", "", "Text", 7, "Hi"), FALSE);
  TextList info;
  EXPECT_EQ(VD(e, ReadEffectInfo, "C:\\no\\x.efc", &info), FALSE);
  EXPECT_TRUE(info.items.empty());
  EXPECT_EQ(VD(e, DrawPicture, "C:\\no\\x.png", nullptr, 10, 10), FALSE);
  EXPECT_TRUE(notify.TakeAll().empty());
  EXPECT_EQ(VD(e, SaveSnapshot, "C:\\x.png", "PNG"), FALSE);
  EXPECT_EQ(notify.TakeAll(), (std::vector<Message>{{kEngineEvent, 1, 1002}}));
}

TEST_F(EngineLibrary, LastEventIsGivenOnceThenZeroWithTheSameText) {
  EngineObject engine(library);
  Engine* e = engine.get();
  EXPECT_EQ(VD(e, SetNotifyWindow, notify.Handle()), 0);

  // Without the engine's camera no recording can start.
  EXPECT_EQ(VD(e, StartRecording, "C:\\out.avi", "NONE"), FALSE);
  EXPECT_EQ(notify.Take(kEngineEvent), (std::vector<Message>{{kEngineEvent, 1, 1001}}));
  int code = -1;
  Text text;
  EXPECT_EQ(VD(e, GetLastEvent, &code, &text), 1);
  EXPECT_EQ(code, 1001);
  EXPECT_EQ(text.value.rfind("Create CreateCam Error 0x", 0), 0u) << text.value;
  const std::string first = text.value;
  EXPECT_EQ(VD(e, GetLastEvent, &code, &text), 1);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(text.value, first);
  EXPECT_EQ(text.releases, 0);

  // Two events before the program looks: both are posted, the slot keeps the newer (an
  // empty sound device name is refused before anything is built, with an empty text).
  VD(e, StartRecording, "C:\\out.asf", "NONE");
  VD(e, StartRecording, "C:\\out.asf", "");
  EXPECT_EQ(notify.Take(kEngineEvent).size(), 2u);
  EXPECT_EQ(VD(e, GetLastEvent, &code, &text), 1);
  EXPECT_EQ(code, 1001);
  EXPECT_EQ(text.value, "");
  EXPECT_EQ(VD(e, GetLastEvent, &code, &text), 1);
  EXPECT_EQ(code, 0);

  // Without a notify window nothing is posted, and the event still waits.
  EXPECT_EQ(VD(e, SetNotifyWindow, nullptr), 0);
  VD(e, StartRecording, "C:\\out.avi", "NONE");
  EXPECT_TRUE(notify.Take(kEngineEvent).empty());
  EXPECT_EQ(VD(e, GetLastEvent, &code, &text), 1);
  EXPECT_EQ(code, 1001);
}

TEST_F(EngineLibrary, PropertyChangesPostTheModuleAndPropertyIds) {
  EngineObject engine(library);
  Initialize(engine);
  Engine* e = engine.get();

  ASSERT_EQ(VD(e, SetProperty, -1, PROP_SOURCE_TYPE, "3"), TRUE);
  std::vector<Message> posted = notify.Take(kEnginePropertyChanged);
  EXPECT_NE(std::find(posted.begin(), posted.end(),
                      Message{kEnginePropertyChanged, -1, PROP_SOURCE_TYPE}),
            posted.end());
  EXPECT_NE(std::find(posted.begin(), posted.end(),
                      Message{kEnginePropertyChanged, -1, PROP_COLOR_VALUE}),
            posted.end())
      << "the new element announces its properties";

  ASSERT_EQ(VD(e, AddEffect, ColourPath(0x10).c_str(), "Frame", nullptr, nullptr), TRUE);
  const int user = VD(e, GetSelectedEffect);
  notify.TakeAll();
  const struct {
    int module;
    int property;
    const char* value;
    int postedAs;
  } cases[] = {
      {-1, PROP_COLOR_VALUE, "255", -1},      {-2, PROP_EFFECT_NAME, "Board", -3},
      {-18, PROP_LAYOUT_X, "10", -18},        {user, PROP_COLOR_VALUE, "65280", user},
      {user, PROP_EFFECT_KIND, "Mask", user},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.module);
    ASSERT_EQ(VD(e, SetProperty, c.module, c.property, c.value), TRUE);
    EXPECT_EQ(notify.Take(kEnginePropertyChanged),
              (std::vector<Message>{{kEnginePropertyChanged, c.postedAs, c.property}}));
    EXPECT_EQ(Get(e, c.module, c.property), c.value);
  }

  // A read starts from the argument text; an unknown id fails and leaves the value alone.
  Text value("untouched");
  EXPECT_EQ(VD(e, GetProperty, -1, 0x7FFF0000, "argument", &value), FALSE);
  EXPECT_EQ(value.value, "untouched");
  EXPECT_EQ(VD(e, SetProperty, -1, 0x7FFF0000, "1"), FALSE);
  EXPECT_TRUE(notify.Take(kEnginePropertyChanged).empty());
}

TEST_F(EngineLibrary, ModuleIdsAddressMainSourceBoardLayersAndUserEffects) {
  EngineObject engine(library);
  Initialize(engine);
  Engine* e = engine.get();
  ASSERT_EQ(VD(e, AddEffect, ColourPath(0x10).c_str(), nullptr, nullptr, nullptr), TRUE);
  const struct {
    int module;
    bool found;
  } cases[] = {{-1, true},       {-2, true},        {1, true},          {-16, true},
               {-16 - 63, true}, {-16 - 64, false}, {INT32_MIN, false}, {-3, false},
               {-15, false},     {0, false},        {2, false},         {INT32_MAX, false}};
  for (const auto& c : cases) {
    bool ok = false;
    Get(e, c.module, PROP_EFFECT_NAME, &ok);
    EXPECT_EQ(ok, c.found) << c.module;
  }
  // The layers made on demand: the preset cycle of quarters and centre.
  EXPECT_EQ(Get(e, -16, PROP_LAYOUT_X) + "," + Get(e, -16, PROP_LAYOUT_Y), "52,52");
  EXPECT_EQ(Get(e, -17, PROP_LAYOUT_X) + "," + Get(e, -17, PROP_LAYOUT_Y), "2,52");
  EXPECT_EQ(Get(e, -20, PROP_LAYOUT_X) + "," + Get(e, -20, PROP_LAYOUT_Y), "27,27");
  EXPECT_EQ(Get(e, -21, PROP_LAYOUT_X) + "," + Get(e, -21, PROP_LAYOUT_Y), "52,52");
}

TEST_F(EngineLibrary, EffectListSelectionOrderAndKinds) {
  EngineObject engine(library);
  Initialize(engine);
  Engine* e = engine.get();

  TextList order{"Background", "Transform", "Mask", "Frame", "Emotion", "Text", "Favorites"};
  VD(e, SetKindOrder, &order);
  EXPECT_EQ(order.releases, 0);
  EXPECT_EQ(VD(e, SetKindMultiple, "Frame", -1), TRUE);
  EXPECT_EQ(VD(e, SetKindMultiple, "Text", FALSE), TRUE);
  EXPECT_EQ(VD(e, GetKindMultiple, "FRAME"), TRUE);
  EXPECT_EQ(VD(e, GetKindMultiple, "Text"), FALSE);
  EXPECT_EQ(VD(e, GetKindMultiple, "Unknown"), FALSE);

  ASSERT_EQ(VD(e, AddEffect, ColourPath(0x10).c_str(), "Text", "Cat", "One"), TRUE);
  ASSERT_EQ(VD(e, AddEffect, ColourPath(0x20).c_str(), "Frame", nullptr, nullptr), TRUE);
  ASSERT_EQ(VD(e, AddEffect, ColourPath(0x30).c_str(), "Frame", nullptr, nullptr), TRUE);
  EXPECT_EQ(notify.Take(kEngineEvent), (std::vector<Message>(3, Message{kEngineEvent, 0, 1})));
  int selected = -1;
  const std::vector<std::string> texts = List(e, &selected);
  ASSERT_EQ(texts.size(), 18u);
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 6),
            (std::vector<std::string>{ColourPath(0x10), "One", "Cat", "Text", "1", "0"}));
  EXPECT_EQ(selected, 2);

  EXPECT_EQ(VD(e, SelectEffect, 1), 0);
  EXPECT_EQ(VD(e, GetSelectedEffect), 1);
  EXPECT_EQ(VD(e, SelectEffect, 9), kEFail);
  EXPECT_EQ(VD(e, SetEffectOnTop, 2, -1), 1);
  EXPECT_EQ(List(e)[11], "1");
  EXPECT_EQ(notify.Take(kEngineEvent), (std::vector<Message>(2, Message{kEngineEvent, 0, 0})));

  VD(e, ReorderEffects, "1|0");
  EXPECT_EQ(Ids(e), (std::vector<int>{2, 1, 3}));
  EXPECT_EQ(VD(e, SetSortByKind, -1), 0);
  EXPECT_EQ(Ids(e), (std::vector<int>{2, 3, 1})) << "Frame before Text, Frames in their order";

  // A second Text effect replaces the first (not multiple).
  ASSERT_EQ(VD(e, AddEffect, ColourPath(0x40).c_str(), "text", nullptr, nullptr), TRUE);
  EXPECT_EQ(Ids(e), (std::vector<int>{2, 3, 4}));
  notify.TakeAll();

  EXPECT_EQ(VD(e, RemoveEffectsOfKind, "Nothing"), TRUE);
  EXPECT_EQ(VD(e, RemoveEffectByPath, "C:\\none.efc"), TRUE);
  EXPECT_EQ(VD(e, RemoveBackgroundEffects), 0);
  EXPECT_EQ(VD(e, RemoveEffect, 42), kEFail);
  EXPECT_EQ(notify.Take(kEngineEvent), (std::vector<Message>(3, Message{kEngineEvent, 0, 0})));
  EXPECT_EQ(VD(e, RemoveEffectsOfKind, "FRAME"), TRUE);
  EXPECT_EQ(Ids(e), (std::vector<int>{4}));
  EXPECT_EQ(VD(e, ClearEffects), 0);
  EXPECT_TRUE(Ids(e).empty());
  EXPECT_EQ(VD(e, GetSelectedEffect), 0);
}

TEST_F(EngineLibrary, SavedTextEffectLoadsBackAsATextEffect) {
  EngineObject engine(library);
  Initialize(engine);
  Engine* e = engine.get();
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder =
      std::string(temp) + "engine library test " + std::to_string(GetCurrentProcessId());
  const std::string path = folder + "\\greeting.efc";

  ASSERT_EQ(VD(e, AddEffect, ColourPath(0x10).c_str(), nullptr, nullptr, nullptr), TRUE);
  ASSERT_EQ(VD(e, SetProperty, 1, PROP_SOURCE_TYPE, "7"), TRUE);
  ASSERT_EQ(VD(e, SetProperty, 1, PROP_TEXT, "Hello"), TRUE);
  ASSERT_EQ(VD(e, SaveEffect, 1, "Text", "Words", "Greeting", path.c_str()), TRUE);
  ASSERT_EQ(VD(e, RemoveEffect, 1), 0);

  ASSERT_EQ(VD(e, AddEffect, path.c_str(), nullptr, nullptr, nullptr), TRUE);
  const std::vector<std::string> texts = List(e);
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(texts[1], "Greeting");
  EXPECT_EQ(texts[2], "Words");
  EXPECT_EQ(texts[3], "Text");
  EXPECT_EQ(texts[4], "2") << "ids are never reused";
  EXPECT_EQ(Get(e, 2, PROP_SOURCE_TYPE), "7");
  EXPECT_EQ(Get(e, 2, PROP_TEXT), "Hello");
  EXPECT_EQ(Get(e, 2, PROP_LAYOUT_TEXT_FIT), "1");

  ASSERT_EQ(VD(e, OpenElementFile, -1, path.c_str()), TRUE);
  EXPECT_EQ(Get(e, -1, PROP_TEXT), "Hello");
  ASSERT_EQ(VD(e, OpenElementFile, -1, ColourPath(0x10).c_str()), TRUE);
  ASSERT_EQ(VD(e, LoadElementSource, -1, path.c_str()), TRUE);
  EXPECT_EQ(Get(e, -1, PROP_TEXT), "Hello");
  EXPECT_EQ(VD(e, LoadElementSource, -1, "C:\\no such effect.efc"), FALSE);
  DeleteFileA(path.c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST_F(EngineLibrary, OutputSizeMustBePositiveAndTheRateIsHeldTo0To1000) {
  EngineObject engine(library);
  Engine* e = engine.get();
  ASSERT_EQ(VD(e, SetOutputSize, 176, 144), 1);
  for (SIZE bad : {SIZE{0, 144}, SIZE{176, 0}, SIZE{-176, 144}, SIZE{176, -1}, SIZE{1 << 20, 16}})
    EXPECT_EQ(VD(e, SetOutputSize, bad.cx, bad.cy), 0) << bad.cx << "x" << bad.cy;
  for (int rate : {-1, 0, 30, 1000, 1001, INT32_MAX, INT32_MIN})
    EXPECT_EQ(VD(e, SetFrameRate, rate), 1) << rate;
  VD(e, Initialize, kNoCamera);

  // A colour source takes the output size: the refused sizes left 176 x 144 in force.
  ASSERT_EQ(VD(e, OpenElementFile, -1, ColourPath(0x10).c_str()), TRUE);
  EXPECT_EQ(Get(e, -1, PROP_LAYOUT_WIDTH), "176");
  EXPECT_EQ(Get(e, -1, PROP_LAYOUT_HEIGHT), "144");
  EXPECT_EQ(VD(e, SetOutputSize, 0, 0), 0);
  ASSERT_EQ(VD(e, SetOutputSize, 352, 288), 1);
  ASSERT_EQ(VD(e, OpenElementFile, -1, ColourPath(0x20).c_str()), TRUE);
  EXPECT_EQ(Get(e, -1, PROP_LAYOUT_WIDTH), "352");
  EXPECT_EQ(Get(e, -1, PROP_LAYOUT_HEIGHT), "288");
}

TEST_F(EngineLibrary, SecondInitializeKeepsTheRunningComposition) {
  EngineObject engine(library);
  Initialize(engine);
  Engine* e = engine.get();
  ASSERT_EQ(VD(e, AddEffect, ColourPath(0x10).c_str(), nullptr, nullptr, nullptr), TRUE);
  VD(e, Initialize, "Another Camera");
  EXPECT_EQ(Ids(e), (std::vector<int>{1}));
  EXPECT_EQ(VD(e, EnableEffects, FALSE), 0);
  EXPECT_EQ(VD(e, EnableEffects, TRUE), 0);
  EXPECT_EQ(VD(e, PreviewMouse, FALSE, WM_MOUSEMOVE, 5, 5), 0);
  VD(e, Tick);
}

// --- ffdshow ----------------------------------------------------------------------------

struct RegistryValue {
  DWORD type = REG_NONE;  // REG_NONE: no value
  std::vector<BYTE> data;
};

RegistryValue ReadValue(const char* key, const char* name) {
  RegistryValue value;
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(handle, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.data.resize(size);
    RegQueryValueExA(handle, name, nullptr, &value.type, value.data.data(), &size);
    value.data.resize(size);
  } else {
    value.type = REG_NONE;
  }
  RegCloseKey(handle);
  return value;
}

bool KeyExists(const char* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

void WriteValue(const char* key, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                            nullptr),
            ERROR_SUCCESS);
  if (name) {
    ASSERT_EQ(RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
  RegCloseKey(handle);
}

std::string StringOf(const RegistryValue& v) {
  std::string text(v.data.begin(), v.data.end());
  return text.substr(0, text.find('\0'));
}

// The account's ffdshow keys as they were before the test, copied aside into a key of the
// tests' own and put back afterwards. A copy that a killed run left behind is put back
// first, so the account always ends with what it had.
class FfdshowKeysBackup {
 public:
  static constexpr const char* kKeys[2] = {"Software\\GNU\\ffdshow",
                                           "Software\\GNU\\ffdshow_audio"};

  FfdshowKeysBackup() {
    Restore();
    HKEY backup = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kBackup, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &backup, nullptr) != ERROR_SUCCESS) {
      ADD_FAILURE() << "no backup key";
      return;
    }
    for (int i = 0; i < 2; ++i) {
      if (!KeyExists(kKeys[i])) continue;
      HKEY copy = nullptr;
      HKEY from = nullptr;
      bool copied = RegCreateKeyExA(backup, kCopies[i], 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &copy, nullptr) == ERROR_SUCCESS &&
                    RegOpenKeyExA(HKEY_CURRENT_USER, kKeys[i], 0, KEY_READ, &from) == ERROR_SUCCESS &&
                    RegCopyTreeA(from, nullptr, copy) == ERROR_SUCCESS;
      if (from) RegCloseKey(from);
      if (copy) RegCloseKey(copy);
      if (!copied) ADD_FAILURE() << "could not copy " << kKeys[i];
    }
    // Written last: a backup without it was never finished and holds nothing to put back.
    const DWORD hadParent = KeyExists("Software\\GNU") ? 1 : 0;
    RegSetValueExA(backup, "GNU existed", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&hadParent),
                   sizeof(hadParent));
    RegCloseKey(backup);
  }
  ~FfdshowKeysBackup() { Restore(); }
  FfdshowKeysBackup(const FfdshowKeysBackup&) = delete;
  FfdshowKeysBackup& operator=(const FfdshowKeysBackup&) = delete;

 private:
  static constexpr const char* kParent = "Software\\Tavisco tests";
  static constexpr const char* kBackup = "Software\\Tavisco tests\\ffdshow keys";
  static constexpr const char* kCopies[2] = {"ffdshow", "ffdshow_audio"};

  static bool KeyExists(const char* key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
  }

  static void Restore() {
    HKEY backup = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kBackup, 0, KEY_READ, &backup) != ERROR_SUCCESS) return;
    DWORD hadParent = 0, size = sizeof(hadParent);
    const bool finished = RegQueryValueExA(backup, "GNU existed", nullptr, nullptr,
                                           reinterpret_cast<BYTE*>(&hadParent),
                                           &size) == ERROR_SUCCESS;
    if (finished) {
      for (int i = 0; i < 2; ++i) {
        RegDeleteTreeA(HKEY_CURRENT_USER, kKeys[i]);
        HKEY copy = nullptr;
        if (RegOpenKeyExA(backup, kCopies[i], 0, KEY_READ, &copy) != ERROR_SUCCESS) continue;
        HKEY to = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKeys[i], 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &to, nullptr) == ERROR_SUCCESS) {
          RegCopyTreeA(copy, nullptr, to);
          RegCloseKey(to);
        }
        RegCloseKey(copy);
      }
      // The parent goes only where the test made it and nothing else lives there.
      if (!hadParent) RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\GNU");
    }
    RegCloseKey(backup);
    RegDeleteTreeA(HKEY_CURRENT_USER, kBackup);
    RegDeleteKeyA(HKEY_CURRENT_USER, kParent);
  }
};

class EngineLibraryFfdshow : public EngineLibrary {
 protected:
  void SetUp() override {
    EngineLibrary::SetUp();
    m_backup = std::make_unique<FfdshowKeysBackup>();
  }
  void TearDown() override {
    m_backup.reset();
    EngineLibrary::TearDown();
  }
  std::unique_ptr<FfdshowKeysBackup> m_backup;
};

TEST_F(EngineLibraryFfdshow, ListsNameTheProgramOnceAndOtherValuesStayUntouched) {
  const char* const* keys = FfdshowKeysBackup::kKeys;
  char modulePath[MAX_PATH];
  GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
  const std::string program = std::strrchr(modulePath, '\\') + 1;
  const DWORD number = 7;
  const BYTE binary[] = {1, 2, 3};

  const struct {
    const char* name;
    DWORD type;  // REG_NONE: no value; REG_NONE with no key: see `key`
    std::string text;
    bool key;
    std::string expected;  // for strings
  } cases[] = {
      {"another program", REG_SZ, "other.exe", true, "other.exe\r\n" + program},
      {"empty list", REG_SZ, "", true, "\r\n" + program},
      {"already listed", REG_SZ, "a.exe\r\n" + program + "\r\nb.exe", true,
       "a.exe\r\n" + program + "\r\nb.exe"},
      {"part of a longer name", REG_SZ, "my" + program + ".old", true, "my" + program + ".old"},
      {"a number", REG_DWORD, "", true, ""},
      {"bytes", REG_BINARY, "", true, ""},
      {"no value", REG_NONE, "", true, ""},
      {"no key", REG_NONE, "", false, ""},
  };
  // A key of another program beside the ffdshow keys: the test leaves it alone.
  const char* neighbour = "Software\\GNU\\Tavisco test neighbour";
  WriteValue(neighbour, "kept", REG_DWORD, &number, sizeof(number));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (int i = 0; i < 2; ++i) RegDeleteTreeA(HKEY_CURRENT_USER, keys[i]);
    for (const char* key : {keys[0], keys[1]}) {
      if (!c.key) continue;
      if (c.type == REG_SZ) {
        WriteValue(key, "useonlyin", REG_SZ, c.text.c_str(), DWORD(c.text.size() + 1));
      } else if (c.type == REG_DWORD) {
        WriteValue(key, "useonlyin", REG_DWORD, &number, sizeof(number));
      } else if (c.type == REG_BINARY) {
        WriteValue(key, "useonlyin", REG_BINARY, binary, sizeof(binary));
      } else {
        WriteValue(key, nullptr, REG_NONE, nullptr, 0);
      }
    }
    {
      EngineObject engine(library);
      VD(engine.get(), Initialize, kNoCamera);
    }
    for (const char* key : {keys[0], keys[1]}) {
      SCOPED_TRACE(key);
      const RegistryValue value = ReadValue(key, "useonlyin");
      EXPECT_EQ(KeyExists(key), c.key);
      EXPECT_EQ(value.type, c.type);
      if (c.type == REG_SZ) {
        EXPECT_EQ(StringOf(value), c.expected);
      } else if (c.type == REG_DWORD) {
        EXPECT_EQ(value.data, std::vector<BYTE>({7, 0, 0, 0}));
      } else if (c.type == REG_BINARY) {
        EXPECT_EQ(value.data, std::vector<BYTE>({1, 2, 3}));
      }
    }
  }
  EXPECT_EQ(ReadValue(neighbour, "kept").data, std::vector<BYTE>({7, 0, 0, 0}));
  RegDeleteTreeA(HKEY_CURRENT_USER, neighbour);
}

}  // namespace
