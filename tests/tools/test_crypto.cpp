#include <gtest/gtest.h>

#include <ctype.h>
#include <string.h>
#include <time.h>

#include <random>
#include <string>
#include <vector>

#include <cryptopp/default.h>
#include <cryptopp/des.h>
#include <cryptopp/filters.h>
#include <cryptopp/hex.h>

#include "vqCatch.h"
#include "vqCrypto.h"

namespace {
int g_reports = 0;
void countReport(const char*) { ++g_reports; }

// Collects catch-all reports instead of showing them, for the length of one test.
struct QuietCatch {
  VQ_CATCH_REPORTER old;
  QuietCatch() : old(vqSetCatchReporter(countReport)) { g_reports = 0; }
  ~QuietCatch() { vqSetCatchReporter(old); }
};

int expectedLength(int plainLen) { return 2 * (8 + 8 * ((8 + plainLen) / 8 + 1)); }

// The stored form written by another program: passphrase encryptor, hex, single DES over blocks.
std::vector<unsigned char> independentCipher(const std::string& plain) {
  std::string hex;
  CryptoPP::StringSource(
      plain, true,
      new CryptoPP::LegacyEncryptor("copper_lantern", new CryptoPP::HexEncoder(new CryptoPP::StringSink(hex))));
  std::vector<unsigned char> out(hex.begin(), hex.end());
  CryptoPP::DES::Encryption des(reinterpret_cast<const CryptoPP::byte*>("copper_l"), 8);
  for (size_t at = 0; at + 8 <= out.size(); at += 8) des.ProcessBlock(out.data() + at);
  return out;
}

std::string independentPlain(std::vector<unsigned char> cipher) {
  CryptoPP::DES::Decryption des(reinterpret_cast<const CryptoPP::byte*>("copper_l"), 8);
  for (size_t at = 0; at + 8 <= cipher.size(); at += 8) des.ProcessBlock(cipher.data() + at);
  std::string plain;
  CryptoPP::StringSource(
      cipher.data(), cipher.size(), true,
      new CryptoPP::HexDecoder(new CryptoPP::LegacyDecryptor("copper_lantern", new CryptoPP::StringSink(plain))));
  return plain;
}

std::vector<unsigned char> newEncrypt(const std::string& plain) {
  vqCrypto crypto;
  std::vector<unsigned char> in(plain.begin(), plain.end());
  std::vector<unsigned char> out(1024);
  int outLen = static_cast<int>(out.size()) - 1;
  EXPECT_EQ(1, crypto.NEW_Encrypt(in.data(), static_cast<int>(in.size()), out.data(), outLen))
      << "plain \"" << plain << "\"";
  EXPECT_EQ(0, out[outLen]) << "plain \"" << plain << "\"";
  out.resize(outLen);
  return out;
}
}  // namespace

TEST(CryptoScramble, EveryByteValueRoundTripsExceptTheTwoThatMeetAt0xFF) {
  vqCrypto crypto;
  std::vector<int> toFF;
  for (int b = 0; b < 256; ++b) {
    char one[1] = {static_cast<char>(b)};
    crypto.Encrypt(one, 1);
    unsigned char scrambled = static_cast<unsigned char>(one[0]);
    EXPECT_NE(0, scrambled) << "byte " << b << " scrambles to 0 and would cut the stored text";
    if (scrambled == 0xFF) {
      toFF.push_back(b);
      continue;
    }
    crypto.Decrypt(one, 1);
    EXPECT_EQ(b, static_cast<unsigned char>(one[0])) << "byte " << b;
  }
  // One byte scrambles to 0 (stored as 0xFF), one to 0xFF itself; reading back gives the former.
  ASSERT_EQ(2u, toFF.size());
  char ff[1] = {static_cast<char>(0xFF)};
  crypto.Decrypt(ff, 1);
  int back = static_cast<unsigned char>(ff[0]);
  EXPECT_TRUE(back == toFF[0] || back == toFF[1]) << "0xFF reads back as " << back;
  char again[1] = {static_cast<char>(back)};
  crypto.Encrypt(again, 1);
  EXPECT_EQ(0xFF, static_cast<unsigned char>(again[0]));
}

TEST(CryptoScramble, PasswordsRoundTripAndEmptyStaysEmpty) {
  vqCrypto crypto;
  const char* passwords[] = {"secret", "P@ss w0rd!", "guest@example.net", "\xE4\xF6\xFC\xDF", "x"};
  for (const char* p : passwords) {
    char buf[64] = {};
    strcpy(buf, p);
    int len = static_cast<int>(strlen(buf));
    EXPECT_EQ(buf, crypto.Encrypt(buf, len));
    EXPECT_NE(std::string(p), std::string(buf, len)) << p;
    EXPECT_EQ(len, static_cast<int>(strlen(buf))) << "scrambled \"" << p << "\" holds a 0";
    crypto.Decrypt(buf, static_cast<int>(strlen(buf)));
    EXPECT_STREQ(p, buf);
  }
  char empty[1] = {0};
  crypto.Encrypt(empty, 0);
  EXPECT_STREQ("", empty);
  EXPECT_EQ(nullptr, crypto.Encrypt(nullptr, 4));
  EXPECT_EQ(nullptr, crypto.Decrypt(nullptr, 4));
}

TEST(CryptoNew, RoundTripsWithTheDocumentedLength) {
  vqCrypto crypto;
  const std::string base = "The quick brown fox jumps over the lazy dog, again and again.";
  for (int n : {1, 5, 7, 8, 15, 16, 17, 40, 60}) {
    std::string plain = base.substr(0, n);
    std::vector<unsigned char> cipher = newEncrypt(plain);
    EXPECT_EQ(expectedLength(n), static_cast<int>(cipher.size())) << "plain length " << n;
    unsigned char out[256];
    int outLen = 200;
    ASSERT_EQ(1, crypto.NEW_Decrypt(cipher.data(), static_cast<int>(cipher.size()), out, outLen)) << n;
    EXPECT_EQ(plain, std::string(reinterpret_cast<char*>(out), outLen));
    EXPECT_EQ(0, out[outLen]);
  }
  EXPECT_EQ(48, expectedLength(5));
  EXPECT_EQ(80, expectedLength(16));
}

TEST(CryptoNew, MatchesTheStoredFormOfOtherWriters) {
  vqCrypto crypto;
  for (const std::string plain : {"a", "secret", "sixteen-chars-pw", "a much longer password than most"}) {
    std::vector<unsigned char> stored = independentCipher(plain);
    unsigned char out[256];
    int outLen = 132;
    ASSERT_EQ(1, crypto.NEW_Decrypt(stored.data(), static_cast<int>(stored.size()), out, outLen)) << plain;
    EXPECT_EQ(plain, std::string(reinterpret_cast<char*>(out), outLen));
    EXPECT_EQ(plain, independentPlain(newEncrypt(plain)));
  }
}

TEST(CryptoNew, FreshSaltEachTime) {
  vqCrypto crypto;
  std::vector<unsigned char> first = newEncrypt("secret");
  // The salt mixes in the time and the processor clock; let the clock move on.
  clock_t start = clock();
  while (clock() == start) {
  }
  std::vector<unsigned char> second = newEncrypt("secret");
  EXPECT_NE(first, second);
  for (std::vector<unsigned char>* c : {&first, &second}) {
    unsigned char out[64];
    int outLen = 63;
    ASSERT_EQ(1, crypto.NEW_Decrypt(c->data(), static_cast<int>(c->size()), out, outLen));
    EXPECT_EQ("secret", std::string(reinterpret_cast<char*>(out), outLen));
  }
}

TEST(CryptoNew, ShortOutputGetsTheFirstBytes) {
  vqCrypto crypto;
  std::vector<unsigned char> cipher = newEncrypt("abcdefghijklmnop");
  for (int cap : {1, 3, 8, 15}) {
    std::vector<unsigned char> out(cap + 1, 0xAA);
    int outLen = cap;
    ASSERT_EQ(1, crypto.NEW_Decrypt(cipher.data(), static_cast<int>(cipher.size()), out.data(), outLen));
    EXPECT_EQ(std::string("abcdefghijklmnop").substr(0, cap), std::string(reinterpret_cast<char*>(out.data()), outLen));
    EXPECT_EQ(0, out[cap]);
  }
}

TEST(CryptoNew, CutCipherKeepsItsTailAsHex) {
  vqCrypto crypto;
  unsigned char in[] = "secret";
  unsigned char out[21];
  int outLen = 20;
  ASSERT_EQ(1, crypto.NEW_Encrypt(in, 6, out, outLen));
  EXPECT_EQ(20, outLen);
  EXPECT_EQ(0, out[20]);
  for (int i = 16; i < 20; ++i) EXPECT_TRUE(isxdigit(out[i])) << "byte " << i << " = " << int(out[i]);
}

TEST(CryptoNew, DamagedOrRandomInputFailsCleanly) {
  QuietCatch quiet;
  vqCrypto crypto;
  std::vector<unsigned char> good = newEncrypt("secret");
  std::vector<std::vector<unsigned char>> bad;
  for (size_t at : {size_t(0), size_t(9), size_t(20), good.size() - 1}) {
    std::vector<unsigned char> damaged = good;
    damaged[at] ^= 0x5A;
    bad.push_back(damaged);
  }
  bad.push_back(std::vector<unsigned char>(good.begin(), good.begin() + 24));  // cut short
  std::mt19937 rng(7310412);
  for (int len : {1, 7, 8, 31, 48, 127}) {
    std::vector<unsigned char> noise(len);
    for (unsigned char& c : noise) c = static_cast<unsigned char>(rng());
    bad.push_back(noise);
  }
  int expectedReports = 0;
  for (size_t i = 0; i < bad.size(); ++i) {
    std::vector<unsigned char> out(133, 0xAA);
    int outLen = 132;
    EXPECT_EQ(0, crypto.NEW_Decrypt(bad[i].data(), static_cast<int>(bad[i].size()), out.data(), outLen))
        << "case " << i << " (" << bad[i].size() << " bytes)";
    ++expectedReports;
    EXPECT_EQ(expectedReports, g_reports) << "case " << i;
    EXPECT_EQ(0, out[0]) << "case " << i << " leaves text behind";
  }
}

TEST(CryptoNew, RefusesMissingBuffersAndLengths) {
  QuietCatch quiet;
  vqCrypto crypto;
  unsigned char in[8] = "abc";
  unsigned char out[64];
  struct Case {
    unsigned char* in;
    int inLen;
    unsigned char* out;
    int outLen;
  } cases[] = {{nullptr, 3, out, 63}, {in, 0, out, 63},  {in, 3, nullptr, 63},
               {in, 3, out, 0},       {in, -1, out, 63}, {in, 3, out, -5}};
  for (const Case& c : cases) {
    int len = c.outLen;
    EXPECT_EQ(0, crypto.NEW_Encrypt(c.in, c.inLen, c.out, len)) << c.inLen << "/" << c.outLen;
    len = c.outLen;
    EXPECT_EQ(0, crypto.NEW_Decrypt(c.in, c.inLen, c.out, len)) << c.inLen << "/" << c.outLen;
  }
  EXPECT_EQ(0, g_reports);
}

// Stored password values as the registry gives them back, for both readers: the common one (0x80
// cipher form) and the site one (0x7E length form). A damaged length leaves the password empty.
TEST(CryptoStored, ReadsEachFormAndRefusesDamagedLengths) {
  QuietCatch quiet;
  vqCrypto crypto;
  auto scrambled = [](std::string s) {
    for (char& c : s) c = static_cast<char>(c ^ 0x2A);
    return s;
  };
  std::vector<unsigned char> cipher = newEncrypt("lantern");
  std::string cipherForm =
      std::string("\x80") + static_cast<char>(cipher.size()) + std::string(cipher.begin(), cipher.end());
  std::string damagedCipher = cipherForm;
  damagedCipher[10] ^= 0x11;
  struct Case {
    std::string stored;
    unsigned char mark;
    int ok;
    const char* plain;
  } cases[] = {
      {"plain text", VQ_STORED_COMMON_CIPHER, 1, "plain text"},
      {"\x7f" + scrambled("secret"), VQ_STORED_COMMON_CIPHER, 1, "secret"},
      {"\x7f" + scrambled("secret"), VQ_STORED_SITE_LENGTH, 1, "secret"},
      {"\x7f", VQ_STORED_SITE_LENGTH, 1, ""},
      {"", VQ_STORED_SITE_LENGTH, 1, ""},
      // The site length form may hold bytes that scramble to 0 (a '*' stored as 0).
      {std::string("\x7e\x04") + scrambled("a*b") + "x", VQ_STORED_SITE_LENGTH, 1, "a*bR"},
      {std::string("\x7e\x03") + scrambled("a") + std::string(1, 0) + scrambled("b"), VQ_STORED_SITE_LENGTH, 1, "a*b"},
      {std::string("\x7e\x09") + scrambled("short"), VQ_STORED_SITE_LENGTH, 0, ""},
      {"\x7e", VQ_STORED_SITE_LENGTH, 0, ""},
      {std::string("\x7e\x02") + scrambled("ab"), VQ_STORED_COMMON_CIPHER, 1, "\x7e\x02KH"},
      {cipherForm, VQ_STORED_COMMON_CIPHER, 1, "lantern"},
      {cipherForm.substr(0, cipherForm.size() - 1), VQ_STORED_COMMON_CIPHER, 0, ""},
      {damagedCipher, VQ_STORED_COMMON_CIPHER, 0, ""},
      {std::string("\x80\xf0") + "abcdef", VQ_STORED_COMMON_CIPHER, 0, ""},  // negative length
      {std::string("\x80\x00", 2) + "abcdef", VQ_STORED_COMMON_CIPHER, 0, ""},
      {"\x80", VQ_STORED_COMMON_CIPHER, 0, ""},
  };
  for (const Case& c : cases) {
    char plain[257];
    memset(plain, 'x', sizeof plain);
    EXPECT_EQ(c.ok, crypto.ReadStored(c.stored.data(), c.stored.size(), c.mark, plain, sizeof plain))
        << "stored \"" << c.stored << "\"";
    EXPECT_STREQ(c.plain, plain) << "stored \"" << c.stored << "\"";
  }
  // A small room keeps the start of the password and never more.
  char small[5];
  memset(small, 'x', sizeof small);
  std::string stored = "\x7f" + scrambled("longer secret");
  EXPECT_EQ(1, crypto.ReadStored(stored.data(), stored.size(), VQ_STORED_SITE_LENGTH, small, 4));
  EXPECT_STREQ("lon", small);
  EXPECT_EQ('x', small[4]);
  EXPECT_EQ(1, crypto.ReadStored(cipherForm.data(), cipherForm.size(), VQ_STORED_COMMON_CIPHER, small, 4));
  EXPECT_STREQ("lan", small);

  // What is written reads back; the written form never holds a 0 before its end.
  char written[16];
  EXPECT_EQ(1, crypto.StoreScrambled("p*ss\xd5word and more", written, sizeof written));
  EXPECT_EQ(15u, strlen(written));
  char back[257];
  EXPECT_EQ(1, crypto.ReadStored(written, strlen(written), VQ_STORED_SITE_LENGTH, back, sizeof back));
  EXPECT_STREQ("p*ss*word and ", back) << "0xD5 and '*' scramble alike: the written form cannot tell them apart";
  EXPECT_EQ(0, crypto.StoreScrambled("x", written, 1));
}
