// The browser of the prefix replaced for a web-link test and put back after it: the
// original command waits under the tests' own key until it is back, so that a killed run
// is repaired by the next one. Tests that use it hold the "browser_command" lock.
#pragma once

#include "framework/WinApi.h"

#include "app/SPTools.h"

inline constexpr char kBrowserKey[] = "HTTP\\shell\\open\\command";
inline constexpr char kBrowserBackupKey[] = "Software\\TaviscoTests\\BrowserCommand";
inline constexpr char kBrowserMissing[] = "\x01missing";

inline void RestoreBrowser() {
  const AnsiString saved = RegReadString(HKEY_CURRENT_USER, kBrowserBackupKey, "Command", kBrowserMissing);
  if (saved == kBrowserMissing) return;
  const AnsiString existed = RegReadString(HKEY_CURRENT_USER, kBrowserBackupKey, "Existed", "0");
  if (existed == "1")
    RegWriteString(HKEY_CLASSES_ROOT, kBrowserKey, "", saved);
  else
    RegDeleteKeyValueA(HKEY_CLASSES_ROOT, kBrowserKey, nullptr);
  RegDeleteTreeA(HKEY_CURRENT_USER, kBrowserBackupKey);
}

inline void ReplaceBrowser(const AnsiString& Command) {
  if (RegReadString(HKEY_CURRENT_USER, kBrowserBackupKey, "Command", kBrowserMissing) == kBrowserMissing) {
    const AnsiString current = RegReadString(HKEY_CLASSES_ROOT, kBrowserKey, "", kBrowserMissing);
    RegWriteString(HKEY_CURRENT_USER, kBrowserBackupKey, "Existed", current == kBrowserMissing ? "0" : "1");
    RegWriteString(HKEY_CURRENT_USER, kBrowserBackupKey, "Command", current == kBrowserMissing ? "" : current);
  }
  RegWriteString(HKEY_CLASSES_ROOT, kBrowserKey, "", Command);
}

// The browser put back before and after the scope.
struct TBrowserStandIn {
  TBrowserStandIn() { RestoreBrowser(); }
  ~TBrowserStandIn() { RestoreBrowser(); }
  TBrowserStandIn(const TBrowserStandIn&) = delete;
  TBrowserStandIn& operator=(const TBrowserStandIn&) = delete;
};
