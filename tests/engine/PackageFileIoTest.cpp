#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/base/PackageFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kFcec = MakePackageTag("FCEC");

// A fresh folder under the temporary folder for each test, removed with its files.
class PackageFileIo : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_folder =
        std::string(temp) + "pkgio_" + info->name() + "_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(m_folder.c_str(), nullptr);
  }

  void TearDown() override {
    for (const std::string& path : m_files) DeleteFileA(path.c_str());
    RemoveDirectoryA(m_folder.c_str());
  }

  std::string PathOf(const char* name) {
    m_files.push_back(m_folder + "\\" + name);
    return m_files.back();
  }

  static void WriteBytes(const std::string& path, const Bytes& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    if (!bytes.empty()) {
      EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    }
    std::fclose(file);
  }

  static Bytes ReadBytes(const std::string& path) {
    Bytes bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    int c;
    while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(file);
    return bytes;
  }

  static CPackageFile SamplePackage() {
    CPackageFile package(kFcec, 0);
    package.SetInt(4, 0x1000000);
    package.SetText(1, "Misc");
    const uint8_t bytes[] = {0, 1, 2, 0xFF};
    package.SetBytes(7, bytes, sizeof(bytes));
    return package;
  }

  static void ExpectSampleItems(const CPackageFile& package) {
    ASSERT_EQ(package.GetItems().size(), 3u);
    EXPECT_EQ(package.GetInt(4, 0), 0x1000000);
    EXPECT_EQ(package.GetText(1, ""), "Misc");
    Bytes out;
    EXPECT_EQ(package.GetBytes(7, out), 4u);
  }

  std::string m_folder;
  std::vector<std::string> m_files;
};

TEST_F(PackageFileIo, SavesTheSerializedBytesAndOpensThemAgain) {
  const std::string path = PathOf("effect.efc");
  const CPackageFile package = SamplePackage();
  ASSERT_EQ(package.Save(path), S_OK);
  Bytes serialized;
  ASSERT_EQ(package.Serialize(serialized), S_OK);
  EXPECT_EQ(ReadBytes(path), serialized);

  CPackageFile reader(CPackageFile::kAnyTag, 0);
  ASSERT_EQ(reader.Open(path), S_OK);
  ExpectSampleItems(reader);
  EXPECT_EQ(reader.GetTag(), kFcec);
  EXPECT_EQ(reader.GetPath(), path);

  // A later load from memory forgets the path.
  ASSERT_EQ(reader.LoadFromMemory(serialized.data(), serialized.size()), S_OK);
  EXPECT_EQ(reader.GetPath(), "");
}

TEST_F(PackageFileIo, OpensAPackageAppendedToAnotherFile) {
  const std::string path = PathOf("program.exe");
  Bytes bytes(4096, 0x90);
  Bytes serialized;
  ASSERT_EQ(SamplePackage().Serialize(serialized), S_OK);
  bytes.insert(bytes.end(), serialized.begin(), serialized.end());
  WriteBytes(path, bytes);

  CPackageFile reader(kFcec, 0);
  ASSERT_EQ(reader.Open(path), S_OK);
  ExpectSampleItems(reader);
}

TEST_F(PackageFileIo, MissingFileGivesFileNotFoundAndKeepsThePackage) {
  CPackageFile package = SamplePackage();
  EXPECT_EQ(package.Open(PathOf("missing.efc")), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  ExpectSampleItems(package);
  EXPECT_EQ(package.GetPath(), "");
}

TEST_F(PackageFileIo, RejectsShortFilesAndEmptiesThePackage) {
  CPackageFile empty(kFcec, 0);
  Bytes emptyPackage;
  ASSERT_EQ(empty.Serialize(emptyPackage), S_OK);
  const Bytes cases[] = {{}, Bytes(20, 0), emptyPackage};
  for (const Bytes& bytes : cases) {
    SCOPED_TRACE(bytes.size());
    const std::string path = PathOf("short.efc");
    WriteBytes(path, bytes);
    CPackageFile reader = SamplePackage();
    EXPECT_EQ(reader.Open(path), E_FAIL);
    EXPECT_TRUE(reader.GetItems().empty());
    EXPECT_EQ(reader.GetPath(), "");
  }
}

TEST_F(PackageFileIo, OpenOfADamagedFileLeavesTheFileAlone) {
  const std::string path = PathOf("damaged.efc");
  Bytes bytes;
  ASSERT_EQ(SamplePackage().Serialize(bytes), S_OK);
  bytes[bytes.size() - 32 + 4] = 0xF0;  // the index size now reaches past the block
  WriteBytes(path, bytes);

  CPackageFile reader(kFcec, 0);
  EXPECT_EQ(reader.Open(path), E_FAIL);
  EXPECT_TRUE(reader.GetItems().empty());
  EXPECT_EQ(ReadBytes(path), bytes);
}

TEST_F(PackageFileIo, SaveReplacesALongerFile) {
  const std::string path = PathOf("longer.efc");
  WriteBytes(path, Bytes(10000, 0x11));
  CPackageFile package(kFcec, 0);
  package.SetInt(1, 2);
  ASSERT_EQ(package.Save(path), S_OK);
  Bytes serialized;
  ASSERT_EQ(package.Serialize(serialized), S_OK);
  EXPECT_EQ(ReadBytes(path), serialized);
}

TEST_F(PackageFileIo, OpenAndSaveShareTheFileWithNoOne) {
  const std::string path = PathOf("busy.efc");
  const CPackageFile package = SamplePackage();
  ASSERT_EQ(package.Save(path), S_OK);

  HANDLE reading = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reading, INVALID_HANDLE_VALUE);
  CPackageFile reader(kFcec, 0);
  EXPECT_EQ(reader.Open(path), HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(package.Save(path), HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION));
  CloseHandle(reading);
  EXPECT_EQ(reader.Open(path), S_OK);
}

TEST_F(PackageFileIo, SaveIntoAMissingFolderGivesPathNotFound) {
  EXPECT_EQ(SamplePackage().Save(m_folder + "\\no such folder\\x.efc"),
            HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
}

}  // namespace
