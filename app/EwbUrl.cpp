// The portable part of the URL tools: the text helpers and the own URL splitter.
#include "app/EwbUrl.h"

#include <algorithm>

#ifdef _WIN32
#include "framework/WinApi.h"
#endif

bool IsLeadByte(char C) {
#ifdef _WIN32
  return IsDBCSLeadByte(static_cast<BYTE>(C)) != FALSE;
#else
  (void)C;
  return false;
#endif
}

void SplitAtFirst(AnsiString& Source, const AnsiString& Separator, bool Cut, AnsiString& Before) {
  const size_t at = Separator.empty() ? AnsiString::npos : Source.find(Separator);
  if (at == AnsiString::npos) {
    Before = Source;
    if (Cut) Source.clear();
    return;
  }
  Before = Source.substr(0, at);
  if (Cut) Source.erase(0, at + Separator.size());
}

int LastPosBefore(const AnsiString& Sub, const AnsiString& Text, int Start) {
  if (Sub.empty() || Sub.size() > Text.size()) return 0;
  const int last = static_cast<int>(Text.size() - Sub.size()) + 1;  // last possible, from 1
  if (Start < 0 || Start > last) Start = last;
  const AnsiString upperSub = AnsiUpperCase(Sub);
  const AnsiString upperText = AnsiUpperCase(Text);
  for (int position = Start; position >= 1; --position)
    if (upperText.compare(static_cast<size_t>(position - 1), upperSub.size(), upperSub) == 0)
      return position;
  return 0;
}

bool EndsWithText(const AnsiString& Suffix, const AnsiString& Text) {
  if (Suffix.size() > Text.size()) return false;
  const size_t start = Text.size() - Suffix.size();
  // The tail must begin on a character, not on the second byte of a double-byte one.
  size_t i = 0;
  while (i < start) i += IsLeadByte(Text[i]) ? 2 : 1;
  if (i != start) return false;
  return Text.compare(start, Suffix.size(), Suffix) == 0;
}

AnsiString ForwardSlashes(const AnsiString& Text) {
  AnsiString result = Text;
  for (size_t i = 0; i < result.size(); ++i) {
    if (IsLeadByte(result[i])) {
      ++i;  // the second byte is part of the character, whatever its value
      continue;
    }
    if (result[i] == '\\') result[i] = '/';
  }
  return result;
}

int PortFromText(const AnsiString& Text) {
  if (Text.empty() || Text.size() > 5) return 80;
  int port = 0;
  for (char c : Text) {
    if (c < '0' || c > '9') return 80;
    port = port * 10 + (c - '0');
  }
  return port <= 65535 ? port : 80;
}

TUrl::TUrl(const AnsiString& Url) {
  if (!Url.empty()) FUrl = Url;
}

void TUrl::Clear() {
  FUrl.clear();
  FProtocol.clear();
  FUserName.clear();
  FPassword.clear();
  FHostName.clear();
  FPort = 80;
  FPath.clear();
  FDocument.clear();
  FParameters.clear();
  FFragment.clear();
  FExtraInfo.clear();
}

AnsiString TUrl::EnsureTrailingSlash(const AnsiString& U) {
  if (!U.empty() && U.back() == '/') return U;
  // A query or a fragment follows a resource, never a folder; a slash there would become
  // part of their values.
  if (U.find_first_of("?#=") != AnsiString::npos) return U;
  const size_t lastSlash = U.rfind('/');
  const size_t lastDot = U.rfind('.');
  const bool dotBeforeSlash =
      lastDot == AnsiString::npos || (lastSlash != AnsiString::npos && lastDot < lastSlash);
  return dotBeforeSlash ? U + "/" : U;
}

void TUrl::SplitPath(const AnsiString& Rest) {
  // The split point: the first "?", else the first "=" (0 when neither occurs).
  int split = Pos("?", Rest);
  if (split == 0) split = Pos("=", Rest);
  const int slash = LastPosBefore("/", Rest, split > 0 ? split : -1);
  FPath = Rest.substr(0, static_cast<size_t>(slash));
  if (split > 0) {
    FDocument = Rest.substr(0, static_cast<size_t>(split - 1));
    FParameters = Rest.substr(static_cast<size_t>(split - 1));
  } else {
    FDocument = Rest;
  }
  FDocument.erase(0, std::min(FDocument.size(), static_cast<size_t>(slash)));
}

void TUrl::ParseUrl(const AnsiString& Url) {
  Clear();
  FUrl = Url;
  AnsiString u = ForwardSlashes(EnsureTrailingSlash(Url));
  const size_t scheme = u.find("://");
  if (scheme == AnsiString::npos) {
    SplitPath(u);
  } else {
    FProtocol = u.substr(0, scheme);
    AnsiString rest = u.substr(scheme + 3);
    AnsiString host;
    SplitAtFirst(rest, "/", true, host);
    // Credentials end at the last "@" of the host part: a host name never holds one.
    const size_t at = host.rfind('@');
    if (at != AnsiString::npos) {
      AnsiString credentials = host.substr(0, at);
      host.erase(0, at + 1);
      SplitAtFirst(credentials, ":", true, FUserName);
      FPassword = FUserName.empty() ? AnsiString() : credentials;
    }
    AnsiString portText;
    const size_t open = host.find('[');
    const size_t close = host.find(']');
    if (open != AnsiString::npos && close != AnsiString::npos && open < close) {
      FHostName = host.substr(open + 1, close - open - 1);
      const size_t colon = host.find(':', close);
      if (colon != AnsiString::npos) portText = host.substr(colon + 1);
    } else {
      SplitAtFirst(host, ":", true, FHostName);
      portText = host;
    }
    FPort = PortFromText(portText);
    SplitPath(rest);
    FPath = "/" + FPath;
    const size_t hash = FDocument.find('#');
    if (hash != AnsiString::npos) {
      FFragment = FDocument.substr(hash + 1);
      FDocument.erase(hash);
    }
  }
  if (FFragment.empty()) {
    const size_t hash = FParameters.find('#');
    if (hash != AnsiString::npos) {
      FFragment = FParameters.substr(hash + 1);
      FParameters.erase(hash);
    }
  }
}
