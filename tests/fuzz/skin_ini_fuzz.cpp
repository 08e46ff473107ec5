// Fuzzes the skin ini reader: whatever the text, reading every section and record must
// succeed or raise the conversion error of a rectangle or point with too few numbers, and
// every record that was read must write itself out and read back to the same fields.
#include <cstddef>
#include <cstdint>

#include "skin/data/SkinSections.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

template <class Record, class Make>
void CheckRoundTrip(Record* record, const AnsiString& word, Make make) {
  TMemIniFile saved;
  record->SaveToIni(&saved);
  auto again = make(word, record->IDName);
  Check(again != nullptr);
  again->LoadFromIni(&saved);
  TspSkinFieldList a, b;
  record->VisitFields(a);
  again->VisitFields(b);
  Check(a.Differences(b).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemIniFile ini;
  ini.SetText(AnsiString(reinterpret_cast<const char*>(data), size));
  TspSkinContent content;
  try {
    content.ReadSkinIni(&ini);
  } catch (const EConvertError&) {
    return 0;
  }
  for (TspDataSkinControl* record : content.ControlRecords)
    CheckRoundTrip(record, ControlRecordTypeWord(record), CreateControlRecord);
  for (TspDataSkinObject* record : content.ObjectRecords)
    CheckRoundTrip(record, ObjectRecordTypeWord(record), CreateObjectRecord);
  for (int i = 0; i < content.ControlRecords.GetCount(); ++i)
    Check(content.GetControlIndex(content.ControlRecords[i]->IDName) <= i);
  return 0;
}
