// Reply framing, address forms, PWD and SYST texts as real servers send them.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>

#include <string>
#include <vector>

#include "vqFtpProtocol.h"
#include "vqHostType.h"

TEST(FtpReply, CodeOnlyFromThreeLeadingDigits) {
  struct Case {
    const char* line;
    int code;
  } cases[] = {
      {"220 ready", 220}, {"331-more", 331}, {"599", 599}, {"600 no", 0}, {"099 low", 0},
      {"22 short", 0},    {"", 0},           {"abc", 0},   {" 220 x", 0}, {"2a0 x", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.code, VQFTP_ReplyCode(c.line)) << "line [" << c.line << "]";
  EXPECT_EQ(0, VQFTP_ReplyCode(nullptr));
}

TEST(FtpReply, FramesSingleAndMultiLineReplies) {
  struct Case {
    std::vector<const char*> lines;
    int completeAfter;  // lines fed when the reply completes (0: never)
    int code;
    const char* text;
  } cases[] = {
      {{"200 ok"}, 1, 200, "200 ok"},
      {{"220-Welcome", "220-to the host", "220 ready"}, 3, 220, "220-Welcome\r\n220-to the host\r\n220 ready"},
      // inner lines with other codes or the code without a blank do not close the reply
      {{"230-a", "230-b", "  230 indented", "211 other", "230 done"},
       5,
       230,
       "230-a\r\n230-b\r\n  230 indented\r\n211 other\r\n230 done"},
      {{"150-x", "150x"}, 0, 150, "150-x\r\n150x"},
      // an uncoded line is a complete reply with code 0
      {{"garbage"}, 1, 0, "garbage"},
  };
  for (const Case& c : cases) {
    vqFtpReplyFrame f;
    int doneAt = 0;
    for (size_t i = 0; i < c.lines.size(); ++i)
      if (f.Add(c.lines[i]) && !doneAt) doneAt = static_cast<int>(i + 1);
    EXPECT_EQ(c.completeAfter, doneAt) << "first line [" << c.lines[0] << "]";
    EXPECT_EQ(c.code, f.Code()) << "first line [" << c.lines[0] << "]";
    EXPECT_STREQ(c.text, f.Text());
  }
  vqFtpReplyFrame f;
  f.Add("220-a");
  f.Abandon();
  EXPECT_TRUE(f.IsComplete());
  EXPECT_EQ(1, f.Add("331 next"));  // a new reply starts fresh
  EXPECT_STREQ("331 next", f.Text());
}

// What the reader reports for a byte stream, as "S:line" (skipped), "L:line", "D:code:text", "X" (too
// large), and what it left untaken; fed in pieces of `piece` bytes (0: all at once).
std::string readAll(const std::string& data, size_t piece, size_t lineMax = 2048, int linesMax = 1000,
                    size_t bytesMax = 256 * 1024, int strayMax = 100, bool oneReply = false) {
  vqFtpReplyReader r(lineMax, linesMax, bytesMax, strayMax);
  std::string out;
  size_t pos = 0;
  while (pos < data.size()) {
    size_t n = piece ? std::min(piece, data.size() - pos) : data.size() - pos, used = 0;
    vqFtpReplyReader::Event e = r.Feed(data.data() + pos, n, &used);
    pos += used;
    if (e == vqFtpReplyReader::kStray) out += std::string("S:") + r.Line() + "|";
    if (e == vqFtpReplyReader::kLine) out += std::string("L:") + r.Line() + "|";
    if (e == vqFtpReplyReader::kDone) out += "D:" + std::to_string(r.Frame().Code()) + ":" + r.Frame().Text() + "|";
    if (e == vqFtpReplyReader::kTooLarge) return out + "X|rest " + std::to_string(data.size() - pos);
    if (e == vqFtpReplyReader::kDone && oneReply) break;
  }
  return out + "rest " + std::to_string(data.size() - pos);
}

TEST(FtpReply, ReaderFramesRepliesAcrossAnySplit) {
  struct Case {
    std::string bytes, expected;
  } cases[] = {
      {"220 ready\r\n", "D:220:220 ready|rest 0"},
      {"220-a\r\n220 b\n331 next\r\n", "L:220-a|D:220:220-a\r\n220 b|D:331:331 next|rest 0"},
      // noise ahead of a reply is skipped; inside one it is text
      {"hello\r\n\r\n230-x\r\nnoise\r\n230 y\r\n", "S:hello|S:|L:230-x|L:noise|D:230:230-x\r\nnoise\r\n230 y|rest 0"},
      // a lone CR is text, one CR before LF is dropped, a NUL is a blank
      {"200 a\rb\r\r\n", "D:200:200 a\rb\r|rest 0"},
      {std::string("200 a\0b\r\n", 9), "D:200:200 a b|rest 0"},
      // a reply without its last line is not complete
      {"150-open\r\n150 not yet", "L:150-open|rest 0"},
  };
  for (const Case& c : cases)
    for (size_t piece : {0, 1, 2, 3, 7}) EXPECT_EQ(c.expected, readAll(c.bytes, piece)) << "piece " << piece;
}

TEST(FtpReply, ReaderStopsAtEachLimitAndLeavesTheNextReplyQueued) {
  // The second reply stays untaken when the caller stops after the first.
  EXPECT_EQ("D:227:227 ok|rest 10", readAll("227 ok\r\n226 done\r\n", 0, 2048, 1000, 1024, 10, true));
  // Long lines are cut, not grown; the CR of a cut line still goes.
  EXPECT_EQ("D:200:200 abcd|rest 0", readAll("200 abcdefgh\r\n", 1, 8));
  EXPECT_EQ("D:200:200 abcd|rest 0", readAll("200 abcd\r\n", 1, 8));
  // Lines per reply, bytes per reply, skipped lines.
  EXPECT_EQ("L:211-a|L:211-b|X|rest 7", readAll("211-a\r\n211-b\r\n211-c\r\n211 d\r\n", 3, 2048, 2));
  EXPECT_EQ("X|rest 12", readAll("220 twelve bytes long\r\n", 2, 2048, 1000, 11));
  EXPECT_EQ("S:x|S:y|X|rest 8", readAll("x\ny\nz\n220 ok\r\n", 0, 2048, 1000, 1024, 2));
}

TEST(FtpPasv, ParsesRealFormsAndRefusesHostileOnes) {
  struct Case {
    const char* reply;
    int result;
    const char* address;
    unsigned int port;
  } cases[] = {
      {"227 Entering Passive Mode (127,0,0,1,195,80).", 0, "127.0.0.1", 195 * 256 + 80},
      {"227 Entering Passive Mode (10,1,2,3,0,21)", 0, "10.1.2.3", 21},
      {"227 =192,168,0,9,4,1", 0, "192.168.0.9", 1025},
      {"227 Passive 127,0,0,1,255,255", 0, "127.0.0.1", 65535},
      {"227 (127, 0, 0, 1, 4, 1)", 0, "127.0.0.1", 1025},
      {"227 Entering Passive Mode (127,0,0,1,256,1).", 1, "", 0},
      {"227 Entering Passive Mode (300,0,0,1,4,1).", 1, "", 0},
      {"227 Entering Passive Mode (127,0,0,1,4).", 1, "", 0},
      {"227 Entering Passive Mode (127,0,0,1).", 1, "", 0},
      {"227 Entering Passive Mode (127,0,0,1,4,-1).", 1, "", 0},
      {"227 Entering Passive Mode (127,0,0,1,4,00001).", 1, "", 0},
      {"227 Entering Passive Mode (127,0,x,1,4,1).", 1, "", 0},
      {"227 Entering Passive Mode (127,,0,1,4,1).", 1, "", 0},
      {"227 no numbers at all", 1, "", 0},
      {"227", 1, "", 0},
      {"", 1, "", 0},
  };
  for (const Case& c : cases) {
    unsigned char a[4] = {9, 9, 9, 9};
    unsigned int port = 7;
    int r = VQFTP_ParsePasv(c.reply, a, &port);
    EXPECT_EQ(c.result, r) << "reply [" << c.reply << "]";
    if (r == 0 && c.result == 0) {
      char text[20];
      snprintf(text, sizeof text, "%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
      EXPECT_STREQ(c.address, text) << "reply [" << c.reply << "]";
      EXPECT_EQ(c.port, port) << "reply [" << c.reply << "]";
    }
  }
  unsigned char a[4];
  unsigned int port;
  EXPECT_EQ(1, VQFTP_ParsePasv(nullptr, a, &port));
}

TEST(FtpPort, FormatsAddressAndPortBytes) {
  char out[32];
  EXPECT_EQ(0, VQFTP_FormatPort("127.0.0.1", 10000, out, sizeof out));
  EXPECT_STREQ("127,0,0,1,39,16", out);
  EXPECT_EQ(0, VQFTP_FormatPort("192.168.1.20", 65535, out, sizeof out));
  EXPECT_STREQ("192,168,1,20,255,255", out);
  const char* bad[] = {"127.0.0", "127.0.0.256", "a.b.c.d", "", "1.2.3.4.5"};
  for (const char* b : bad) EXPECT_EQ(1, VQFTP_FormatPort(b, 21, out, sizeof out)) << "address [" << b << "]";
  EXPECT_EQ(1, VQFTP_FormatPort("127.0.0.1", 70000, out, sizeof out));
  char tiny[8];
  EXPECT_EQ(1, VQFTP_FormatPort("127.0.0.1", 21, tiny, sizeof tiny));
  EXPECT_STREQ("", tiny);
}

TEST(FtpPwd, FindsTheDirectoryInEveryReplyForm) {
  struct Case {
    const char* reply;
    const char* dir;
  } cases[] = {
      {"257 \"/\" is the current directory", "/"},
      {"257 \"/home/ftp\" is current directory.", "/home/ftp"},
      {"257 \"/pub\" is cwd", "/pub"},
      {"257 \"/pub\" is working directory", "/pub"},
      {"257 /var/ftp PWD  command successful.", "/var/ftp"},
      {"257 Current Directory: C:\\ftp\\root", "C:\\ftp\\root"},
      {"257 \"/usr/dm\" created.", "/usr/dm"},
      {"257 '/quoted/single' here", "/quoted/single"},
      {"257 \"/\"", "/"},
      {"257 DKA0:[ANONYMOUS.PUB]", "DKA0:[ANONYMOUS.PUB]"},
      {"257 'USER1.' is working directory", "USER1."},
      {"257   \"/spaced\"   ", "/spaced"},
      {"257 ", ""},
      {"257", ""},
  };
  for (const Case& c : cases) {
    char out[513];
    memset(out, 'x', sizeof out);
    size_t n = VQFTP_ParsePwd(c.reply, out, 512);
    EXPECT_STREQ(c.dir, out) << "reply [" << c.reply << "]";
    EXPECT_EQ(strlen(c.dir), n) << "reply [" << c.reply << "]";
  }
  // A directory longer than the buffer is cut, terminated, and its full length reported.
  std::string longDir(600, 'd');
  std::string reply = "257 \"/" + longDir + "\" is the current directory";
  char small[16];
  EXPECT_EQ(longDir.size() + 1, VQFTP_ParsePwd(reply.c_str(), small, sizeof small));
  EXPECT_EQ(15u, strlen(small));
}

TEST(FtpSyst, DetectsEachServerFamily) {
  struct Case {
    const char* syst;
    const char* dir;
    unsigned int type;
    int recognised;
    const char* delim;
    const char* dirAfter;
  } cases[] = {
      {"UNIX Type: L8 Version: BSD-44", "/", VQ_HOST_UNIXBSD44, 1, "/", "/"},
      {"UNIX Type: L8", "/", VQ_HOST_UNIXL8, 1, "/", "/"},
      {"UNIX Type: A N", "/", VQ_HOST_UNIX, 1, "/", "/"},
      {"NetWare system type.", "/SYS", VQ_HOST_NETWARE, 1, "/", "/SYS"},
      {"Netware v4", "/SYS", VQ_HOST_NETWARE, 1, "/", "/SYS"},
      {"OS/2", "C:\\", VQ_HOST_OS2, 1, "\\", "C:\\"},
      {"Windows_NT version 3.51", "/", VQ_HOST_WINNT351U, 1, "/", "/"},
      {"Windows_NT version 3.51", "C:\\ftp", VQ_HOST_WINNT351D, 1, "\\", "C:\\ftp"},
      {"Windows_NT", "/", VQ_HOST_WINNT40, 1, "/", "/"},
      {"MultiNet V3.4", "DKA0:[X]", VQ_HOST_MULTINET34, 1, ".", "DKA0:[X]"},
      {"MultiNet", "DKA0:[X]", VQ_HOST_MULTINET, 1, ".", "DKA0:[X]"},
      {"VAX/VMS A5.5", "DKA0:[X]", VQ_HOST_VMSA55, 1, ".", "DKA0:[X]"},
      {"VMS VAX/VMS V6", "DKA0:[X]", VQ_HOST_OPENVMS, 1, ".", "DKA0:[X]"},
      {"VMS OpenVMS", "DKA0:[X]", VQ_HOST_VMS, 1, ".", "DKA0:[X]"},
      {"MACOS Peter's Server", "/", VQ_HOST_MACOS, 1, "/", "/"},
      {"WFTPD", "/", VQ_HOST_WFTPD, 1, "/", "/"},
      {"VM/CMS Level 1", "/", VQ_HOST_VMCMS, 1, ".", ""},
      {"VM is the operating system", "/", VQ_HOST_VM, 1, ".", ""},
      {"VM is the operating system", "USER.191", VQ_HOST_VM, 1, ".", "USER.191"},
      {"MVS is the operating system", "'USER1.'", VQ_HOST_MVS, 1, ".", "USER1."},
      {"HellSoft", "/", VQ_HOST_HELLSOFT, 1, "/", "/"},
      {"BisonWare", "/", VQ_HOST_BISONWARE, 1, "/", "/"},
      {"MSDOS Type", "/", VQ_HOST_FTPSOFT, 1, "/", "/"},
      {"Plan 9", "/", VQ_HOST_AUTO, 0, "/", "/"},
      {"Something", "C:\\", VQ_HOST_WINNT351D, 0, "\\", "C:\\"},
      {"", "DKA0:[X]", VQ_HOST_WINNT351D, 0, ".", "DKA0:[X]"},
      {"unix lower case", "/", VQ_HOST_AUTO, 0, "/", "/"},
  };
  for (const Case& c : cases) {
    char dir[513];
    snprintf(dir, sizeof dir, "%s", c.dir);
    vqSystemGuess g{};
    VQFTP_GuessSystem(c.syst, dir, &g);
    EXPECT_EQ(c.type, g.hostType) << "SYST [" << c.syst << "] dir [" << c.dir << "]";
    EXPECT_EQ(c.recognised, g.recognised) << "SYST [" << c.syst << "]";
    EXPECT_STREQ(c.delim, g.delim) << "SYST [" << c.syst << "] dir [" << c.dir << "]";
    EXPECT_STREQ(c.dirAfter, dir) << "SYST [" << c.syst << "]";
  }
}

TEST(FtpTransferMode, AsciiListMatchesExtensionsInAnyCase) {
  const char* list = "|.html|.htm|.txt|.pl|";
  struct Case {
    const char* name;
    int ascii;
  } cases[] = {{"README.TXT", 1}, {"index.html", 1}, {"a.b.htm", 1}, {"archive.zip", 0}, {"Makefile", 0},
               {"x.ht", 0},       {"x.t", 0},        {"x.", 0},      {"script.PL", 1}};
  for (const Case& c : cases) EXPECT_EQ(c.ascii, VQFTP_IsAsciiName(c.name, list)) << "name [" << c.name << "]";
}

TEST(FtpList, BuildsCommandFromTheNonEmptyParts) {
  struct Case {
    const char* verb;
    const char* dir;
    const char* mask;
    const char* sw;
    const char* cmd;
  } cases[] = {
      {"LIST", "", "*.txt", "-a", "LIST -a *.txt"}, {"LIST", "", "", "", "LIST"},
      {"NLST", "/pub", "", "", "NLST /pub"},        {"LIST", "/pub", "*.c", "-al", "LIST /pub -al *.c"},
      {"LIST", nullptr, nullptr, nullptr, "LIST"},
  };
  for (const Case& c : cases) {
    char out[64];
    EXPECT_EQ(0, VQFTP_BuildListCommand(c.verb, c.dir, c.mask, c.sw, out, sizeof out));
    EXPECT_STREQ(c.cmd, out);
  }
  char tiny[6];
  EXPECT_EQ(1, VQFTP_BuildListCommand("LIST", "/pub", "", "", tiny, sizeof tiny));
}

TEST(FtpMkd, CreatesEveryLevel) {
  struct Case {
    const char* path;
    char delim;
    int vms;
    std::vector<std::string> steps;
  } cases[] = {
      {"/a/b/c", '/', 0, {"/a", "/a/b", "/a/b/c"}},
      {"a/b/", '/', 0, {"a", "a/b"}},
      {"//a//b", '/', 0, {"/a", "/a/b"}},
      {"DKA0:[A.B.C]", '.', 1, {"DKA0:[A.B]", "DKA0:[A.B.C]"}},
      {"", '/', 0, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> got;
    char out[256];
    for (int i = 0; VQFTP_MkdStep(c.path, c.delim, c.vms, i, out, sizeof out); ++i) got.push_back(out);
    EXPECT_EQ(c.steps, got) << "path [" << c.path << "]";
  }
}

TEST(FtpCommandText, LineBreaksAreDetected) {
  EXPECT_EQ(1, VQFTP_HasLineBreak("a\r\nDELE x"));
  EXPECT_EQ(1, VQFTP_HasLineBreak("a\nb"));
  EXPECT_EQ(1, VQFTP_HasLineBreak("a\rb"));
  EXPECT_EQ(0, VQFTP_HasLineBreak("plain name with blanks"));
  EXPECT_EQ(0, VQFTP_HasLineBreak(nullptr));
}
