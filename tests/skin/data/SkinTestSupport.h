// Helpers of the skin data tests: comparing records field by field, and the places of the
// files the build writes for the tests.
#pragma once

#include <vector>

#include "framework/SysUtils.h"
#include "skin/data/SkinFields.h"

// The keys of the fields whose values differ between two records of one class.
inline std::vector<AnsiString> SkinFieldDifferences(TspSkinFieldOwner& A, TspSkinFieldOwner& B) {
  TspSkinFieldList a, b;
  A.VisitFields(a);
  B.VisitFields(b);
  return a.Differences(b);
}

// The skin files that tests/skin/data/make_skin_fixtures.py writes (with the trailing
// separator), the default skin's folder (its ini text and pictures) and its ".skn" file.
inline AnsiString SkinFixture(const AnsiString& Name) {
  return IncludeTrailingPathDelimiter(SKIN_FIXTURE_DIR) + Name;
}
inline AnsiString DefaultSkinFolder() { return IncludeTrailingPathDelimiter(DEFAULT_SKIN_DIR); }
inline AnsiString DefaultSkinFile() { return DEFAULT_SKIN_FILE; }
