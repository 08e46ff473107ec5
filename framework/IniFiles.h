// Ini files: sections of name=value keys. Section and key names compare without regard to
// case; of two equal keys the first counts. Portable: no Windows header.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "framework/Classes.h"

// What every ini file reads and writes. Readers take a default for a missing key; a key
// present with an empty value reads as empty text (and as the default for numbers).
class TCustomIniFile : public TObject {
 public:
  explicit TCustomIniFile(const AnsiString& FileName) : FFileName(FileName) {}
  AnsiString GetFileName() const { return FFileName; }

  virtual AnsiString ReadString(const AnsiString& Section, const AnsiString& Ident,
                                const AnsiString& Default) = 0;
  virtual void WriteString(const AnsiString& Section, const AnsiString& Ident,
                           const AnsiString& Value) = 0;
  // Decimal, "$" or "0x" hexadecimal; anything else gives the default.
  virtual int ReadInteger(const AnsiString& Section, const AnsiString& Ident, int Default);
  virtual void WriteInteger(const AnsiString& Section, const AnsiString& Ident, int Value);
  // An integer: not 0 is true. Written as "1" or "0".
  virtual bool ReadBool(const AnsiString& Section, const AnsiString& Ident, bool Default);
  virtual void WriteBool(const AnsiString& Section, const AnsiString& Ident, bool Value);
  virtual double ReadFloat(const AnsiString& Section, const AnsiString& Ident, double Default);
  virtual void WriteFloat(const AnsiString& Section, const AnsiString& Ident, double Value);
  // The key names of the section in file order (each once).
  virtual void ReadSection(const AnsiString& Section, TStrings* Strings) = 0;
  virtual void ReadSections(TStrings* Strings) = 0;
  // name=value for each key of the section.
  virtual void ReadSectionValues(const AnsiString& Section, TStrings* Strings) = 0;
  virtual void EraseSection(const AnsiString& Section) = 0;
  virtual void DeleteKey(const AnsiString& Section, const AnsiString& Ident) = 0;
  virtual void UpdateFile() = 0;
  // A section exists when it has at least one key.
  bool SectionExists(const AnsiString& Section);
  virtual bool ValueExists(const AnsiString& Section, const AnsiString& Ident);

 protected:
  AnsiString FFileName;
};

// The whole file in memory: read when created (a missing file reads as empty), written
// back by UpdateFile. Comment lines (";") and lines without "=" are kept as they are and
// written back; blank lines are not. A section named twice is one section.
class TMemIniFile : public TCustomIniFile {
 public:
  explicit TMemIniFile(const AnsiString& FileName = AnsiString());
  ~TMemIniFile() override;

  AnsiString ReadString(const AnsiString& Section, const AnsiString& Ident,
                        const AnsiString& Default) override;
  void WriteString(const AnsiString& Section, const AnsiString& Ident,
                   const AnsiString& Value) override;
  void ReadSection(const AnsiString& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const AnsiString& Section, TStrings* Strings) override;
  void EraseSection(const AnsiString& Section) override;
  void DeleteKey(const AnsiString& Section, const AnsiString& Ident) override;
  bool ValueExists(const AnsiString& Section, const AnsiString& Ident) override;
  // Writes the text to the file (nothing without a file name); raises EFCreateError.
  void UpdateFile() override;

  void Clear();
  // The whole content as lines of ini text, and the content taken from such lines.
  void GetStrings(TStrings* List) const;
  void SetStrings(TStrings* List);
  void SetText(const AnsiString& Text);
  // A new file name; with Reload the content is read from it.
  void Rename(const AnsiString& FileName, bool Reload);

 private:
  struct TLine {
    AnsiString Name;  // a key's name, or the whole line when it is no key
    AnsiString Value;
    bool IsKey;
  };
  struct TSection {
    AnsiString Name;
    std::vector<TLine> Lines;
    std::unordered_map<AnsiString, size_t> Keys;  // folded name -> first line
    void Reindex();
  };
  TSection* FindSection(const AnsiString& Name) const;
  TSection* AddSection(const AnsiString& Name);
  const TLine* FindKey(const AnsiString& Section, const AnsiString& Ident) const;
  // The section's keys (each once, in file order), or name=value with WithValues.
  void ListKeys(const AnsiString& Section, TStrings* Strings, bool WithValues) const;
  void LoadValues();

  std::vector<AnsiString> FPreamble;  // lines before the first section
  std::vector<std::unique_ptr<TSection>> FSections;
  std::unordered_map<AnsiString, size_t> FSectionIndex;  // folded name -> section
};

// An ini file read and written through: every call reads the file as it is now, every
// write changes the file at once. For many reads of one file, TMemIniFile is the faster.
class TIniFile : public TCustomIniFile {
 public:
  explicit TIniFile(const AnsiString& FileName);
  ~TIniFile() override;

  AnsiString ReadString(const AnsiString& Section, const AnsiString& Ident,
                        const AnsiString& Default) override;
  void WriteString(const AnsiString& Section, const AnsiString& Ident,
                   const AnsiString& Value) override;
  void ReadSection(const AnsiString& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const AnsiString& Section, TStrings* Strings) override;
  void EraseSection(const AnsiString& Section) override;
  void DeleteKey(const AnsiString& Section, const AnsiString& Ident) override;
  bool ValueExists(const AnsiString& Section, const AnsiString& Ident) override;
  void UpdateFile() override {}  // nothing is pending

 private:
  TMemIniFile& Current();  // the file's content as it is now
  void Store();
  std::unique_ptr<TMemIniFile> FCache;
};
