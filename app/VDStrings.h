// The text holders the program hands to the engine library: TVDString holds one text,
// TVDStringArray a list of texts. The engine fills or reads them through their tables of
// operations during one call; the program creates them, copies the result and releases
// them (THolder releases them also when something on the way raises).
#pragma once

#include <deque>

#include "framework/Classes.h"
#include "framework/WinApi.h"

#include "engine/api/VDEngine.h"

class TVDString : public IVDString {
 public:
  TVDString() = default;
  TVDString(const TVDString&) = delete;
  TVDString& operator=(const TVDString&) = delete;

  void VDAPI Release() override;
  // Never null: a fresh holder gives an empty text.
  const char* VDAPI GetText() override;
  // A null text counts as empty.
  void VDAPI SetText(const char* Text) override;

  const AnsiString& Text() const { return FText; }

 private:
  virtual ~TVDString() = default;
  AnsiString FText;
};

class TVDStringArray : public IVDStringArray {
 public:
  TVDStringArray() = default;
  TVDStringArray(const TVDStringArray&) = delete;
  TVDStringArray& operator=(const TVDStringArray&) = delete;

  void VDAPI Release() override;
  void VDAPI Clear() override;
  // A null text is added as empty.
  void VDAPI Add(const char* Text) override;
  // The text at the index. These operations are called from inside the engine library,
  // which no exception may cross: an index outside the list gives an empty text.
  const char* VDAPI Get(int Index) override;
  int VDAPI GetCount() override;

  // The list the program fills or reads directly.
  TStringList* Strings() { return &FStrings; }

 private:
  virtual ~TVDStringArray() = default;
  TStringList FStrings;
  std::deque<AnsiString> FCopies;  // what Get handed out, by index
  AnsiString FEmpty;
};

// Owns a holder for the length of one use and releases it whatever happens.
template <class T>
class THolder {
 public:
  THolder() : FHolder(new T) {}
  ~THolder() { FHolder->Release(); }
  THolder(const THolder&) = delete;
  THolder& operator=(const THolder&) = delete;
  T* operator->() const { return FHolder; }
  T* Get() const { return FHolder; }

 private:
  T* FHolder;
};
