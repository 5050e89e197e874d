#include <gtest/gtest.h>
#include "fhTempDir.h"
#include <windows.h>

#include <string>

#include "vqFileApi.h"

namespace {
void writeFile(const std::string& path, size_t bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h) << path;
  std::string data(bytes, 'x');
  DWORD written = 0;
  if (bytes) WriteFile(h, data.data(), (DWORD)bytes, &written, nullptr);
  CloseHandle(h);
  ASSERT_EQ(bytes, written);
}

bool isDir(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
}  // namespace

TEST(FileApi, CreatePathMakesEveryLevel) {
  TempDir tmp;
  EXPECT_EQ(1, VQAPI_CreatePath((tmp / "a\\b\\c").c_str()));
  EXPECT_TRUE(isDir(tmp / "a"));
  EXPECT_TRUE(isDir(tmp / "a\\b\\c"));

  // All there already: nothing changes, and what is inside stays.
  writeFile(tmp / "a\\b\\c\\keep.txt", 3);
  EXPECT_EQ(1, VQAPI_CreatePath((tmp / "a\\b\\c").c_str()));
  EXPECT_TRUE(exists(tmp / "a\\b\\c\\keep.txt"));

  EXPECT_EQ(1, VQAPI_CreatePath((tmp / "t\\").c_str()));
  EXPECT_TRUE(isDir(tmp / "t"));
}

TEST(FileApi, CreatePathReachesTheLastFolderPastDoubledSeparators) {
  TempDir tmp;
  EXPECT_EQ(1, VQAPI_CreatePath((tmp / "x\\\\y\\\\z").c_str()));
  EXPECT_TRUE(isDir(tmp / "x\\y\\z"));
}

TEST(FileApi, CreatePathGoesOnPastFailures) {
  TempDir tmp;
  writeFile(tmp / "file", 1);
  EXPECT_EQ(1, VQAPI_CreatePath((tmp / "file\\sub").c_str()));
  EXPECT_FALSE(isDir(tmp / "file\\sub"));
  EXPECT_EQ(1, VQAPI_CreatePath(nullptr));
  EXPECT_EQ(1, VQAPI_CreatePath(""));
}

TEST(FileApi, FileExists) {
  TempDir tmp;
  writeFile(tmp / "data.bin", 1234);
  writeFile(tmp / "empty", 0);
  CreateDirectoryA((tmp / "folder").c_str(), nullptr);

  struct {
    std::string path;
    int result;
    unsigned long size;
  } cases[] = {
      {tmp / "data.bin", 1, 1234}, {tmp / "empty", 1, 0},           {tmp / "missing", 0, 0},
      {tmp / "folder", 0, 0},      {tmp / "missing\\deeper", 0, 0},
  };
  for (auto& c : cases) {
    unsigned long size = 99;
    EXPECT_EQ(c.result, VQAPI_FileExists(c.path.c_str(), size)) << c.path;
    EXPECT_EQ(c.size, size) << c.path;
  }
  unsigned long size = 99;
  EXPECT_EQ(0, VQAPI_FileExists(nullptr, size));
  EXPECT_EQ(0u, size);
}

TEST(FileApi, SizePast32BitsIsShownAsTheLargestSize) {
  TempDir tmp;
  std::string path = tmp / "big";
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  LARGE_INTEGER at;
  at.QuadPart = 5000000000LL;  // sparse on the host's file system
  ASSERT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
  unsigned long size = 0;
  EXPECT_EQ(1, VQAPI_FileExists(path.c_str(), size));
  EXPECT_EQ(0xFFFFFFFFUL, size);
}

TEST(FileApi, FileHeldWithoutSharingCountsAsAbsent) {
  TempDir tmp;
  writeFile(tmp / "busy", 10);
  HANDLE h = CreateFileA((tmp / "busy").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  unsigned long size = 99;
  EXPECT_EQ(0, VQAPI_FileExists((tmp / "busy").c_str(), size));
  EXPECT_EQ(0u, size);
  CloseHandle(h);
  EXPECT_EQ(1, VQAPI_FileExists((tmp / "busy").c_str(), size));
  EXPECT_EQ(10u, size);
}

TEST(FileApi, UnlinkFilesRemovesTheListingAndItsParsedCompanion) {
  TempDir tmp;
  CreateDirectoryA((tmp / "dir.x").c_str(), nullptr);
  const char* files[] = {"list.vqLS", "list.vqD",     "list.txt",         "other.vqD", "noext",
                         "noext.vqD", "dir.x\\inner", "dir.x\\inner.vqD", "dir.vqD"};
  for (const char* f : files) writeFile(tmp / f, 1);

  VQAPI_UnlinkFiles((tmp / "list.vqLS").c_str());
  EXPECT_FALSE(exists(tmp / "list.vqLS"));
  EXPECT_FALSE(exists(tmp / "list.vqD"));
  EXPECT_TRUE(exists(tmp / "list.txt"));
  EXPECT_TRUE(exists(tmp / "other.vqD"));

  VQAPI_UnlinkFiles((tmp / "noext").c_str());
  EXPECT_FALSE(exists(tmp / "noext"));
  EXPECT_FALSE(exists(tmp / "noext.vqD"));

  // A '.' in a folder name is not the file's extension.
  VQAPI_UnlinkFiles((tmp / "dir.x\\inner").c_str());
  EXPECT_FALSE(exists(tmp / "dir.x\\inner"));
  EXPECT_FALSE(exists(tmp / "dir.x\\inner.vqD"));
  EXPECT_TRUE(exists(tmp / "dir.vqD"));

  // Missing files are passed over.
  VQAPI_UnlinkFiles((tmp / "gone.vqLS").c_str());
  VQAPI_UnlinkFiles(nullptr);
  EXPECT_TRUE(exists(tmp / "list.txt"));
}
