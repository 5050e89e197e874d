#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

#include "vqBase64.h"

namespace {
struct Vector {
  std::string bytes;
  const char* text;
};

const Vector kVectors[] = {
    {"", ""},
    {"a", "YQ=="},
    {"ab", "YWI="},
    {"abc", "YWJj"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
    {"Aladdin:open sesame", "QWxhZGRpbjpvcGVuIHNlc2FtZQ=="},
    {std::string("\x00\xff\xfe\x10\x80", 5), "AP/+EIA="},
    {std::string("\xfb\xff", 2), "+/8="},
    {std::string("\0\0\0", 3), "AAAA"},
};

std::string printable(const std::string& s) {
  std::string out;
  char hex[8];
  for (unsigned char c : s) {
    snprintf(hex, sizeof hex, c >= 32 && c < 127 ? "%c" : "\\x%02x", c);
    out += hex;
  }
  return out;
}
}  // namespace

TEST(Base64, EncodesKnownVectors) {
  vqBase64 b64;
  for (const Vector& v : kVectors)
    EXPECT_STREQ(v.text, b64.Encode(v.bytes.data(), v.bytes.size())) << "bytes \"" << printable(v.bytes) << "\"";
}

TEST(Base64, DecodesKnownVectors) {
  vqBase64 b64;
  for (const Vector& v : kVectors) {
    if (v.bytes.empty()) continue;
    std::vector<unsigned char> buf(vqBase64::DecodedBound(v.text));
    size_t n = b64.Decode(v.text, buf.data(), buf.size());
    EXPECT_EQ(printable(v.bytes), printable(std::string(buf.begin(), buf.begin() + n))) << "text " << v.text;
  }
}

TEST(Base64, RoundTripsEveryByteAtEveryTailLength) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += char(255 - i);
  vqBase64 b64;
  for (size_t len = 1; len <= all.size(); len += (len < 12 ? 1 : 61)) {
    std::string text = b64.Encode(all.data(), len);
    EXPECT_EQ(0u, text.size() % 4) << "length " << len;
    std::vector<unsigned char> buf(vqBase64::DecodedBound(text.c_str()));
    size_t n = b64.Decode(text.c_str(), buf.data(), buf.size());
    ASSERT_EQ(len, n) << "text " << text;
    EXPECT_EQ(0, memcmp(all.data(), buf.data(), len)) << "length " << len;
  }
}

TEST(Base64, RefusesTextOutsideTheAlphabetAndLeavesBufferAlone) {
  const char* bad[] = {"YW J", "YW*j", "YWJj\r\n", "YWJ-", "YWJ_", "\xc3\xa9QQ", "YQ==\n", ""};
  vqBase64 b64;
  for (const char* text : bad) {
    unsigned char buf[16];
    memset(buf, 0x5a, sizeof buf);
    EXPECT_EQ(0u, b64.Decode(text, buf, sizeof buf)) << "text \"" << printable(text) << "\"";
    for (unsigned char c : buf) ASSERT_EQ(0x5a, c) << "buffer written for \"" << printable(text) << "\"";
  }
  unsigned char buf[4];
  EXPECT_EQ(0u, b64.Decode(nullptr, buf, sizeof buf));
  EXPECT_EQ(0u, b64.Decode("YWJj", nullptr, 4));
}

TEST(Base64, PadCharactersAreSkippedWhereverTheyStand) {
  vqBase64 b64;
  unsigned char buf[8] = {};
  ASSERT_EQ(3u, b64.Decode("YW=Jj=", buf, sizeof buf));
  EXPECT_EQ(0, memcmp("abc", buf, 3));
  EXPECT_EQ(0u, b64.Decode("====", buf, sizeof buf));
}

TEST(Base64, DecodeNeverWritesPastTheGivenSize) {
  vqBase64 b64;
  unsigned char buf[8];
  memset(buf, 0x5a, sizeof buf);
  EXPECT_EQ(0u, b64.Decode("Zm9vYmFy", buf, 5));  // six bytes into five
  for (unsigned char c : buf) EXPECT_EQ(0x5a, c);
  EXPECT_EQ(6u, b64.Decode("Zm9vYmFy", buf, 6));
  EXPECT_EQ(0x5a, buf[6]);
}

TEST(Base64, LongTextIsEncodedWhole) {
  std::string creds(1000, 'u');
  creds += ':';
  creds += std::string(700, 'p');
  vqBase64 b64;
  std::string text = b64.Encode(creds.c_str());
  EXPECT_EQ((creds.size() + 2) / 3 * 4, text.size());
  std::vector<unsigned char> buf(vqBase64::DecodedBound(text.c_str()));
  size_t n = b64.Decode(text.c_str(), buf.data(), buf.size());
  EXPECT_EQ(creds, std::string(buf.begin(), buf.begin() + n));
}
