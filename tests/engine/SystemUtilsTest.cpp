#include "engine/base/SystemUtils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void DeleteTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(path);
      } else {
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

// A fresh folder in the temporary folder for each test, removed afterwards. Its name is the
// test's and the process's own: the tests run side by side as processes of their own.
class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = GetTempFolder() + "system utils " + test->test_suite_name() + "." +
                             test->name() + " " + std::to_string(GetCurrentProcessId());
    DeleteTree(name);  // what a killed run with the same process number left
    ASSERT_TRUE(CreateDirectoryA(name.c_str(), nullptr));
    folder_ = name;
  }
  void TearDown() override {
    if (!folder_.empty()) DeleteTree(folder_);
  }
  std::string PathOf(const std::string& name) const { return folder_ + "\\" + name; }

  std::string folder_;
};

// Holds a mutex on another thread until told to let go (or to end without releasing it).
class OtherThreadHolder {
 public:
  OtherThreadHolder(CMutexHandle& mutex, bool releaseAtEnd)
      : thread_([this, &mutex, releaseAtEnd] {
          acquired_ = mutex.Wait(INFINITE);
          holding_ = true;
          while (!letGo_) Sleep(1);
          if (acquired_ && releaseAtEnd) mutex.Release();
        }) {
    while (!holding_) Sleep(1);
  }
  ~OtherThreadHolder() { Finish(); }
  void Finish() {
    letGo_ = true;
    if (thread_.joinable()) thread_.join();
  }
  bool Acquired() const { return acquired_; }

 private:
  std::atomic<bool> acquired_{false};
  std::atomic<bool> holding_{false};
  std::atomic<bool> letGo_{false};
  std::thread thread_;
};

// Whether another thread can take the mutex right now (it releases it again at once).
bool OtherThreadCanTake(CMutexHandle& mutex) {
  bool taken = false;
  std::thread([&] {
    taken = mutex.Wait(0);
    if (taken) mutex.Release();
  }).join();
  return taken;
}

// ------------------------------------------------------------------------------------------
// Mutex

TEST(MutexHandle, WaitFailsWithoutAMutex) {
  CMutexHandle mutex;
  EXPECT_FALSE(mutex.Wait(0));
  mutex.Release();  // harmless without a mutex
}

TEST(MutexHandle, WaitZeroFailsAtOnceWhileAnotherThreadHoldsIt) {
  CMutexHandle mutex;
  ASSERT_TRUE(mutex.Create());
  {
    OtherThreadHolder holder(mutex, true);
    ASSERT_TRUE(holder.Acquired());
    const auto start = Clock::now();
    EXPECT_FALSE(mutex.Wait(0));
    // The holder never lets go while this runs: a wait of any length would last until the
    // test's time-out. The bound leaves room for a loaded machine.
    EXPECT_LT(MillisecondsSince(start), 1000);
  }
  EXPECT_TRUE(mutex.Wait(0));
  mutex.Release();
}

TEST(MutexHandle, WaitGivesUpAfterItsLimit) {
  CMutexHandle mutex;
  ASSERT_TRUE(mutex.Create());
  OtherThreadHolder holder(mutex, true);
  const auto start = Clock::now();
  EXPECT_FALSE(mutex.Wait(200));
  EXPECT_GE(MillisecondsSince(start), 150);
}

TEST(MutexHandle, ReleaseLetsOtherThreadsIn) {
  CMutexHandle mutex;
  ASSERT_TRUE(mutex.Create());
  ASSERT_TRUE(mutex.Wait(0));
  EXPECT_FALSE(OtherThreadCanTake(mutex));
  mutex.Release();
  EXPECT_TRUE(OtherThreadCanTake(mutex));
}

TEST(MutexHandle, AbandonedMutexIsAcquiredByTheNextWaiter) {
  CMutexHandle mutex;
  ASSERT_TRUE(mutex.Create());
  OtherThreadHolder holder(mutex, false);
  ASSERT_TRUE(holder.Acquired());
  holder.Finish();  // the owner ends without releasing

  ASSERT_TRUE(mutex.Wait(1000));
  EXPECT_FALSE(OtherThreadCanTake(mutex));  // the waiter owns it now
  mutex.Release();
  EXPECT_TRUE(OtherThreadCanTake(mutex));
}

TEST(MutexHandle, SecondCreateKeepsTheMutexAndItsOwner) {
  CMutexHandle mutex;
  ASSERT_TRUE(mutex.Create());
  ASSERT_TRUE(mutex.Wait(0));
  EXPECT_TRUE(mutex.Create());
  EXPECT_FALSE(OtherThreadCanTake(mutex));
  mutex.Release();
}

TEST(MutexLock, HoldsTheMutexForItsScopeOnly) {
  CMutexHandle mutex;
  ASSERT_TRUE(mutex.Create());
  {
    CMutexLock lock(mutex, 0);
    EXPECT_TRUE(lock.IsLocked());
    EXPECT_FALSE(OtherThreadCanTake(mutex));
  }
  EXPECT_TRUE(OtherThreadCanTake(mutex));
}

TEST(MutexLock, ReleasesNothingWhenTheWaitFailed) {
  CMutexHandle mutex;
  ASSERT_TRUE(mutex.Create());
  OtherThreadHolder holder(mutex, true);
  {
    CMutexLock lock(mutex, 0);
    EXPECT_FALSE(lock.IsLocked());
  }
  holder.Finish();
  EXPECT_TRUE(OtherThreadCanTake(mutex));
}

// ------------------------------------------------------------------------------------------
// Desktop (the cursor's tests hold the display: SystemUtilsScreenTest.cpp)

TEST(DesktopRect, CoversTheScreen) {
  const RECT rect = GetDesktopRect();
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right - rect.left, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(rect.bottom - rect.top, GetSystemMetrics(SM_CYSCREEN));
}

// ------------------------------------------------------------------------------------------
// Processes

std::string HelperCommand(const std::string& arguments) {
  return "\"" + GetProgramFolder() + "exit_with_code.exe\" " + arguments;
}

// A command line of about `length` characters: the exit code, then padding arguments, then
// the argument count the helper must see.
std::string LongCommand(int exitCode, size_t length) {
  std::string arguments = std::to_string(exitCode);
  int count = 2;  // the program name and the exit code
  while (arguments.size() < length) {
    arguments += " " + std::string(99, 'x');
    ++count;
  }
  ++count;  // the argc= argument itself
  return HelperCommand(arguments + " argc=" + std::to_string(count));
}

struct ProcessCase {
  const char* name;
  std::string commandLine;
  HRESULT expected;
};

TEST(RunProcessAndWait, SucceedsOnlyForExitCodeZero) {
  const std::vector<ProcessCase> cases = {
      {"exit code 0", HelperCommand("0"), S_OK},
      {"exit code 3", HelperCommand("3"), E_FAIL},
      {"exit code -1", HelperCommand("-1"), E_FAIL},
      {"missing program", "\"" + GetProgramFolder() + "no_such_program.exe\" 0", E_FAIL},
      {"empty command line", "", E_FAIL},
      {"5000-character line, exit 0", LongCommand(0, 5000), S_OK},
      {"5000-character line, exit 3", LongCommand(3, 5000), E_FAIL},
      {"20000-character line, exit 0", LongCommand(0, 20000), S_OK},
      {"line beyond the system limit", LongCommand(0, 40000), E_FAIL},
  };
  for (const ProcessCase& c : cases) {
    EXPECT_EQ(RunProcessAndWait(c.commandLine), c.expected) << c.name;
  }
}

TEST(RunProcessAndWait, WaitsForTheProgramToEnd) {
  const auto start = Clock::now();
  EXPECT_EQ(RunProcessAndWait(HelperCommand("0 sleep=400")), S_OK);
  EXPECT_GE(MillisecondsSince(start), 350);
}

// ------------------------------------------------------------------------------------------
// Files

using FileBytes = TempFolderTest;

TEST_F(FileBytes, WriteThenReadGivesTheSameBytes) {
  std::vector<unsigned char> data(100000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7 + 1);
  data[500] = 0;
  const std::string path = PathOf("data.bin");
  ASSERT_EQ(WriteFileBytes(path, data.data(), data.size()), S_OK);
  EXPECT_EQ(GetFileSize64(path), data.size());

  std::vector<unsigned char> back(data.size());
  size_t got = 0;
  ASSERT_EQ(ReadFileBytes(path, back.data(), back.size(), &got), S_OK);
  EXPECT_EQ(got, data.size());
  EXPECT_EQ(back, data);
}

TEST_F(FileBytes, ReadStopsAtTheCountOrTheEndOfTheFile) {
  const std::string path = PathOf("abc.bin");
  ASSERT_EQ(WriteFileBytes(path, "abcdef", 6), S_OK);

  char buffer[16];
  std::memset(buffer, '#', sizeof(buffer));
  size_t got = 0;
  ASSERT_EQ(ReadFileBytes(path, buffer, 4, &got), S_OK);
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(std::string(buffer, 5), "abcd#");

  std::memset(buffer, '#', sizeof(buffer));
  ASSERT_EQ(ReadFileBytes(path, buffer, sizeof(buffer), &got), S_OK);
  EXPECT_EQ(got, 6u);
  EXPECT_EQ(std::string(buffer, 7), "abcdef#");
}

TEST_F(FileBytes, WriteTruncatesAnExistingFile) {
  const std::string path = PathOf("shrink.bin");
  ASSERT_EQ(WriteFileBytes(path, "0123456789", 10), S_OK);
  ASSERT_EQ(WriteFileBytes(path, "ab", 2), S_OK);
  EXPECT_EQ(GetFileSize64(path), 2u);
  ASSERT_EQ(WriteFileBytes(path, nullptr, 0), S_OK);
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(GetFileSize64(path), 0u);
}

TEST_F(FileBytes, MissingFilesAndFoldersFail) {
  char buffer[4] = {};
  size_t got = 99;
  EXPECT_EQ(ReadFileBytes(PathOf("missing.bin"), buffer, sizeof(buffer), &got), E_FAIL);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(WriteFileBytes(PathOf("no\\such\\folder.bin"), "x", 1), E_FAIL);
  EXPECT_EQ(ReadTextFile(PathOf("missing.txt")), "");
  EXPECT_EQ(GetFileSize64(PathOf("missing.bin")), 0u);
  EXPECT_EQ(GetFileSize64(""), 0u);
}

TEST_F(FileBytes, SizeIsSixtyFourBit) {
  const std::string path = PathOf("big.bin");
  const LONGLONG size = 5LL * 1024 * 1024 * 1024 + 7;  // sparse where the file system allows
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER end;
  end.QuadPart = size;
  const bool grown = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  ASSERT_TRUE(grown);
  EXPECT_EQ(GetFileSize64(path), static_cast<uint64_t>(size));
}

TEST_F(FileBytes, TextFileEndsAtTheFirstZeroByte) {
  struct TextCase {
    const char* name;
    std::string content;
    std::string expected;
  };
  const std::string large(200000, 'q');
  const std::vector<TextCase> cases = {
      {"plain", "line 1\r\nline 2", "line 1\r\nline 2"},
      {"empty", "", ""},
      {"zero inside", std::string("abc\0def", 7), "abc"},
      {"zero first", std::string("\0abc", 4), ""},
      {"larger than one read", large, large},
      {"zero after one read", large + std::string("\0tail", 5), large},
  };
  for (const TextCase& c : cases) {
    const std::string path = PathOf("text.txt");
    ASSERT_EQ(WriteFileBytes(path, c.content.data(), c.content.size()), S_OK) << c.name;
    EXPECT_EQ(ReadTextFile(path), c.expected) << c.name;
  }
}

// ------------------------------------------------------------------------------------------
// Temporary files

using TempFiles = TempFolderTest;

TEST_F(TempFiles, TempFolderExistsAndEndsWithABackslash) {
  const std::string folder = GetTempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_TRUE(FolderExists(folder));
}

TEST_F(TempFiles, NewTempFileCreatesAnEmptyFileInTheTempFolder) {
  const std::string first = NewTempFile();
  const std::string second = NewTempFile();
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_NE(first, second);
  EXPECT_EQ(GetLongPath(first).rfind(GetLongPath(GetTempFolder()), 0), 0u) << first;
  EXPECT_TRUE(FileExists(first));
  EXPECT_EQ(GetFileSize64(first), 0u);
  DeleteFileA(first.c_str());
  DeleteFileA(second.c_str());
}

TEST_F(TempFiles, UniqueNumberGivesTheNameWithoutCreatingTheFile) {
  const std::string name = MakeTempFileName(folder_, "pre", 0x1234);
  EXPECT_EQ(name, PathOf("pre1234.tmp"));
  EXPECT_FALSE(FileExists(name));
}

TEST_F(TempFiles, MissingFolderGivesNoName) {
  EXPECT_EQ(MakeTempFileName(PathOf("missing"), "pre", 0), "");
}

// ------------------------------------------------------------------------------------------
// Folders

using Folders = TempFolderTest;

TEST_F(Folders, CreatesEveryMissingFolderOfADeepPath) {
  const std::string deep = PathOf("a\\b\\c\\d\\e\\f\\g\\h");
  ASSERT_EQ(CreateDirectoryPath(deep), S_OK);
  EXPECT_TRUE(FolderExists(deep));
  EXPECT_EQ(CreateDirectoryPath(deep), S_OK);  // already there
  EXPECT_EQ(CreateDirectoryPath(PathOf("a\\b\\x\\y\\")), S_OK);
  EXPECT_TRUE(FolderExists(PathOf("a\\b\\x\\y")));
}

TEST_F(Folders, EmptyPathIsAlreadyThere) { EXPECT_EQ(CreateDirectoryPath(""), S_OK); }

TEST_F(Folders, FailsWhenAFileStandsInTheWay) {
  ASSERT_EQ(WriteFileBytes(PathOf("file"), "x", 1), S_OK);
  EXPECT_EQ(CreateDirectoryPath(PathOf("file")), E_FAIL);
  EXPECT_EQ(CreateDirectoryPath(PathOf("file\\below\\deeper")), E_FAIL);
  EXPECT_FALSE(FolderExists(PathOf("file\\below")));
}

TEST_F(Folders, FolderForFileIsTheFileParent) {
  const std::string file = PathOf("one\\two\\three.txt");
  ASSERT_EQ(CreateFolderForFile(file), S_OK);
  EXPECT_TRUE(FolderExists(PathOf("one\\two")));
  EXPECT_FALSE(FolderExists(file));
  EXPECT_EQ(WriteFileBytes(file, "x", 1), S_OK);
}

// ------------------------------------------------------------------------------------------
// Paths and the program folder

using Paths = TempFolderTest;

TEST_F(Paths, LongPathExpandsAShortName) {
  const std::string longFolder = PathOf("A folder with a long name");
  ASSERT_TRUE(CreateDirectoryA(longFolder.c_str(), nullptr));
  char shortName[MAX_PATH] = {};
  const DWORD length = GetShortPathNameA(longFolder.c_str(), shortName, MAX_PATH);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
  ASSERT_NE(std::string(shortName), longFolder);

  EXPECT_EQ(GetLongPath(shortName), GetLongPath(longFolder));
  EXPECT_EQ(GetLongPath(shortName).substr(GetLongPath(folder_).size()),
            "\\A folder with a long name");
}

TEST_F(Paths, LongPathOfAMissingPathIsThePathItself) {
  const std::string missing = PathOf("NOSUCH~1\\FILE~1.TXT");
  EXPECT_EQ(GetLongPath(missing), missing);
  EXPECT_EQ(GetLongPath(""), "");
}

TEST(ProgramPath, NamesTheTestProgramAndItsFolder) {
  const std::string path = GetProgramPath();
  EXPECT_EQ(_stricmp(GetProgramFileName().c_str(), "engine_tests.exe"), 0) << path;
  EXPECT_EQ(_stricmp(GetLongPath(path).c_str(),
                     (GetProgramDirectory() + "\\" + GetProgramFileName()).c_str()),
            0);
  EXPECT_EQ(GetProgramFolder(), GetProgramDirectory() + "\\");
  EXPECT_TRUE(FileExists(GetProgramFolder() + "exit_with_code.exe"));
}

// ------------------------------------------------------------------------------------------
// Registry

// Each test has a key of its own: CTest runs the tests of this program in parallel.
class Registry : public ::testing::Test {
 protected:
  Registry()
      : testKeyText(std::string("Software\\TaviscoTests\\") +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name()),
        subKeyText(testKeyText + "\\Values"),
        kTestKey(testKeyText.c_str()),
        kTestSubKey(subKeyText.c_str()) {}

  const std::string testKeyText;
  const std::string subKeyText;
  const char* const kTestKey;
  const char* const kTestSubKey;

  void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  }

  // Stores raw bytes with any type, as another program might.
  void StoreRaw(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kTestSubKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  std::string Read(const char* name) {
    return RegReadString(HKEY_CURRENT_USER, kTestSubKey, name, "default");
  }
};

TEST_F(Registry, WrittenTextReadsBack) {
  EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kTestSubKey, "Name"));
  ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, kTestSubKey, "Name", "C:\\Program Files\\x"));
  EXPECT_TRUE(RegValueExists(HKEY_CURRENT_USER, kTestSubKey, "Name"));
  EXPECT_EQ(Read("Name"), "C:\\Program Files\\x");

  ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, kTestSubKey, "Name", ""));
  EXPECT_EQ(Read("Name"), "");

  const std::string large(10000, 'r');
  ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, kTestSubKey, "Name", large.c_str()));
  EXPECT_EQ(Read("Name"), large);
}

TEST_F(Registry, NullTextDeletesTheValue) {
  ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, kTestSubKey, "Gone", "x"));
  ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, kTestSubKey, "Gone", nullptr));
  EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kTestSubKey, "Gone"));
  EXPECT_EQ(Read("Gone"), "default");
  // Deleting what is not there is a failed delete.
  EXPECT_FALSE(RegWriteString(HKEY_CURRENT_USER, kTestSubKey, "Gone", nullptr));
}

TEST_F(Registry, MissingKeyOrValueGivesTheDefault) {
  EXPECT_EQ(Read("Anything"), "default");
  EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kTestSubKey, "Anything"));
  ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, kTestSubKey, "Other", "x"));
  EXPECT_EQ(Read("Anything"), "default");
}

TEST_F(Registry, WriteFailsWhenTheKeyCannotBeOpened) {
  EXPECT_FALSE(RegWriteString(nullptr, kTestSubKey, "Name", "x"));
}

TEST_F(Registry, StoredTextIsReadSafely) {
  struct RawCase {
    const char* name;
    DWORD type;
    std::string bytes;
    std::string expected;
  };
  const DWORD number = 42;
  const std::vector<RawCase> cases = {
      {"no terminating zero", REG_SZ, "abc", "abc"},
      {"single character without zero", REG_SZ, "z", "z"},
      {"zero inside", REG_SZ, std::string("ab\0cd\0", 6), "ab"},
      {"empty without zero", REG_SZ, "", ""},
      {"dword", REG_DWORD, std::string(reinterpret_cast<const char*>(&number), 4), "default"},
      {"expandable text", REG_EXPAND_SZ, std::string("%TEMP%\0", 7), "default"},
      {"binary of odd size", REG_BINARY, "abcde", "default"},
      {"text list", REG_MULTI_SZ, std::string("a\0b\0\0", 5), "default"},
  };
  for (const RawCase& c : cases) {
    StoreRaw(c.name, c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
    EXPECT_EQ(Read(c.name), c.expected) << c.name;
    EXPECT_TRUE(RegValueExists(HKEY_CURRENT_USER, kTestSubKey, c.name)) << c.name;
  }
}

}  // namespace
