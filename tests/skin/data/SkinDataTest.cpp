// The skin data component: loading skins from files, stored skins and skin lists, the
// messages that tell every form before and after a change (in order, each form once, the
// owner form first), a broken skin that leaves the loaded one usable and never leaves the
// skin changing, the resource texts and the skinnable switch, and the default skin.
#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <memory>
#include <vector>

#include "framework/Forms.h"
#include "skin/data/DefaultStoredSkin.h"
#include "skin/data/SkinData.h"
#include "tests/skin/data/SkinTestSupport.h"

namespace {

struct TFreeDeleter {
  void operator()(TObject* Object) const {
    if (Object) Object->Free();
  }
};
template <class T>
using TOwned = std::unique_ptr<T, TFreeDeleter>;

// One skin message as a form saw it, with the skin data's flags at that moment.
struct TSeen {
  AnsiString Form;
  uint32_t Msg;
  NativeUInt WParam;
  NativeInt LParam;
  bool Empty;
  bool Changing;
  bool operator==(const TSeen& Other) const {
    return Form == Other.Form && Msg == Other.Msg && WParam == Other.WParam &&
           LParam == Other.LParam && Empty == Other.Empty && Changing == Other.Changing;
  }
};

std::ostream& operator<<(std::ostream& Out, const TSeen& S) {
  return Out << S.Form << ":" << S.Msg << " w=" << S.WParam << " l=" << S.LParam
             << " empty=" << S.Empty << " changing=" << S.Changing;
}

// A form that writes down every skin message it receives.
class TWatchingForm : public TForm {
 public:
  TWatchingForm(const AnsiString& AName, std::vector<TSeen>* ALog) : TForm(nullptr), FLog(ALog) {
    SetName(AName);
  }
  void Dispatch(TMessage& Message) override {
    if ((Message.Msg >= WM_SKIN_BEFORE_CHANGE && Message.Msg <= WM_SKIN_AFTER_CHANGE) ||
        Message.Msg == WM_SKIN_RESSTRINGS_CHANGED || Message.Msg == WM_SKIN_SKINNABLE_CHANGED) {
      auto* data = reinterpret_cast<TspSkinData*>(Message.WParam);
      FLog->push_back(TSeen{GetName(), Message.Msg, Message.WParam, Message.LParam,
                            data->GetSkinEmpty(), data->GetSkinChanging()});
      if (OnSkinMessage) OnSkinMessage(Message);
      Message.Result = 0;
      return;
    }
    TForm::Dispatch(Message);
  }
  std::function<void(TMessage&)> OnSkinMessage;

 private:
  std::vector<TSeen>* FLog;
};

// The names of the forms in the screen's list order.
std::vector<AnsiString> ScreenOrder() {
  std::vector<AnsiString> names;
  for (int i = 0; i < Screen->GetFormCount(); ++i) names.push_back(Screen->GetForm(i)->GetName());
  return names;
}

// What a complete load sends: each message to every form once, the owner's first.
std::vector<TSeen> ExpectedLoad(TspSkinData* Data, const std::vector<AnsiString>& Order) {
  std::vector<TSeen> seen;
  const NativeUInt w = reinterpret_cast<NativeUInt>(Data);
  struct Step {
    uint32_t msg;
    bool empty, changing;
  };
  for (const Step& s : {Step{WM_SKIN_BEFORE_CHANGE, true, true}, Step{WM_SKIN_CHANGED, false, true},
                        Step{WM_SKIN_AFTER_CHANGE, false, false}})
    for (const AnsiString& form : Order)
      seen.push_back(TSeen{form, s.msg, w, 1000, s.empty, s.changing});
  return seen;
}

std::vector<std::pair<AnsiString, AnsiString>> FixtureOutcomes() {
  std::vector<std::pair<AnsiString, AnsiString>> outcomes;
  std::ifstream in(SkinFixture("skins.txt").c_str());
  std::string name, outcome;
  while (in >> name >> outcome) outcomes.push_back({name, outcome});
  return outcomes;
}

// The loaded sample skin, checked through what the skinned parts read.
void ExpectSampleLoaded(TspSkinData* Data) {
  EXPECT_FALSE(Data->GetSkinEmpty());
  EXPECT_FALSE(Data->GetSkinChanging());
  EXPECT_EQ("Sample", Data->SkinName);
  EXPECT_EQ(8, Data->Picture->GetWidth());
  EXPECT_EQ(6, Data->Picture->GetHeight());
  // Pixel (3, 1) of the sample frame is (90, 40, 200).
  EXPECT_EQ(static_cast<TColor>(RGB(90, 40, 200)), Data->Picture->GetCanvas()->GetPixel(3, 1));
  ASSERT_EQ(2, Data->ActivePictures.GetCount());
  EXPECT_EQ(4, Data->PictureList[0]->GetWidth());
  EXPECT_EQ(static_cast<TColor>(RGB(255, 255, 0)),
            Data->ActivePictures[1]->GetCanvas()->GetPixel(1, 0));
  EXPECT_GE(Data->GetControlIndex("edit"), 0);
  EXPECT_GE(Data->GetObjectIndex("closebutton"), 0);
  EXPECT_EQ(1, Data->GetAreaIndex("area2"));
}

}  // namespace

TEST(SkinData, StartsEmptyWithItsPublishedDefaults) {
  TOwned<TspSkinData> data(new TspSkinData(nullptr));
  EXPECT_TRUE(data->GetSkinEmpty());
  EXPECT_TRUE(data->GetEmpty());
  EXPECT_FALSE(data->GetSkinChanging());
  EXPECT_TRUE(data->GetSkinnableForm());
  EXPECT_TRUE(data->GetEnableSkinEffects());
  EXPECT_EQ(nullptr, data->GetCompressedStoredSkin());
  EXPECT_EQ(nullptr, data->GetResourceStrData());
  EXPECT_EQ(nullptr, data->GetSkinList());
  EXPECT_EQ(0, data->GetSkinIndex());
  EXPECT_EQ(1, data->CursorIndexBase);
  EXPECT_EQ(1, data->FirstCursorIndex);
  EXPECT_TRUE(data->Picture->GetEmpty());
  EXPECT_EQ(0, data->ActivePictures.GetCount());
  EXPECT_EQ(0, data->SkinColors->cBtnFace);  // until the first clear
  EXPECT_EQ(-1, data->PopupWindow->WindowPictureIndex);
  EXPECT_EQ(12, data->HintWindow->FontHeight);
}

TEST(SkinData, ALoadTellsEveryFormInOrderWithTheOwnerFirst) {
  std::vector<TSeen> log;
  TOwned<TWatchingForm> a(new TWatchingForm("FormA", &log));
  TOwned<TWatchingForm> b(new TWatchingForm("FormB", &log));
  TOwned<TWatchingForm> c(new TWatchingForm("FormC", &log));
  EXPECT_FALSE(c->HandleAllocated());

  // Owned by form B: B gets every message first, then the other forms in the screen's order.
  auto* data = new TspSkinData(b.get());
  std::vector<AnsiString> order = {"FormB"};
  for (const AnsiString& name : ScreenOrder())
    if (name != "FormB" && (name == "FormA" || name == "FormC")) order.push_back(name);
  ASSERT_EQ(3u, order.size());
  ASSERT_TRUE(data->LoadFromCompressedFile(SkinFixture("sample.skn")));
  EXPECT_EQ(ExpectedLoad(data, order), log);
  EXPECT_TRUE(c->HandleAllocated());  // made to receive the messages
  ExpectSampleLoaded(data);

  // The same skin again: the same records, the three messages again.
  log.clear();
  const int controls = data->ControlRecords.GetCount();
  ASSERT_TRUE(data->LoadFromCompressedFile(SkinFixture("sample.skn")));
  EXPECT_EQ(ExpectedLoad(data, order), log);
  EXPECT_EQ(controls, data->ControlRecords.GetCount());
  ExpectSampleLoaded(data);

  // Without an owner form every form of the screen gets each message once.
  log.clear();
  TOwned<TspSkinData> free(new TspSkinData(nullptr));
  ASSERT_TRUE(free->LoadFromCompressedFile(SkinFixture("sample_v3.skn")));
  std::vector<AnsiString> screenOrder;
  for (const AnsiString& name : ScreenOrder())
    if (name == "FormA" || name == "FormB" || name == "FormC") screenOrder.push_back(name);
  EXPECT_EQ(ExpectedLoad(free.get(), screenOrder), log);
}

TEST(SkinData, FormsSeeTheNewSkinWhenTheyAreToldItChanged) {
  std::vector<TSeen> log;
  TOwned<TWatchingForm> form(new TWatchingForm("Watcher", &log));
  TOwned<TspSkinData> data(new TspSkinData(nullptr));
  ASSERT_TRUE(data->LoadFromCompressedFile(SkinFixture("sample.skn")));
  std::vector<AnsiString> seenNames;
  form->OnSkinMessage = [&](TMessage& m) {
    if (m.Msg == WM_SKIN_BEFORE_CHANGE) seenNames.push_back("before:" + data->SkinName);
    if (m.Msg == WM_SKIN_CHANGED) {
      seenNames.push_back("changed:" + data->SkinName);
      EXPECT_GE(data->GetControlIndex("digits"), 0);
      EXPECT_EQ(data->GetControlIndex("button"), -1);
    }
  };
  ASSERT_TRUE(data->LoadFromCompressedFile(SkinFixture("list_counts_max.skn")));
  EXPECT_EQ((std::vector<AnsiString>{"before:Sample", "changed:Counts"}), seenNames);
  // Nothing of the previous skin survives.
  EXPECT_EQ(-1, data->GetObjectIndex("menuitem"));
  EXPECT_EQ(1, data->AreaRecords.GetCount());
  EXPECT_EQ(1, data->ActivePictures.GetCount());
  EXPECT_EQ("a.bmp\r\n", data->ActivePictureNames->GetText());
}

// A file that cannot be read, or holds nothing: false, no message, the skin as it was and
// usable, and the skin not left changing.
TEST(SkinData, ABrokenSkinKeepsTheLoadedOneAndEndsWithoutChanging) {
  std::vector<TSeen> log;
  TOwned<TWatchingForm> form(new TWatchingForm("Watcher", &log));
  TOwned<TspSkinData> data(new TspSkinData(nullptr));
  ASSERT_TRUE(data->LoadFromCompressedFile(SkinFixture("sample.skn")));
  TBitmap* picture = data->Picture.get();
  const auto outcomes = FixtureOutcomes();
  ASSERT_GE(outcomes.size(), 20u);
  int refused = 0;
  for (const auto& [name, outcome] : outcomes) {
    if (outcome == "loads") continue;
    SCOPED_TRACE(name);
    log.clear();
    EXPECT_FALSE(data->LoadFromCompressedFile(SkinFixture(name + ".skn")));
    EXPECT_NE("", data->GetLastLoadError());
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(data->GetSkinChanging());
    EXPECT_EQ(picture, data->Picture.get());
    ExpectSampleLoaded(data.get());
    ++refused;
  }
  EXPECT_GE(refused, 15);
  EXPECT_FALSE(data->LoadFromCompressedFile(SkinFixture("no such skin.skn")));
  ExpectSampleLoaded(data.get());

  // An empty stored skin changes nothing and sends nothing.
  TOwned<TspCompressedStoredSkin> empty(new TspCompressedStoredSkin(nullptr));
  log.clear();
  EXPECT_FALSE(data->LoadCompressedStoredSkin(empty.get()));
  EXPECT_FALSE(data->LoadCompressedStoredSkin(nullptr));
  EXPECT_TRUE(log.empty());
  ExpectSampleLoaded(data.get());

  // And the next good skin loads as ever.
  ASSERT_TRUE(data->LoadFromCompressedFile(SkinFixture("sample_v1.skn")));
  EXPECT_EQ("", data->GetLastLoadError());
  EXPECT_EQ(8, data->RollUpPicture->GetWidth());
  EXPECT_TRUE(data->InactivePicture->GetEmpty());
}

TEST(SkinData, ClearingEmptiesTheSkinButKeepsVersionAndFrameValues) {
  TOwned<TspSkinData> data(new TspSkinData(nullptr));
  ASSERT_TRUE(data->LoadFromCompressedFile(SkinFixture("sample.skn")));
  data->ClearAll();
  EXPECT_TRUE(data->GetSkinEmpty());
  EXPECT_TRUE(data->Picture->GetEmpty());
  EXPECT_TRUE(data->InactivePicture->GetEmpty());
  EXPECT_EQ("", data->PictureName);
  EXPECT_EQ(0, data->ActivePictures.GetCount());
  EXPECT_EQ(0, data->ControlRecords.GetCount());
  EXPECT_EQ(0, data->ActivePictureNames->GetCount());
  EXPECT_EQ(-1, data->PopupWindow->WindowPictureIndex);
  EXPECT_EQ(clBtnFace, data->SkinColors->cBtnFace);
  EXPECT_EQ("Sample", data->SkinName);
  EXPECT_EQ(TRect(5, 20, 100, 90), data->ClientRect);
}

TEST(SkinData, APictureIndexOfMinusOneOrPastTheListMeansNoPicture) {
  TOwned<TspSkinData> data(new TspSkinData(nullptr));
  EXPECT_EQ(nullptr, data->GetActivePicture(0));  // no skin yet
  ASSERT_TRUE(data->LoadFromCompressedFile(SkinFixture("sample.skn")));
  ASSERT_EQ(2, data->ActivePictures.GetCount());
  struct Case {
    int index;
    TBitmap* picture;
  };
  const Case cases[] = {
      {-1, nullptr},
      {0, data->PictureList[0]},
      {1, data->PictureList[1]},
      {2, nullptr},
      {-2, nullptr},
      {std::numeric_limits<int>::max(), nullptr},
      {std::numeric_limits<int>::min(), nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(c.picture, data->GetActivePicture(c.index)) << c.index;

  // The indexes of the records as the skin file gave them.
  const auto* button = data->ControlRecords.Get(data->GetControlIndex("button"));
  EXPECT_EQ(data->PictureList[0], data->GetActivePicture(button->PictureIndex));
  EXPECT_EQ(nullptr, data->GetActivePicture(button->MaskPictureIndex));
  EXPECT_EQ(data->PictureList[1], data->GetActivePicture(data->PopupWindow->WindowPictureIndex));
  EXPECT_EQ(nullptr, data->GetActivePicture(data->BGPictureIndex));
  data->ClearAll();
  EXPECT_EQ(nullptr, data->GetActivePicture(0));
}

TEST(SkinData, StoredSkinsAndSkinListsLoadWhenTheyAreSet) {
  std::vector<TSeen> log;
  TOwned<TWatchingForm> form(new TWatchingForm("Watcher", &log));
  TOwned<TspSkinData> data(new TspSkinData(nullptr));
  TOwned<TspCompressedStoredSkin> stored(new TspCompressedStoredSkin(nullptr));
  stored->LoadFromCompressedFile(SkinFixture("sample.skn"));
  data->SetCompressedStoredSkin(stored.get());
  ExpectSampleLoaded(data.get());
  EXPECT_EQ(3u, log.size());
  data->SetCompressedStoredSkin(stored.get());  // written again: loaded again
  EXPECT_EQ(6u, log.size());
  stored.reset();  // freed: the reference goes, nothing is reloaded
  EXPECT_EQ(nullptr, data->GetCompressedStoredSkin());
  EXPECT_EQ(6u, log.size());
  ExpectSampleLoaded(data.get());

  TOwned<TspCompressedSkinList> list(new TspCompressedSkinList(nullptr));
  for (const char* file : {"sample_v0.skn", "sample.skn", "sample_v3.skn"})
    list->GetSkins()->Add()->GetStoredSkin()->LoadFromCompressedFile(SkinFixture(file));
  data->SetSkinIndex(1);  // without a list: only stored
  EXPECT_EQ(1, data->GetSkinIndex());
  log.clear();
  data->SetSkinList(list.get());  // loads item 1
  EXPECT_EQ(3u, log.size());
  EXPECT_EQ(8, data->RollUpPicture->GetWidth());
  data->SetSkinIndex(5);  // outside the list: ignored
  EXPECT_EQ(1, data->GetSkinIndex());
  EXPECT_EQ(3u, log.size());
  data->SetSkinIndex(1);  // unchanged: nothing
  EXPECT_EQ(3u, log.size());
  data->SetSkinIndex(2);  // the third item
  EXPECT_EQ(2, data->GetSkinIndex());
  EXPECT_EQ(6u, log.size());
  EXPECT_TRUE(data->RollUpPicture->GetEmpty());
  EXPECT_FALSE(data->InactivePicture->GetEmpty());
  list.reset();
  EXPECT_EQ(nullptr, data->GetSkinList());
}

TEST(SkinData, ResourceTextsAndTheSkinnableSwitchAreAnnounced) {
  std::vector<TSeen> log;
  TOwned<TWatchingForm> form(new TWatchingForm("Watcher", &log));
  TOwned<TspSkinData> data(new TspSkinData(nullptr));
  TOwned<TspResourceStrData> texts(new TspResourceStrData(nullptr));
  data->SetResourceStrData(texts.get());
  data->SetResourceStrData(nullptr);  // also nil is announced
  data->SetResourceStrData(texts.get());
  std::vector<uint32_t> messages;
  for (const TSeen& s : log)
    if (s.Form == "Watcher") messages.push_back(s.Msg);
  EXPECT_EQ(std::vector<uint32_t>(3, WM_SKIN_RESSTRINGS_CHANGED), messages);
  EXPECT_EQ("&Close", data->GetResourceStrData()->GetResStr("MI_CLOSECAPTION"));

  // The text the skinned parts show: the skin's resource texts while it has them, else
  // the built-in one.
  const TspSkinData* none = nullptr;
  EXPECT_EQ("&Close", GetEffectiveResStr(none, "MI_CLOSECAPTION"));
  texts->GetResStrings()->SetText("MI_CLOSECAPTION=Fermer\r\n");
  EXPECT_EQ("Fermer", GetEffectiveResStr(data.get(), "MI_CLOSECAPTION"));
  EXPECT_EQ("", GetEffectiveResStr(data.get(), "MI_MINCAPTION"));
  texts.reset();
  EXPECT_EQ(nullptr, data->GetResourceStrData());
  EXPECT_EQ("&Close", GetEffectiveResStr(data.get(), "MI_CLOSECAPTION"));

  log.clear();
  data->SetSkinnableForm(true);  // unchanged
  EXPECT_TRUE(log.empty());
  data->SetSkinnableForm(false);
  ASSERT_EQ(1u, log.size());
  EXPECT_EQ(WM_SKIN_SKINNABLE_CHANGED, log[0].Msg);
  EXPECT_EQ(1000, log[0].LParam);
  EXPECT_FALSE(data->GetSkinnableForm());
}

TEST(SkinData, TheDefaultSkinLoadsFromItsFileAndFromTheStoredSkin) {
  TOwned<TspSkinData> fromFile(new TspSkinData(nullptr));
  ASSERT_TRUE(fromFile->LoadFromCompressedFile(DefaultSkinFile())) << fromFile->GetLastLoadError();
  EXPECT_EQ("Default", fromFile->SkinName);
  EXPECT_EQ(360, fromFile->Picture->GetWidth());
  EXPECT_FALSE(fromFile->InactivePicture->GetEmpty());
  EXPECT_TRUE(fromFile->Mask->GetEmpty());
  EXPECT_EQ(fromFile->ActivePictureNames->GetCount(), fromFile->ActivePictures.GetCount());
  EXPECT_GE(fromFile->GetControlIndex("resizetoolbutton"), 0);

  TOwned<TspCompressedStoredSkin> stored(new TspCompressedStoredSkin(nullptr));
  TReadOnlyMemoryStream bytes(kDefaultStoredSkin, static_cast<int64_t>(kDefaultStoredSkinSize));
  stored->ReadCompressedData(&bytes);
  TOwned<TspSkinData> fromStore(new TspSkinData(nullptr));
  fromStore->SetCompressedStoredSkin(stored.get());
  ASSERT_FALSE(fromStore->GetSkinEmpty());
  EXPECT_EQ(fromFile->ControlRecords.GetCount(), fromStore->ControlRecords.GetCount());
  EXPECT_EQ(fromFile->ObjectRecords.GetCount(), fromStore->ObjectRecords.GetCount());
  for (int i = 0; i < fromFile->ActivePictures.GetCount(); ++i) {
    EXPECT_EQ(fromFile->ActivePictures[i]->GetWidth(), fromStore->ActivePictures[i]->GetWidth());
    EXPECT_EQ(fromFile->ActivePictures[i]->GetCanvas()->GetPixel(3, 3),
              fromStore->ActivePictures[i]->GetCanvas()->GetPixel(3, 3));
  }
  // The caption band of the frame picture is the skin's blue.
  const TColor caption = fromFile->Picture->GetCanvas()->GetPixel(100, 12);
  EXPECT_GT(GetBValue(caption), GetRValue(caption) + 40);
}
