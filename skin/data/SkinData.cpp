#include "skin/data/SkinData.h"

#include <vector>

#include "framework/Forms.h"

namespace {

// A bitmap of the picture, or an empty one when the skin has none.
std::unique_ptr<TBitmap> BitmapOf(const TDibImage& Image) {
  auto bitmap = std::make_unique<TBitmap>();
  if (Image.Width > 0) bitmap->SetDib(Image);
  return bitmap;
}

// Gives Target the picture Source holds, keeping Target the same object.
void TakePicture(TBitmap& Target, TBitmap& Source) {
  if (Source.GetEmpty())
    Target.Assign(nullptr);
  else
    Target.SetHandle(Source.ReleaseHandle());
}

}  // namespace

TspSkinData::TspSkinData(TComponent* AOwner)
    : TComponent(AOwner),
      Picture(new TBitmap),
      InactivePicture(new TBitmap),
      Mask(new TBitmap),
      RollUpPicture(new TBitmap),
      RollUpMask(new TBitmap) {}

TspSkinData::~TspSkinData() = default;

void TspSkinData::BeforeDestruction() {
  FSkinEmpty = true;
  ClearObjects();
  TComponent::BeforeDestruction();
}

void TspSkinData::ClearObjects() {
  ClearRecords();
  ActivePictures.Clear();
}

void TspSkinData::ClearAll() {
  ClearObjects();
  for (TBitmap* picture :
       {Picture.get(), InactivePicture.get(), Mask.get(), RollUpPicture.get(), RollUpMask.get()})
    picture->Assign(nullptr);
  PictureName.clear();
  MaskName.clear();
  RollUpPictureName.clear();
  RollUpMaskName.clear();
  FSkinEmpty = true;
}

bool TspSkinData::LoadCompressedStoredSkin(TspCompressedStoredSkin* StoredSkin) {
  if (!StoredSkin || StoredSkin->IsEmpty()) return false;
  // SkinChanging ends False however the load ends (also when a form's handler raises).
  struct TChanging {
    bool& Flag;
    explicit TChanging(bool& AFlag) : Flag(AFlag) { Flag = true; }
    ~TChanging() { Flag = false; }
  } changing(FSkinChanging);

  // The whole skin is read into fresh objects first.
  TspSkinContent content;
  std::unique_ptr<TBitmap> pictures[5];
  std::vector<std::unique_ptr<TBitmap>> active;
  try {
    TspSkinImageBlock block;
    ReadStoredSkin(StoredSkin, block, content);
    const TDibImage* images[5] = {&block.Picture, &block.InactivePicture, &block.Mask,
                                  &block.RollUpPicture, &block.RollUpMask};
    for (int i = 0; i < 5; ++i) pictures[i] = BitmapOf(*images[i]);
    for (const TDibImage& image : block.ActivePictures) active.push_back(BitmapOf(image));
  } catch (const std::exception& e) {
    FLastLoadError = e.what();
    return false;
  }
  FLastLoadError.clear();

  FSkinEmpty = true;
  SendSkinDataMessage(WM_SKIN_BEFORE_CHANGE);
  ClearAll();
  TakeSkinContent(content);
  TBitmap* targets[5] = {Picture.get(), InactivePicture.get(), Mask.get(), RollUpPicture.get(),
                         RollUpMask.get()};
  for (int i = 0; i < 5; ++i) TakePicture(*targets[i], *pictures[i]);
  for (std::unique_ptr<TBitmap>& bitmap : active) ActivePictures.Add(std::move(bitmap));
  FSkinEmpty = false;
  SendSkinDataMessage(WM_SKIN_CHANGED);
  FSkinChanging = false;
  SendSkinDataMessage(WM_SKIN_AFTER_CHANGE);
  return true;
}

bool TspSkinData::LoadFromCompressedFile(const AnsiString& FileName) {
  std::unique_ptr<TspCompressedStoredSkin, void (*)(TspCompressedStoredSkin*)> stored(
      new TspCompressedStoredSkin(this), [](TspCompressedStoredSkin* s) { s->Free(); });
  try {
    stored->LoadFromCompressedFile(FileName);
  } catch (const std::exception& e) {
    FLastLoadError = e.what();
    return false;
  }
  if (stored->IsEmpty()) {
    FLastLoadError = "The skin file " + FileName + " holds no skin that can be read";
    return false;
  }
  return LoadCompressedStoredSkin(stored.get());
}

void TspSkinData::SendSkinDataMessage(uint32_t Msg) {
  TCustomForm* owner = dynamic_cast<TCustomForm*>(GetOwner());
  const WPARAM self = reinterpret_cast<WPARAM>(this);
  if (owner) SendMessageA(owner->GetHandle(), Msg, self, kSkinMessageParam);
  if (!Screen) return;
  // Handlers may make or free forms: the list is taken first, and a form that has gone
  // meanwhile is left out.
  std::vector<TForm*> forms;
  for (int i = 0; i < Screen->GetFormCount(); ++i) forms.push_back(Screen->GetForm(i));
  for (TForm* form : forms) {
    if (form == owner) continue;
    bool present = false;
    for (int i = 0; i < Screen->GetFormCount() && !present; ++i)
      present = Screen->GetForm(i) == form;
    if (present) SendMessageA(form->GetHandle(), Msg, self, kSkinMessageParam);
  }
}

void TspSkinData::SetSkinnableForm(bool Value) {
  if (FSkinnableForm == Value) return;
  FSkinnableForm = Value;
  if (!GetComponentState().Contains(csLoading)) SendSkinDataMessage(WM_SKIN_SKINNABLE_CHANGED);
}

void TspSkinData::Refer(TComponent* Old, TComponent* New) {
  if (Old == New) return;
  if (Old) Old->RemoveFreeNotification(this);
  if (New) New->FreeNotification(this);
}

void TspSkinData::SetCompressedStoredSkin(TspCompressedStoredSkin* Value) {
  Refer(FCompressedStoredSkin, Value);
  FCompressedStoredSkin = Value;
  if (Value) LoadCompressedStoredSkin(Value);
}

void TspSkinData::SetResourceStrData(TspResourceStrData* Value) {
  Refer(FResourceStrData, Value);
  FResourceStrData = Value;
  SendSkinDataMessage(WM_SKIN_RESSTRINGS_CHANGED);
}

void TspSkinData::LoadStoredSkinOf(TspCompressedSkinList* List, int Index) {
  if (List && Index >= 0 && Index < List->GetSkins()->GetCount())
    LoadCompressedStoredSkin(List->GetSkins()->GetItem(Index)->GetStoredSkin());
}

void TspSkinData::SetSkinList(TspCompressedSkinList* Value) {
  Refer(FSkinList, Value);
  FSkinList = Value;
  LoadStoredSkinOf(FSkinList, FSkinIndex);
}

void TspSkinData::SetSkinIndex(int Value) {
  if (Value == FSkinIndex) return;
  if (!FSkinList) {
    FSkinIndex = Value;
    return;
  }
  if (Value < 0 || Value >= FSkinList->GetSkins()->GetCount()) return;
  FSkinIndex = Value;
  LoadStoredSkinOf(FSkinList, FSkinIndex);
}

void TspSkinData::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FCompressedStoredSkin) FCompressedStoredSkin = nullptr;
  if (AComponent == FResourceStrData) FResourceStrData = nullptr;
  if (AComponent == FSkinList) FSkinList = nullptr;
}
