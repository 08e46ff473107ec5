// The Windows part of the URL tools: the system's URL cracker and the status check of a
// URL over WinInet.
#include "app/EwbUrl.h"

#include <algorithm>

#include "framework/Forms.h"
#include "framework/WinApi.h"

#include <wininet.h>

namespace {

// The cracker's record with its own buffers; each length announced to the cracker is the
// buffer's own length.
struct TUrlComponents {
  URL_COMPONENTSA Record = {};
  char Scheme[32] = {};
  char HostName[256] = {};
  char UserName[128] = {};
  char Password[128] = {};
  char UrlPath[2048] = {};
  char ExtraInfo[2055] = {};

  TUrlComponents() {
    Record.dwStructSize = sizeof(Record);
    Give(Record.lpszScheme, Record.dwSchemeLength, Scheme);
    Give(Record.lpszHostName, Record.dwHostNameLength, HostName);
    Give(Record.lpszUserName, Record.dwUserNameLength, UserName);
    Give(Record.lpszPassword, Record.dwPasswordLength, Password);
    Give(Record.lpszUrlPath, Record.dwUrlPathLength, UrlPath);
    Give(Record.lpszExtraInfo, Record.dwExtraInfoLength, ExtraInfo);
  }
  template <size_t N>
  static void Give(LPSTR& Pointer, DWORD& Length, char (&Buffer)[N]) {
    Pointer = Buffer;
    Length = N;
  }
};

// A part the cracker filled: its announced length, never past the buffer.
AnsiString Part(const char* Buffer, DWORD Length, size_t BufferSize) {
  return AnsiString(Buffer, std::min<size_t>(Length, BufferSize));
}

void DebugLastError() {
  const DWORD error = GetLastError();
  OutputDebugStringA((SysErrorMessage(error) + "\n").c_str());
}

struct TInternetHandle {
  HINTERNET Handle;
  explicit TInternetHandle(HINTERNET H) : Handle(H) {}
  ~TInternetHandle() {
    if (Handle) InternetCloseHandle(Handle);
  }
  TInternetHandle(const TInternetHandle&) = delete;
  TInternetHandle& operator=(const TInternetHandle&) = delete;
};

}  // namespace

bool TUrl::CrackUrl(const AnsiString& Url, uint32_t Flags, WideString& WideUrl) {
  Clear();
  FUrl = EnsureTrailingSlash(Url);
  WideUrl.clear();
  TUrlComponents parts;
  if (!InternetCrackUrlA(FUrl.c_str(), static_cast<DWORD>(FUrl.size()), Flags, &parts.Record)) {
    DebugLastError();
    Clear();
    return false;
  }
  const URL_COMPONENTSA& r = parts.Record;
  FHostName = Part(parts.HostName, r.dwHostNameLength, sizeof(parts.HostName));
  FProtocol = Part(parts.Scheme, r.dwSchemeLength, sizeof(parts.Scheme));
  FPath = Part(parts.UrlPath, r.dwUrlPathLength, sizeof(parts.UrlPath));
  FPort = r.nPort;
  FExtraInfo = Part(parts.ExtraInfo, r.dwExtraInfoLength, sizeof(parts.ExtraInfo));
  FUserName = Part(parts.UserName, r.dwUserNameLength, sizeof(parts.UserName));
  FPassword = Part(parts.Password, r.dwPasswordLength, sizeof(parts.Password));
  WideUrl = AnsiToWide(FUrl);
  return true;
}

AnsiString TUrl::CheckUrl(const AnsiString& Url, uint32_t QueryLevel) {
  const AnsiString agent = Application ? Application->GetTitle() : AnsiString();
  TInternetHandle session(
      InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY, nullptr,
                    nullptr, 0));
  if (!session.Handle) {
    DebugLastError();
    return AnsiString();
  }
  TInternetHandle request(
      InternetOpenUrlA(session.Handle, Url.c_str(), nullptr, 0, INTERNET_FLAG_NO_UI, 0));
  if (!request.Handle) {
    DebugLastError();
    return AnsiString();
  }
  char buffer[513] = {};
  DWORD size = sizeof(buffer) - 1;
  DWORD index = 0;
  if (!HttpQueryInfoA(request.Handle, QueryLevel, buffer, &size, &index)) return AnsiString();
  return AnsiString(buffer, std::min<size_t>(size, sizeof(buffer) - 1));
}

bool TUrl::IsValidUrl(const AnsiString& Url) {
  const AnsiString status = CheckUrl(Url, HTTP_QUERY_STATUS_CODE);
  return status == "200" || status == "401";
}
