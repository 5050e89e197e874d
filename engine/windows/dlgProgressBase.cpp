#include "dlgProgressBase.h"

#include <commctrl.h>
#include <string.h>

#include "vqEngineModule.h"
#include "vqEngineRes.h"

vqProgressShared::vqProgressShared() : xfer(), cnct(), del() {
  InitializeSRWLock(&m_lock);
  for (auto& c : cancel) c = false;
}

dlgProgressBase::dlgProgressBase(UINT templateId, vqProgressShared* shared, vqProgressKind kind, UINT animation)
    : vqDialog(vqEngineModule(), templateId, true),
      m_shared(shared),
      m_kind(kind),
      m_animation(animation),
      m_updating(false) {}

void dlgProgressBase::Update() {
  if (!m_hWnd || m_updating) return;
  m_updating = true;
  Refresh();
  m_updating = false;
}

BOOL dlgProgressBase::OnInitDialog() {
  if (Item(IDC_PROG_UPPER)) SetClientBottom(PlaceholderRect(IDC_PROG_UPPER).bottom);
  if (HWND anim = m_animation ? Item(IDC_PROG_ANIMATE) : nullptr) {
    Animate_OpenEx(anim, m_module, MAKEINTRESOURCEA(m_animation));
    Animate_Play(anim, 0, -1, -1);
  }
  Update();
  return TRUE;
}

BOOL dlgProgressBase::OnCommand(WORD id, WORD, HWND) {
  if (id == IDCANCEL) {
    m_shared->cancel[m_kind] = true;
    return TRUE;
  }
  if (id == IDC_PROG_DETAILS) {
    ToggleDetails();
    return TRUE;
  }
  return FALSE;
}

RECT dlgProgressBase::PlaceholderRect(int id) const {
  RECT r = {0, 0, 0, 0};
  HWND item = Item(id);
  if (!item) return r;
  GetWindowRect(item, &r);
  MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void dlgProgressBase::SetClientBottom(int bottom) {
  RECT window, client;
  GetWindowRect(m_hWnd, &window);
  GetClientRect(m_hWnd, &client);
  int frame = (window.bottom - window.top) - client.bottom;  // caption and borders
  SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left, bottom + frame,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool dlgProgressBase::IsExpanded() const {
  RECT client;
  GetClientRect(m_hWnd, &client);
  return Item(IDC_PROG_LOWER) && client.bottom >= PlaceholderRect(IDC_PROG_LOWER).top;
}

void dlgProgressBase::ToggleDetails() {
  if (!Item(IDC_PROG_UPPER) || !Item(IDC_PROG_LOWER)) return;
  SetClientBottom(IsExpanded() ? PlaceholderRect(IDC_PROG_UPPER).bottom : PlaceholderRect(IDC_PROG_LOWER).bottom);
}

void dlgProgressBase::SetBar(int id, unsigned long range, unsigned long pos) {
  HWND bar = Item(id);
  if (!bar) return;
  SendMessageA(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(range));
  SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}

void dlgProgressBase::SetTitleIfChanged(const wchar_t* title) {
  wchar_t now[VQPROG_TEXT + 64];
  GetWindowTextW(m_hWnd, now, VQPROG_TEXT + 64);
  if (wcscmp(now, title) != 0) SetWindowTextW(m_hWnd, title);
}

std::wstring dlgProgressBase::Format(UINT stringId, std::initializer_list<std::wstring> texts) const {
  wchar_t format[256] = L"";
  LoadStringW(m_module, stringId, format, 256);
  std::wstring out;
  auto next = texts.begin();
  for (const wchar_t* p = format; *p; ++p) {
    if (p[0] == L'%' && p[1] == L's') {
      if (next != texts.end()) out += *next++;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}
