// Text in the system's code page as wide text (Windows only). Kept inline: callers on both sides
// of the toolkit's DLL boundary use it without passing library strings across it.
#ifndef VQWIDE_H
#define VQWIDE_H

#include <windows.h>

#include <string>

inline std::wstring vqFromCodePage(const char* text) {
  if (!text || !*text) return std::wstring();
  const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &out[0], n);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

#endif
