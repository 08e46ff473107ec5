// The program checks for updates at the main window's first show. In the tests and
// benchmarks that check goes to a local port where nothing listens: it fails at once and
// silently instead of waiting on the network.
#pragma once

#include <string>

constexpr const char* kOfflineUpdateConst = "URL.update=http://127.0.0.1:9/update\r\n";

// The constants' extra lines with the offline update address, unless they name their own.
inline std::string WithOfflineUpdate(const std::string& Extra) {
  return Extra.find("URL.update=") == std::string::npos ? kOfflineUpdateConst + Extra : Extra;
}
