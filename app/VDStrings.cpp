#include "app/VDStrings.h"

void VDAPI TVDString::Release() { delete this; }

const char* VDAPI TVDString::GetText() { return FText.c_str(); }

void VDAPI TVDString::SetText(const char* Text) { FText = Text ? Text : ""; }

void VDAPI TVDStringArray::Release() { delete this; }

void VDAPI TVDStringArray::Clear() { FStrings.Clear(); }

void VDAPI TVDStringArray::Add(const char* Text) { FStrings.Add(Text ? Text : ""); }

const char* VDAPI TVDStringArray::Get(int Index) {
  if (Index < 0 || Index >= FStrings.GetCount()) return FEmpty.c_str();
  // A copy per index that stays where it is while other indexes are read, so that the
  // engine may hold several of them during one call.
  if (FCopies.size() < static_cast<size_t>(FStrings.GetCount()))
    FCopies.resize(static_cast<size_t>(FStrings.GetCount()));
  AnsiString& copy = FCopies[static_cast<size_t>(Index)];
  copy = FStrings.Get(Index);
  return copy.c_str();
}

int VDAPI TVDStringArray::GetCount() { return FStrings.GetCount(); }
