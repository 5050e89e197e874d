// COM ground under Wine: an object with an interface table answers exactly its interfaces, counts
// references across threads and itself in its module; lists from the shell's own functions walk,
// clone and join as the shell's list functions do; interface names for the trace lines.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <thread>
#include <vector>

#include "vqComObject.h"
#include "vqComPtr.h"
#include "vqItemIdList.h"
#include "vqPidl.h"

namespace {
vqModuleCount g_module;
LONG g_destroyed = 0;

class testObject : public vqComObject, public IDropSource, public IPersist {
 public:
  explicit testObject(bool failInQuery = false) : vqComObject(&g_module), m_fail(failInQuery) {}
  ~testObject() override { ++g_destroyed; }
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    VQ_TRY
      if (m_fail) throw 1;
      return InternalQueryInterface(this, kTable, riid, ppv);
    VQ_CATCH_COM("testObject")
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InternalAddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return InternalRelease(); }
  STDMETHODIMP QueryContinueDrag(BOOL, DWORD) override { return S_OK; }
  STDMETHODIMP GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
  STDMETHODIMP GetClassID(CLSID* id) override {
    *id = IID_IDropSource;
    return S_OK;
  }
  static const vqInterfaceEntry kTable[];

 private:
  bool m_fail;
};
const vqInterfaceEntry testObject::kTable[] = {
    VQ_INTERFACE(testObject, IDropSource), VQ_INTERFACE(testObject, IPersist), {nullptr, 0}};

std::string reported;
void keepReport(const char* text) { reported = text; }
}  // namespace

TEST(Com, InterfaceTableCountsAndCreation) {
  LONG destroyedBefore = g_destroyed;
  vqComPtr<IDropSource> source;
  ASSERT_EQ(S_OK, vqCreateInstance<testObject>(IID_IDropSource, source.PutVoid()));
  EXPECT_EQ(1, g_module.Count());

  // Every interface of the table, IUnknown through the first row, and the same object behind each.
  vqComPtr<IPersist> persist;
  ASSERT_EQ(S_OK, source.As(persist));
  CLSID id;
  EXPECT_EQ(S_OK, persist->GetClassID(&id));
  vqComPtr<IUnknown> unk1, unk2;
  ASSERT_EQ(S_OK, source.As(unk1));
  ASSERT_EQ(S_OK, persist.As(unk2));
  EXPECT_EQ(unk1.Get(), unk2.Get());
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, source->QueryInterface(IID_IDropTarget, &none));
  EXPECT_EQ(nullptr, none) << "a refused interface leaves the out pointer empty";

  // Interlocked: four threads add and drop 10,000 references each.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int k = 0; k < 10000; ++k) {
        source->AddRef();
        source->Release();
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(destroyedBefore, g_destroyed) << "still alive";
  unk1.Reset();
  unk2.Reset();
  persist.Reset();
  source.Reset();
  EXPECT_EQ(destroyedBefore + 1, g_destroyed) << "the last release deletes the object";
  EXPECT_EQ(0, g_module.Count());

  // A refused interface at creation leaves nothing alive.
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, vqCreateInstance<testObject>(IID_IDropTarget, &out));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(destroyedBefore + 2, g_destroyed);
  EXPECT_EQ(0, g_module.Count());

  // A fault inside a method is reported and answered E_OUTOFMEMORY.
  VQ_CATCH_REPORTER old = vqSetCatchReporter(keepReport);
  EXPECT_EQ(E_OUTOFMEMORY, vqCreateInstance<testObject>(IID_IDropSource, &out, true));
  vqSetCatchReporter(old);
  EXPECT_NE(std::string::npos, reported.find("Caught Exception in File testObject, Line ")) << reported;
  EXPECT_EQ(0, g_module.Count());

  // The module count never goes below zero.
  g_module.Unlock();
  EXPECT_EQ(0, g_module.Count());
  g_module.Lock();
  EXPECT_EQ(1, g_module.Count());
  g_module.Unlock();
}

TEST(Com, ShellListsWalkCloneAndJoinAsTheShellDoes) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  const int folders[] = {CSIDL_DRIVES, CSIDL_PERSONAL, CSIDL_WINDOWS, CSIDL_DESKTOP};
  for (int csidl : folders) {
    LPITEMIDLIST shellList = nullptr;
    ASSERT_EQ(S_OK, SHGetSpecialFolderLocation(nullptr, csidl, &shellList)) << csidl;
    vqItemIdList list(shellList);  // adopted, freed by it
    SCOPED_TRACE("CSIDL " + std::to_string(csidl));
    EXPECT_EQ(static_cast<int>(ILGetSize(list) - 2), VQPIDL_GetListSize(list));
    EXPECT_EQ(ILFindLastID(list) == list.Get() && list.Size() == 0 ? nullptr : ILFindLastID(list), VQPIDL_Last(list));
    vqItemIdList clone(VQPIDL_Clone(list));
    EXPECT_TRUE(ILIsEqual(list, clone));
    vqItemIdList parent(VQPIDL_CloneParent(list));
    LPITEMIDLIST shellParent = ILClone(list);
    ILRemoveLastID(shellParent);
    EXPECT_EQ(ILGetSize(shellParent), static_cast<UINT>(VQPIDL_GetListSize(parent) + 2));
    EXPECT_EQ(0, memcmp(shellParent, parent.Get(), ILGetSize(shellParent)));
    ILFree(shellParent);
    vqItemIdList joined(VQPIDL_BuildNew(list, clone));
    LPITEMIDLIST shellJoined = ILCombine(list, clone);
    EXPECT_EQ(ILGetSize(shellJoined), static_cast<UINT>(VQPIDL_GetListSize(joined) + 2));
    EXPECT_EQ(0, memcmp(shellJoined, joined.Get(), ILGetSize(shellJoined)));
    ILFree(shellJoined);
    // The shell can name what we cloned: the copy is a list it accepts.
    char path[MAX_PATH] = "";
    char shellPath[MAX_PATH] = "";
    EXPECT_EQ(SHGetPathFromIDListA(list, shellPath), SHGetPathFromIDListA(clone, path));
    EXPECT_STREQ(shellPath, path);
    VQPIDL_Dump(list);
  }
  CoUninitialize();
}

TEST(Com, InterfaceNamesForTraces) {
  struct {
    const GUID* id;
    const char* name;
  } cases[] = {{&IID_IUnknown, "IID_IUnknown"},
               {&IID_IShellFolder, "IID_IShellFolder"},
               {&IID_IExtractIconA, "IID_IExtractIcon"},
               {&IID_IExtractIconW, "IID_IExtractIconW"},
               {&IID_IShellCopyHookA, "IID_IShellCopyHook"},
               {&IID_IShellView, "IID_IShellView"},
               {&IID_IDataObject, ""},
               {&GUID_NULL, ""}};
  for (const auto& c : cases) {
    char buf[64] = "stale";
    EXPECT_EQ(buf, VQPIDL_LPSTRFromCLSID(c.id, buf));
    EXPECT_STREQ(c.name, buf);
  }
  EXPECT_STREQ("", VQPIDL_LPSTRFromCLSID(&IID_IUnknown, nullptr));
}
