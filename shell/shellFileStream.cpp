#include "shellFileStream.h"

#include <shlobj.h>

#include "inJob.h"
#include "shellApp.h"
#include "shellItems.h"
#include "shellWideNames.h"
#include "vqCatch.h"
#include "vqWait.h"

namespace {
const char kSource[] = "shellFileStream";
volatile LONG g_serial = 0;
}  // namespace

const vqInterfaceEntry shellFileStream::kTable[] = {
    VQ_INTERFACE(shellFileStream, IStream), VQ_INTERFACE(shellFileStream, ISequentialStream), {}};

IStream* shellFileStream::Create(LPCITEMIDLIST folder, LPCITEMIDLIST item) {
  VQ_TRY
    if (!folder || !item) return nullptr;
    auto* stream = new shellFileStream(folder, item);
    if (!stream->m_item.Get()) {
      delete stream;
      return nullptr;
    }
    stream->AddRef();
    return stream;
  VQ_CATCH(kSource, nullptr)
}

shellFileStream::shellFileStream(LPCITEMIDLIST folder, LPCITEMIDLIST item)
    : vqComObject(&shellApp::Get().Objects()),
      m_folder(vqItemIdList::CopyOf(folder)),
      m_item(ILCombine(folder, item)),
      m_file(INVALID_HANDLE_VALUE),
      m_state(kNotFetched) {}

shellFileStream::~shellFileStream() {
  if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
  if (!m_path.empty()) DeleteFileW(m_path.c_str());
  if (!m_dir.empty()) RemoveDirectoryW(m_dir.c_str());
}

bool shellFileStream::Fetch() {
  if (m_state != kNotFetched) return m_state == kFetched;
  m_state = kFailed;
  // A folder of its own: the job finds nothing to ask about, and the file is the one thing in it.
  const std::string cache = shellApp::Get().GetCacheDir();
  if (cache.empty()) return false;
  wchar_t serial[64];
  wsprintfW(serial, L"drag\\%lu-%ld", GetCurrentProcessId(), InterlockedIncrement(&g_serial));
  m_dir = shellFromCodePage(cache.c_str()) + serial;
  if (SHCreateDirectoryExW(nullptr, m_dir.c_str(), nullptr) != ERROR_SUCCESS) {
    m_dir.clear();
    return false;
  }
  std::string dir;
  if (!shellToCodePage(m_dir.c_str(), dir)) return false;

  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE jobDone = nullptr;
  if (!done ||
      !DuplicateHandle(GetCurrentProcess(), done, GetCurrentProcess(), &jobDone, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    if (done) CloseHandle(done);
    return false;
  }
  inJob* job = new inJob(IN_CMD_DOWNLOAD, m_folder.Get());
  inTask* task = new inTask(m_item.Get(), nullptr);
  LPCITEMIDLIST last = VQPIDL_Last(m_item.Get());
  task->Name = shellItemName(last);
  task->NameIsUtf8 = shellItemNameIsUtf8(last);
  task->LocalDir = dir + "\\";
  job->AddTask(task);
  job->Done = jobDone;
  job->OwnsDone = true;  // the job closes its copy of the event whenever it ends
  const bool ran = shellApp::Get().SubmitJob(job) && VQ_WaitHandle(done, INFINITE) == VQ_WAIT_READY;
  CloseHandle(done);
  if (!ran) return false;

  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((m_dir + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      m_path = m_dir + L"\\" + found.cFileName;
      break;
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
  if (m_path.empty()) return false;
  m_file = CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  if (m_file == INVALID_HANDLE_VALUE) return false;
  m_state = kFetched;
  return true;
}

STDMETHODIMP shellFileStream::Read(void* buffer, ULONG size, ULONG* read) {
  if (read) *read = 0;
  if (!buffer && size) return STG_E_INVALIDPOINTER;
  VQ_TRY
    if (!Fetch()) return STG_E_READFAULT;
    DWORD got = 0;
    if (!ReadFile(m_file, buffer, size, &got, nullptr)) return STG_E_READFAULT;
    if (read) *read = got;
    return got < size ? S_FALSE : S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellFileStream::Write(const void*, ULONG, ULONG* written) {
  if (written) *written = 0;
  return STG_E_ACCESSDENIED;
}

STDMETHODIMP shellFileStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
  VQ_TRY
    if (origin > STREAM_SEEK_END) return STG_E_INVALIDFUNCTION;
    if (!Fetch()) return STG_E_READFAULT;
    LARGE_INTEGER now;
    if (!SetFilePointerEx(m_file, move, &now, origin)) return STG_E_INVALIDFUNCTION;
    if (position) position->QuadPart = static_cast<ULONGLONG>(now.QuadPart);
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellFileStream::CopyTo(IStream* to, ULARGE_INTEGER size, ULARGE_INTEGER* readOut,
                                     ULARGE_INTEGER* writtenOut) {
  if (readOut) readOut->QuadPart = 0;
  if (writtenOut) writtenOut->QuadPart = 0;
  if (!to) return STG_E_INVALIDPOINTER;
  VQ_TRY
    char buffer[65536];
    ULONGLONG left = size.QuadPart, read = 0, written = 0;
    while (left) {
      ULONG got = 0;
      HRESULT hr = Read(buffer, static_cast<ULONG>(left < sizeof buffer ? left : sizeof buffer), &got);
      if (FAILED(hr)) return hr;
      if (!got) break;
      read += got;
      ULONG put = 0;
      hr = to->Write(buffer, got, &put);
      written += put;
      if (FAILED(hr)) return hr;
      left -= got;
    }
    if (readOut) readOut->QuadPart = read;
    if (writtenOut) writtenOut->QuadPart = written;
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellFileStream::Stat(STATSTG* out, DWORD flags) {
  if (!out) return STG_E_INVALIDPOINTER;
  VQ_TRY
    memset(out, 0, sizeof *out);
    out->type = STGTY_STREAM;
    out->grfMode = STGM_READ;
    LARGE_INTEGER size;
    if (m_state == kFetched && GetFileSizeEx(m_file, &size))
      out->cbSize.QuadPart = static_cast<ULONGLONG>(size.QuadPart);
    else
      out->cbSize.QuadPart = VQITEM_FullSize(shellOwnItem(VQPIDL_Last(m_item.Get())));
    if (!(flags & STATFLAG_NONAME)) {
      std::wstring name = shellItemWideName(VQPIDL_Last(m_item.Get()));
      const size_t bytes = (name.size() + 1) * sizeof(wchar_t);
      out->pwcsName = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
      if (!out->pwcsName) return E_OUTOFMEMORY;
      memcpy(out->pwcsName, name.c_str(), bytes);
    }
    return S_OK;
  VQ_CATCH_COM(kSource)
}

STDMETHODIMP shellFileStream::Clone(IStream** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
