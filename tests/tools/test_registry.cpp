#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "vqRegistry.h"

namespace {
const char kScratch[] = "Software\\FarhollowTests\\registry";

// Every test works below a scratch key that is removed again, whatever the test did.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratch); }
  void TearDown() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\FarhollowTests");
  }
  static std::string path(const std::string& sub) {
    return sub.empty() ? kScratch : std::string(kScratch) + "\\" + sub;
  }
  static bool exists(const std::string& sub) {
    HKEY key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path(sub).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
  }
  static void putRaw(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
    ::RegCloseKey(key);
  }
  static bool hasValue(const char* name) {
    return ::RegGetValueA(HKEY_CURRENT_USER, kScratch, name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }
};
}  // namespace

TEST_F(Registry, NumbersAreDecimalText) {
  vqRegistry r;
  ASSERT_EQ(1, r.RegOpenWrite(HKEY_CURRENT_USER, kScratch));
  for (unsigned long n : {0ul, 21ul, 4096ul, 4294967295ul}) {
    ASSERT_EQ(1, r.RegPutNum("n", n));
    char text[32];
    ASSERT_EQ(1, r.RegGetStr("n", text, sizeof(text)));
    EXPECT_EQ(std::to_string(n), text);
    unsigned long back = 7;
    EXPECT_EQ(1, r.RegGetNum("n", back));
    EXPECT_EQ(n, back);
  }
  struct {
    const char* text;
    unsigned long number;
  } leading[] = {{"17 sites", 17}, {"  300", 300}, {"x", 0}, {"", 0}};
  for (const auto& c : leading) {
    ASSERT_EQ(1, r.RegPutStr("n", c.text));
    unsigned long back = 99;
    EXPECT_EQ(1, r.RegGetNum("n", back));
    EXPECT_EQ(c.number, back) << "\"" << c.text << "\"";
  }

  // The narrower forms go through an unsigned long that starts with the caller's value.
  r.RegPutStr("n", "65537");
  unsigned short port = 21;
  EXPECT_EQ(1, r.RegGetNum("n", port));
  EXPECT_EQ(1, port);
  r.RegPutStr("n", "4294967295");
  int minusOne = 0;
  EXPECT_EQ(1, r.RegGetNum("n", minusOne));
  EXPECT_EQ(-1, minusOne);
  unsigned int kept = 42;
  int keptInt = -3;
  EXPECT_EQ(0, r.RegGetNum("missing", kept));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, r.RegGetLastError());
  EXPECT_EQ(0, r.RegGetNum("missing", keptInt));
  EXPECT_EQ(42u, kept);
  EXPECT_EQ(-3, keptInt);
}

TEST_F(Registry, NumberOfAnotherTypeIsLeftAlone) {
  DWORD dword = 123;
  putRaw("dw", REG_DWORD, &dword, sizeof(dword));
  vqRegistry r;
  ASSERT_EQ(1, r.RegOpenRead(HKEY_CURRENT_USER, kScratch));
  unsigned long n = 5;
  EXPECT_EQ(1, r.RegGetNum("dw", n));
  EXPECT_EQ(5ul, n);
  EXPECT_TRUE(hasValue("dw"));
}

TEST_F(Registry, TextOfAnotherTypeIsRemovedOnRead) {
  DWORD dword = 0x41424344;
  const char expand[] = "%TEMP%";
  const unsigned char bin[] = {'a', 'b', 0, 'c'};
  struct {
    const char* name;
    DWORD type;
    const void* data;
    DWORD size;
  } cases[] = {{"dword", REG_DWORD, &dword, sizeof(dword)},
               {"expand", REG_EXPAND_SZ, expand, sizeof(expand)},
               {"binary", REG_BINARY, bin, sizeof(bin)}};
  for (const auto& c : cases) putRaw(c.name, c.type, c.data, c.size);
  vqRegistry r;
  ASSERT_EQ(1, r.RegOpenRead(HKEY_CURRENT_USER, kScratch));
  for (const auto& c : cases) {
    char buf[64];
    EXPECT_EQ(1, r.RegGetStr(c.name, buf, sizeof(buf))) << c.name;
    EXPECT_FALSE(hasValue(c.name)) << c.name << " is still there";
    EXPECT_EQ(0, r.RegGetStr(c.name, buf, sizeof(buf))) << c.name;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, r.RegGetLastError()) << c.name;
    EXPECT_STREQ("", buf) << c.name;
  }
}

TEST_F(Registry, TextAndBinaryLimits) {
  vqRegistry r;
  ASSERT_EQ(1, r.RegOpenWrite(HKEY_CURRENT_USER, kScratch));
  std::string longText(2000, 'q');
  for (size_t i = 0; i < longText.size(); ++i) longText[i] = static_cast<char>('a' + i % 26);
  ASSERT_EQ(1, r.RegPutStr("long", longText.c_str()));
  std::vector<char> buf(4096);
  ASSERT_EQ(1, r.RegGetStr("long", buf.data(), static_cast<unsigned>(buf.size())));
  EXPECT_EQ(longText.substr(0, 1023), std::string(buf.data()));

  // Too long for the caller's buffer: a failure, and nothing written past the buffer.
  char small[17];
  memset(small, '#', sizeof(small));
  EXPECT_EQ(0, r.RegGetStr("long", small, 16));
  EXPECT_EQ(ERROR_MORE_DATA, r.RegGetLastError());
  EXPECT_EQ('#', small[16]);
  EXPECT_EQ(0, small[15]);

  unsigned char blob[200];
  for (int i = 0; i < 200; ++i) blob[i] = static_cast<unsigned char>(i * 7);
  ASSERT_EQ(1, r.RegPutBin("blob", blob, sizeof(blob)));
  unsigned char back[256];
  ASSERT_EQ(1, r.RegGetBin("blob", back, sizeof(back)));
  EXPECT_EQ(131u, r.RegGetLastSize());
  EXPECT_EQ(0, memcmp(blob, back, 131));
  EXPECT_EQ(0, back[131]);
  unsigned char tiny[64];
  EXPECT_EQ(0, r.RegGetBin("blob", tiny, sizeof(tiny)));
  EXPECT_EQ(ERROR_MORE_DATA, r.RegGetLastError());
}

TEST_F(Registry, DeleteRemovesATwoLevelTree) {
  for (const char* sub : {"a\\b1\\c1", "a\\b1\\c2", "a\\b2", "keep"}) {
    vqRegistry w;
    ASSERT_EQ(1, w.RegOpenWrite(HKEY_CURRENT_USER, path(sub).c_str())) << sub;
    ASSERT_EQ(1, w.RegPutStr("v", sub));
  }
  vqRegistry r;
  ASSERT_EQ(1, r.RegOpenRead(HKEY_CURRENT_USER, path("a").c_str()));
  EXPECT_EQ(1, r.RegDeleteKeyA(HKEY_CURRENT_USER, path("a").c_str()));
  EXPECT_EQ(ERROR_SUCCESS, r.RegGetLastError());
  EXPECT_FALSE(exists("a"));
  EXPECT_TRUE(exists("keep"));
  // The delete closed the key it had open.
  char buf[8];
  EXPECT_EQ(0, r.RegGetStr("v", buf, sizeof(buf)));

  EXPECT_EQ(0, r.RegDeleteKeyA(HKEY_CURRENT_USER, path("a").c_str()));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, r.RegGetLastError());
}

TEST_F(Registry, EnumeratesSubkeysAndValues) {
  std::set<std::string> keys = {"alpha", "beta", "gamma"};
  for (const std::string& k : keys) {
    vqRegistry w;
    ASSERT_EQ(1, w.RegOpenWrite(HKEY_CURRENT_USER, path(k).c_str()));
  }
  vqRegistry r;
  ASSERT_EQ(1, r.RegOpenWrite(HKEY_CURRENT_USER, kScratch));
  r.RegPutStr("host", "ftp.example.net");
  r.RegPutNum("port", 2121);

  std::set<std::string> found, foundStr;
  char name[256];
  for (int i = 0; r.RegEnumKeyA(i, name, sizeof(name)); ++i) found.insert(name);
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, r.RegGetLastError());
  for (int i = 0; r.RegEnumStr(i, name, sizeof(name)); ++i) foundStr.insert(name);
  EXPECT_EQ(keys, found);
  EXPECT_EQ(keys, foundStr);

  std::set<std::string> values;
  char data[64];
  for (int i = 0; r.RegEnumVal(i, name, sizeof(name), data, sizeof(data)); ++i)
    values.insert(std::string(name) + "=" + data);
  EXPECT_EQ((std::set<std::string>{"host=ftp.example.net", "port=2121"}), values);
  EXPECT_EQ(0, r.RegEnumKeyA(-1, name, sizeof(name)));
}

TEST_F(Registry, NothingHappensBeforeAnOpen) {
  vqRegistry r;
  EXPECT_EQ(0, r.RegGetLastError());
  EXPECT_EQ(0, r.RegOpenRead(HKEY_CURRENT_USER, path("missing").c_str()));
  const long code = r.RegGetLastError();
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, code);

  char buf[16];
  unsigned char bin[16] = {1};
  unsigned long n = 0;
  unsigned short s = 0;
  struct {
    const char* what;
    int result;
  } ops[] = {
      {"RegGetStr", r.RegGetStr("v", buf, sizeof(buf))},
      {"RegPutStr", r.RegPutStr("v", "x")},
      {"RegGetNum", r.RegGetNum("v", n)},
      {"RegGetNum16", r.RegGetNum("v", s)},
      {"RegPutNum", r.RegPutNum("v", 1)},
      {"RegPutBin", r.RegPutBin("v", bin, sizeof(bin))},
      {"RegGetBin", r.RegGetBin("v", bin, sizeof(bin))},
      {"RegDeleteValueA", r.RegDeleteValueA("v")},
      {"RegEnumKeyA", r.RegEnumKeyA(0, buf, sizeof(buf))},
      {"RegEnumVal", r.RegEnumVal(0, buf, sizeof(buf), buf, sizeof(buf))},
  };
  for (const auto& op : ops) EXPECT_EQ(0, op.result) << op.what;
  EXPECT_EQ(code, r.RegGetLastError());
  EXPECT_EQ(1, r.RegClose());
  EXPECT_FALSE(exists(""));
}

namespace {
// Gives the scratch key a DACL that lets everyone read it and nobody change it.
bool makeReadOnly(HKEY root, const char* keyPath) {
  HKEY key;
  if (::RegOpenKeyExA(root, keyPath, 0, WRITE_DAC, &key) != ERROR_SUCCESS) return false;
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  char aclBuf[256];
  auto* acl = reinterpret_cast<PACL>(aclBuf);
  InitializeAcl(acl, sizeof aclBuf, ACL_REVISION);
  AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone);
  SECURITY_DESCRIPTOR sd;
  InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
  LONG r = ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
  ::RegCloseKey(key);
  FreeSid(everyone);
  return r == ERROR_SUCCESS;
}
// Gives full access back so the scratch key can be removed.
void makeWritable(HKEY root, const char* keyPath) {
  HKEY key;
  if (::RegOpenKeyExA(root, keyPath, 0, WRITE_DAC, &key) != ERROR_SUCCESS) return;
  SECURITY_DESCRIPTOR sd;
  InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);  // a null DACL allows everything
  ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
  ::RegCloseKey(key);
}
}  // namespace

// A user without write rights (a machine-wide key, for one) still reads: opening to read asks
// for read access only, and writing through such a handle asks for write access when it writes.
TEST_F(Registry, AKeyTheUserMayOnlyReadIsReadAndWritesFailCleanly) {
  putRaw("Name", REG_SZ, "value", 6);
  DWORD wrongType = 5;
  putRaw("Typed", REG_DWORD, &wrongType, 4);
  ASSERT_TRUE(makeReadOnly(HKEY_CURRENT_USER, kScratch));
  struct Restore {
    ~Restore() { makeWritable(HKEY_CURRENT_USER, kScratch); }
  } restore;
  HKEY probe;
  LONG denied = ::RegOpenKeyExA(HKEY_CURRENT_USER, kScratch, 0, KEY_SET_VALUE, &probe);
  if (denied == ERROR_SUCCESS) ::RegCloseKey(probe);
  {
    vqRegistry r;
    ASSERT_EQ(1, r.RegOpenRead(HKEY_CURRENT_USER, kScratch)) << "error " << r.RegGetLastError();
    char text[32];
    EXPECT_EQ(1, r.RegGetStr("Name", text, sizeof text));
    EXPECT_STREQ("value", text);
    EXPECT_EQ(1, r.RegGetStr("Typed", text, sizeof text)) << "a wrong-typed text still reads as missing-or-default";
    if (denied != ERROR_SUCCESS) {
      EXPECT_EQ(0, r.RegPutStr("Name", "changed")) << "a write without rights must report failure";
      EXPECT_EQ(0, r.RegDeleteValueA("Name"));
    }
  }
  makeWritable(HKEY_CURRENT_USER, kScratch);
  EXPECT_EQ(ERROR_ACCESS_DENIED, denied) << "the prefix did not enforce the read-only DACL; the test proves less";
  char text[32] = "";
  DWORD size = sizeof text;
  ::RegGetValueA(HKEY_CURRENT_USER, kScratch, "Name", RRF_RT_REG_SZ, nullptr, text, &size);
  EXPECT_STREQ("value", text);

  // With rights, a reading handle still removes a wrong-typed text and writes when asked.
  vqRegistry r;
  ASSERT_EQ(1, r.RegOpenRead(HKEY_CURRENT_USER, kScratch));
  char buf[32];
  r.RegGetStr("Typed", buf, sizeof buf);
  EXPECT_FALSE(hasValue("Typed"));
  EXPECT_EQ(1, r.RegPutStr("Name", "changed"));
  EXPECT_EQ(1, r.RegDeleteValueA("Name"));
  EXPECT_FALSE(hasValue("Name"));
}
