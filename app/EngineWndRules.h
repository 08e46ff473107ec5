// Rules of the engine window that need no window: the filter of the open-media dialog, the
// text of an engine event's message, and what a message box with a show-again id does.
// Windows only (the settings store).
#pragma once

#include <functional>

#include "framework/SysUtils.h"

class TSettings;

// Localized text of an id.
using TTextLookup = std::function<AnsiString(const AnsiString& Id)>;

// Kinds of the open-media dialog.
enum TMediaDialogKind { mdkAllMedia = 0, mdkPictures = 1, mdkFlash = 2, mdkPicturesAndFlash = 3 };

// The dialog's filter: label + "(" + patterns + ")|" + patterns + "|" per entry, ending
// with the "all files" entry and "||". The patterns are semicolon lists.
AnsiString MediaFilter(int Kind, const AnsiString& Pictures, const AnsiString& Flash,
                       const AnsiString& Video, const TTextLookup& GetText);

// The message of an engine event: the localized "ERRORMSG_<code>" with the engine's text
// in place of "%1", or the engine's text itself when that gives nothing.
AnsiString EngineEventText(int Code, const AnsiString& EngineText, const TTextLookup& GetText);

// Shows a message through Show, which gets whether the stop-this-message box is offered
// and, when it is, answers through StopRequested whether the user ticked it. With an id of
// 0 the box is not offered. A message the user stopped is not shown again: it answers the
// default result, or, when that is 0, the answer remembered when it was stopped.
using TShowMessage = std::function<int(bool OfferStop, bool& StopRequested)>;
int ShowWithShowAgain(TSettings& Settings, int ShowAgainId, int DefaultResult,
                      const TShowMessage& Show);
