// One language file held as data: the file's text in its stored form (every byte but the
// line breaks and most printable characters escaped as "%xx"), parsed into an in-memory ini
// object when read, and the multi-language components linked to it, which re-label their
// forms whenever a new file is loaded. Portable: no Windows header.
#pragma once

#include <memory>
#include <vector>

#include "framework/IniFiles.h"

class TspMultiLang;

// The stored form of a text: CR, LF, 0x20..0x24 and 0x26..0x7E stay, every other byte
// becomes "%" and two lower-case hexadecimal digits ("%" itself becomes "%25").
AnsiString EscapeLanguageText(const AnsiString& Text);
// Form-URL decoding: "%xx" gives the byte, "+" a blank. A "%" not followed by two
// hexadecimal digits stays as it is.
AnsiString DecodeLanguageText(const AnsiString& Stored);
// A stored value as the program shows it: "<BR>" (any case) gives CR LF, "<SP>" a blank.
AnsiString ExpandLanguageTags(const AnsiString& Value);

class TspMultiLangData : public TComponent {
 public:
  explicit TspMultiLangData(TComponent* AOwner);
  ~TspMultiLangData() override;

  // Reads the whole file (an unreadable file gives empty data), stores it and re-labels
  // the linked forms.
  void LoadFromFile(const AnsiString& FileName);
  // The same with the file's text already in hand (the built-in language).
  void LoadFromText(const AnsiString& Text);

  // The decoded value of Prefix.Name (Name alone for an empty prefix) in the section, with
  // its tags expanded; false, with Value unchanged, when the section has no such key.
  bool FindValue(const AnsiString& Section, const AnsiString& Prefix, const AnsiString& Name,
                 AnsiString& Value);
  // Every key of the section, in file order, as name=value into Strings.
  void ReadSection(const AnsiString& Section, TStrings* Strings);

  // [Info] values; the setters write the value and store the data again.
  AnsiString GetLanguage();
  AnsiString GetVersion();
  AnsiString GetTranslator();
  void SetLanguage(const AnsiString& Value);
  void SetVersion(const AnsiString& Value);
  void SetTranslator(const AnsiString& Value);

  // The stored form, one line per line of the file. Setting copies the lines.
  TStrings* GetData() const { return FData.get(); }
  void SetData(TStrings* Value);

  void AddLink(TspMultiLang* Link);
  void RemoveLink(TspMultiLang* Link);
  // Applies every linked component's texts, in link order.
  void NotifyLinks();
  int GetLinkCount() const { return static_cast<int>(FLinks.size()); }

  void PublishProperties(TPropList& Props) const override;

 protected:
  // Into another language data: its [Info] values through its setters, then the data.
  void AssignTo(TPersistent* Dest) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void Parse();
  void Store();
  void WriteInfo(const AnsiString& Name, const AnsiString& Value);
  void DataChanged(TObject* Sender);

  std::unique_ptr<TStringList> FData;
  std::unique_ptr<TMemIniFile> FIni;
  bool FDataChanged = true;
  bool FIniModified = false;
  bool FStoring = false;
  std::vector<TspMultiLang*> FLinks;
};
