// Instances find each other by the main window's class name and the product's id, and
// talk through the instance messages.
#include <gtest/gtest.h>

#include "framework/WinApi.h"

#include <vector>

#include "app/Instance.h"

namespace {

// Main windows of pretend instances: each answers the identify message with its id and
// records what else it receives.
struct TPretendInstance {
  HWND Window = nullptr;
  int Id = 0;
  int Quits = 0;
  std::vector<AnsiString> Copies;
  std::vector<WPARAM> Commands;
};

LRESULT CALLBACK PretendProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  TPretendInstance* self =
      reinterpret_cast<TPretendInstance*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self) {
    switch (message) {
      case WM_INSTANCE_IDENTIFY:
        return self->Id;
      case WM_INSTANCE_QUIT:
        ++self->Quits;
        return 0;
      case WM_COPYDATA: {
        const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
        self->Copies.emplace_back(static_cast<const char*>(data->lpData), data->cbData);
        return 0;
      }
      default:
        break;
    }
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PretendProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kMainWindowClassName;
    RegisterClassA(&windowClass);
  }
  void TearDown() override {
    for (TPretendInstance* instance : FInstances) {
      DestroyWindow(instance->Window);
      delete instance;
    }
    UnregisterClassA(kMainWindowClassName, GetModuleHandleA(nullptr));
  }
  TPretendInstance* Start(int id) {
    TPretendInstance* instance = new TPretendInstance;
    instance->Id = id;
    instance->Window = CreateWindowExA(0, kMainWindowClassName, "pretend", WS_POPUP, 0, 0, 10, 10,
                                       nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(instance->Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(instance));
    FInstances.push_back(instance);
    return instance;
  }
  std::vector<TPretendInstance*> FInstances;
};

}  // namespace

TEST_F(InstanceTest, TheRunningInstanceIsTheWindowThatAnswersTheProductId) {
  // Ids far from any product's, so that a real instance on the desktop never answers.
  TPretendInstance* other = Start(-91001);
  TPretendInstance* ours = Start(-91002);
  EXPECT_EQ(ours->Window, FindRunningInstance(-91002));
  EXPECT_EQ(other->Window, FindRunningInstance(-91001));
  EXPECT_EQ(nullptr, FindRunningInstance(-91003));

  QuitRunningInstance(-91002);
  EXPECT_EQ(1, ours->Quits);
  EXPECT_EQ(0, other->Quits);

  SendToRunningInstance(-91002, "C:\\Clips\\a b.avi");
  ASSERT_EQ(1u, ours->Copies.size());
  EXPECT_EQ("C:\\Clips\\a b.avi", ours->Copies[0]);
  EXPECT_TRUE(other->Copies.empty());

  // Nobody answering: nothing happens.
  QuitRunningInstance(-91003);
  SendToRunningInstance(-91003, "x");
  ActivateRunningInstance(-91003);
  EXPECT_EQ(1, ours->Quits);
}

TEST_F(InstanceTest, MessageNumbersAndMutexNames) {
  EXPECT_EQ(0x857u, WM_INSTANCE_IDENTIFY);
  EXPECT_EQ(0x7EBu, WM_INSTANCE_QUIT);
  EXPECT_EQ(0x7ECu, WM_SWITCH_SETTINGS_FOLDER);
  EXPECT_EQ(0x7F0u, WM_MAIN_COMMAND);
  EXPECT_STREQ("TfrmMainFormLumetra", kMainWindowClassName);
  EXPECT_EQ("Global\\{ABC}", SingleInstanceMutexName("{ABC}"));
  EXPECT_EQ("Global\\{ABC}_EMBED", EmbedMutexName("{ABC}"));
}
