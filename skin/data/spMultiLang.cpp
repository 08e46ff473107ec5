#include "skin/data/spMultiLang.h"

#include "framework/TypInfo.h"

// ---------------------------------------------------------------------------------------
// TspMultiLangConfig

TspMultiLangConfig::TspMultiLangConfig(TComponent* AOwner)
    : TComponent(AOwner), FExcludeProps(new TStringList) {
  FExcludeProps->Add("TWebBrowser:");
  FExcludeProps->Add(":TComponentName");
  FExcludeProps->Add(".SkinDataName");
}

TspMultiLangConfig::~TspMultiLangConfig() = default;

void TspMultiLangConfig::PublishProperties(TPropList& Props) const {
  TComponent::PublishProperties(Props);
  Props.Object("ExcludeProps", &TspMultiLangConfig::GetExcludeProps);
}

// ---------------------------------------------------------------------------------------
// TspMultiLang

namespace {

const char kResStringSection[] = "ResString";
const char kComponentNameType[] = "TComponentName";
const char kStringsType[] = "TStrings";

bool IsLanguageComponent(TComponent* Component) {
  return dynamic_cast<TspMultiLang*>(Component) || dynamic_cast<TspMultiLangData*>(Component) ||
         dynamic_cast<TspMultiLangConfig*>(Component);
}

// Texts only: numbers (a character set) and component names keep their values.
bool IsWritableText(const TPropInfo& Info) {
  return (Info.Kind == tkLString || Info.Kind == tkWString) && Info.SetText &&
         Info.TypeName != kComponentNameType;
}

}  // namespace

TspMultiLang::TspMultiLang(TComponent* AOwner) : TComponent(AOwner) {}

TspMultiLang::~TspMultiLang() = default;

void TspMultiLang::BeforeDestruction() {
  if (FData) FData->RemoveLink(this);
  TComponent::BeforeDestruction();
}

void TspMultiLang::Watch(TComponent* Old, TComponent* New) {
  if (Old && Old != FData && Old != FDefaultData && Old != FConfig) RemoveFreeNotification(Old);
  if (New) FreeNotification(New);
}

void TspMultiLang::SetDefaultData(TspMultiLangData* Value) {
  TspMultiLangData* old = FDefaultData;
  FDefaultData = Value;
  Watch(old, Value);
}

void TspMultiLang::SetData(TspMultiLangData* Value) {
  if (Value == FData) return;
  TspMultiLangData* old = FData;
  if (old) old->RemoveLink(this);
  FData = Value;
  Watch(old, Value);
  // While the form is being built, Loaded links it.
  if (FData && !GetComponentState().Contains(csLoading)) FData->AddLink(this);
}

void TspMultiLang::SetConfig(TspMultiLangConfig* Value) {
  TspMultiLangConfig* old = FConfig;
  FConfig = Value;
  Watch(old, Value);
}

void TspMultiLang::Loaded() {
  TComponent::Loaded();
  if (FData) FData->AddLink(this);
  if (FConfig && FConfig->GetAutoApply()) Apply();
}

void TspMultiLang::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FData) FData = nullptr;
  if (AComponent == FDefaultData) FDefaultData = nullptr;
  if (AComponent == FConfig) FConfig = nullptr;
}

bool TspMultiLang::GetValue(const AnsiString& Section, const AnsiString& Prefix,
                            const AnsiString& Name, AnsiString& Value) {
  if (FData && FData->FindValue(Section, Prefix, Name, Value)) return true;
  return FDefaultData && FDefaultData->FindValue(Section, Prefix, Name, Value);
}

AnsiString TspMultiLang::GetResString(const AnsiString& Id) {
  AnsiString value = Id;
  GetValue(kResStringSection, AnsiString(), Id, value);
  return value;
}

void TspMultiLang::ApplyToComponent(TComponent* Component) {
  if (!FConfig || !Component || !GetOwner()) return;
  const AnsiString section = GetOwner()->ClassName();
  const AnsiString prefix = Component->GetName();
  AnsiString value;
  for (const TPropInfo& info : GetPropList(Component)) {
    // A setter that refuses a text from the file leaves that property as it was; the
    // rest of the form is re-labelled all the same.
    try {
      if (info.Kind == tkClass) {
        TPersistent* object = info.GetObject ? info.GetObject(Component) : nullptr;
        if (TStrings* strings = dynamic_cast<TStrings*>(object)) {
          if (info.TypeName == kStringsType && GetValue(section, prefix, info.Name, value))
            strings->SetText(value);
        } else if (TCollection* collection = dynamic_cast<TCollection*>(object)) {
          for (int i = 0; i < collection->GetCount(); ++i) {
            TCollectionItem* item = collection->GetItem(i);
            for (const TPropInfo& itemInfo : GetPropList(item)) {
              if (!IsWritableText(itemInfo)) continue;
              const AnsiString name = info.Name + "[" + IntToStr(i) + "]." + itemInfo.Name;
              if (GetValue(section, prefix, name, value)) itemInfo.SetText(item, value);
            }
          }
        }
      } else if (IsWritableText(info) && GetValue(section, prefix, info.Name, value)) {
        info.SetText(Component, value);
      }
    } catch (const Exception&) {
    }
  }
}

void TspMultiLang::Apply() {
  if (!FData) return;
  if (TComponent* form = GetOwner()) {
    ApplyToComponent(form);
    for (int i = 0; i < form->GetComponentCount(); ++i) {
      TComponent* component = form->GetComponent(i);
      if (!component->GetName().empty() && !IsLanguageComponent(component))
        ApplyToComponent(component);
    }
  }
  if (OnChangeLanguage) OnChangeLanguage(this);
}

void ReadLanguageSection(TspMultiLang* MultiLang, const AnsiString& Section, TStrings* Strings) {
  if (!MultiLang || !Strings) return;
  if (TspMultiLangData* data = MultiLang->GetDefaultData()) data->ReadSection(Section, Strings);
  if (TspMultiLangData* data = MultiLang->GetData()) data->ReadSection(Section, Strings);
}
