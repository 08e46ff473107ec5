// The engine's list texts as the program writes them: escaping once, unescaping what the
// engine answers, and the "|" list with its quotes.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/ListText.h"

TEST(ListText, EscapesAndUnescapesItems) {
  struct Case {
    const char* text;
    const char* escaped;
  };
  const Case cases[] = {
      {"", ""},
      {"C:\\clips\\a.avi", "C:\\clips\\a.avi"},
      {"D:\\Tom & Jerry.avi", "D:\\Tom &A Jerry.avi"},
      {"D:\\Rock & Roll, live.mpg", "D:\\Rock &A Roll&C live.mpg"},
      {"&A,&C", "&AA&C&AC"},
      {"&&,,", "&A&A&C&C"},
      {"AC&", "AC&A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.escaped, EscapeListItem(c.text));
    EXPECT_EQ(c.text, UnescapeListItem(EscapeListItem(c.text)));
  }
  // What the engine's unescaping does with texts it did not escape.
  EXPECT_EQ("&A", UnescapeListItem("&AA"));
  EXPECT_EQ("&C", UnescapeListItem("&AC"));
  EXPECT_EQ("x", UnescapeListItem("&x"));
  EXPECT_EQ("Tom  Jerry.avi", UnescapeListItem("Tom & Jerry.avi")) << "why new paths are escaped";
  EXPECT_EQ("AC", UnescapeListItem("AC"));
  EXPECT_EQ("", UnescapeListItem("&"));
}

TEST(ListText, JoinsItemsWithBarsAndQuotes) {
  struct Case {
    const char* name;
    std::vector<const char*> items;
    bool escape;
    const char* text;
  };
  const Case cases[] = {
      {"nothing", {}, false, ""},
      {"one empty item", {""}, false, "\"\""},
      {"plain", {"C:\\a.avi", "C:\\b.avi"}, false, "C:\\a.avi|C:\\b.avi"},
      {"a blank quotes the item", {"C:\\My Clips\\a.avi", "C:\\b.avi"}, false, "\"C:\\My Clips\\a.avi\"|C:\\b.avi"},
      {"inner quotes doubled", {"a\"b"}, false, "\"a\"\"b\""},
      {"a bar quotes the item", {"http://x/?a|b"}, false, "\"http://x/?a|b\""},
      {"a tab quotes the item", {"a\tb"}, false, "\"a\tb\""},
      {"escaped once", {"D:\\Rock & Roll, live.mpg", "C:\\a,b.avi"}, true,
       "\"D:\\Rock &A Roll&C live.mpg\"|C:\\a&Cb.avi"},
      {"pieces the engine gave stay", {"D:\\Rock &A Roll&C live.mpg"}, false, "\"D:\\Rock &A Roll&C live.mpg\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto list = std::make_unique<TStringList>();
    for (const char* item : c.items) list->Add(item);
    EXPECT_EQ(c.text, ListDelimitedText(list.get(), c.escape));
  }
}
