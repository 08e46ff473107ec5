// Small pieces every graph of the engine uses: finding a filter's pins, binding a filter
// from a moniker display name, and reading a graph's position and duration.
#pragma once

#include <dshow.h>
#include <windows.h>

#include <cstdint>
#include <string>

// The filter's pin of the given direction whose index among the pins of that direction is
// `index` (from 0), looking at no more than 50 pins; E_FAIL when there is none.
HRESULT GetPin(IBaseFilter* filter, int index, PIN_DIRECTION direction, IPin** pin);

// Whether a text names a device moniker ("@device:" in any letter case).
bool IsDeviceMonikerName(const std::string& name);

// Parses a moniker display name (with a new bind context) and binds it to a filter;
// `friendlyName` (optional) receives the "FriendlyName" of the moniker's property bag,
// empty when it has none. With `deviceOnly` the name must be a device moniker's: other
// texts give E_INVALIDARG before anything is parsed (the system's parser would also bind
// class, file, URL and script monikers), as does a parse that yields another moniker.
// The parser's or the binding's failure is returned unchanged.
HRESULT BindMonikerFilter(const std::string& displayName, bool deviceOnly, IBaseFilter** filter,
                          std::string* friendlyName = nullptr);

// The current position and the duration in milliseconds (truncated, kept inside int32),
// both 0 on failure. The time format is switched to media time for the reading and back.
// E_FAIL without seeking, E_NOINTERFACE when the graph cannot tell media time. With
// `durationFromPosition` a failing duration query gives the position as duration.
HRESULT ReadMediaPosition(IMediaSeeking* seeking, int32_t* position, int32_t* duration,
                          bool durationFromPosition);
