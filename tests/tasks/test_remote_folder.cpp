// A remote folder as the shell meets it: the registered module, reached from the desktop through
// its class identifier, binds to a site and lists the server's folders; and the wait for a slow
// listing asks whether to go on waiting, as often as the time-out passes.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>

#include "fhShellSetup.h"
#include "shellApp.h"
#include "inEnumMgr.h"
#include "shellEnum.h"
#include "shellItems.h"
#include "tasksTestSupport.h"
#include "vqComPtr.h"

using namespace taskstest;
using shelltest::List;

namespace {
const wchar_t* const kJunction = fhtest::kFarhollowJunction;

// Names of a folder's children, and the child named `want` (caller frees).
std::vector<std::string> children(IShellFolder* folder, const char* want, LPITEMIDLIST* found) {
  std::vector<std::string> names;
  vqComPtr<IEnumIDList> list;
  EXPECT_EQ(S_OK, folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, list.Put()));
  if (!list) return names;
  LPITEMIDLIST id;
  ULONG got = 0;
  while (list->Next(1, &id, &got) == S_OK) {
    names.push_back(shellItemName(id));
    if (found && want && names.back() == want && !*found)
      *found = id;
    else
      CoTaskMemFree(id);
  }
  std::sort(names.begin(), names.end());
  return names;
}
std::string joined(const std::vector<std::string>& names) {
  std::string s;
  for (auto& n : names) s += (s.empty() ? "" : ",") + n;
  return s;
}
}  // namespace

TEST(RemoteFolder, TheRegisteredModuleListsTheServersFoldersFromTheDesktop) {
  if (fhtest::ftpServers().empty()) GTEST_SKIP() << "run through ctest, which starts the servers";
  ASSERT_EQ(0u, fhtest::regsvr32(false));
  saveSite("Shell Path", static_cast<unsigned>(atoi(fhtest::ftpServers()["FTP_A_PORT"].c_str())));
  ASSERT_EQ(S_OK, OleInitialize(nullptr));
  {
    vqComPtr<IShellFolder> desktop;
    ASSERT_EQ(S_OK, SHGetDesktopFolder(desktop.Put()));
    LPITEMIDLIST root = nullptr;
    ASSERT_EQ(S_OK,
              desktop->ParseDisplayName(nullptr, nullptr, const_cast<LPWSTR>(kJunction), nullptr, &root, nullptr));
    vqComPtr<IShellFolder> sites;
    ASSERT_EQ(S_OK, desktop->BindToObject(root, nullptr, IID_IShellFolder, sites.PutVoid()));
    LPITEMIDLIST siteItem = nullptr;
    std::vector<std::string> top = children(sites.Get(), "Shell Path", &siteItem);
    ASSERT_NE(nullptr, siteItem) << joined(top);
    EXPECT_EQ(VQ_KIND_FTPSITE, shellItemKind(siteItem));

    vqComPtr<IShellFolder> site;
    ASSERT_EQ(S_OK, sites->BindToObject(siteItem, nullptr, IID_IShellFolder, site.PutVoid()));
    LPITEMIDLIST pubItem = nullptr;
    EXPECT_EQ("documents,incoming,pub,welcome.txt", joined(children(site.Get(), "pub", &pubItem)));
    ASSERT_NE(nullptr, pubItem);
    EXPECT_EQ(VQ_KIND_FOLDER, shellItemKind(pubItem));
    vqComPtr<IShellFolder> pub;
    ASSERT_EQ(S_OK, site->BindToObject(pubItem, nullptr, IID_IShellFolder, pub.PutVoid()));
    EXPECT_EQ("big.bin,docs,five.txt,latest,src,with blank.txt", joined(children(pub.Get(), nullptr, nullptr)));
    CoTaskMemFree(pubItem);
    CoTaskMemFree(siteItem);
    CoTaskMemFree(root);
  }
  OleUninitialize();
  EXPECT_EQ(0u, fhtest::regsvr32(true));
}

TEST(RemoteFolder, ASlowListingAsksToWaitLongerUntilTheUserStops) {
  Messages::Get().Clear();
  ScriptServer server;
  server.replyDelayMs = 3000;  // every reply in time (5 s), the whole listing not
  List site = saveSite("Slow Site", server.Port(), [](vqSiteParams& s) { s.SetTimeout(5); });
  Messages::Get().answers = {IDYES, IDNO};
  auto* into = new shellEnum();
  into->AddRef();
  DWORD start = GetTickCount();
  unsigned long rc = shellRemoteItems(site, *into);
  DWORD waited = GetTickCount() - start;
  std::string texts = Messages::Get().All();
  const std::string question =
      "[Farhollow timed out waiting for the directory listing to be completed. Would you like to continue waiting "
      "for another 5 seconds?]";
  EXPECT_EQ(question + question, texts.substr(0, 2 * question.size())) << texts;
  EXPECT_EQ(0xFFFFul, rc) << "an abandoned listing reported success";
  EXPECT_EQ(0u, into->Count());
  EXPECT_GE(waited, 10000u) << "Yes did not wait another period";
  into->Drop();
}

// A listing that failed is not remembered: once the folder exists, the next look finds it filled.
TEST(RemoteFolder, AFailedListingIsAskedAgainNextTime) {
  if (fhtest::ftpServers().empty()) GTEST_SKIP() << "run through ctest, which starts the servers";
  Messages::Get().Clear();
  Messages::Get().answers = {IDOK, IDOK};
  char leaf[64];
  snprintf(leaf, sizeof leaf, "later-%lu", GetCurrentProcessId());
  saveSite("Later Site", static_cast<unsigned>(atoi(fhtest::ftpServers()["FTP_A_PORT"].c_str())));
  List later =
      List().foreign(20).own(VQ_KIND_FTPSITE, "Later Site").own(VQ_KIND_FOLDER, "incoming").own(VQ_KIND_FOLDER, leaf);
  inEnumMgr& enums = shellApp::Get().GetEnumManager();
  enums.Flush(later);
  size_t before = enums.CachedCount();

  shellEnum* first = enums.GetEnum(later, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);
  ASSERT_NE(nullptr, first);
  EXPECT_NE(0ul, first->GetResult()) << "the folder is not on the server yet";
  first->Release();
  EXPECT_EQ(before, enums.CachedCount()) << "the failure was kept";

  std::string dir = winPath(fhtest::ftpServers()["FTP_A_ROOT"]) + "\\incoming\\" + leaf;
  CreateDirectoryA(dir.c_str(), nullptr);
  std::ofstream(dir + "\\arrived.txt") << "x\n";
  shellEnum* second = enums.GetEnum(later, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(0ul, second->GetResult());
  EXPECT_EQ(1u, second->Count());
  second->Release();
  enums.Flush(later);
}
