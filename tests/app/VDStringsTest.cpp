// The text holders as the engine library sees them: through their tables of operations,
// filled and read by the real engine library.
#include <gtest/gtest.h>

#include <cstring>

#include "app/EngineLibrary.h"
#include "app/VDStrings.h"

TEST(VDStrings, TextHolderThroughItsInterface) {
  IVDString* text = new TVDString;
  ASSERT_NE(nullptr, text->GetText());
  EXPECT_STREQ("", text->GetText());
  text->SetText("first");
  EXPECT_STREQ("first", text->GetText());
  text->SetText("");
  EXPECT_STREQ("", text->GetText());
  text->SetText("again");
  text->SetText(nullptr);
  ASSERT_NE(nullptr, text->GetText());
  EXPECT_STREQ("", text->GetText());
  const char* bytes = "with\xe9 8-bit";
  text->SetText(bytes);
  EXPECT_STREQ(bytes, text->GetText());
  text->Release();
}

TEST(VDStrings, ListHolderThroughItsInterface) {
  TVDStringArray* holder = new TVDStringArray;
  IVDStringArray* list = holder;
  EXPECT_EQ(0, list->GetCount());
  list->Add("Background");
  list->Add("");
  list->Add(nullptr);
  list->Add("Text");
  ASSERT_EQ(4, list->GetCount());
  // Texts handed out stay valid while other items are read.
  const char* first = list->Get(0);
  const char* last = list->Get(3);
  EXPECT_STREQ("Background", first);
  EXPECT_STREQ("Text", last);
  EXPECT_STREQ("", list->Get(1));
  EXPECT_STREQ("", list->Get(2));
  EXPECT_STREQ("Background", first);
  // Outside the list: an empty text, not an exception through the library.
  ASSERT_NE(nullptr, list->Get(4));
  EXPECT_STREQ("", list->Get(4));
  EXPECT_STREQ("", list->Get(-1));
  EXPECT_EQ("Background\r\n\r\n\r\nText\r\n", holder->Strings()->GetText());
  list->Clear();
  EXPECT_EQ(0, list->GetCount());
  holder->Strings()->Add("filled by the program");
  EXPECT_STREQ("filled by the program", list->Get(0));
  list->Release();
}

TEST(VDStrings, HoldersCrossTheEngineLibrary) {
  IVDEngine* engine = CreateEngine();
  ASSERT_NE(nullptr, engine);
  {
    // No event yet: code 0 and an empty text written into the holder.
    THolder<TVDString> text;
    text->SetText("stale");
    int code = -1;
    engine->GetLastEvent(&code, text.Get());
    EXPECT_EQ(0, code);
    EXPECT_EQ("", text->Text());
  }
  {
    // The engine takes a list of kinds (read through Get and GetCount once it runs) ...
    THolder<TVDStringArray> kinds;
    for (const char* kind : {"Background", "Transform", "Mask", "Frame", "Emotion", "Text",
                             "Favorites"})
      kinds->Strings()->Add(kind);
    engine->SetKindOrder(kinds.Get());
    // ... and fills a list through Add: two texts per capture device.
    THolder<TVDStringArray> devices;
    int defaultIndex = -1;
    EXPECT_EQ(1, engine->GetCaptureDevices(devices.Get(), &defaultIndex));
    EXPECT_EQ(0, devices->GetCount() % 2);
  }
  engine->Release();
}
