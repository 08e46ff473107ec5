// The playlist: its list text, index moves, loop modes and advancing on the tick, moving and
// removing items, the picture time, the kept and stock pictures, items that cannot be
// opened, its properties, notifications and package items.
#include "engine/elements/PlaylistSource.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/base/PackageFile.h"
#include "engine/base/SystemUtils.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/FrameContext.h"
#include "image/Raster.h"

namespace {

using test_support::Bgra;
using test_support::FakeEffectHost;
using test_support::FromColourRef;
using test_support::PixelAt;
using test_support::ScopedFakeClock;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Strings = std::vector<std::string>;

const Bgra kNoPicture = {-1, -1, -1, -1};

// Colour items, each with its own colour.
std::string ColourItem(int n) { return "@color:0x" + std::to_string(100000 + n); }
Bgra ColourOf(int n) { return FromColourRef(0x100000 + n, 255); }

// A picture file of one colour in the temporary folder, removed at the end of the test.
class PictureFile {
 public:
  explicit PictureFile(const Bgra& colour, const std::string& name = "") {
    m_path = GetTempFolder() + "playlist_test_" + std::to_string(GetCurrentProcessId()) + "_" +
             std::to_string(s_counter++) + name + ".png";
    CDibSurface picture;
    EXPECT_TRUE(picture.Create(4, 4, 32));
    test_support::Fill(picture, colour);
    uint8_t* buffer = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(picture.EncodePicture(&buffer, &size, IMAGE_FORMAT_PNG), S_OK);
    EXPECT_EQ(WriteFileBytes(m_path, buffer, size), S_OK);
    CDibSurface::FreeEncoded(buffer);
  }
  // A file with the picture extension that holds no picture.
  static PictureFile Unreadable() {
    PictureFile file(Bgra{0, 0, 0, 255}, "_broken");
    const char junk[] = "not a picture";
    EXPECT_EQ(WriteFileBytes(file.m_path, junk, sizeof junk), S_OK);
    return file;
  }
  PictureFile(PictureFile&& other) noexcept : m_path(std::move(other.m_path)) {
    other.m_path.clear();
  }
  ~PictureFile() {
    if (!m_path.empty()) DeleteFileA(m_path.c_str());
  }
  const std::string& Path() const { return m_path; }

 private:
  static inline int s_counter = 0;
  std::string m_path;
};

std::string MissingFile(int n) {
  return GetTempFolder() + "playlist_test_missing_" + std::to_string(n) + ".avi";
}

// The main source of a fake host, made a playlist by its type code as the program does.
class Playlist : public ::testing::Test {
 protected:
  void SetUp() override {
    owner.SetHost(&host);
    owner.SetId(-1);
    owner.SetMainSource(TRUE);
    ASSERT_EQ(owner.SetProperty(PROP_SOURCE_TYPE, "18"), S_OK);
    list = dynamic_cast<CPlaylistSource*>(owner.GetSourceProxy().GetElement());
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(host.stock[3].Create(4, 4, 32));
    test_support::Fill(host.stock[3], kStockColour);
    host.notifications.clear();
  }

  void Set(int32_t id, const std::string& value) {
    ASSERT_EQ(owner.SetProperty(id, value), S_OK) << std::hex << id << " " << value;
  }
  std::string Get(int32_t id) {
    std::string value = "unset";
    EXPECT_EQ(owner.GetProperty(id, value), S_OK) << std::hex << id;
    return value;
  }
  void Fill(const Strings& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : "|") + item;
    Set(PROP_PLAYLIST_ADD, text);
  }
  Strings Items() const {
    Strings items;
    for (int i = 0; i < list->GetItemCount(); ++i) items.push_back(list->GetItem(i));
    return items;
  }
  // The engine's 300 ms tick.
  void Tick() { owner.OnIdle(); }
  // Top-left pixel of the part of the picture the list hands out for one frame.
  Bgra Frame() {
    CFrameLock lock;
    EXPECT_EQ(list->LockFrame(nullptr, &lock), S_OK);
    Bgra colour = kNoPicture;
    if (lock.picture && lock.picture->GetBits()) {
      colour = PixelAt(*lock.picture, lock.source.left, lock.source.top);
    }
    lastPicture = lock.picture;
    list->UnlockFrame();
    return colour;
  }
  // Lets a picture item run past its time and the list notice it.
  void FinishPicture() {
    clock.Advance(static_cast<uint32_t>(list->GetPictureTime()));
    Frame();  // the picture's clock reaches its time
    Frame();  // the list sees the finish
    ASSERT_TRUE(list->IsAdvancePending());
  }
  // The path the current item was opened from ("" without element).
  std::string ItemSource() {
    auto* element = dynamic_cast<CFrameElement*>(list->GetItemProxy().GetElement());
    return element ? element->GetSourceText() : std::string();
  }
  std::vector<std::string> EventPaths(int32_t code) const {
    std::vector<std::string> paths;
    for (const auto& e : host.events) {
      if (e.first == code) paths.push_back(e.second);
    }
    return paths;
  }

  static constexpr Bgra kStockColour = {1, 2, 3, 255};
  ScopedFakeClock clock;
  FakeEffectHost host;
  CEffect owner;
  CPlaylistSource* list = nullptr;
  CDibSurface* lastPicture = nullptr;
};

const std::vector<int32_t> kPlayerState = {
    PROP_PLAYER_POSITION,   PROP_PLAYLIST_INDEX,   PROP_PLAYER_PLAY, PROP_PLAYER_PAUSE,
    PROP_PLAYLIST_PREVIOUS, PROP_PLAYLIST_NEXT,    PROP_PLAYER_STOP, PROP_PLAYLIST_LOOP,
    PROP_PLAYLIST_LOOP_ONE, PROP_PLAYLIST_LOOP_ALL};

std::vector<int32_t> Concat(std::vector<int32_t> a, const std::vector<int32_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// ---------------------------------------------------------------------------------------
// Creation and defaults

TEST(PlaylistSource, BothTypeCodesMakeAPlaylistThatAnnouncesItsProperties) {
  for (const char* code : {"18", "20"}) {
    FakeEffectHost host;
    CEffect owner;
    owner.SetHost(&host);
    owner.SetId(-1);
    ASSERT_EQ(owner.SetProperty(PROP_SOURCE_TYPE, code), S_OK);
    auto* list = dynamic_cast<CPlaylistSource*>(owner.GetSourceProxy().GetElement());
    ASSERT_NE(list, nullptr) << code;
    EXPECT_EQ(list->GetOwner(), &owner);
    EXPECT_THAT(
        host.PropertiesOf(-1),
        ElementsAre(PROP_SOURCE_TYPE, PROP_PLAYLIST_ITEMS, PROP_PLAYLIST_INDEX, PROP_PLAYLIST_ADD,
                    PROP_PLAYLIST_REMOVE, PROP_PLAYLIST_MOVE, PROP_PLAYER_STOP, PROP_PLAYLIST_LOOP,
                    PROP_PLAYLIST_LOOP_ONE, PROP_PLAYLIST_LOOP_ALL, PROP_PLAYER_PLAY,
                    PROP_PLAYER_PAUSE, PROP_PLAYLIST_PREVIOUS, PROP_PLAYLIST_NEXT, PROP_PLAYER_MUTE,
                    PROP_PLAYER_VOLUME, PROP_PLAYLIST_IMAGE_SECONDS, PROP_PLAYLIST_STORED_FLAG,
                    PROP_PLAYLIST_STORED_TEXT, PROP_PLAYER_POSITION))
        << code;
    EXPECT_TRUE(host.events.empty()) << "an empty list has nothing to report";
  }
}

TEST(PlaylistSource, NewPlaylistIsEmptyWithThePlayerDefaults) {
  CSourceProxy proxy;
  ASSERT_EQ(proxy.CreateElement(ELEMENT_PLAYLIST), S_OK);
  EXPECT_EQ(proxy.GetState(), STATE_EMPTY);
  struct Case {
    int32_t id;
    const char* value;
  };
  for (const Case& c : {Case{PROP_PLAYLIST_ITEMS, "0"}, Case{PROP_PLAYLIST_INDEX, "0"},
                        Case{PROP_PLAYLIST_LOOP, "2"}, Case{PROP_PLAYLIST_LOOP_ONE, "1"},
                        Case{PROP_PLAYLIST_LOOP_ALL, "0"}, Case{PROP_PLAYLIST_IMAGE_SECONDS, "10"},
                        Case{PROP_PLAYER_VOLUME, "50"}, Case{PROP_PLAYER_MUTE, "0"},
                        Case{PROP_PLAYLIST_STORED_FLAG, "0"}, Case{PROP_PLAYLIST_STORED_TEXT, ""},
                        Case{PROP_PLAYER_PLAY, "1"}, Case{PROP_PLAYER_PAUSE, "0"},
                        Case{PROP_PLAYER_STOP, "0"}, Case{PROP_PLAYLIST_PREVIOUS, "1"},
                        Case{PROP_PLAYLIST_NEXT, "1"}, Case{PROP_PLAYER_POSITION, "0|0"}}) {
    std::string value = "unset";
    EXPECT_EQ(proxy.GetProperty(c.id, value), S_OK) << std::hex << c.id;
    EXPECT_EQ(value, c.value) << std::hex << c.id;
  }
  std::string value;
  for (int32_t id : {PROP_PLAYLIST_ADD, PROP_PLAYLIST_MOVE, PROP_PLAYLIST_REMOVE,
                     PROP_PLAYLIST_SAVED_ITEMS, PROP_COLOR_VALUE}) {
    EXPECT_EQ(proxy.GetProperty(id, value), E_FAIL) << std::hex << id;
  }
  EXPECT_EQ(proxy.SetProperty(PROP_COLOR_VALUE, "1"), E_FAIL);
  EXPECT_EQ(proxy.GetElement()->Open("C:\\x.avi"), S_OK) << "playlists are not opened by path";
  EXPECT_EQ(proxy.GetElement()->Render(nullptr, RECT{0, 0, 1, 1}), E_FAIL);
  EXPECT_FALSE(proxy.IsFilter());
}

// ---------------------------------------------------------------------------------------
// List texts

TEST_F(Playlist, ItemsTextEscapesAmpersandAndCommaAndReadsBackTheSamePaths) {
  // The program quotes paths with blanks.
  Set(PROP_PLAYLIST_ADD, "C:\\a.avi|\"D:\\Rock & Roll, live.mpg\"");
  EXPECT_THAT(Items(), ElementsAre("C:\\a.avi", "D:\\Rock & Roll, live.mpg"));
  const std::string text = Get(PROP_PLAYLIST_ITEMS);
  EXPECT_EQ(text, "0|C:\\a.avi|D:\\Rock &A Roll&C live.mpg");

  Set(PROP_PLAYLIST_REMOVE, "-1");
  ASSERT_EQ(list->GetItemCount(), 0);
  Set(PROP_PLAYLIST_ITEMS, text);
  EXPECT_THAT(Items(), ElementsAre("C:\\a.avi", "D:\\Rock & Roll, live.mpg"));
  EXPECT_EQ(Get(PROP_PLAYLIST_ITEMS), text);
}

TEST_F(Playlist, AddedPathsAreDecodedOnceWhetherTheyCameRawOrEscaped) {
  PictureFile questions(Bgra{9, 9, 9, 255}, "Q&A");
  struct Case {
    std::string added;
    std::string stored;
  };
  const Case cases[] = {
      {"C:\\a.avi", "C:\\a.avi"},
      {"C:\\x,y.avi", "C:\\x,y.avi"},
      {"C:\\Tom&Jerry.avi", "C:\\Tom&Jerry.avi"},
      {"C:\\a&&b.avi", "C:\\a&&b.avi"},
      {"C:\\end&", "C:\\end&"},
      {"http://host/a?x=1&y=2", "http://host/a?x=1&y=2"},
      // A line of the saved playlist: the list text of one item, read back as one path.
      {"D:\\Rock &A Roll&C live.mpg", "D:\\Rock & Roll, live.mpg"},
      {"D:\\a&AAb.avi", "D:\\a&Ab.avi"},
      // An existing file whose name only looks escaped keeps its name.
      {questions.Path(), questions.Path()},
      {"@color:0x00FF00", "@color:0x00FF00"},
  };
  for (const Case& c : cases) {
    Set(PROP_PLAYLIST_REMOVE, "-1");
    Set(PROP_PLAYLIST_ADD, c.added);
    EXPECT_THAT(Items(), ElementsAre(c.stored)) << c.added;
    // Whatever was added reads back escaped exactly once.
    EXPECT_EQ(Get(PROP_PLAYLIST_ITEMS), "-1|" + EscapeListItem(c.stored)) << c.added;
  }
}

TEST_F(Playlist, EmptyPiecesAreSkippedAndAddingAppends) {
  Set(PROP_PLAYLIST_ADD, "a||b|");
  Set(PROP_PLAYLIST_ADD, "|c");
  EXPECT_THAT(Items(), ElementsAre("a", "b", "c"));
  EXPECT_THAT(host.PropertiesOf(-1),
              ElementsAreArray(Concat(Concat(kPlayerState, {PROP_PLAYLIST_ITEMS}),
                                      Concat(kPlayerState, {PROP_PLAYLIST_ITEMS}))));
  Set(PROP_PLAYLIST_ITEMS, "||x||");
  EXPECT_THAT(Items(), ElementsAre("x"));
  // A list text without the leading index is taken whole.
  Set(PROP_PLAYLIST_ITEMS, "C:\\a.avi|C:\\b.avi");
  EXPECT_THAT(Items(), ElementsAre("C:\\a.avi", "C:\\b.avi"));
}

TEST_F(Playlist, ReplacingTheListLeavesTheItemOnScreen) {
  Fill({ColourItem(1), ColourItem(2)});
  Set(PROP_PLAYLIST_INDEX, "1");
  IFrameElement* onScreen = list->GetItemProxy().GetElement();
  ASSERT_NE(onScreen, nullptr);
  host.notifications.clear();

  Set(PROP_PLAYLIST_ITEMS, "1|" + ColourItem(7) + "|" + ColourItem(8) + "|" + ColourItem(9));
  EXPECT_THAT(Items(), ElementsAre(ColourItem(7), ColourItem(8), ColourItem(9)));
  EXPECT_EQ(list->GetIndex(), 0);
  EXPECT_EQ(list->GetItemProxy().GetElement(), onScreen);
  EXPECT_EQ(Frame(), ColourOf(2));
  EXPECT_THAT(host.PropertiesOf(-1), ElementsAre(PROP_PLAYLIST_ITEMS));
}

TEST(PlaylistSourceText, EscapedFormAndMissingFiles) {
  EXPECT_TRUE(IsEscapedListItem("plain"));
  EXPECT_TRUE(IsEscapedListItem("a&Ab&Cc"));
  EXPECT_TRUE(IsEscapedListItem(""));
  EXPECT_FALSE(IsEscapedListItem("a,b"));
  EXPECT_FALSE(IsEscapedListItem("a&b"));
  EXPECT_FALSE(IsEscapedListItem("a&"));
  EXPECT_FALSE(IsEscapedListItem("a&aC"));

  EXPECT_TRUE(IsMissingLocalFile(MissingFile(1)));
  EXPECT_FALSE(IsMissingLocalFile(""));
  EXPECT_FALSE(IsMissingLocalFile("http://host/clip.avi"));
  EXPECT_FALSE(IsMissingLocalFile("@cam:Some Camera"));
  EXPECT_FALSE(IsMissingLocalFile("@color:0x0000FF"));
  PictureFile file(Bgra{1, 1, 1, 255});
  EXPECT_FALSE(IsMissingLocalFile(file.Path()));
}

// ---------------------------------------------------------------------------------------
// Index moves

TEST_F(Playlist, NextAndPreviousStepRoundTheList) {
  struct Case {
    int count;
    int from;
    int32_t command;
    int to;
  };
  for (const Case& c : {Case{4, 0, PROP_PLAYLIST_PREVIOUS, 3}, Case{4, 3, PROP_PLAYLIST_NEXT, 0},
                        Case{4, 1, PROP_PLAYLIST_NEXT, 2}, Case{4, 2, PROP_PLAYLIST_PREVIOUS, 1},
                        Case{1, 0, PROP_PLAYLIST_NEXT, 0}, Case{1, 0, PROP_PLAYLIST_PREVIOUS, 0},
                        Case{0, 0, PROP_PLAYLIST_NEXT, 0}}) {
    Set(PROP_PLAYLIST_REMOVE, "-1");
    Strings items;
    for (int i = 0; i < c.count; ++i) items.push_back(ColourItem(i));
    if (c.count > 0) Fill(items);
    Set(PROP_PLAYLIST_INDEX, std::to_string(c.from));
    host.notifications.clear();
    Set(c.command, "1");
    EXPECT_EQ(Get(PROP_PLAYLIST_INDEX), std::to_string(c.to)) << c.count << " " << c.from;
    if (c.count > 0) {
      EXPECT_EQ(ItemSource(), ColourItem(c.to));
      EXPECT_EQ(list->GetState(), STATE_PLAYING);
    }
    EXPECT_THAT(host.PropertiesOf(-1), ElementsAreArray(kPlayerState));
  }
}

TEST_F(Playlist, NextOfAStoppedListOpensTheItemWithoutPlayingIt) {
  Fill({ColourItem(1), ColourItem(2)});
  Set(PROP_PLAYER_PLAY, "1");
  Set(PROP_PLAYER_STOP, "1");
  Set(PROP_PLAYLIST_NEXT, "1");
  EXPECT_EQ(ItemSource(), ColourItem(2));
  EXPECT_EQ(list->GetState(), STATE_STOPPED);
  EXPECT_EQ(Get(PROP_PLAYER_PLAY), "1");
}

TEST_F(Playlist, JumpPlaysTheChosenItemAndOtherValuesGoToTheFirst) {
  Fill({ColourItem(0), ColourItem(1), ColourItem(2)});
  for (const auto& c : std::vector<std::pair<std::string, int>>{
           {"2", 2}, {"1", 1}, {"3", 0}, {"-1", 0}, {"abc", 0}, {" 2", 2}}) {
    Set(PROP_PLAYLIST_INDEX, c.first);
    EXPECT_EQ(list->GetIndex(), c.second) << c.first;
    EXPECT_EQ(ItemSource(), ColourItem(c.second)) << c.first;
    EXPECT_EQ(Get(PROP_PLAYER_STOP), "1") << c.first;
    EXPECT_EQ(Frame(), ColourOf(c.second)) << c.first;
  }
}

TEST_F(Playlist, PlayPauseAndStopCommandsAndWhatTheirGettersAnswer) {
  Fill({ColourItem(1)});
  struct Step {
    int32_t command;
    int32_t state;
    const char* play;
    const char* pause;
    const char* stop;
  };
  for (const Step& s : {Step{PROP_PLAYER_PLAY, STATE_PLAYING, "0", "1", "1"},
                        Step{PROP_PLAYER_PLAY, STATE_PLAYING, "0", "1", "1"},
                        Step{PROP_PLAYER_PAUSE, STATE_PAUSED, "1", "0", "1"},
                        Step{PROP_PLAYER_PLAY, STATE_PLAYING, "0", "1", "1"},
                        Step{PROP_PLAYER_STOP, STATE_STOPPED, "1", "0", "0"},
                        Step{PROP_PLAYER_PAUSE, STATE_STOPPED, "1", "0", "0"},
                        Step{PROP_PLAYER_PLAY, STATE_PLAYING, "0", "1", "1"}}) {
    host.notifications.clear();
    Set(s.command, "1");
    EXPECT_EQ(list->GetState(), s.state) << std::hex << s.command;
    EXPECT_EQ(Get(PROP_PLAYER_PLAY), s.play);
    EXPECT_EQ(Get(PROP_PLAYER_PAUSE), s.pause);
    EXPECT_EQ(Get(PROP_PLAYER_STOP), s.stop);
    EXPECT_THAT(host.PropertiesOf(-1), ElementsAreArray(kPlayerState));
  }
}

TEST_F(Playlist, StoppedListShowsStockPictureThree) {
  Fill({ColourItem(1)});
  Set(PROP_PLAYER_PLAY, "1");
  EXPECT_EQ(Frame(), ColourOf(1));
  Set(PROP_PLAYER_STOP, "1");
  EXPECT_EQ(Frame(), kStockColour);
  EXPECT_EQ(lastPicture, &host.stock[3]);

  // Drawn by the main source into the output.
  owner.SetFrameRect(RECT{0, 0, 16, 12});
  owner.ApplyPreset(9);
  CDibSurface output;
  ASSERT_TRUE(output.Create(16, 12, 24));
  test_support::Fill(output, Bgra{100, 100, 100, 255});
  CFrameContext context;
  context.output = &output;
  clock.Advance(5000);  // past the entrance transition
  EXPECT_EQ(owner.Render(&context), S_OK);
  EXPECT_EQ(PixelAt(output, 8, 6), (Bgra{1, 2, 3, -1}));
}

// ---------------------------------------------------------------------------------------
// Advancing

TEST_F(Playlist, FinishedItemMovesOnAtTheNextTickByTheLoopMode) {
  const PictureFile pictures[] = {PictureFile(Bgra{200, 0, 0, 255}),
                                  PictureFile(Bgra{0, 200, 0, 255}),
                                  PictureFile(Bgra{0, 0, 200, 255})};
  const Bgra colours[] = {{200, 0, 0, 255}, {0, 200, 0, 255}, {0, 0, 200, 255}};
  struct Case {
    int32_t loop;
    int from;
    int to;
    bool playsOn;
  };
  for (const Case& c : {Case{PLAYLIST_LOOP_NONE, 0, 1, true}, Case{PLAYLIST_LOOP_NONE, 2, 2, false},
                        Case{PLAYLIST_LOOP_ONE, 2, 2, true}, Case{PLAYLIST_LOOP_ONE, 0, 0, true},
                        Case{PLAYLIST_LOOP_ALL, 2, 0, true}, Case{PLAYLIST_LOOP_ALL, 1, 2, true},
                        Case{7, 1, 1, true}}) {
    SCOPED_TRACE("loop " + std::to_string(c.loop) + " from " + std::to_string(c.from));
    Set(PROP_PLAYLIST_REMOVE, "-1");
    Fill({pictures[0].Path(), pictures[1].Path(), pictures[2].Path()});
    Set(PROP_PLAYLIST_IMAGE_SECONDS, "1");
    Set(PROP_PLAYLIST_LOOP, std::to_string(c.loop));
    Set(PROP_PLAYLIST_INDEX, std::to_string(c.from));
    ASSERT_EQ(Frame(), colours[c.from]);

    FinishPicture();
    // Until the tick the finished item stays, showing its last picture.
    EXPECT_EQ(list->GetIndex(), c.from);
    EXPECT_EQ(Frame(), colours[c.from]);
    host.notifications.clear();

    Tick();
    EXPECT_FALSE(list->IsAdvancePending());
    EXPECT_EQ(list->GetIndex(), c.to);
    EXPECT_THAT(host.PropertiesOf(-1), ElementsAreArray(kPlayerState));
    if (c.playsOn) {
      EXPECT_NE(list->GetItemProxy().GetElement(), nullptr);
      EXPECT_EQ(Get(PROP_PLAYER_POSITION), "0|1000") << "a fresh element from the start";
      EXPECT_EQ(list->GetState(), STATE_PLAYING);
      EXPECT_EQ(Frame(), colours[c.to]);
    } else {
      // The end of the list: no item, the last picture stays on screen.
      EXPECT_EQ(list->GetItemProxy().GetElement(), nullptr);
      EXPECT_EQ(Get(PROP_PLAYER_PLAY), "1");
      EXPECT_EQ(Frame(), colours[c.from]);
      EXPECT_EQ(lastPicture, &list->GetKeptPicture());
      Tick();
      EXPECT_EQ(list->GetIndex(), c.from);
    }
    EXPECT_TRUE(host.events.empty());
  }
}

TEST_F(Playlist, ColourItemsNeverFinishAndTicksChangeNothing) {
  Fill({ColourItem(1), ColourItem(2)});
  Set(PROP_PLAYER_PLAY, "1");
  for (int i = 0; i < 5; ++i) {
    clock.Advance(60000);
    EXPECT_EQ(Frame(), ColourOf(1));
    Tick();
  }
  EXPECT_EQ(Get(PROP_PLAYER_POSITION), "300000|-1");
  EXPECT_EQ(list->GetIndex(), 0);
}

TEST_F(Playlist, NextRightAfterAFinishDoesNotSkipAnotherItem) {
  const PictureFile a(Bgra{10, 0, 0, 255}), b(Bgra{20, 0, 0, 255}), c(Bgra{30, 0, 0, 255});
  Fill({a.Path(), b.Path(), c.Path()});
  Set(PROP_PLAYLIST_IMAGE_SECONDS, "1");
  Set(PROP_PLAYER_PLAY, "1");
  FinishPicture();
  Set(PROP_PLAYLIST_NEXT, "1");
  EXPECT_EQ(list->GetIndex(), 1);
  EXPECT_EQ(list->GetState(), STATE_PLAYING) << "the finished list was still playing";
  Tick();
  EXPECT_EQ(list->GetIndex(), 1);
  EXPECT_EQ(Frame(), (Bgra{20, 0, 0, 255}));
}

TEST_F(Playlist, StopRightAfterAFinishStaysStopped) {
  const PictureFile a(Bgra{10, 0, 0, 255}), b(Bgra{20, 0, 0, 255});
  Fill({a.Path(), b.Path()});
  Set(PROP_PLAYLIST_IMAGE_SECONDS, "1");
  Set(PROP_PLAYER_PLAY, "1");
  FinishPicture();
  Set(PROP_PLAYER_STOP, "1");
  Tick();
  EXPECT_EQ(list->GetIndex(), 0);
  EXPECT_EQ(Frame(), kStockColour);
}

TEST_F(Playlist, KeptPictureBridgesToAnItemThatShowsNothing) {
  const PictureFile red(Bgra{0, 0, 250, 255});
  Fill({red.Path(), MissingFile(2)});
  Set(PROP_PLAYLIST_IMAGE_SECONDS, "1");
  Set(PROP_PLAYER_PLAY, "1");
  FinishPicture();
  Tick();
  EXPECT_EQ(list->GetIndex(), 1);
  EXPECT_EQ(list->GetItemProxy().GetElement(), nullptr);
  EXPECT_EQ(Frame(), (Bgra{0, 0, 250, 255}));
  EXPECT_EQ(lastPicture, &list->GetKeptPicture());
}

// ---------------------------------------------------------------------------------------
// Items that cannot be opened

TEST_F(Playlist, MissingFileIsReportedAndSkippedByTheLoopMode) {
  struct Case {
    int32_t loop;
    int count;      // items: colour 0, the missing file, colour 2 (when 3)
    int afterSkip;  // index after the tick
    bool playsOn;
  };
  for (const Case& c :
       {Case{PLAYLIST_LOOP_ALL, 3, 2, true}, Case{PLAYLIST_LOOP_ONE, 3, 2, true},
        Case{PLAYLIST_LOOP_NONE, 3, 2, true}, Case{PLAYLIST_LOOP_ALL, 2, 0, true},
        Case{PLAYLIST_LOOP_ONE, 2, 0, true}, Case{PLAYLIST_LOOP_NONE, 2, 1, false}}) {
    SCOPED_TRACE("loop " + std::to_string(c.loop) + ", " + std::to_string(c.count) + " items");
    Set(PROP_PLAYLIST_REMOVE, "-1");
    host.events.clear();
    Strings items = {ColourItem(0), MissingFile(1)};
    if (c.count == 3) items.push_back(ColourItem(2));
    Fill(items);
    Set(PROP_PLAYLIST_LOOP, std::to_string(c.loop));
    Set(PROP_PLAYLIST_INDEX, "1");
    EXPECT_THAT(EventPaths(CPlaylistSource::kMediaFailedEvent), ElementsAre(MissingFile(1)));
    EXPECT_EQ(list->GetItemProxy().GetElement(), nullptr);
    EXPECT_EQ(list->GetIndex(), 1) << "it moves on at the tick, not at once";

    Tick();
    EXPECT_EQ(list->GetIndex(), c.afterSkip);
    if (c.playsOn) {
      EXPECT_EQ(list->GetState(), STATE_PLAYING);
      EXPECT_EQ(ItemSource(), ColourItem(c.afterSkip));
    } else {
      EXPECT_EQ(list->GetItemProxy().GetElement(), nullptr);
    }
    Tick();
    EXPECT_EQ(list->GetIndex(), c.afterSkip) << "nothing further to skip";
    EXPECT_EQ(EventPaths(CPlaylistSource::kMediaFailedEvent).size(), 1u);
  }
}

TEST_F(Playlist, ItemsThatCannotBeMadeIntoElementsAreReportedWithTheirPaths) {
  const PictureFile broken = PictureFile::Unreadable();
  Fill({broken.Path(), ColourItem(1)});
  Set(PROP_PLAYER_PLAY, "1");
  EXPECT_THAT(host.events,
              ElementsAre(std::make_pair(CPlaylistSource::kMediaFailedEvent, broken.Path())));
  Tick();
  EXPECT_EQ(list->GetIndex(), 1);
  EXPECT_EQ(Frame(), ColourOf(1));
}

TEST_F(Playlist, ListWhoseEveryItemFailsStopsSkippingAfterOneRound) {
  Fill({MissingFile(1), MissingFile(2), MissingFile(3)});
  Set(PROP_PLAYER_PLAY, "1");
  for (int i = 0; i < 10; ++i) Tick();
  EXPECT_THAT(EventPaths(CPlaylistSource::kMediaFailedEvent),
              ElementsAre(MissingFile(1), MissingFile(2), MissingFile(3)));
  EXPECT_FALSE(list->IsSkipPending());
  EXPECT_EQ(list->GetIndex(), 2);

  // The user plays again: one more round.
  Set(PROP_PLAYLIST_INDEX, "0");
  for (int i = 0; i < 10; ++i) Tick();
  EXPECT_EQ(EventPaths(CPlaylistSource::kMediaFailedEvent).size(), 6u);
}

TEST_F(Playlist, FailedItemIsNotSkippedWhenTheListIsNotPlaying) {
  Fill({ColourItem(0), MissingFile(1), ColourItem(2)});
  // Opened by Next while stopped: reported, but the stopped list stays.
  Set(PROP_PLAYLIST_NEXT, "1");
  EXPECT_EQ(EventPaths(CPlaylistSource::kMediaFailedEvent).size(), 1u);
  Tick();
  EXPECT_EQ(list->GetIndex(), 1);
  // A pending skip is cancelled by Stop.
  Set(PROP_PLAYLIST_INDEX, "1");
  ASSERT_TRUE(list->IsSkipPending());
  Set(PROP_PLAYER_STOP, "1");
  Tick();
  EXPECT_EQ(list->GetIndex(), 1);
}

// ---------------------------------------------------------------------------------------
// Moving and removing

struct EditCase {
  Strings before;
  int index;
  std::string value;
  Strings after;
  int indexAfter;
};

std::ostream& operator<<(std::ostream& os, const EditCase& c) {
  return os << "index " << c.index << ", value \"" << c.value << "\"";
}

// The letters a..e stand for distinct colour items.
Strings Letters(const Strings& letters) {
  Strings items;
  for (const std::string& l : letters) items.push_back(ColourItem(l[0] - 'a'));
  return items;
}

class PlaylistMove : public Playlist, public ::testing::WithParamInterface<EditCase> {};

TEST_P(PlaylistMove, MovesItemsAndTheIndexFollows) {
  const EditCase& c = GetParam();
  Fill(Letters(c.before));
  Set(PROP_PLAYLIST_INDEX, std::to_string(c.index));
  clock.Advance(700);
  host.notifications.clear();
  Set(PROP_PLAYLIST_MOVE, c.value);
  EXPECT_EQ(Items(), Letters(c.after));
  EXPECT_EQ(list->GetIndex(), c.indexAfter);
  // The index stays on the item that was current.
  EXPECT_EQ(list->GetItem(list->GetIndex()), ColourItem(c.before[c.index][0] - 'a'));
  EXPECT_THAT(host.PropertiesOf(-1), ElementsAreArray(Concat(kPlayerState, {PROP_PLAYLIST_ITEMS})));
  EXPECT_EQ(Get(PROP_PLAYER_POSITION), "700|-1") << "the item on screen plays on";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaylistMove,
    ::testing::Values(EditCase{{"a", "b", "c"}, 0, "-1|0", {"a", "b", "c"}, 0},
                      EditCase{{"a", "b", "c"}, 0, "1|0|1", {"c", "a", "b"}, 1},
                      EditCase{{"a", "b", "c"}, 2, "1|0|1", {"c", "a", "b"}, 0},
                      EditCase{{"a", "b", "c"}, 1, "-1|2", {"a", "c", "b"}, 2},
                      EditCase{{"a", "b", "c", "d"}, 0, "2|0", {"b", "c", "a", "d"}, 2},
                      EditCase{{"a", "b", "c", "d"}, 3, "-1|1|2", {"b", "c", "a", "d"}, 3},
                      EditCase{{"a", "b", "c", "d"}, 1, "-1|2|3", {"a", "c", "d", "b"}, 3},
                      EditCase{{"a", "b", "c"}, 1, "0|1", {"a", "b", "c"}, 1},
                      EditCase{{"a", "b", "c"}, 1, "x|1", {"a", "b", "c"}, 1},
                      EditCase{{"a", "b", "c"}, 0, "1|2", {"a", "b", "c"}, 0},
                      EditCase{{"a", "b", "c"}, 0, "1|7|-2|y|1", {"a", "c", "b"}, 0}));

class PlaylistRemove : public Playlist, public ::testing::WithParamInterface<EditCase> {};

TEST_P(PlaylistRemove, RemovesItemsAndTheIndexFollows) {
  const EditCase& c = GetParam();
  Fill(Letters(c.before));
  Set(PROP_PLAYLIST_INDEX, std::to_string(c.index));
  const std::string current = ColourItem(c.before[c.index][0] - 'a');
  clock.Advance(700);
  host.notifications.clear();
  Set(PROP_PLAYLIST_REMOVE, c.value);
  EXPECT_EQ(Items(), Letters(c.after));
  EXPECT_EQ(list->GetIndex(), c.indexAfter);
  const std::vector<int32_t> posted = host.PropertiesOf(-1);
  ASSERT_FALSE(posted.empty());
  EXPECT_EQ(posted.back(), PROP_PLAYLIST_ITEMS);
  const bool hasCurrent = c.indexAfter >= 0 && c.indexAfter < int(c.after.size());
  if (!hasCurrent) {
    // No current item: the list stops.
    EXPECT_NE(list->GetState(), STATE_PLAYING);
    EXPECT_EQ(Get(PROP_PLAYER_STOP), "0");
  } else if (list->GetItem(c.indexAfter) == current) {
    EXPECT_EQ(Get(PROP_PLAYER_POSITION), "700|-1") << "the same path plays on";
  } else {
    EXPECT_EQ(ItemSource(), list->GetItem(c.indexAfter));
    EXPECT_EQ(Get(PROP_PLAYER_POSITION), "0|-1") << "the playing list goes on with the item";
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, PlaylistRemove,
                         ::testing::Values(EditCase{{"a", "b", "c"}, 2, "0|2", {"b"}, 1},
                                           EditCase{{"a", "b", "c"}, 1, "-1", {}, -1},
                                           EditCase{{"a", "b", "c"}, 1, "1|x|2", {}, -1},
                                           EditCase{{"a", "b", "c"}, 1, "", {}, -1},
                                           EditCase{{"a", "b", "c"}, 2, "0", {"b", "c"}, 1},
                                           EditCase{{"a", "b", "c"}, 1, "1", {"a", "c"}, 1},
                                           EditCase{{"a", "b", "c"}, 0, "1|1", {"a"}, 0},
                                           EditCase{{"a", "b", "c"}, 0, "2|2|7|-3", {"a", "b"}, 0},
                                           EditCase{{"a", "b", "c"}, 2, "2", {"a", "b"}, 2},
                                           EditCase{
                                               {"a", "b", "c", "d"}, 3, "0|2", {"b", "d"}, 1}));

TEST_F(Playlist, EmptiedListReadsIndexMinusOneUntilAnItemPlaysAgain) {
  Fill({ColourItem(1), ColourItem(2)});
  Set(PROP_PLAYER_PLAY, "1");
  Set(PROP_PLAYLIST_REMOVE, "-1");
  EXPECT_EQ(Get(PROP_PLAYLIST_INDEX), "-1");
  EXPECT_EQ(Get(PROP_PLAYLIST_ITEMS), "-1");
  EXPECT_EQ(list->GetItemProxy().GetElement(), nullptr);
  // The program's restart of a saved list: empty it, add, play.
  Fill({ColourItem(3), ColourItem(4)});
  EXPECT_EQ(Get(PROP_PLAYLIST_INDEX), "-1");
  Set(PROP_PLAYER_PLAY, "1");
  EXPECT_EQ(Get(PROP_PLAYLIST_INDEX), "0");
  EXPECT_EQ(Frame(), ColourOf(3));
}

// ---------------------------------------------------------------------------------------
// Picture time, position, audio

TEST_F(Playlist, PictureSecondsAreHeldInRange) {
  for (const auto& c : std::vector<std::pair<std::string, std::string>>{
           {"0", "1"}, {"250", "100"}, {"7", "7"}, {"abc", "1"}, {"-5", "1"}, {"100", "100"}}) {
    host.notifications.clear();
    Set(PROP_PLAYLIST_IMAGE_SECONDS, c.first);
    EXPECT_EQ(Get(PROP_PLAYLIST_IMAGE_SECONDS), c.second) << c.first;
    EXPECT_TRUE(host.notifications.empty());
  }
}

TEST_F(Playlist, PictureTimeTimesThePictureItemAndChangesItWhilePlaying) {
  const PictureFile picture(Bgra{5, 6, 7, 255});
  Fill({picture.Path()});
  Set(PROP_PLAYLIST_IMAGE_SECONDS, "3");
  Set(PROP_PLAYER_PLAY, "1");
  EXPECT_EQ(Get(PROP_PLAYER_POSITION), "0|3000");
  clock.Advance(1000);
  Set(PROP_PLAYLIST_IMAGE_SECONDS, "2");
  EXPECT_EQ(Get(PROP_PLAYER_POSITION), "1000|2000");
  clock.Advance(999);
  Frame();
  Frame();
  EXPECT_FALSE(list->IsAdvancePending());
  clock.Advance(1);
  Frame();
  Frame();
  EXPECT_TRUE(list->IsAdvancePending());

  // Colour items are not timed.
  Set(PROP_PLAYLIST_ITEMS, ColourItem(1));
  Set(PROP_PLAYLIST_INDEX, "0");
  Set(PROP_PLAYLIST_IMAGE_SECONDS, "1");
  clock.Advance(5000);
  EXPECT_EQ(Get(PROP_PLAYER_POSITION), "5000|-1");
}

TEST_F(Playlist, PositionAnswersTheItemTimeWhilePlayingOrPaused) {
  const PictureFile picture(Bgra{5, 6, 7, 255});
  Fill({picture.Path()});
  EXPECT_EQ(Get(PROP_PLAYER_POSITION), "0|0");
  Set(PROP_PLAYER_PLAY, "1");
  clock.Advance(1500);
  EXPECT_EQ(Get(PROP_PLAYER_POSITION), "1500|10000");
  Set(PROP_PLAYER_PAUSE, "1");
  clock.Advance(4000);
  EXPECT_EQ(Get(PROP_PLAYER_POSITION), "1500|10000");
  Set(PROP_PLAYER_POSITION, "300");
  EXPECT_EQ(Get(PROP_PLAYER_POSITION), "300|10000");
  Set(PROP_PLAYER_STOP, "1");
  EXPECT_EQ(Get(PROP_PLAYER_POSITION), "0|0");
  EXPECT_EQ(list->SetPosition(5), S_OK) << "positions go through the property";
}

TEST_F(Playlist, VolumeAndMuteReachEveryItem) {
  Fill({ColourItem(1), ColourItem(2)});
  host.notifications.clear();
  Set(PROP_PLAYER_VOLUME, "70");
  EXPECT_THAT(host.PropertiesOf(-1), ElementsAre(PROP_PLAYER_MUTE, PROP_PLAYER_VOLUME));
  host.notifications.clear();
  Set(PROP_PLAYER_MUTE, "1");
  EXPECT_THAT(host.PropertiesOf(-1), ElementsAre(PROP_PLAYER_MUTE));
  Set(PROP_PLAYER_PLAY, "1");
  auto* item = dynamic_cast<CFrameElement*>(list->GetItemProxy().GetElement());
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->GetVolume(), 70);
  EXPECT_TRUE(item->GetMute());

  Set(PROP_PLAYLIST_NEXT, "1");
  item = dynamic_cast<CFrameElement*>(list->GetItemProxy().GetElement());
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->GetVolume(), 70);
  EXPECT_TRUE(item->GetMute());

  // A volume clears the mute, here and in the item; it is not clamped.
  Set(PROP_PLAYER_VOLUME, "130");
  EXPECT_EQ(Get(PROP_PLAYER_MUTE), "0");
  EXPECT_EQ(Get(PROP_PLAYER_VOLUME), "130");
  EXPECT_EQ(item->GetVolume(), 130);
  EXPECT_FALSE(item->GetMute());
}

TEST_F(Playlist, LoopModePropertiesAndTheirGetters) {
  struct Case {
    int32_t id;
    const char* value;
    const char* loop;
    const char* one;
    const char* all;
  };
  for (const Case& c : {Case{PROP_PLAYLIST_LOOP, "0", "0", "1", "1"},
                        Case{PROP_PLAYLIST_LOOP_ONE, "0", "1", "0", "1"},
                        Case{PROP_PLAYLIST_LOOP_ALL, "", "2", "1", "0"},
                        Case{PROP_PLAYLIST_LOOP, "9", "9", "1", "1"},
                        Case{PROP_PLAYLIST_LOOP, "x", "0", "1", "1"}}) {
    host.notifications.clear();
    Set(c.id, c.value);
    EXPECT_EQ(Get(PROP_PLAYLIST_LOOP), c.loop);
    EXPECT_EQ(Get(PROP_PLAYLIST_LOOP_ONE), c.one);
    EXPECT_EQ(Get(PROP_PLAYLIST_LOOP_ALL), c.all);
    EXPECT_THAT(host.PropertiesOf(-1), ElementsAreArray(kPlayerState));
  }
}

TEST_F(Playlist, StoredFlagAndTextAreKeptWithoutNotification) {
  Set(PROP_PLAYLIST_STORED_FLAG, "5");
  Set(PROP_PLAYLIST_STORED_TEXT, "some | text");
  EXPECT_EQ(Get(PROP_PLAYLIST_STORED_FLAG), "1");
  EXPECT_EQ(Get(PROP_PLAYLIST_STORED_TEXT), "some | text");
  EXPECT_TRUE(host.notifications.empty());
}

// ---------------------------------------------------------------------------------------
// Package items

TEST_F(Playlist, SavesItsItemsInOrderAndLoadsThemBack) {
  Fill({"C:\\a,b.avi", ColourItem(2)});
  Set(PROP_PLAYLIST_LOOP, "1");
  Set(PROP_PLAYLIST_IMAGE_SECONDS, "4");
  Set(PROP_PLAYLIST_STORED_FLAG, "1");
  Set(PROP_PLAYLIST_STORED_TEXT, "kept");
  Set(PROP_PLAYER_VOLUME, "33");
  Set(PROP_PLAYER_MUTE, "1");
  CPackageFile package(kEffectFileTag);
  ASSERT_EQ(list->Save(&package), S_OK);
  std::vector<uint32_t> ids;
  for (const auto& item : package.GetItems()) ids.push_back(item.id);
  EXPECT_THAT(ids, ElementsAre(PROP_PLAYLIST_STORED_TEXT, PROP_PLAYLIST_SAVED_ITEMS,
                               PROP_PLAYLIST_LOOP, PROP_PLAYLIST_IMAGE_SECONDS,
                               PROP_PLAYLIST_STORED_FLAG, PROP_PLAYER_MUTE, PROP_PLAYER_VOLUME));
  EXPECT_EQ(package.GetText(PROP_PLAYLIST_SAVED_ITEMS, ""), "C:\\a&Cb.avi|" + ColourItem(2));
  EXPECT_EQ(package.GetInt(PROP_PLAYLIST_IMAGE_SECONDS, 0), 4000);

  FakeEffectHost otherHost;
  CEffect other;
  other.SetHost(&otherHost);
  other.SetId(-1);
  CSourceProxy& proxy = other.GetSourceProxy();
  package.SetInt(PROP_LEGACY_KIND, 18);
  package.SetInt(PROP_SOURCE_TYPE, ELEMENT_PLAYLIST);
  ASSERT_EQ(proxy.Load(&package), S_OK);
  auto* loaded = dynamic_cast<CPlaylistSource*>(proxy.GetElement());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetItemCount(), 2);
  EXPECT_EQ(loaded->GetItem(0), "C:\\a,b.avi");
  std::string value;
  for (const auto& c :
       std::vector<std::pair<int32_t, std::string>>{{PROP_PLAYLIST_LOOP, "1"},
                                                    {PROP_PLAYLIST_IMAGE_SECONDS, "4"},
                                                    {PROP_PLAYLIST_STORED_FLAG, "1"},
                                                    {PROP_PLAYLIST_STORED_TEXT, "kept"},
                                                    {PROP_PLAYER_VOLUME, "33"},
                                                    {PROP_PLAYER_MUTE, "1"},
                                                    {PROP_PLAYLIST_INDEX, "0"}}) {
    ASSERT_EQ(proxy.GetProperty(c.first, value), S_OK);
    EXPECT_EQ(value, c.second) << std::hex << c.first;
  }
  // The current item was opened, not played: the missing file was reported.
  EXPECT_THAT(otherHost.events, ElementsAre(std::make_pair(CPlaylistSource::kMediaFailedEvent,
                                                           std::string("C:\\a,b.avi"))));
  EXPECT_NE(loaded->GetState(), STATE_PLAYING);
}

TEST_F(Playlist, LoadKeepsCurrentValuesForMissingItemsAndHoldsThePictureTimeInRange) {
  Set(PROP_PLAYLIST_LOOP, "0");
  Set(PROP_PLAYER_VOLUME, "80");
  CPackageFile package(kEffectFileTag);
  package.SetInt(PROP_PLAYLIST_IMAGE_SECONDS, -20);
  package.SetText(PROP_PLAYLIST_SAVED_ITEMS, ColourItem(1) + "||" + ColourItem(2));
  ASSERT_EQ(list->Load(&package), S_OK);
  EXPECT_THAT(Items(), ElementsAre(ColourItem(1), ColourItem(2)));
  EXPECT_EQ(Get(PROP_PLAYLIST_LOOP), "0");
  EXPECT_EQ(Get(PROP_PLAYER_VOLUME), "80");
  EXPECT_EQ(Get(PROP_PLAYLIST_IMAGE_SECONDS), "1");
  EXPECT_EQ(ItemSource(), ColourItem(1));
  EXPECT_EQ(list->Load(nullptr), E_POINTER);
  EXPECT_EQ(list->Save(nullptr), E_POINTER);
}

}  // namespace
