#include <gtest/gtest.h>
#include "fhTempDir.h"
#include <windows.h>

#include <stdio.h>

#include <string>
#include <thread>
#include <vector>

#include "vqDebugger.h"

namespace {
bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string readAll(const std::string& path) {
  std::string data;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return "<missing>";
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  fclose(f);
  return data;
}

void writeAll(const std::string& path, const std::string& data) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f) << path;
  fwrite(data.data(), 1, data.size(), f);
  fclose(f);
}

std::vector<std::string> lines(const std::string& data) {
  std::vector<std::string> out;
  size_t at = 0;
  for (size_t nl; (nl = data.find("\r\n", at)) != std::string::npos; at = nl + 2)
    out.push_back(data.substr(at, nl - at));
  if (at != data.size()) out.push_back("<unterminated>" + data.substr(at));
  return out;
}
}  // namespace

TEST(Debugger, NothingIsWrittenWhileOff) {
  TempDir tmp;
  vqDebugger log;
  log.SetLogName((tmp / "off.log").c_str());
  EXPECT_EQ(0, log.IsDebuggerOn());
  log.DEBUGMSG("not written %d", 1);
  EXPECT_FALSE(exists(tmp / "off.log"));

  log.DebuggerOn(0);
  EXPECT_EQ(1, log.IsDebuggerOn());
  log.DEBUGMSG("kept");
  log.DebuggerOff();
  EXPECT_EQ(0, log.IsDebuggerOn());
  log.DEBUGMSG("dropped");
  EXPECT_EQ("LOG: kept\r\n", readAll(tmp / "off.log"));
}

TEST(Debugger, Entries) {
  struct {
    const char* message;
    const char* written;
  } cases[] = {
      {"hello", "LOG: hello\r\n"}, {"hello\n", "LOG: hello\r\n"},
      {"a\nb", "LOG: a\r\nb\r\n"}, {"a\nb\n", "LOG: a\r\nb\r\n"},
      {"", "LOG: \r\n"},           {"100%% sure", "LOG: 100% sure\r\n"},
  };
  TempDir tmp;
  vqDebugger log;
  log.SetLogName((tmp / "entries.log").c_str());
  log.DebuggerOn(1);
  for (auto& c : cases) {
    log.DebuggerOn(1);
    log.DEBUGMSG(c.message);
    EXPECT_EQ(c.written, readAll(tmp / "entries.log")) << "message '" << c.message << "'";
  }
  log.DebuggerOn(1);
  log.DEBUGMSG("%s is %lu bytes, %d%%", "file.txt", 1234UL, 50);
  EXPECT_EQ("LOG: file.txt is 1234 bytes, 50%\r\n", readAll(tmp / "entries.log"));
}

TEST(Debugger, AppendsToAnExistingLogAndCreatesAMissingOne) {
  TempDir tmp;
  writeAll(tmp / "keep.log", "LOG: earlier\r\n");
  vqDebugger log;
  log.SetLogName((tmp / "keep.log").c_str());
  log.DebuggerOn(0);
  log.DEBUGMSG("later");
  EXPECT_EQ("LOG: earlier\r\nLOG: later\r\n", readAll(tmp / "keep.log"));

  log.SetLogName((tmp / "new.log").c_str());
  log.DebuggerOn(0);
  EXPECT_EQ("", readAll(tmp / "new.log"));
}

TEST(Debugger, FreshStartKeepsThePreviousLogAsOld) {
  struct {
    const char* log;
    const char* old;
  } cases[] = {
      {"fh32.log", "fh32.old"},
      {"trace", "trace.old"},
      {"dir.v\\trace", "dir.v\\trace.old"},
      {"two.dots.txt", "two.dots.old"},
  };
  TempDir tmp;
  CreateDirectoryA((tmp / "dir.v").c_str(), nullptr);
  for (auto& c : cases) {
    writeAll(tmp / c.log, "LOG: previous\r\n");
    writeAll(tmp / c.old, "LOG: older\r\n");
    vqDebugger log;
    log.SetLogName((tmp / c.log).c_str());
    log.DebuggerOn(1);
    EXPECT_EQ("", readAll(tmp / c.log)) << c.log;
    EXPECT_EQ("LOG: previous\r\n", readAll(tmp / c.old)) << c.log;
    log.DebuggerOn(1);
    EXPECT_EQ("", readAll(tmp / c.log)) << c.log;
    EXPECT_EQ("", readAll(tmp / c.old)) << c.log;
  }
  EXPECT_FALSE(exists(tmp / "dir.old"));
}

TEST(Debugger, DefaultLogIsFh32LogInTheCurrentFolder) {
  TempDir tmp;
  char was[MAX_PATH];
  GetCurrentDirectoryA(sizeof was, was);
  ASSERT_TRUE(SetCurrentDirectoryA(tmp.path().c_str()));
  {
    vqDebugger log;
    log.DebuggerOn(0);
    log.DEBUGMSG("here");
  }
  SetCurrentDirectoryA(was);
  EXPECT_EQ("LOG: here\r\n", readAll(tmp / "fh32.log"));
}

TEST(Debugger, OverlongMessageIsCutToOneLine) {
  TempDir tmp;
  vqDebugger log;
  log.SetLogName((tmp / "long.log").c_str());
  for (size_t size : {2041u, 2042u, 2047u, 2048u, 5000u}) {
    log.DebuggerOn(1);
    std::string big(size, 'x');
    log.DEBUGMSG("%s", big.c_str());
    log.DEBUGMSG(big.c_str());
    log.DEBUGMSG("after");
    std::vector<std::string> got = lines(readAll(tmp / "long.log"));
    ASSERT_EQ(3u, got.size()) << size;
    std::string expect = "LOG: " + big.substr(0, 2041);
    EXPECT_EQ(expect, got[0]) << size;
    EXPECT_EQ(expect, got[1]) << size;
    EXPECT_EQ("LOG: after", got[2]) << size;
  }
}

TEST(Debugger, MissingStringLogsAnEmptyEntry) {
  TempDir tmp;
  vqDebugger log;
  log.SetLogName((tmp / "text.log").c_str());
  log.DebuggerOn(1);
  log.DEBUGMSG(65001u);
  EXPECT_EQ("LOG: \r\n", readAll(tmp / "text.log"));
}

TEST(Debugger, ThreadsWriteWholeLines) {
  TempDir tmp;
  vqDebugger log;
  log.SetLogName((tmp / "threads.log").c_str());
  log.DebuggerOn(1);
  const int kThreads = 4, kLines = 150;
  std::string pad(300, '.');
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i) log.DEBUGMSG("thread %d line %d %s end", t, i, pad.c_str());
    });
  for (auto& th : threads) th.join();

  std::vector<std::string> got = lines(readAll(tmp / "threads.log"));
  ASSERT_EQ(size_t(kThreads * kLines), got.size());
  int next[kThreads] = {};
  for (const std::string& l : got) {
    int t = -1, i = -1;
    char tail[400] = {};
    ASSERT_EQ(3, sscanf(l.c_str(), "LOG: thread %d line %d %399s", &t, &i, tail)) << l;
    ASSERT_TRUE(t >= 0 && t < kThreads) << l;
    EXPECT_EQ(next[t], i) << l;
    EXPECT_EQ("LOG: thread " + std::to_string(t) + " line " + std::to_string(i) + " " + pad + " end", l);
    next[t] = i + 1;
  }
}
