// A local HTTP server for the web tests: tests/app/web_test_server.py run by the system's
// Python from inside Wine, on 127.0.0.1 at a free port. The test configures the answer of
// each path and reads back every request the server received.
#pragma once

#include <functional>
#include <vector>

#include "framework/SysUtils.h"

struct TRecordedRequest {
  AnsiString Line;                  // "GET /path?query HTTP/1.1"
  std::vector<AnsiString> Headers;  // "Name: value", in the order they arrived
  AnsiString Body;
};

class TWebTestServer {
 public:
  // Starts the server and waits until it listens; Port() is 0 when it could not start.
  TWebTestServer();
  // Ends the server.
  ~TWebTestServer();
  TWebTestServer(const TWebTestServer&) = delete;
  TWebTestServer& operator=(const TWebTestServer&) = delete;

  int Port() const { return FPort; }
  // "http://127.0.0.1:<port>" + Path.
  AnsiString Url(const AnsiString& Path) const;
  // Answers Path with the status and body after Delay seconds; Headers are "Name:Value"
  // lines; Close drops the connection without an answer; Length (>= 0) replaces the
  // Content-Length.
  void Answer(const AnsiString& Path, int Status, const AnsiString& Body, double Delay = 0,
              const std::vector<AnsiString>& Headers = {}, bool Close = false, int Length = -1);
  // Answers Path with Size bytes "abc...zabc..." (TestBytes).
  void AnswerBytes(const AnsiString& Path, int Size, const std::vector<AnsiString>& Headers = {});
  std::vector<TRecordedRequest> Requests();
  void ClearRequests();
  // Ends the server now (its port then refuses connections).
  void Quit();

 private:
  AnsiString FPortFile;
  int FPort = 0;
  bool FRunning = false;
};

// Count bytes "abc...zabc...", as the server makes them.
AnsiString TestBytes(size_t Count);
// A whole answer of a plain GET through WinInet (the tests' own client); empty when it fails.
AnsiString HttpGet(const AnsiString& Url);
// A port on 127.0.0.1 where nothing listens.
int ClosedPort();

// Dispatches messages until Condition holds or the time is up; whether it holds.
bool PumpUntil(const std::function<bool()>& Condition, unsigned Milliseconds);
// Whether every per-download object of the download component has been freed (once the
// system has let go of it), waiting up to 5 s.
bool AllBindingObjectsFreed();
