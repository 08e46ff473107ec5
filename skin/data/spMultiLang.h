// The multi-language component of a form: it writes the texts of the current language
// (Data) and of the default language (DefaultData) into the published string properties
// of its form and the form's components, and answers text lookups. Its options live in a
// TspMultiLangConfig. Portable: no Windows header.
#pragma once

#include <memory>

#include "framework/Classes.h"
#include "skin/data/spMultiLangData.h"

// The options of the re-labelling. Only AutoApply is consulted; the others are kept with
// the form as it was designed.
class TspMultiLangConfig : public TComponent {
 public:
  explicit TspMultiLangConfig(TComponent* AOwner);
  ~TspMultiLangConfig() override;

  bool GetExcludeEmptyProp() const { return FExcludeEmptyProp; }
  void SetExcludeEmptyProp(bool Value) { FExcludeEmptyProp = Value; }
  TStrings* GetExcludeProps() const { return FExcludeProps.get(); }
  void SetExcludeProps(TStrings* Value) { FExcludeProps->Assign(Value); }
  bool GetExcludeNumberEndProps() const { return FExcludeNumberEndProps; }
  void SetExcludeNumberEndProps(bool Value) { FExcludeNumberEndProps = Value; }
  bool GetAutoApply() const { return FAutoApply; }
  void SetAutoApply(bool Value) { FAutoApply = Value; }
  bool GetExcludeWithAction() const { return FExcludeWithAction; }
  void SetExcludeWithAction(bool Value) { FExcludeWithAction = Value; }

  void PublishProperties(TPropList& Props) const override;

 private:
  bool FExcludeEmptyProp = false;
  std::unique_ptr<TStringList> FExcludeProps;
  bool FExcludeNumberEndProps = false;
  bool FAutoApply = false;
  bool FExcludeWithAction = false;
};

class TspMultiLang : public TComponent {
 public:
  explicit TspMultiLang(TComponent* AOwner);
  ~TspMultiLang() override;

  // Re-labels the owner form and its named components (not the language components), then
  // fires OnChangeLanguage. Nothing without Data.
  void Apply();
  // Writes the found texts into the component's published string properties, string
  // lists and collection items' string properties; the section is the owner form's class
  // name, the prefix the component's name. Nothing without a config.
  void ApplyToComponent(TComponent* Component);
  // Data's value first, then DefaultData's; false, Value unchanged, when neither has it.
  bool GetValue(const AnsiString& Section, const AnsiString& Prefix, const AnsiString& Name,
                AnsiString& Value);
  // The text of the id in [ResString]; the id itself when neither language has it.
  AnsiString GetResString(const AnsiString& Id);

  TspMultiLangData* GetDefaultData() const { return FDefaultData; }
  void SetDefaultData(TspMultiLangData* Value);
  // Links this component to the data, so that loading a language re-labels its form.
  TspMultiLangData* GetData() const { return FData; }
  void SetData(TspMultiLangData* Value);
  TspMultiLangConfig* GetConfig() const { return FConfig; }
  void SetConfig(TspMultiLangConfig* Value);

  TNotifyEvent OnChangeLanguage;

  void BeforeDestruction() override;

 protected:
  // Links to Data and, when the config says AutoApply, applies the texts.
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void Watch(TComponent* Old, TComponent* New);

  TspMultiLangData* FDefaultData = nullptr;
  TspMultiLangData* FData = nullptr;
  TspMultiLangConfig* FConfig = nullptr;
};

// Every key of the section as name=value: the default language's, then the current
// language's over them.
void ReadLanguageSection(TspMultiLang* MultiLang, const AnsiString& Section, TStrings* Strings);
