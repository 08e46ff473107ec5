// Rules of the web links and the update check that need no window and no system call: the
// query that describes the installation, the address of a named link, the reply of the
// update server and what the program shows for it. Portable.
#pragma once

#include <cstdint>
#include <functional>

#include "framework/SysUtils.h"

// "Lumetra 4.0 from: " + the product's web address (its home page, "URL.home").
AnsiString UpdateUserAgent(const AnsiString& ProductAddress);

// A query value with every byte other than letters, digits, "-", ".", "_" and "~" written
// as "%" and two upper-case hexadecimal digits. Values of those characters alone come back
// unchanged.
AnsiString EncodeQueryValue(const AnsiString& Value);

// The values of the query, as texts, before encoding.
struct TUpdateQueryFields {
  AnsiString TimeToken;       // the current time as "sszzz"
  AnsiString Product;         // constant "App.MagicWord"
  AnsiString Language;        // setting "Language"
  AnsiString RunCount;        // decimal
  AnsiString Version;         // four upper-case hexadecimal digits
  AnsiString SubVersion;      // decimal
  AnsiString SystemVersion;   // major "_" minor "_" service-pack text
  AnsiString SystemLanguage;  // the system's default language id in decimal
  AnsiString HostName;        // the host program in embedded mode, else empty
  AnsiString Channel;         // hexadecimal bytes of the channel's file name
};

// The time token first (without a name), then "&PRODUCT=", "&LANG=", "&RUNTIME=", "&VER=",
// "&SVER=", "&WVER=", "&WLANG=", "&CONT=" and "&CHL=" in this order, each value encoded.
AnsiString BuildQueryText(const TUpdateQueryFields& Fields);
// The version field: the low 16 bits of the packed version as four hexadecimal digits.
AnsiString QueryVersionText(int32_t PackedVersion);
// The channel field of a stored channel value: double quotes removed, its file-name part
// (after the last "\" or ":"), its bytes in hexadecimal.
AnsiString QueryChannelText(const AnsiString& StoredChannel);

// Reads a constant of the program.
using TConstReader = std::function<AnsiString(const AnsiString& Key)>;
// The query of the current installation.
using TQueryBuilder = std::function<AnsiString()>;

// The address of the named link: the constant "URL." + Name, with "%exepath%" replaced by
// ExeFolder, or "URL.Redirect" when the link has no address of its own. The update link
// has no other address than its own: without "URL.update" it is empty (no update request
// goes anywhere). With WithQuery and an address beginning with "http", the query and
// "&ACTION=" + Name are appended. Empty when neither constant gives an address.
AnsiString BuildWebLinkAddress(const AnsiString& Name, bool WithQuery, const TConstReader& ReadConst,
                               const AnsiString& ExeFolder, const TQueryBuilder& Query);

// The reply of the update server.
struct TUpdateReply {
  bool Failed = true;   // no reply, an error result, or a wrong magic word
  bool HasResult = false;
  int Result = 0;       // "Result" when it is an integer
  AnsiString Info;      // text id or text of the announcement
  AnsiString Page;      // the address opened when the user accepts it
};

// Reads the reply: failed when ResultCode is not 0, when there is no body (HasBody false
// or an empty one) or when "magicword" differs from MagicWord (ignoring case). Lines are
// name=value; the first line of a name wins; names compare without regard to case.
TUpdateReply ReadUpdateReply(int32_t ResultCode, bool HasBody, const AnsiString& Body,
                             const AnsiString& MagicWord);

// What the update check shows for a reply.
enum class TUpdateAnswer {
  None,               // nothing
  Announcement,       // the announcement of a new version (Info, then Page on OK)
  LastVersionAlready  // "MSGBOX_LastVersionAlready"
};

// The switches that decide whether an answer is shown.
struct TUpdateAnswerRules {
  bool Manual = false;          // a check was started from the menu in this run
  bool AutoCheckUpdate = true;  // setting "AutoCheckUpdate"
  bool NoAutoCheck = false;     // constant "Update.NoAutoCheck"
  bool Embedded = false;        // the program runs embedded in a host program
};

TUpdateAnswer ChooseUpdateAnswer(const TUpdateReply& Reply, const TUpdateAnswerRules& Rules);
// Whether a failed reply is reported (only to a check from the menu).
bool ReportsUpdateFailure(const TUpdateReply& Reply, const TUpdateAnswerRules& Rules);
