// What streams do only on Windows: file share modes as Windows enforces them, and streams
// over the program's resources.
#include <gtest/gtest.h>

#include <memory>

#include "framework/Classes.h"
#include "framework/WinApi.h"
#include "tests/framework/TestFolder.h"

TEST(FileStreamShare, SecondOpensFollowTheFirstOpensShareMode) {
  TTestFolder folder;
  AnsiString name = folder.File("shared.bin");
  WriteWholeFile(name, "data");
  struct Case {
    uint16_t first;
    uint16_t second;
    bool allowed;
  };
  const Case cases[] = {
      {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, true},
      {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyNone, true},
      {fmOpenRead | fmShareDenyWrite, fmOpenWrite | fmShareDenyNone, false},
      {fmOpenRead | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone, true},
      {fmOpenRead | fmShareExclusive, fmOpenRead | fmShareDenyNone, false},
      {fmOpenRead | fmShareCompat, fmOpenRead | fmShareDenyNone, false},  // compat is exclusive
      {fmOpenReadWrite | fmShareDenyRead, fmOpenWrite | fmShareDenyNone, true},
      {fmOpenReadWrite | fmShareDenyRead, fmOpenRead | fmShareDenyNone, false},
      {fmCreate | fmShareDenyWrite, fmOpenRead | fmShareDenyNone, true},
      {fmCreate | fmShareDenyWrite, fmOpenWrite | fmShareDenyNone, false},
      {fmCreate, fmOpenRead | fmShareDenyNone, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.first << " then " << c.second);
    TFileStream first(name, c.first);
    bool opened = false;
    try {
      TFileStream second(name, c.second);
      opened = true;
    } catch (const EFOpenError& e) {
      EXPECT_NE(AnsiString::npos, e.Message.find("shared.bin"));
    }
    EXPECT_EQ(c.allowed, opened);
  }
}

TEST(ResourceStream, ReadsTheProgramsResourcesByName) {
  TResourceStream stream(GetModuleHandleA(nullptr), "FRAMEWORK_TEST_DATA");
  EXPECT_EQ(14, stream.GetSize());
  char buffer[32] = {};
  stream.ReadBuffer(buffer, 14);
  EXPECT_STREQ("resource bytes", buffer);
  EXPECT_THROW(stream.WriteBuffer("x", 1), EStreamError);
  try {
    TResourceStream missing(GetModuleHandleA(nullptr), "NO_SUCH_RESOURCE");
    ADD_FAILURE();
  } catch (const EResNotFound& e) {
    EXPECT_EQ("Resource NO_SUCH_RESOURCE not found", e.Message);
  }
}
