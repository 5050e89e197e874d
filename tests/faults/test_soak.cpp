// Engine operations against the misbehaving server (tests/servers/chaos-ftp.py), then against
// vsftpd: connect, list, download, upload, site-to-site and a download cancelled midway, several at
// once. Nothing may crash or hang, handles and threads return to where they were, and after the
// faults a fresh connection works. FH_SOAK_OPS (default 48), FH_SOAK_PARALLEL (2), FH_SOAK_SEED.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>
#include <tlhelp32.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "fhEngineSetup.h"
#include "fhFiles.h"
#include "fhServers.h"
#include "vqFtpEngine.h"

namespace {

const unsigned kTimeoutSeconds = 2;
// Longest an operation may take: its replies' deadlines (3 time-outs each) over the few waits of a
// site-to-site copy, plus the server's longest delay; past it the operation counts as hung.
const DWORD kOperationBoundMs = 45000;

int envInt(const char* name, int fallback) {
  const char* v = getenv(name);
  return v && *v ? atoi(v) : fallback;
}

std::string winPath(const std::string& p) {
  if (p.empty() || p[0] != '/') return p;
  std::string out = "Z:";
  for (char c : p) out += c == '/' ? '\\' : c;
  return out;
}

// The system's handle table as ntdll lists it (GetProcessHandleCount answers 0 under Wine).
struct HandleEntry {
  PVOID object;
  ULONG_PTR pid;
  ULONG_PTR handle;
  ULONG access;
  USHORT creatorBackTrace;
  USHORT type;
  ULONG attributes;
  ULONG reserved;
};
struct HandleTable {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};
typedef LONG(WINAPI* QuerySystem)(ULONG, PVOID, ULONG, PULONG);
typedef LONG(WINAPI* QueryObject)(HANDLE, ULONG, PVOID, ULONG, PULONG);

// This process's handles, each with its kind ("File", "Event", ...) where ntdll tells it.
std::map<ULONG_PTR, std::string> handles() {
  std::map<ULONG_PTR, std::string> out;
  static QuerySystem query = reinterpret_cast<QuerySystem>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  static QueryObject queryObject = reinterpret_cast<QueryObject>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
  if (!query) return out;
  std::vector<char> buf(1 << 20);
  ULONG needed = 0;
  LONG status;
  // 64: the extended handle list, with whole process ids.
  while ((status = query(64, buf.data(), static_cast<ULONG>(buf.size()), &needed)) == static_cast<LONG>(0xC0000004))
    buf.resize(buf.size() * 2);
  if (status != 0) return out;
  const HandleTable* t = reinterpret_cast<const HandleTable*>(buf.data());
  for (ULONG_PTR i = 0; i < t->count; ++i) {
    if (t->entries[i].pid != GetCurrentProcessId()) continue;
    std::string kind = "type " + std::to_string(t->entries[i].type);
    // 2: the object's type, a counted wide name first.
    alignas(8) char info[1024];
    if (queryObject &&
        queryObject(reinterpret_cast<HANDLE>(t->entries[i].handle), 2, info, sizeof info, nullptr) == 0) {
      const USHORT bytes = *reinterpret_cast<USHORT*>(info);
      const wchar_t* name = *reinterpret_cast<wchar_t**>(info + sizeof(void*));
      kind.clear();
      for (USHORT c = 0; name && c < bytes / 2; ++c) kind += static_cast<char>(name[c]);
    }
    out[t->entries[i].handle] = kind;
  }
  return out;
}

DWORD handleCount() { return static_cast<DWORD>(handles().size()); }

// Open handles and running threads of this process.
struct Usage {
  DWORD handles = 0;
  int threads = 0;
};
Usage usage() {
  Usage u;
  u.handles = handleCount();
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 t;
  t.dwSize = sizeof t;
  for (BOOL more = Thread32First(snap, &t); more; more = Thread32Next(snap, &t))
    if (t.th32OwnerProcessID == GetCurrentProcessId()) ++u.threads;
  CloseHandle(snap);
  return u;
}

// Waits up to thirty seconds for threads and handles to come back to the baseline (abandoned
// connects end on their own, later on a loaded machine), then returns what is left.
Usage settled(const Usage& base) {
  Usage now = usage();
  for (int i = 0; i < 300 && (now.handles > base.handles || now.threads > base.threads); ++i) {
    Sleep(100);
    now = usage();
  }
  return now;
}

enum Kind { kConnect, kList, kDownload, kUpload, kSiteToSite, kCancel, kKinds };
const char* const kKindNames[] = {"connect", "list", "download", "upload", "site-to-site", "cancel"};

struct Target {
  unsigned port;
  std::string user;
  std::string file;      // a file to download (about 300 KB)
  std::string upFolder;  // where uploads go
};

// The run's own threads and locks make no handle that outlives them. The runtime behind std::thread
// and std::mutex makes an Event the first time two threads meet in it (two threads starting at
// once, two threads on one mutex) and keeps it for the process or the mutex: after the baseline
// that counts as one leaked Event. Win32 threads and an SRW lock make none.
class Thread {
 public:
  explicit Thread(std::function<void()> body) : m_body(std::move(body)) {
    m_handle = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  }
  ~Thread() { Join(); }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  void Join() {
    if (!m_handle) return;
    WaitForSingleObject(m_handle, INFINITE);
    CloseHandle(m_handle);
    m_handle = nullptr;
  }

 private:
  static DWORD WINAPI Run(LPVOID self) {
    static_cast<Thread*>(self)->m_body();
    return 0;
  }
  std::function<void()> m_body;
  HANDLE m_handle;
};

class TallyLock {
 public:
  void lock() { AcquireSRWLockExclusive(&m_lock); }
  void unlock() { ReleaseSRWLockExclusive(&m_lock); }

 private:
  SRWLOCK m_lock = SRWLOCK_INIT;
};

struct Tally {
  TallyLock lock;
  std::map<std::string, int> results;  // "kind=code" -> count
  int operations = 0;
  int hangs = 0;
  DWORD slowestMs = 0;
  void add(Kind k, unsigned long code, DWORD ms) {
    std::lock_guard<TallyLock> hold(lock);
    ++operations;
    ++results[std::string(kKindNames[k]) + "=" + std::to_string(code)];
    slowestMs = std::max(slowestMs, ms);
  }
};

// The session log of one operation, kept so that a hung one can be shown (read from another thread).
struct Trail {
  std::mutex lock;
  std::string text;
  static unsigned long note(_sock_notification_* n, void* self, void*) {
    Trail* t = static_cast<Trail*>(self);
    if (n->type == VQNOTIFY_LOG) {
      std::lock_guard<std::mutex> hold(t->lock);
      if (t->text.size() < 65536) t->text += std::string(n->message).substr(0, 300) + "\n";
    }
    return 0;
  }
  std::string get() {
    std::lock_guard<std::mutex> hold(lock);
    return text;
  }
};

vqFtpEngine* engineFor(const Target& t, Trail* trail) {
  vqFtpEngine* e = fhtest::localEngine(t.port, kTimeoutSeconds);
  e->SetUsername(t.user.c_str());
  if (trail) e->SetCallback(Trail::note, trail, nullptr);
  return e;
}

// One operation from start to end on the calling thread (an engine stays on its thread).
unsigned long runOperation(Kind kind, const Target& t, const Target& other, const std::string& dir, int n,
                           unsigned delayMs, Trail* trail = nullptr) {
  vqFtpEngine* e = engineFor(t, trail);
  unsigned long r = e->FTP_Connect();
  const std::string local = dir + "\\op" + std::to_string(n) + ".bin";
  if (r == 0) {
    switch (kind) {
      case kConnect:
        break;
      case kList:
        r = e->FTP_LIST(local.c_str(), "/", "", "");
        break;
      case kDownload:
        r = e->FTP_GetFile(t.file.c_str(), local.c_str(), 1, 0, n % 3 == 0);
        break;
      case kUpload:
        fhtest::writeFile(local, std::string(150000 + n % 7 * 1000, static_cast<char>('a' + n % 26)));
        r = e->FTP_PutFile((t.upFolder + "/up" + std::to_string(n) + ".bin").c_str(), local.c_str(), 1);
        break;
      case kSiteToSite: {
        vqFtpEngine* d = engineFor(other, nullptr);
        r = d->FTP_Connect();
        if (r == 0)
          r = e->FTP_STS(d, t.file.c_str(), (other.upFolder + "/sts" + std::to_string(n) + ".bin").c_str(), n % 2, 0);
        d->Release();
        break;
      }
      case kCancel: {
        std::atomic<bool> done{false};
        Thread canceller([&] {
          for (unsigned waited = 0; waited < delayMs && !done; waited += 10) Sleep(10);
          if (!done) e->FTP_CANCEL();
        });
        r = e->FTP_GetFile(t.file.c_str(), local.c_str(), 1, 0, 0);
        done = true;
        canceller.Join();
        break;
      }
      default:
        break;
    }
  }
  e->FTP_Disconnect();
  e->Release();
  DeleteFileA(local.c_str());
  return r;
}

// Runs `count` operations, `parallel` at a time, each on a thread of its own that must end within the
// bound. Returns false when one hung (its thread is then left behind).
bool soak(const Target& t, const Target& other, const std::string& dir, int count, int parallel, unsigned seed,
          Tally& tally, int firstNumber) {
  std::atomic<int> next{0};
  std::atomic<bool> hung{false};
  std::vector<std::unique_ptr<Thread>> lanes;
  for (int lane = 0; lane < parallel; ++lane) {
    lanes.emplace_back(new Thread([&, lane] {
      std::mt19937 rng(seed * 131 + static_cast<unsigned>(lane));
      for (int i; !hung && (i = next++) < count;) {
        const Kind kind = static_cast<Kind>(rng() % kKinds);
        const unsigned delay = rng() % 1500;
        const int number = firstNumber + i;
        struct Job {
          Kind kind;
          const Target* t;
          const Target* other;
          const std::string* dir;
          int number;
          unsigned delay;
          unsigned long result;
          Trail trail;
        };
        // Left behind with its thread when the operation hangs.
        Job* job = new Job{kind, &t, &other, &dir, number, delay, 0, {}};
        const DWORD start = GetTickCount();
        HANDLE th = CreateThread(
            nullptr, 0,
            [](LPVOID p) -> DWORD {
              Job* j = static_cast<Job*>(p);
              j->result = runOperation(j->kind, *j->t, *j->other, *j->dir, j->number, j->delay, &j->trail);
              return 0;
            },
            job, 0, nullptr);
        if (WaitForSingleObject(th, kOperationBoundMs) != WAIT_OBJECT_0) {
          std::lock_guard<TallyLock> hold(tally.lock);
          ++tally.hangs;
          ADD_FAILURE() << kKindNames[kind] << " #" << number << " still running after " << kOperationBoundMs
                        << " ms; its log so far:\n"
                        << job->trail.get();
          hung = true;
          return;  // the thread and its job are left; the run is over
        }
        CloseHandle(th);
        tally.add(kind, job->result, GetTickCount() - start);
        delete job;
      }
    }));
  }
  for (auto& l : lanes) l->Join();
  return !hung;
}

// Nobody answers dialogs here: the initial-folder question is counted and declined.
std::atomic<int> g_folderQuestions{0};
int declineFolder(vqFtpEngine*, char*, size_t, void*) {
  ++g_folderQuestions;
  return IDCANCEL;
}
int declineLogin(vqFtpLoginRequest*, void*) { return IDCANCEL; }

std::map<std::string, int> readStats(const std::string& path) {
  std::map<std::string, int> out;
  std::ifstream in(path);
  std::string name;
  int count;
  while (in >> name >> count) out[name] = count;
  return out;
}

void report(const char* title, const Tally& t) {
  printf("%s: %d operations, slowest %lu ms, hangs %d\n", title, t.operations, static_cast<unsigned long>(t.slowestMs),
         t.hangs);
  for (const auto& r : t.results) printf("  %-22s %d\n", r.first.c_str(), r.second);
}

}  // namespace

// What the soak itself runs on leaves nothing behind: threads started together and meeting on the
// tally's lock, round after round, end with the handles they started with.
TEST(Soak, ItsOwnThreadsAndLockLeaveNoHandle) {
  { Thread warm([] {}); }
  const DWORD before = handleCount();
  ASSERT_GT(before, 0u) << "no way to count handles here";
  TallyLock lock;
  int shared = 0;
  for (int round = 0; round < 20; ++round) {
    std::vector<std::unique_ptr<Thread>> threads;
    for (int k = 0; k < 4; ++k)
      threads.emplace_back(new Thread([&] {
        for (int i = 0; i < 200; ++i) {
          std::lock_guard<TallyLock> hold(lock);
          ++shared;
          if (i % 50 == 0) Sleep(1);  // held while the others wait
        }
      }));
    for (auto& t : threads) t->Join();
  }
  EXPECT_EQ(20 * 4 * 200, shared);
  EXPECT_EQ(before, handleCount());
}

TEST(Soak, ChaosThenVsftpdWithoutCrashHangOrLeak) {
  std::map<std::string, std::string> env = fhtest::ftpServers();
  const char* chaosState = getenv("FH_CHAOS_STATE");
  if (env.empty() || !chaosState) GTEST_SKIP() << "run through ctest, which starts the servers";
  const std::string state = winPath(chaosState);
  std::ifstream portFile(state + "\\chaos.port");
  unsigned chaosPort = 0, calmPort = 0;
  portFile >> chaosPort >> calmPort;
  ASSERT_NE(0u, calmPort);
  const int ops = envInt("FH_SOAK_OPS", 48), parallel = envInt("FH_SOAK_PARALLEL", 2);
  const unsigned seed = static_cast<unsigned>(envInt("FH_SOAK_SEED", 22));
  const std::string dir = fhtest::tempDir();
  VQENG_SetPrompts(declineLogin, declineFolder, nullptr);

  Target chaos{chaosPort, "anonymous", "/file-300000.bin", "/up"};
  Target calm{calmPort, "anonymous", "/file-300000.bin", "/up"};
  Target a{static_cast<unsigned>(atoi(env["FTP_A_PORT"].c_str())), "anonymous", "/pub/big.bin", "/incoming"};
  Target b{static_cast<unsigned>(atoi(env["FTP_B_PORT"].c_str())), "anonymous", "/pub/big.bin", "/incoming"};

  // Each kind once first, against both servers: Winsock, its helper threads, the engine's window
  // class and what the system makes once for a failing path start once per process.
  for (int k = 0; k < kKinds; ++k) runOperation(static_cast<Kind>(k), a, b, dir, k, 50);
  for (int k = 0; k < kKinds; ++k) runOperation(static_cast<Kind>(k), chaos, b, dir, 100 + k, 50);
  Sleep(1000);
  const Usage base = usage();
  const std::map<ULONG_PTR, std::string> baseHandles = handles();
  ASSERT_GT(base.handles, 0u) << "no way to count handles here";

  Tally chaosTally;
  const std::map<std::string, int> before = readStats(state + "\\chaos.stats");
  ASSERT_TRUE(soak(chaos, b, dir, ops, parallel, seed, chaosTally, 1000));
  std::map<std::string, int> faults = readStats(state + "\\chaos.stats");
  // Only what this run caused (the server may have served earlier runs).
  for (auto& f : faults) f.second -= before.count(f.first) ? before.at(f.first) : 0;
  // After all that, a fresh connection to the same server works, every kind of operation.
  for (int k = 0; k < kCancel; ++k) {
    EXPECT_EQ(0u, runOperation(static_cast<Kind>(k), calm, b, dir, 900 + k, 0)) << "calm " << kKindNames[k];
  }

  Tally calmTally;
  ASSERT_TRUE(soak(a, b, dir, std::max(ops / 2, static_cast<int>(kKinds)), parallel, seed + 1, calmTally, 5000));
  // A plain server fails nothing but the cancelled downloads.
  for (const auto& r : calmTally.results) {
    const size_t eq = r.first.find('=');
    if (r.first.compare(0, eq, "cancel") != 0) {
      EXPECT_EQ("0", r.first.substr(eq + 1)) << r.first;
    }
  }

  const Usage end = settled(base);
  report("chaos server", chaosTally);
  int injected = 0;
  for (const auto& f : faults)
    if (f.first != "sessions" && f.first != "commands") injected += f.second;
  printf("faults injected %d:", injected);
  for (const auto& f : faults) printf(" %s=%d", f.first.c_str(), f.second);
  printf("\n");
  report("vsftpd", calmTally);
  printf("initial-folder questions declined %d\n", g_folderQuestions.load());
  printf("handles %lu -> %lu, threads %d -> %d\n", static_cast<unsigned long>(base.handles),
         static_cast<unsigned long>(end.handles), base.threads, end.threads);
  EXPECT_GT(injected, 0) << "the chaos server injected nothing: the soak proved nothing";
  std::string extra;
  for (const auto& h : handles())
    if (!baseHandles.count(h.first)) extra += " " + h.second;
  EXPECT_LE(end.handles, base.handles) << "handles leaked, new since the start:" << extra;
  EXPECT_LE(end.threads, base.threads) << "threads leaked";
}
