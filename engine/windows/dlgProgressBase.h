// Common ground of the three progress windows: Cancel only raises the window's cancel flag (the
// worker stops when it next asks), "Details..." folds the lower part in and out, and updates do
// not re-enter while one is running.
#pragma once
#include <initializer_list>
#include <string>

#include "vqDialog.h"
#include "vqProgressState.h"

class dlgProgressBase : public vqDialog {
 public:
  // `animation` (an AVI resource of the engine, 0 for none) plays in IDC_PROG_ANIMATE.
  dlgProgressBase(UINT templateId, vqProgressShared* shared, vqProgressKind kind, UINT animation = 0);
  void Update();
  bool IsExpanded() const;
  void ToggleDetails();

 protected:
  virtual void Refresh() = 0;
  BOOL OnInitDialog() override;
  BOOL OnCommand(WORD id, WORD code, HWND control) override;
  // Height of the window when its client area ends at `bottom`.
  void SetClientBottom(int bottom);
  RECT PlaceholderRect(int id) const;
  void SetBar(int id, unsigned long range, unsigned long pos);
  void SetTitleIfChanged(const wchar_t* title);
  // A string of the engine's resources with each "%s" replaced by the next of `texts`, in turn,
  // so a name beyond the code page keeps its characters.
  std::wstring Format(UINT stringId, std::initializer_list<std::wstring> texts) const;

  vqProgressShared* m_shared;
  vqProgressKind m_kind;
  UINT m_animation;

 private:
  bool m_updating;
};
