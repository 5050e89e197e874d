// Shared ground for the site store, cache and import tests: an empty product key in both hives
// of the prefix's registry, a cache root in a fresh temporary folder, raw registry helpers.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <set>
#include <string>

#include "vqAppParams.h"
#include "vqSiteParams.h"

namespace sitetest {

const char kProduct[] = "SoftWare\\Quillon\\Farhollow";
const char kSites[] = "SoftWare\\Quillon\\Farhollow\\FTP-Sites";
const char kScratch[] = "SoftWare\\Quillon\\Farhollow\\TMP-SITES";

inline bool keyExists(HKEY root, const std::string& path) {
  HKEY key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

// The stored bytes of a value without the terminator of a text, or "<missing>".
inline std::string raw(HKEY root, const std::string& path, const char* name) {
  char buf[4096] = {};
  DWORD size = sizeof(buf);
  if (::RegGetValueA(root, path.c_str(), name, RRF_RT_ANY, nullptr, buf, &size) != ERROR_SUCCESS) return "<missing>";
  return std::string(buf, size && buf[size - 1] == 0 ? size - 1 : size);
}

inline void put(HKEY root, const std::string& path, const char* name, const std::string& data) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS,
            ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                            static_cast<DWORD>(data.size() + 1)));
  ::RegCloseKey(key);
}

inline void putDword(HKEY root, const std::string& path, const char* name, DWORD v) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS,
            ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4));
  ::RegCloseKey(key);
}

// Every value of a key, name to stored bytes.
inline std::map<std::string, std::string> values(HKEY root, const std::string& path) {
  std::map<std::string, std::string> out;
  HKEY key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
  for (DWORD i = 0;; ++i) {
    char name[1024], data[4096];
    DWORD nameLen = sizeof(name), dataLen = sizeof(data);
    if (::RegEnumValueA(key, i, name, &nameLen, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &dataLen) !=
        ERROR_SUCCESS)
      break;
    out[name] = std::string(data, dataLen && data[dataLen - 1] == 0 ? dataLen - 1 : dataLen);
  }
  ::RegCloseKey(key);
  return out;
}

inline std::set<std::string> subkeys(HKEY root, const std::string& path) {
  std::set<std::string> out;
  HKEY key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
  char name[512];
  for (DWORD i = 0; ::RegEnumKeyA(key, i, name, sizeof(name)) == ERROR_SUCCESS; ++i) out.insert(name);
  ::RegCloseKey(key);
  return out;
}

inline void writeFile(const std::string& path, const std::string& text) {
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h) << path;
  DWORD done = 0;
  ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
  ::CloseHandle(h);
}

inline bool fileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline void removeTree(const std::string& dir) {
  WIN32_FIND_DATAA f;
  HANDLE h = ::FindFirstFileA((dir + "\\*").c_str(), &f);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = f.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = dir + "\\" + name;
      if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        removeTree(path);
      else
        ::DeleteFileA(path.c_str());
    } while (::FindNextFileA(h, &f));
    ::FindClose(h);
  }
  ::RemoveDirectoryA(dir.c_str());
}

// Both hives start without the product key; the machine-wide one must not belong to anyone else.
class SiteStore : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kProduct)) << "the prefix holds a machine-wide store already";
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    char dir[MAX_PATH];
    ASSERT_NE(0u, ::GetTempFileNameA(temp, "vqs", 0, dir));
    ::DeleteFileA(dir);
    ASSERT_TRUE(::CreateDirectoryA(dir, nullptr));
    root_ = dir;
    cacheRoot_ = root_ + "\\cache";
    ASSERT_TRUE(::CreateDirectoryA(cacheRoot_.c_str(), nullptr));
    put(HKEY_CURRENT_USER, std::string(kProduct) + "\\Settings", "DefCacheDir", cacheRoot_ + "\\");
  }
  void TearDown() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProduct);
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProduct);
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SoftWare\\Quillon");  // only goes when nothing else is in it
    if (!root_.empty()) removeTree(root_);
  }

  // A site saved with a few distinctive values.
  static void saveSite(const char* sub, const char* name, const char* url, unsigned id = 0) {
    vqSiteParams s(2);
    s.SetURL(url);
    s.SetSiteId(id);
    s.SetDescription((std::string("about ") + name).c_str());
    ASSERT_EQ(1, s.SITE_SaveParams(sub, name)) << sub << "\\" << name;
  }
  static void saveCategory(const char* sub, const char* name) {
    vqSiteParams s(2);
    s.SetIsCategory(1);
    s.SetDescription((std::string("category ") + name).c_str());
    ASSERT_EQ(1, s.SITE_SaveParams(sub, name)) << sub << "\\" << name;
  }
  static std::string key(const std::string& sub) { return std::string(kProduct) + "\\" + sub; }

  std::string root_;
  std::string cacheRoot_;
};

}  // namespace sitetest
