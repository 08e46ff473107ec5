#include "app/UpdateRules.h"

#include "app/SPTools.h"
#include "framework/Classes.h"

AnsiString UpdateUserAgent(const AnsiString& ProductAddress) {
  return AnsiString("Lumetra 4.0 from: ") + ProductAddress;
}

AnsiString EncodeQueryValue(const AnsiString& Value) {
  static const char digits[] = "0123456789ABCDEF";
  AnsiString result;
  result.reserve(Value.size());
  for (char c : Value) {
    const unsigned char b = static_cast<unsigned char>(c);
    const bool unreserved = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                            (b >= '0' && b <= '9') || b == '-' || b == '.' || b == '_' ||
                            b == '~';
    if (unreserved) {
      result += c;
    } else {
      result += '%';
      result += digits[b >> 4];
      result += digits[b & 15];
    }
  }
  return result;
}

AnsiString BuildQueryText(const TUpdateQueryFields& Fields) {
  const struct {
    const char* Name;
    const AnsiString& Value;
  } fields[] = {
      {"", Fields.TimeToken},
      {"&PRODUCT=", Fields.Product},
      {"&LANG=", Fields.Language},
      {"&RUNTIME=", Fields.RunCount},
      {"&VER=", Fields.Version},
      {"&SVER=", Fields.SubVersion},
      {"&WVER=", Fields.SystemVersion},
      {"&WLANG=", Fields.SystemLanguage},
      {"&CONT=", Fields.HostName},
      {"&CHL=", Fields.Channel},
  };
  AnsiString query;
  for (const auto& field : fields) query += field.Name + EncodeQueryValue(field.Value);
  return query;
}

AnsiString QueryVersionText(int32_t PackedVersion) { return IntToHex(PackedVersion & 0xFFFF, 4); }

AnsiString QueryChannelText(const AnsiString& StoredChannel) {
  AnsiString channel = StringReplace(StoredChannel, "\"", "", TReplaceFlags{rfReplaceAll});
  channel.erase(0, static_cast<size_t>(LastDelimiter("\\:", channel)));
  return HexEncode(channel.data(), channel.size());
}

AnsiString BuildWebLinkAddress(const AnsiString& Name, bool WithQuery, const TConstReader& ReadConst,
                               const AnsiString& ExeFolder, const TQueryBuilder& Query) {
  AnsiString address = ReadConst("URL." + Name);
  if (!Trim(address).empty())
    address = StringReplace(address, "%exepath%", ExeFolder, TReplaceFlags{rfReplaceAll, rfIgnoreCase});
  else if (SameText(Name, "update"))
    return AnsiString();
  else
    address = ReadConst("URL.Redirect");
  if (Trim(address).empty()) return AnsiString();
  if (WithQuery && StartsWithText(address, "http"))
    address = AppendUrlQuery(address, Query() + "&ACTION=" + EncodeQueryValue(Name));
  return address;
}

TUpdateReply ReadUpdateReply(int32_t ResultCode, bool HasBody, const AnsiString& Body,
                             const AnsiString& MagicWord) {
  TUpdateReply reply;
  if (ResultCode != 0 || !HasBody || Body.empty()) return reply;
  TStringList lines;
  lines.SetText(Body);
  if (!SameText(lines.GetValue("magicword"), MagicWord)) return reply;
  reply.Failed = false;
  int result = 0;
  const int index = lines.IndexOfName("Result");
  if (index >= 0 && TryStrToInt(lines.GetValueFromIndex(index), result)) {
    reply.HasResult = true;
    reply.Result = result;
  }
  reply.Info = lines.GetValue("info");
  reply.Page = lines.GetValue("page");
  return reply;
}

TUpdateAnswer ChooseUpdateAnswer(const TUpdateReply& Reply, const TUpdateAnswerRules& Rules) {
  if (Reply.Failed || Rules.Embedded) return TUpdateAnswer::None;
  if (!(Rules.Manual || Rules.AutoCheckUpdate) || !(Rules.Manual || !Rules.NoAutoCheck))
    return TUpdateAnswer::None;
  if (!Reply.HasResult) return TUpdateAnswer::None;
  if (Reply.Result == 1) return TUpdateAnswer::Announcement;
  if (Reply.Result == 0 && Rules.Manual) return TUpdateAnswer::LastVersionAlready;
  return TUpdateAnswer::None;
}

bool ReportsUpdateFailure(const TUpdateReply& Reply, const TUpdateAnswerRules& Rules) {
  return Reply.Failed && Rules.Manual;
}
