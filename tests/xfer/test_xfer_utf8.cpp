// Names in several scripts on a UTF-8 server (the fixture's names/ tree on server B): what the
// shell is told for each item, the local files a download makes (their UTF-16 names checked unit
// by unit), the bytes an upload, a rename and a new folder give the server, a name that is not
// UTF-8, and a code-page site that refuses a name its code page lacks; the progress window's texts,
// files dropped or chosen at the top of an upload, and the listing cache of folders so named.
#include <shlobj.h>

#include <algorithm>
#include <set>

#include "dlgFolder.h"
#include "fh32_menusRes.h"
#include "fhDataObject.h"
#include "fhTempDir.h"
#include "inEngineMgr.h"
#include "inEnumMgr.h"
#include "inTransfers.h"
#include "shellApp.h"
#include "shellCommand.h"
#include "shellDrop.h"
#include "shellFolder.h"
#include "shellPidl.h"
#include "shellWideNames.h"
#include "thrdProgDlg.h"
#include "uiDriver.h"
#include "vqAppParams.h"
#include "vqComPtr.h"
#include "vqEngineRes.h"
#include "vqFtpEngine.h"
#include "vqProgress.h"
#include "xferSupport.h"

using namespace xfertest;
using shelltest::List;

namespace {
const wchar_t kCafe[] = L"caf\u00E9.txt";
const wchar_t kPrivet[] = L"\u041F\u0440\u0438\u0432\u0435\u0442.txt";
const wchar_t kNihongo[] = L"\u65E5\u672C\u8A9E.txt";
const wchar_t kPapka[] = L"\u043F\u0430\u043F\u043A\u0430";
const wchar_t kFajl[] = L"\u0444\u0430\u0439\u043B.txt";

std::string units(const std::wstring& s) {
  std::string out;
  char b[8];
  for (wchar_t c : s) snprintf(b, sizeof b, "%04X ", static_cast<unsigned>(c)), out += b;
  return out;
}

// Every name in a local folder, read wide, sorted.
std::vector<std::wstring> localNames(const std::string& dir) {
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW fd;
  std::wstring pattern(dir.begin(), dir.end());
  HANDLE h = FindFirstFileW((pattern + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L"..")) out.push_back(fd.cFileName);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(out.begin(), out.end());
  return out;
}
std::string readWide(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  char buf[256];
  DWORD n = 0;
  ReadFile(h, buf, sizeof buf, &n, nullptr);
  CloseHandle(h);
  return std::string(buf, n);
}
void writeWide(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  DWORD n = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(h);
}
void removeWide(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (!wcscmp(fd.cFileName, L".") || !wcscmp(fd.cFileName, L"..")) continue;
      std::wstring full = dir + L"\\" + fd.cFileName;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        removeWide(full);
      else
        DeleteFileW(full.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}
std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }  // ASCII paths only
std::string utf8Of(const std::wstring& w) {
  std::string out(w.size() * 3 + 1, '\0');
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &out[0],
                                    static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(static_cast<size_t>(n > 0 ? n : 0));
  return out;
}
bool endsWith(const std::wstring& s, const std::wstring& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
std::wstring textOf(HWND w, int id = 0) {
  wchar_t text[1024] = L"";
  if (id)
    GetDlgItemTextW(w, id, text, 1024);
  else
    GetWindowTextW(w, text, 1024);
  return text;
}

class XferUtf8 : public ::testing::Test {
 protected:
  void SetUp() override {
    env = fhtest::servers();
    if (env.empty()) GTEST_SKIP() << "FH_FTP_SERVERS not set: run through ctest, which starts the servers";
    // The runs under other code pages say which one they meant, so a locale Wine ignored shows.
    if (const char* acp = getenv("FH_EXPECT_ACP")) {
      ASSERT_EQ(static_cast<UINT>(atoi(acp)), GetACP());
    }
    shellApp::SetModule(GetModuleHandleA(nullptr));
    port = static_cast<unsigned>(atoi(env["FTP_B_PORT"].c_str()));
    site = storeSite("Names", port);
    b = fhtest::localEngine(port, 10);
    ASSERT_EQ(0u, b->FTP_Connect());
    unique = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
  }
  void TearDown() override {
    if (b) {
      b->FTP_Disconnect();
      b->Release();
    }
    shellApp::Get().GetEnumManager().FlushAll();
  }
  void setNames(int encoding) {
    vqSiteParams s(2);
    ASSERT_EQ(1, s.SITE_LoadParams("FTP-Sites", "Names"));
    s.SetNameEncoding(encoding);
    ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "Names"));
    shellApp::Get().GetEnumManager().FlushAll();
  }
  // The folder's items as the shell enumerates them (copies, owned by the caller's vector).
  std::vector<List> enumerate(const List& folderList) {
    std::vector<List> out;
    shellFolder* f = new shellFolder();
    f->AddRef();
    f->Initialize(folderList);
    vqComPtr<IEnumIDList> list;
    EXPECT_EQ(S_OK, f->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, list.Put()));
    LPITEMIDLIST id;
    ULONG got = 0;
    while (list && list->Next(1, &id, &got) == S_OK) {
      List one;
      one.own(*shellOwnItem(id));
      out.push_back(one);
      CoTaskMemFree(id);
    }
    f->Release();
    return out;
  }
  // What the shell is told for each item: "W:" and the UTF-16 units, or "A:" and the bytes.
  std::map<std::string, std::string> shown(const List& folderList, const std::vector<List>& items) {
    std::map<std::string, std::string> out;
    shellFolder* f = new shellFolder();
    f->AddRef();
    f->Initialize(folderList);
    for (const List& it : items) {
      STRRET r = {};
      EXPECT_EQ(S_OK, f->GetDisplayNameOf(it, SHGDN_NORMAL, &r));
      if (r.uType == STRRET_WSTR) {
        out[shellItemName(it)] = "W:" + units(r.pOleStr);
        CoTaskMemFree(r.pOleStr);
      } else {
        out[shellItemName(it)] = std::string("A:") + r.cStr;
      }
    }
    f->Release();
    return out;
  }
  // The server's listing of a folder, as bytes.
  std::string serverListing(const std::string& dir) {
    std::string file = fhtest::tempPath("fh_xu_", "list.txt");
    EXPECT_EQ(0u, b->FTP_LIST(file.c_str(), dir.c_str(), nullptr, nullptr));
    std::string text = fhtest::readFile(file);
    DeleteFileA(file.c_str());
    return text;
  }
  unsigned long run(int command, LPCITEMIDLIST source, const std::string& localDir, thrdProgDlg* progress = nullptr) {
    inJob job(command, source);
    job.Engine = b;
    job.ProgressThread = progress;
    inTask* task = new inTask(source, nullptr);
    task->LocalDir = localDir;
    job.AddTask(task);
    const unsigned long rc = command == IN_CMD_UPLOAD ? inUploadTask(job, *task) : inDownloadTask(job, *task);
    job.ProgressThread = nullptr;
    return rc;
  }
  List childOf(const List& parent, const List& item) {
    List l = parent;
    l.own(*shellOwnItem(const_cast<LPITEMIDLIST>(static_cast<LPCITEMIDLIST>(item))));
    return l;
  }
  const List* find(const std::vector<List>& items, const std::wstring& wanted) {
    for (const List& it : items)
      if (shellItemWideName(it) == wanted) return &it;
    return nullptr;
  }

  std::map<std::string, std::string> env;
  unsigned port = 0;
  List site;
  vqFtpEngine* b = nullptr;
  std::string unique;
};
}  // namespace

// Automatic: the utf8/ listing reads as UTF-8, so the shell gets each name wide, and a download
// makes files and folders under those names; the server's bytes stay in the items.
TEST_F(XferUtf8, AutomaticSiteShowsAndDownloadsNamesInEveryScript) {
  Answers answers;
  const List utf8 = below(site, {"names", "utf8"});
  std::vector<List> items = enumerate(utf8);
  ASSERT_EQ(4u, items.size()) << answers.All();
  std::map<std::string, std::string> got = shown(utf8, items);
  const std::map<std::string, std::string> expected = {
      {"caf\xC3\xA9.txt", "W:" + units(kCafe)},
      {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.txt", "W:" + units(kPrivet)},
      {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", "W:" + units(kNihongo)},
      {"\xD0\xBF\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0", "W:" + units(kPapka)},
  };
  EXPECT_EQ(expected, got) << "item names keep the server's bytes; the shell gets the wide names";

  TempDir local("fh_xu_");
  for (const wchar_t* name : {kCafe, kPrivet, kNihongo, kPapka}) {
    const List* it = find(items, name);
    ASSERT_NE(nullptr, it) << units(name);
    EXPECT_EQ(0u, run(IN_CMD_DOWNLOAD, childOf(utf8, *it), local.path() + "\\")) << answers.All();
  }
  std::vector<std::wstring> names = localNames(local.path());
  std::vector<std::wstring> want = {kCafe, kPrivet, kPapka, kNihongo};
  std::sort(want.begin(), want.end());
  ASSERT_EQ(want.size(), names.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(units(want[i]), units(names[i]));
  const std::wstring dir = wide(local.path()) + L"\\";
  EXPECT_EQ("latin\n", readWide(dir + kCafe));
  EXPECT_EQ("cyrillic\n", readWide(dir + kPrivet));
  EXPECT_EQ("cjk\n", readWide(dir + kNihongo));
  EXPECT_EQ("inside\n", readWide(dir + kPapka + L"\\" + kFajl)) << "the folder's own file, its name wide too";
  EXPECT_TRUE(answers.texts.empty()) << answers.All();

  // The cached copy (Open, Print) is named after the whole remote path: wide too.
  vqAppParams* app = VQSMGR_GetAppParams();
  const std::string oldCache = app->GetDefCacheDir();
  app->SetDefCacheDir((local.path() + "\\").c_str());
  app->APP_SaveParams();
  inTask cached(childOf(utf8, *find(items, kPrivet)), nullptr);
  cached.GetLocalPath(IN_PATH_CACHED);
  const std::wstring real = cached.LocalReal.empty() ? shellFromCodePage(cached.LocalPath.c_str()) : cached.LocalReal;
  const std::wstring tail = std::wstring(L"\\root.names.utf8.") + kPrivet;
  ASSERT_GT(real.size(), tail.size());
  EXPECT_EQ(units(tail), units(real.substr(real.size() - tail.size())));
  app->SetDefCacheDir(oldCache.c_str());
  app->APP_SaveParams();
  removeWide(wide(local.path()));
}

// A name whose bytes are not UTF-8 keeps a listing from reading as UTF-8 by itself; with the site
// set to UTF-8 it shows a replacement mark and still downloads. Set to the code page, nothing is
// wide: the names go to the shell as they always did.
TEST_F(XferUtf8, NamesThatAreNotUtf8AndTheCodePageSetting) {
  Answers answers;
  const List mixed = below(site, {"names", "mixed"});
  std::map<std::string, std::string> got = shown(mixed, enumerate(mixed));
  EXPECT_EQ("A:ok-\xC3\xA9.txt", got["ok-\xC3\xA9.txt"]) << "automatic: one Latin-1 name spoils the listing";
  EXPECT_EQ("A:bad-\xE9.txt", got["bad-\xE9.txt"]);

  setNames(VQ_NAMES_UTF8);
  std::vector<List> items = enumerate(mixed);
  got = shown(mixed, items);
  EXPECT_EQ("W:" + units(L"ok-\u00E9.txt"), got["ok-\xC3\xA9.txt"]);
  EXPECT_EQ("W:" + units(L"bad-\uFFFD.txt"), got["bad-\xE9.txt"]);
  TempDir local("fh_xu_");
  const List* bad = find(items, L"bad-\uFFFD.txt");
  ASSERT_NE(nullptr, bad);
  EXPECT_EQ(0u, run(IN_CMD_DOWNLOAD, childOf(mixed, *bad), local.path() + "\\")) << answers.All();
  std::vector<std::wstring> names = localNames(local.path());
  ASSERT_EQ(1u, names.size()) << "no stand-in left behind";
  EXPECT_EQ(units(L"bad-\uFFFD.txt"), units(names[0]));
  EXPECT_EQ("latin-1\n", readWide(wide(local.path()) + L"\\" + names[0]));
  removeWide(wide(local.path()));

  setNames(VQ_NAMES_CODEPAGE);
  const List utf8 = below(site, {"names", "utf8"});
  got = shown(utf8, enumerate(utf8));
  EXPECT_EQ("A:caf\xC3\xA9.txt", got["caf\xC3\xA9.txt"]) << "the code page reads the bytes, as before";
  EXPECT_TRUE(answers.texts.empty()) << answers.All();
}

// Uploads, a rename and a new folder on a UTF-8 site give the server UTF-8 bytes; on a code-page
// site a name the code page lacks is refused with a reason and the other files still go.
TEST_F(XferUtf8, UploadRenameAndNewFolderSendTheServersEncoding) {
  Answers answers;
  TempDir local("fh_xu_");
  const std::string up = "up" + unique;
  const std::wstring upDir = wide(local / up);
  ASSERT_TRUE(CreateDirectoryW(upDir.c_str(), nullptr));
  writeWide(upDir + L"\\\u0401\u0436.txt", "hedgehog\n");  // Ёж.txt
  writeWide(upDir + L"\\na\u00EFve.txt", "naive\n");
  const List drop = below(site, {"names", "drop"});
  setNames(VQ_NAMES_UTF8);
  ASSERT_EQ(0u, run(IN_CMD_UPLOAD, below(site, {"names", "drop"}, VQ_KIND_OBJECT, up.c_str()), local.path() + "\\"))
      << answers.All();
  std::string listing = serverListing("/names/drop/" + up);
  EXPECT_NE(std::string::npos, listing.find(" \xD0\x81\xD0\xB6.txt")) << listing;
  EXPECT_NE(std::string::npos, listing.find(" na\xC3\xAFve.txt")) << listing;

  // Rename through the folder, as the shell's label edit ends.
  const List upList = below(site, {"names", "drop", up});
  std::vector<List> items = enumerate(upList);
  const List* hedgehog = find(items, L"\u0401\u0436.txt");
  ASSERT_NE(nullptr, hedgehog) << items.size() << " items\n" << answers.All();
  shellFolder* f = new shellFolder();
  f->AddRef();
  f->Initialize(upList);
  EXPECT_EQ(S_OK, f->SetNameOf(nullptr, *hedgehog, L"\u0416\u0443\u043A.txt", 0, nullptr)) << answers.All();  // Жук
  f->Release();
  listing = serverListing("/names/drop/" + up);
  EXPECT_NE(std::string::npos, listing.find(" \xD0\x96\xD1\x83\xD0\xBA.txt")) << listing;
  EXPECT_EQ(std::string::npos, listing.find(" \xD0\x81\xD0\xB6.txt")) << listing;

  // A new folder, typed in the dialog a character at a time, as a person types it. Windows keeps
  // the text of an edit made narrow in the code page ("?" for the rest); Wine keeps it wide all the
  // same, so the dialog and its edit must be wide windows.
  dlgFolder dialog(static_cast<LPCITEMIDLIST>(upList));
  std::wstring typed;
  bool wideWindows = false;
  ui::WithDriver(
      "Remote Folder Name", [&] { return dialog.DoModal(nullptr); },
      [&](HWND dlg) {
        HWND edit = GetDlgItem(dlg, IDC_FOLDER_NAME);
        wideWindows = IsWindowUnicode(dlg) && IsWindowUnicode(edit);
        for (wchar_t c : std::wstring(L" \u65B0\u3057\u3044 ")) SendMessageW(edit, WM_CHAR, c, 1);  // 新しい
        typed = textOf(dlg, IDC_FOLDER_NAME);
        ui::Click(dlg, IDOK);
      });
  EXPECT_EQ(units(L" \u65B0\u3057\u3044 "), units(typed));
  EXPECT_TRUE(wideWindows);
  EXPECT_EQ("\xE6\x96\xB0\xE3\x81\x97\xE3\x81\x84", dialog.m_name);
  EXPECT_TRUE(dialog.m_utf8);
  listing = serverListing("/names/drop/" + up);
  EXPECT_NE(std::string::npos, listing.find(" \xE6\x96\xB0\xE3\x81\x97\xE3\x81\x84\r\n")) << listing;
  EXPECT_TRUE(answers.texts.empty()) << answers.All();

  // The code page: what it carries goes in its bytes, the rest is refused with a reason.
  setNames(VQ_NAMES_CODEPAGE);
  const std::string up2 = "cp" + unique;
  const std::wstring cpDir = wide(local / up2);
  ASSERT_TRUE(CreateDirectoryW(cpDir.c_str(), nullptr));
  const std::wstring names[] = {L"na\u00EFve.txt", L"\u65E5.txt", L"\u0416.txt"};  // naïve, 日, Ж
  size_t carried = 0;
  for (const std::wstring& n : names) writeWide(cpDir + L"\\" + n, "x\n");
  answers.reply = IDOK;
  const unsigned long rc =
      run(IN_CMD_UPLOAD, below(site, {"names", "drop"}, VQ_KIND_OBJECT, up2.c_str()), local.path() + "\\");
  listing = serverListing("/names/drop/" + up2);
  for (const std::wstring& n : names) {
    std::string bytes;
    const bool fits = shellToCodePage(n.c_str(), bytes);
    carried += fits;
    if (fits) {
      EXPECT_NE(std::string::npos, listing.find(" " + bytes + "\r\n")) << units(n) << "\n" << listing;
    }
  }
  EXPECT_EQ(carried, static_cast<size_t>(std::count(listing.begin(), listing.end(), '\n'))) << listing;
  ASSERT_LT(carried, std::size(names)) << "code page " << GetACP() << " carries every test name";
  EXPECT_NE(0u, rc);
  EXPECT_TRUE(answers.Saw("holds characters this server's names cannot carry")) << answers.All();
  removeWide(upDir);
  removeWide(cpDir);
}

// The progress window names the file being fetched as the server's UTF-8 names read, under any
// code page: its name in the title, the remote folder on the source line, the local folder (made
// under its wide name) on the destination line.
TEST_F(XferUtf8, TheProgressWindowShowsTheNamesWhole) {
  Answers answers;
  const List utf8 = below(site, {"names", "utf8"});
  std::vector<List> items = enumerate(utf8);
  TempDir local("fh_xu_");
  const std::wstring dir = wide(local.path()) + L"\\";
  thrdProgDlg progress;
  ASSERT_TRUE(progress.Start());
  void* h = progress.Handle();
  ASSERT_NE(nullptr, h);
  struct {
    const wchar_t* item;
    std::wstring title, source, dest;  // the title ends with the file's name
  } cases[] = {
      {kPrivet, kPrivet, L"/names/utf8", dir},
      {kNihongo, kNihongo, L"/names/utf8", dir},
      {kPapka, kFajl, std::wstring(L"/names/utf8/") + kPapka, dir + kPapka + L"\\"},
  };
  for (const auto& c : cases) {
    const List* it = find(items, c.item);
    ASSERT_NE(nullptr, it) << units(c.item);
    VQPROG_Open(h, 3);
    EXPECT_EQ(0u, run(IN_CMD_DOWNLOAD, childOf(utf8, *it), local.path() + "\\", &progress)) << answers.All();
    HWND w = nullptr;
    for (int i = 0; i < 250 && !(w && IsWindowVisible(w) && !VQPROG_IsRefreshPending(h)); ++i, Sleep(20))
      w = static_cast<HWND>(VQPROG_GetWindow(h));
    ASSERT_NE(nullptr, w);
    const std::wstring title = textOf(w);
    EXPECT_TRUE(endsWith(title, c.title)) << units(title) << "\nwants the end " << units(c.title);
    EXPECT_EQ(units(c.source), units(textOf(w, IDC_PROG_SOURCE)));
    EXPECT_EQ(units(c.dest), units(textOf(w, IDC_PROG_DEST)));
    VQPROG_Close(h);
  }
  EXPECT_TRUE(progress.Stop(5000));
  EXPECT_TRUE(answers.texts.empty()) << answers.All();
  removeWide(wide(local.path()));
}

// Files named beyond the code page at the top of an upload: the names a drop's CF_HDROP and the
// file dialog hand over are read wide, and the upload sends each file (and a folder with its
// file) to the UTF-8 server under its name's UTF-8 bytes.
TEST_F(XferUtf8, DroppedAndChosenFilesUploadUnderTheirOwnNames) {
  Answers answers;
  setNames(VQ_NAMES_UTF8);
  TempDir local("fh_xu_");
  const std::wstring dir = wide(local.path()) + L"\\";
  const std::wstring chosen[] = {dir + kPrivet, dir + kNihongo, dir + kPapka};
  writeWide(chosen[0], "cyrillic\n");
  writeWide(chosen[1], "cjk\n");
  ASSERT_TRUE(CreateDirectoryW(chosen[2].c_str(), nullptr));
  writeWide(chosen[2] + L"\\" + kFajl, "inside\n");

  // What the shell reads from each source of names.
  const std::wstring one = dir + kPrivet;
  std::wstring many = dir;
  many.pop_back();
  many += L'\0';
  for (const wchar_t* n : {kPrivet, kNihongo, kPapka}) many += std::wstring(n) + L'\0';
  many += L'\0';
  fhtest::TestData* drop = new fhtest::TestData();
  drop->Put(CF_HDROP, fhtest::wideHdrop({chosen[0], chosen[1], chosen[2]}));
  const std::vector<std::wstring> all(std::begin(chosen), std::end(chosen));
  struct {
    const char* source;
    std::vector<std::wstring> files, want;
  } sources[] = {
      {"drop", shellDropFiles(drop), all},
      {"dialog, one file", shellChosenFiles((one + L'\0').c_str()), {one}},
      {"dialog, several", shellChosenFiles(many.c_str()), all},
  };
  drop->Release();
  for (const auto& s : sources) {
    const std::vector<std::wstring>& want = s.want;
    ASSERT_EQ(want.size(), s.files.size()) << s.source;
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(units(want[i]), units(s.files[i])) << s.source;
  }

  // The upload from the shell's command, as a drop or a paste runs it, into a new remote folder.
  const std::string up = "top" + unique;
  ASSERT_EQ(0u, b->FTP_MKD(("/names/drop/" + up).c_str()));
  const List target = below(site, {"names", "drop", up});
  shellCommand command(nullptr, target, 0, nullptr);
  ASSERT_EQ(S_OK, command.UploadFiles(sources[0].files, false));
  const std::string want[] = {utf8Of(kPrivet), utf8Of(kNihongo), utf8Of(kPapka)};
  std::string listing;
  for (int i = 0; i < 300; ++i, Sleep(100)) {
    listing = serverListing("/names/drop/" + up);
    bool arrived = shellApp::Get().GetEngineManager().IsFree(target);
    for (const std::string& w : want) arrived = arrived && listing.find(" " + w + "\r\n") != std::string::npos;
    if (arrived) break;
  }
  for (const std::string& w : want) EXPECT_NE(std::string::npos, listing.find(" " + w + "\r\n")) << listing;
  const std::string inside = serverListing("/names/drop/" + up + "/" + want[2]);
  EXPECT_NE(std::string::npos, inside.find(" " + utf8Of(kFajl) + "\r\n")) << inside;
  EXPECT_TRUE(answers.texts.empty()) << answers.All();
  removeWide(wide(local.path()));
}

// A folder named beyond the code page has its listing cached under a name every code page
// reads the same (the raw UTF-8 bytes are no name at all under some), and the shell finds that
// file again by the folder's list.
TEST_F(XferUtf8, ListingCacheOfAFolderNamedInAnyScript) {
  Answers answers;
  setNames(VQ_NAMES_UTF8);
  const std::string up = "cache" + unique;
  ASSERT_EQ(0u, b->FTP_MKD(("/names/drop/" + up).c_str()));
  for (const wchar_t* name : {kPapka, L"\u65E5\u672C\u8A9E"}) {
    const std::string bytes = utf8Of(name);
    ASSERT_EQ(0u, b->FTP_MKD(("/names/drop/" + up + "/" + bytes).c_str()));
    const List folder = below(site, {"names", "drop", up, bytes});
    shellPidl pidl(GetModuleHandleA(nullptr));
    pidl.SetCacheDir(shellApp::Get().GetCacheDir().c_str());
    std::string cache;
    ASSERT_TRUE(pidl.CacheFileName(folder, false, cache));
    for (char ch : cache) ASSERT_TRUE(ch >= 0x20 && ch < 0x7F) << cache;
    DeleteFileA(cache.c_str());
    EXPECT_TRUE(enumerate(folder).empty()) << answers.All();
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(cache.c_str())) << cache << "\n" << answers.All();
  }
  EXPECT_TRUE(answers.texts.empty()) << answers.All();
}

// A failure's message box is narrow: on a UTF-8 site the name in it reads as the code page writes
// it ("?" where it lacks a letter), never as UTF-8 bytes read in the code page; elsewhere the text
// is shown as it is.
TEST(XferUtf8Messages, FailureTextsShowTheServersNamesInTheCodePage) {
  const std::string privet = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";  // Привет, as the server sends it
  char cp[64] = "";
  WideCharToMultiByte(CP_ACP, 0, L"\u041F\u0440\u0438\u0432\u0435\u0442", -1, cp, sizeof cp, "?", nullptr);
  const std::string reason = "Unable to download /names/" + privet + ".txt.";
  for (bool utf8 : {true, false}) {
    SCOPED_TRACE(utf8 ? "UTF-8 site" : "code-page site");
    for (bool more : {false, true}) {
      Answers answers;
      inAskGoOn(reason, "Go on?", more, utf8);
      ASSERT_EQ(1u, answers.texts.size());
      const std::string& shown = answers.texts[0];
      if (utf8) {
        EXPECT_NE(std::string::npos, shown.find(std::string("/names/") + cp + ".txt")) << shown;
        EXPECT_EQ(std::string::npos, shown.find(privet)) << "UTF-8 bytes shown as code-page text";
      } else {
        EXPECT_EQ(0u, shown.find(reason)) << "a code-page site's text is shown as it is";
      }
      EXPECT_EQ(more, shown.find("Go on?") != std::string::npos);
    }
  }
}
