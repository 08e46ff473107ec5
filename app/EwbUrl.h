// URLs for the web download component: TUrl splits one URL into its parts, either with its
// own text splitter (portable) or with the system's URL cracker, and checks a URL's status
// over the system's internet functions (both Windows only); plus the small text helpers
// the splitter is made of. The routines never raise: failures give empty parts.
#pragma once

#include <cstdint>

#include "framework/SysUtils.h"

// Before := the text of Source before the first Separator; when Cut, Source loses
// everything up to and including it. Without a Separator in Source, Before := Source and,
// when Cut, Source becomes empty.
void SplitAtFirst(AnsiString& Source, const AnsiString& Separator, bool Cut, AnsiString& Before);
// The last position (counted from 1) at or before Start where Sub occurs in Text, compared
// without regard to case; Start -1 means the end of Text, and Start is clamped to
// length(Text) - length(Sub) + 1. 0 when there is none (also for an empty Sub).
int LastPosBefore(const AnsiString& Sub, const AnsiString& Text, int Start = -1);
// Whether Text ends with Suffix (case-sensitive); false when that tail would begin on the
// second byte of a double-byte character of the system code page.
bool EndsWithText(const AnsiString& Suffix, const AnsiString& Text);
// Every "\" becomes "/", except second bytes of double-byte characters.
AnsiString ForwardSlashes(const AnsiString& Text);
// Whether the byte leads a double-byte character in the system code page (never off
// Windows, where the system code page is Latin-1).
bool IsLeadByte(char C);

// The parts of one URL.
class TUrl {
 public:
  explicit TUrl(const AnsiString& Url = AnsiString());

  // Empties every part; the port becomes 80.
  void Clear();
  // The own splitter: protocol, credentials, host (a bracketed IPv6 literal too), port
  // (80 when missing or no port number), path, document, parameters and fragment.
  // Backslashes count as slashes.
  void ParseUrl(const AnsiString& Url);
  // Appends "/" when the URL does not end in one and has no "." after its last "/"; a URL
  // with a query or fragment ("?", "#" or "=") is left as it is.
  static AnsiString EnsureTrailingSlash(const AnsiString& U);

#ifdef _WIN32
  // The system's URL cracker (InternetCrackUrlA with Flags) over the URL with a trailing
  // slash ensured: host, protocol, path, port, extra information (query and fragment),
  // user name and password, and WideUrl := the URL as a wide text. On failure every part
  // is empty, WideUrl too, and the system's reason goes to the debugger output.
  bool CrackUrl(const AnsiString& Url, uint32_t Flags, WideString& WideUrl);
  // Opens the URL (no user interface) and returns the answer of the HTTP query at
  // QueryLevel, or empty when the URL cannot be opened or the query fails.
  static AnsiString CheckUrl(const AnsiString& Url, uint32_t QueryLevel);
  // Whether the URL answers with status 200 or 401.
  static bool IsValidUrl(const AnsiString& Url);
#endif

  AnsiString GetUrl() const { return FUrl; }
  AnsiString GetProtocol() const { return FProtocol; }
  AnsiString GetUserName() const { return FUserName; }
  AnsiString GetPassword() const { return FPassword; }
  AnsiString GetHostName() const { return FHostName; }
  int GetPort() const { return FPort; }
  AnsiString GetPath() const { return FPath; }
  AnsiString GetDocument() const { return FDocument; }
  AnsiString GetParameters() const { return FParameters; }
  AnsiString GetFragment() const { return FFragment; }
  AnsiString GetExtraInfo() const { return FExtraInfo; }

 private:
  // Path, Document and Parameters of the text after the host.
  void SplitPath(const AnsiString& Rest);

  AnsiString FUrl;
  AnsiString FProtocol;
  AnsiString FUserName;
  AnsiString FPassword;
  AnsiString FHostName;
  int FPort = 80;
  AnsiString FPath;
  AnsiString FDocument;
  AnsiString FParameters;
  AnsiString FFragment;
  AnsiString FExtraInfo;
};

// A port text as a port number: decimal digits only, 0 to 65535; otherwise 80.
int PortFromText(const AnsiString& Text);
