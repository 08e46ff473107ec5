#include "app/ListText.h"

#include <memory>

AnsiString EscapeListItem(const AnsiString& Text) {
  AnsiString result;
  result.reserve(Text.size());
  for (char c : Text) {
    if (c == '&')
      result += "&A";
    else if (c == ',')
      result += "&C";
    else
      result += c;
  }
  return result;
}

AnsiString UnescapeListItem(const AnsiString& Text) {
  AnsiString result;
  result.reserve(Text.size());
  bool pending = false;
  for (char c : Text) {
    if (c == '&') {
      pending = true;
      continue;
    }
    if (pending && c == 'A')
      result += '&';
    else if (pending && c == 'C')
      result += ',';
    else
      result += c;
    pending = false;
  }
  return result;
}

AnsiString ListDelimitedText(const TStrings* Items, bool Escape) {
  auto list = std::make_unique<TStringList>();
  for (int i = 0; i < Items->GetCount(); ++i)
    list->Add(Escape ? EscapeListItem(Items->Get(i)) : Items->Get(i));
  list->SetDelimiter('|');
  list->SetQuoteChar('"');
  return list->GetDelimitedText();
}
