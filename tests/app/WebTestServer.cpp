#include "tests/app/WebTestServer.h"

#include <atomic>

#include "app/UpdateRules.h"
#include "app/WebDownloadBinding.h"
#include "framework/Classes.h"
#include "tests/framework/TestFolder.h"
#include "framework/WinApi.h"

#include <wininet.h>
#include <winsock2.h>

#ifndef TAVISCO_SOURCE_DIR
#error "TAVISCO_SOURCE_DIR names the source tree"
#endif

namespace {

std::atomic<int> ServerCount{0};

// The source tree as the system outside Wine sees it ("Z:" is its root).
AnsiString UnixSourceDir() {
  AnsiString dir = TAVISCO_SOURCE_DIR;
  if (dir.size() > 2 && dir[1] == ':') dir.erase(0, 2);
  for (char& c : dir)
    if (c == '\\') c = '/';
  return dir;
}

AnsiString FromHex(const AnsiString& Hex) {
  AnsiString bytes;
  for (size_t i = 0; i + 1 < Hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(Hex.substr(i, 2), nullptr, 16));
  return bytes;
}

}  // namespace

AnsiString HttpGet(const AnsiString& Url) {
  HINTERNET session = InternetOpenA("tavisco-tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (!session) return AnsiString();
  AnsiString answer;
  if (HINTERNET request = InternetOpenUrlA(
          session, Url.c_str(), nullptr, 0,
          INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE, 0)) {
    char buffer[4096];
    DWORD got = 0;
    while (InternetReadFile(request, buffer, sizeof(buffer), &got) && got > 0) answer.append(buffer, got);
    InternetCloseHandle(request);
  }
  InternetCloseHandle(session);
  return answer;
}

int ClosedPort() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
    int length = sizeof(address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
  }
  closesocket(s);
  return port;
}

TWebTestServer::TWebTestServer() {
  const AnsiString name = "tavisco-web-" + IntToStr(GetCurrentProcessId()) + "-" +
                          IntToStr(ServerCount++) + ".port";
  FPortFile = "Z:\\tmp\\" + name;
  DeleteFile(FPortFile);
  AnsiString command = "Z:\\usr\\bin\\python3 \"" + UnixSourceDir() +
                       "/tests/app/web_test_server.py\" \"/tmp/" + name + "\" 240";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return;
  // A process outside Wine gives handles that cannot be waited on; the server ends itself.
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);
  for (int i = 0; i < 300 && FPort == 0; ++i) {
    if (FileExists(FPortFile)) FPort = StrToIntDef(Trim(ReadWholeFile(FPortFile)), 0);
    if (FPort == 0) Sleep(50);
  }
  FRunning = FPort != 0;
}

TWebTestServer::~TWebTestServer() {
  Quit();
  DeleteFile(FPortFile);
}

AnsiString TWebTestServer::Url(const AnsiString& Path) const {
  return "http://127.0.0.1:" + IntToStr(FPort) + Path;
}

void TWebTestServer::Answer(const AnsiString& Path, int Status, const AnsiString& Body, double Delay,
                            const std::vector<AnsiString>& Headers, bool Close, int Length) {
  AnsiString query = "/__set?path=" + EncodeQueryValue(Path) + "&status=" + IntToStr(Status) +
                     "&body=" + EncodeQueryValue(Body) + "&delay=" + Format("%.2f", {Delay});
  for (const AnsiString& header : Headers) query += "&header=" + EncodeQueryValue(header);
  if (Close) query += "&close=1";
  if (Length >= 0) query += "&length=" + IntToStr(Length);
  HttpGet(Url(query));
}

void TWebTestServer::AnswerBytes(const AnsiString& Path, int Size,
                                 const std::vector<AnsiString>& Headers) {
  AnsiString query = "/__set?path=" + EncodeQueryValue(Path) + "&size=" + IntToStr(Size);
  for (const AnsiString& header : Headers) query += "&header=" + EncodeQueryValue(header);
  HttpGet(Url(query));
}

AnsiString TestBytes(size_t Count) {
  AnsiString body;
  for (size_t i = 0; i < Count; ++i) body += static_cast<char>('a' + i % 26);
  return body;
}

std::vector<TRecordedRequest> TWebTestServer::Requests() {
  std::vector<TRecordedRequest> requests;
  TStringList lines;
  lines.SetText(HttpGet(Url("/__requests")));
  TRecordedRequest current;
  for (int i = 0; i < lines.GetCount(); ++i) {
    const AnsiString line = lines.Get(i);
    if (line.compare(0, 8, "REQUEST ") == 0) {
      current = TRecordedRequest();
      current.Line = line.substr(8);
    } else if (line.compare(0, 2, "H ") == 0) {
      current.Headers.push_back(line.substr(2));
    } else if (line.compare(0, 2, "B ") == 0) {
      current.Body = FromHex(line.substr(2));
    } else if (line == "B") {
      current.Body.clear();
    } else if (line == "END") {
      requests.push_back(current);
    }
  }
  return requests;
}

void TWebTestServer::ClearRequests() { HttpGet(Url("/__clear")); }

void TWebTestServer::Quit() {
  if (!FRunning) return;
  FRunning = false;
  HttpGet(Url("/__quit"));
  // Until the port refuses connections.
  for (int i = 0; i < 100; ++i) {
    HINTERNET session = InternetOpenA("tavisco-tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET request = InternetOpenUrlA(session, Url("/__ping").c_str(), nullptr, 0,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    const bool answered = request != nullptr;
    if (request) InternetCloseHandle(request);
    InternetCloseHandle(session);
    if (!answered) return;
    Sleep(50);
  }
}

bool PumpUntil(const std::function<bool()>& Condition, unsigned Milliseconds) {
  const DWORD start = GetTickCount();
  while (!Condition()) {
    if (GetTickCount() - start > Milliseconds) return false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  }
  return true;
}

bool AllBindingObjectsFreed() {
  return PumpUntil([] { return TBSCB::LiveCount() == 0; }, 5000);
}
