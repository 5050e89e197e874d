// fh32.dll as the shell meets it: registered with regsvr32 in the prefix, reached from the desktop
// folder through its class identifier, enumerated, bound, compared and asked for icons; the keys
// each icon placement writes and what unregistering leaves; unloading with no objects alive.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fhShellSetup.h"
#include "shellItems.h"
#include "vqAppParams.h"
#include "vqComPtr.h"
#include "vqSiteParams.h"

namespace {
const char kClsid[] = "{5E0C7A31-0000-0000-0002-000007310412}";
const wchar_t* const kJunction = fhtest::kFarhollowJunction;
const CLSID kFarhollow = {0x5E0C7A31, 0, 0, {0, 2, 0, 0, 7, 0x31, 4, 0x12}};
const char kSettings[] = "SoftWare\\Quillon\\Farhollow\\Settings";
const char* const kPlaces[] = {"Desktop", "MyComputer", "Internet", "NetworkNeighborhood"};

std::string nameSpace(const char* place) {
  return std::string("SoftWare\\Microsoft\\Windows\\CurrentVersion\\Explorer\\") + place + "\\NameSpace\\" + kClsid;
}
bool exists(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}
std::string text(HKEY root, const std::string& path, const char* name) {
  char buf[1024] = {};
  DWORD size = sizeof buf - 1;
  if (RegGetValueA(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS) return "<missing>";
  return buf;
}
DWORD binary(HKEY root, const std::string& path, const char* name) {
  DWORD v = 0, size = sizeof v;
  if (RegGetValueA(root, path.c_str(), name, RRF_RT_REG_BINARY, nullptr, &v, &size) != ERROR_SUCCESS) return 0;
  return v;
}
std::string classKey(const char* sub = nullptr) {
  return std::string("CLSID\\") + kClsid + (sub ? std::string("\\") + sub : "");
}
void setPlacement(unsigned place) {
  vqAppParams* app = VQSMGR_GetAppParams();
  ASSERT_NE(nullptr, app);
  app->SetIconPlacement(place);
  app->APP_SaveParams();
}

struct Registered : ::testing::Test {
  void SetUp() override { ASSERT_EQ(0u, fhtest::regsvr32(false)); }
  void TearDown() override { EXPECT_EQ(0u, fhtest::regsvr32(true)); }
};

// The store the folder shows: a category holding one site, and two sites at the top.
void seedStore() {
  RegDeleteTreeA(HKEY_CURRENT_USER, "SoftWare\\Quillon\\Farhollow\\FTP-Sites");
  vqSiteParams s(2);
  s.SITE_InitParams(1, nullptr);
  s.SetURL("beta.example");
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "beta"));
  s.SetIsCategory(1);
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "Work"));
  s.SetIsCategory(0);
  s.SetURL("alpha.example");
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "Alpha"));
  s.SetURL("inner.example");
  ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites\\Work", "Inner"));
}

struct Item {
  int kind;
  std::string name;
  LPITEMIDLIST id;
};
std::vector<Item> enumerate(IShellFolder* folder, SHCONTF flags) {
  std::vector<Item> out;
  vqComPtr<IEnumIDList> list;
  EXPECT_EQ(S_OK, folder->EnumObjects(nullptr, flags, list.Put()));
  if (!list) return out;
  LPITEMIDLIST id;
  ULONG got = 0;
  while (list->Next(1, &id, &got) == S_OK) {
    EXPECT_EQ(1u, got);
    STRRET name;
    char buf[MAX_PATH] = {};
    EXPECT_EQ(S_OK, folder->GetDisplayNameOf(id, SHGDN_FORPARSING, &name));
    EXPECT_EQ(static_cast<UINT>(STRRET_CSTR), name.uType);
    lstrcpynA(buf, name.cStr, sizeof buf);
    out.push_back({shellItemKind(id), buf, id});
  }
  EXPECT_EQ(0u, got) << "an exhausted list hands out nothing";
  return out;
}
std::string names(const std::vector<Item>& items) {
  std::string s;
  for (const Item& it : items) s += (s.empty() ? "" : ",") + it.name;
  return s;
}
void freeAll(std::vector<Item>& items) {
  for (Item& it : items) CoTaskMemFree(it.id);
  items.clear();
}
}  // namespace

TEST_F(Registered, IconPlacementDecidesTheMountPointAndUnregisterRemovesEveryKey) {
  EXPECT_EQ(fhtest::fh32Path(), text(HKEY_CLASSES_ROOT, classKey("InprocServer32"), nullptr));
  EXPECT_EQ("Apartment", text(HKEY_CLASSES_ROOT, classKey("InprocServer32"), "ThreadingModel"));
  // The shell asks the copy hook before it copies a folder: the placeholder of a drag is one.
  const char copyHook[] = "Directory\\shellex\\CopyHookHandlers\\Farhollow";
  EXPECT_EQ("{5E0C7A31-0000-0000-0002-000007310412}", text(HKEY_CLASSES_ROOT, copyHook, nullptr));
  struct Row {
    unsigned placement;
    const char* place;
    DWORD attributes;
    const char* verb;
  } rows[] = {
      {1, "MyComputer", 0xA0000030, ""},
      {2, "Internet", 0xA0000030, ""},
      {3, "NetworkNeighborhood", 0xA0000030, ""},
      {0, "Desktop", 0xA0000060, "Launch"},
  };
  for (const Row& row : rows) {
    setPlacement(row.placement);
    ASSERT_EQ(0u, fhtest::regsvr32(false)) << row.place;
    for (const char* place : kPlaces)
      EXPECT_EQ(!strcmp(place, row.place), exists(HKEY_LOCAL_MACHINE, nameSpace(place))) << row.place << " " << place;
    EXPECT_EQ("Farhollow", text(HKEY_LOCAL_MACHINE, nameSpace(row.place), nullptr));
    EXPECT_EQ(row.attributes, binary(HKEY_CLASSES_ROOT, classKey("ShellFolder"), "Attributes")) << row.place;
    EXPECT_EQ(row.verb, text(HKEY_CLASSES_ROOT, classKey("Shell"), nullptr)) << row.place;
    EXPECT_NE("<missing>", text(HKEY_CURRENT_USER, kSettings, "ColWidths"));
  }
  // Out-of-range widths are limited when the module reads them and written back limited.
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  const char widths[] = "900,-5,120|1,2";
  RegSetValueExA(key, "ColWidths", 0, REG_SZ, reinterpret_cast<const BYTE*>(widths), sizeof widths);
  RegCloseKey(key);
  ASSERT_EQ(0u, fhtest::regsvr32(false));
  EXPECT_EQ("500,0,120,200,80,120|1,2,200,200,80,120", text(HKEY_CURRENT_USER, kSettings, "ColWidths"));

  ASSERT_EQ(0u, fhtest::regsvr32(true));
  EXPECT_FALSE(exists(HKEY_CLASSES_ROOT, classKey()));
  EXPECT_FALSE(exists(HKEY_CLASSES_ROOT, copyHook));
  for (const char* place : kPlaces) EXPECT_FALSE(exists(HKEY_LOCAL_MACHINE, nameSpace(place))) << place;
  EXPECT_EQ("<missing>", text(HKEY_CURRENT_USER, kSettings, "ColWidths"));
  EXPECT_TRUE(exists(HKEY_CURRENT_USER, kSettings)) << "the user's settings stay";
}

TEST_F(Registered, DesktopReachesTheFolderThroughItsClassIdentifier) {
  seedStore();
  ASSERT_EQ(S_OK, OleInitialize(nullptr));
  {
    vqComPtr<IShellFolder> desktop;
    ASSERT_EQ(S_OK, SHGetDesktopFolder(desktop.Put()));
    LPITEMIDLIST root = nullptr;
    ASSERT_EQ(S_OK,
              desktop->ParseDisplayName(nullptr, nullptr, const_cast<LPWSTR>(kJunction), nullptr, &root, nullptr));
    vqComPtr<IShellFolder> folder;
    ASSERT_EQ(S_OK, desktop->BindToObject(root, nullptr, IID_IShellFolder, folder.PutVoid()));
    vqComPtr<IPersistFolder2> persist;
    ASSERT_EQ(S_OK, folder->QueryInterface(IID_IPersistFolder2, persist.PutVoid()));
    LPITEMIDLIST current = nullptr;
    ASSERT_EQ(S_OK, persist->GetCurFolder(&current));
    EXPECT_TRUE(ILIsEqual(root, current));
    CoTaskMemFree(current);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, folder->QueryInterface(IID_IEnumFORMATETC, &none));
    EXPECT_EQ(nullptr, none);

    // Everything, then only folders (no wizard entry), then only the rest (the wizard entry).
    std::vector<Item> all = enumerate(folder.Get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);
    ASSERT_EQ(4u, all.size()) << names(all);
    EXPECT_EQ(VQ_KIND_WIZARD, all[0].kind);
    EXPECT_EQ("FTP Site Wizard", all[0].name);
    EXPECT_EQ(VQ_KIND_CATEGORY, all[1].kind);
    EXPECT_EQ("Work", all[1].name);
    EXPECT_EQ(VQ_KIND_FTPSITE, all[2].kind);
    EXPECT_EQ(VQ_KIND_FTPSITE, all[3].kind);
    std::vector<Item> folders = enumerate(folder.Get(), SHCONTF_FOLDERS);
    EXPECT_EQ(3u, folders.size()) << names(folders);
    std::vector<Item> others = enumerate(folder.Get(), SHCONTF_NONFOLDERS);
    EXPECT_EQ("FTP Site Wizard", names(others));
    freeAll(folders);
    freeAll(others);

    // The folder's order: wizard, categories, then sites by name whatever their case; every
    // answer is a success code, "less than" included.
    std::vector<Item> sorted = all;
    std::reverse(sorted.begin(), sorted.end());
    std::sort(sorted.begin(), sorted.end(), [&](const Item& a, const Item& b) {
      HRESULT hr = folder->CompareIDs(0, a.id, b.id);
      EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
      return static_cast<short>(HRESULT_CODE(hr)) < 0;
    });
    EXPECT_EQ("FTP Site Wizard,Work,Alpha,beta", names(sorted));
    EXPECT_EQ(S_OK, folder->CompareIDs(0, all[1].id, all[1].id));

    // Attributes: containers browse, the wizard entry is nothing the shell may open or drop on,
    // and a mixed selection keeps only what all share.
    LPCITEMIDLIST one[] = {all[2].id}, mixed[] = {all[2].id, all[0].id};
    SFGAOF bits = 0;
    EXPECT_EQ(S_OK, folder->GetAttributesOf(1, one, &bits));
    EXPECT_EQ(SHELL_CONTAINER_ATTRIBUTES, bits);
    EXPECT_TRUE(bits & SFGAO_FOLDER);
    bits = SFGAO_FOLDER;
    EXPECT_EQ(S_OK, folder->GetAttributesOf(2, mixed, &bits));
    EXPECT_EQ(0u, bits);

    // Icons through the wide interface as Wine's shell asks them: this module's file, our index.
    struct IconRow {
      const Item* item;
      UINT flags;
      int index;
    } icons[] = {{&all[0], 0, -1001},
                 {&all[1], 0, -1002},
                 {&all[1], GIL_OPENICON, -1003},
                 {&all[2], 0, -1004},
                 {&all[2], GIL_OPENICON, -1005}};
    for (const IconRow& row : icons) {
      LPCITEMIDLIST sel[] = {row.item->id};
      vqComPtr<IExtractIconW> wide;
      ASSERT_EQ(S_OK, folder->GetUIObjectOf(nullptr, 1, sel, IID_IExtractIconW, nullptr, wide.PutVoid()));
      wchar_t file[MAX_PATH] = {};
      int index = 0;
      UINT out = 0;
      ASSERT_EQ(S_OK, wide->GetIconLocation(row.flags, file, MAX_PATH, &index, &out)) << row.item->name;
      char narrow[MAX_PATH] = {};
      WideCharToMultiByte(CP_ACP, 0, file, -1, narrow, sizeof narrow, nullptr, nullptr);
      EXPECT_STRCASEEQ(fhtest::fh32Path().c_str(), narrow);
      EXPECT_EQ(row.index, index) << row.item->name;
      EXPECT_EQ(static_cast<UINT>(GIL_PERINSTANCE | GIL_NOTFILENAME), out);
      EXPECT_EQ(E_INVALIDARG, wide->GetIconLocation(row.flags, file, 4, &index, &out)) << "short buffer";
      HICON large = nullptr, small = nullptr;
      EXPECT_EQ(S_OK, wide->Extract(file, index, &large, &small, MAKELONG(32, 16)));
      EXPECT_NE(nullptr, large);
      EXPECT_NE(nullptr, small);
      if (large) DestroyIcon(large);
      if (small) DestroyIcon(small);
      vqComPtr<IExtractIconA> ansi;
      ASSERT_EQ(S_OK, wide.Get()->QueryInterface(IID_IExtractIconA, ansi.PutVoid()));
      char afile[MAX_PATH] = {};
      ASSERT_EQ(S_OK, ansi->GetIconLocation(row.flags, afile, MAX_PATH, &index, &out));
      EXPECT_STRCASEEQ(fhtest::fh32Path().c_str(), afile);
      EXPECT_EQ(row.index, index);
    }

    // Two sites' data object: their kind format first, the items as the shell's ID list array.
    {
      LPCITEMIDLIST sel[] = {all[2].id, all[3].id};
      vqComPtr<IDataObject> data;
      ASSERT_EQ(S_OK, folder->GetUIObjectOf(nullptr, 2, sel, IID_IDataObject, nullptr, data.PutVoid()));
      vqComPtr<IEnumFORMATETC> formats;
      ASSERT_EQ(S_OK, data->EnumFormatEtc(DATADIR_GET, formats.Put()));
      EXPECT_EQ(S_OK, formats->Skip(3));
      EXPECT_EQ(S_FALSE, formats->Skip(2)) << "one left to skip";
      EXPECT_EQ(S_OK, formats->Reset());
      FORMATETC f[5];
      ULONG got = 0;
      EXPECT_EQ(S_FALSE, formats->Next(5, f, &got));
      ASSERT_EQ(4u, got) << "sites travel without virtual files";
      EXPECT_EQ(RegisterClipboardFormatA(CFSTR_PREFERREDDROPEFFECT), f[3].cfFormat);
      const UINT idList = RegisterClipboardFormatA(CFSTR_SHELLIDLIST);
      EXPECT_EQ(RegisterClipboardFormatA("VQ_OBTYPE_FTPSITE"), f[0].cfFormat);
      EXPECT_EQ(CF_HDROP, f[1].cfFormat);
      EXPECT_EQ(idList, f[2].cfFormat);
      EXPECT_EQ(S_OK, data->QueryGetData(&f[2]));
      FORMATETC text = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
      EXPECT_EQ(DV_E_FORMATETC, data->QueryGetData(&text));
      STGMEDIUM medium = {};
      ASSERT_EQ(S_OK, data->GetData(&f[2], &medium));
      const CIDA* cida = static_cast<const CIDA*>(GlobalLock(medium.hGlobal));
      ASSERT_EQ(2u, cida->cidl);
      auto at = [&](unsigned i) {
        return reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(cida) + cida->aoffset[i]);
      };
      EXPECT_TRUE(ILIsEqual(root, at(0)));
      EXPECT_EQ(all[2].name, shellItemName(at(1)));
      EXPECT_EQ(all[3].name, shellItemName(at(2)));
      GlobalUnlock(medium.hGlobal);
      ReleaseStgMedium(&medium);
      // The kind format carries the items back to back; the dropped file is the cache directory.
      ASSERT_EQ(S_OK, data->GetData(&f[0], &medium));
      EXPECT_EQ(2u * VQ_ITEMID_SIZE + 2, GlobalSize(medium.hGlobal));
      ReleaseStgMedium(&medium);
      ASSERT_EQ(S_OK, data->GetData(&f[1], &medium));
      char dropped[MAX_PATH] = {};
      EXPECT_EQ(1u, DragQueryFileA(static_cast<HDROP>(medium.hGlobal), 0xFFFFFFFF, nullptr, 0));
      DragQueryFileA(static_cast<HDROP>(medium.hGlobal), 0, dropped, sizeof dropped);
      EXPECT_NE(nullptr, strstr(CharLowerA(dropped), "vqcache")) << dropped;
      EXPECT_EQ(GetFileAttributesA(dropped) & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));
      ReleaseStgMedium(&medium);

      // Dragging the selection: Escape cancels, letting go of both buttons drops.
      vqComPtr<IDropSource> source;
      ASSERT_EQ(S_OK, data->QueryInterface(IID_IDropSource, source.PutVoid()));
      struct {
        BOOL escape;
        DWORD keys;
        HRESULT result;
      } drags[] = {{TRUE, MK_LBUTTON, DRAGDROP_S_CANCEL},
                   {FALSE, 0, DRAGDROP_S_DROP},
                   {FALSE, MK_SHIFT, DRAGDROP_S_DROP},
                   {FALSE, MK_LBUTTON, S_OK},
                   {FALSE, MK_RBUTTON, S_OK}};
      for (const auto& d : drags) EXPECT_EQ(d.result, source->QueryContinueDrag(d.escape, d.keys)) << d.keys;
      vqComPtr<IShellExtInit> init;
      ASSERT_EQ(S_OK, data->QueryInterface(IID_IShellExtInit, init.PutVoid()));
      EXPECT_EQ(S_OK, init->Initialize(nullptr, data.Get(), nullptr));
      EXPECT_EQ(S_OK, init->Initialize(nullptr, nullptr, nullptr)) << "the data object kept before is let go";
    }

    // The shell's own helper over the absolute list: our name and an icon.
    LPITEMIDLIST site = ILCombine(root, all[2].id);
    SHFILEINFOA info = {};
    ASSERT_NE(0u, SHGetFileInfoA(reinterpret_cast<LPCSTR>(site), 0, &info, sizeof info,
                                 SHGFI_PIDL | SHGFI_DISPLAYNAME | SHGFI_ICON | SHGFI_SMALLICON));
    EXPECT_EQ(all[2].name, info.szDisplayName);
    EXPECT_NE(nullptr, info.hIcon);
    if (info.hIcon) DestroyIcon(info.hIcon);
    ILFree(site);

    // Into the category: its one site; a site lists nothing until the listing jobs arrive.
    vqComPtr<IShellFolder> work;
    ASSERT_EQ(S_OK, folder->BindToObject(all[1].id, nullptr, IID_IShellFolder, work.PutVoid()));
    std::vector<Item> inner = enumerate(work.Get(), SHCONTF_FOLDERS);
    EXPECT_EQ("Inner", names(inner));
    EXPECT_EQ(VQ_KIND_FTPSITE, inner.empty() ? 0 : inner[0].kind);
    freeAll(inner);
    vqComPtr<IShellFolder> beta;
    ASSERT_EQ(S_OK, folder->BindToObject(all[2].id, nullptr, IID_IShellFolder, beta.PutVoid()));
    EXPECT_EQ("", names(enumerate(beta.Get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS)));
    EXPECT_EQ(E_FAIL, folder->BindToObject(all[0].id, nullptr, IID_IShellFolder, beta.PutVoid()))
        << "the wizard entry is no folder";

    freeAll(all);
    ILFree(root);

    // Objects alive: the module stays; once every one is gone it may unload.
    HMODULE fh32 = GetModuleHandleA("fh32.dll");
    ASSERT_NE(nullptr, fh32);
    auto canUnload =
        reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(fh32, "DllCanUnloadNow")));
    ASSERT_NE(nullptr, canUnload);
    EXPECT_EQ(S_FALSE, canUnload());
    folder.Reset();
    work.Reset();
    beta.Reset();
    persist.Reset();
    EXPECT_EQ(S_OK, canUnload());

    auto getClass = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(fh32, "DllGetClassObject")));
    void* factory = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClass(IID_IShellFolder, IID_IClassFactory, &factory));
    EXPECT_EQ(nullptr, factory);
    vqComPtr<IClassFactory> ours;
    ASSERT_EQ(S_OK, getClass(kFarhollow, IID_IClassFactory, ours.PutVoid()));
    EXPECT_EQ(S_FALSE, canUnload()) << "a factory counts";
    EXPECT_EQ(S_OK, ours->LockServer(TRUE));
    ours.Reset();
    EXPECT_EQ(S_FALSE, canUnload()) << "a server lock counts";
    ASSERT_EQ(S_OK, getClass(kFarhollow, IID_IClassFactory, ours.PutVoid()));
    EXPECT_EQ(S_OK, ours->LockServer(FALSE));
    ours.Reset();
    EXPECT_EQ(S_OK, canUnload());
  }
  OleUninitialize();
}

TEST_F(Registered, RepeatedListingsComeFromTheCacheAndAWalkInProgressGetsACopy) {
  seedStore();
  ASSERT_EQ(S_OK, OleInitialize(nullptr));
  {
    vqComPtr<IShellFolder> desktop, folder;
    ASSERT_EQ(S_OK, SHGetDesktopFolder(desktop.Put()));
    LPITEMIDLIST root = nullptr;
    ASSERT_EQ(S_OK,
              desktop->ParseDisplayName(nullptr, nullptr, const_cast<LPWSTR>(kJunction), nullptr, &root, nullptr));
    ASSERT_EQ(S_OK, desktop->BindToObject(root, nullptr, IID_IShellFolder, folder.PutVoid()));
    ILFree(root);
    const SHCONTF all = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
    auto walk = [](IEnumIDList* list) {
      std::string s;
      LPITEMIDLIST id;
      while (list->Next(1, &id, nullptr) == S_OK) {
        s += std::string(s.empty() ? "" : ",") + shellItemName(id);
        CoTaskMemFree(id);
      }
      return s;
    };
    vqComPtr<IEnumIDList> first, second, third;
    ASSERT_EQ(S_OK, folder->EnumObjects(nullptr, all, first.Put()));
    LPITEMIDLIST id = nullptr;
    ASSERT_EQ(S_OK, first->Next(1, &id, nullptr));
    CoTaskMemFree(id);
    // The first walk is still going: the second gets a copy that starts at the top.
    ASSERT_EQ(S_OK, folder->EnumObjects(nullptr, all, second.Put()));
    EXPECT_NE(first.Get(), second.Get());
    EXPECT_EQ("FTP Site Wizard,Work,Alpha,beta", walk(second.Get()));
    EXPECT_EQ("Work,Alpha,beta", walk(first.Get()));
    IEnumIDList* cached = first.Get();
    first.Reset();
    second.Reset();
    // Nobody walks it now: the cached one again, from its first item, folders only as asked.
    ASSERT_EQ(S_OK, folder->EnumObjects(nullptr, SHCONTF_FOLDERS, third.Put()));
    EXPECT_EQ(cached, third.Get());
    EXPECT_EQ("Work,Alpha,beta", walk(third.Get()));
    third.Reset();
    // A site added by the site manager meanwhile shows on the next listing of the store's folders.
    vqSiteParams s(2);
    s.SITE_InitParams(1, nullptr);
    s.SetURL("gamma.example");
    ASSERT_EQ(1, s.SITE_SaveParams("FTP-Sites", "Gamma"));
    ASSERT_EQ(S_OK, folder->EnumObjects(nullptr, SHCONTF_FOLDERS, third.Put()));
    EXPECT_EQ("Work,Alpha,beta,Gamma", walk(third.Get()));
  }
  OleUninitialize();
}
