#include "vqMsg.h"

#include <string.h>

#include "vqCatch.h"
#include "vqToolsRes.h"

namespace {
const int kRing = 10;
const int kSlot = 2048;

struct Answer {
  VQ_MSG_ANSWER provider;
  void* context;
};
SRWLOCK g_answerLock = SRWLOCK_INIT;
Answer g_answer = {nullptr, nullptr};

Answer currentAnswer() {
  AcquireSRWLockShared(&g_answerLock);
  Answer a = g_answer;
  ReleaseSRWLockShared(&g_answerLock);
  return a;
}
}  // namespace

HINSTANCE vqToolsModule() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&vqToolsModule), &self);
  return self;
}

const char* VQ_TEXT(HINSTANCE module, unsigned id) {
  // One ring per thread: a text loaded on one thread cannot be overwritten by another.
  static thread_local char ring[kRing][kSlot];
  static thread_local int next = 0;
  char* slot = ring[next];
  next = (next + 1) % kRing;
  slot[0] = '\0';
  VQ_TRY
    if (LoadStringA(module, id, slot, kSlot) <= 0) slot[0] = '\0';
    return slot;
  VQ_CATCH("vqTools", (slot[0] = '\0', slot))
}

VQ_MSG_ANSWER vqSetMessageAnswer(VQ_MSG_ANSWER provider, void* context) {
  AcquireSRWLockExclusive(&g_answerLock);
  VQ_MSG_ANSWER old = g_answer.provider;
  g_answer.provider = provider;
  g_answer.context = context;
  ReleaseSRWLockExclusive(&g_answerLock);
  return old;
}

int VQ_MSG(const char* text, unsigned flags) {
  VQ_TRY
    char caption[256];
    lstrcpynA(caption, VQ_TEXT(vqToolsModule(), IDS_VQTOOLS_APPTITLE), sizeof caption);
    flags |= MB_TOPMOST;
    Answer a = currentAnswer();
    if (a.provider) return a.provider(text ? text : "", caption, flags, a.context);
    return MessageBoxA(GetActiveWindow(), text ? text : "", caption, flags);
  VQ_CATCH("vqTools", 0)
}

int VQ_QUESTION(const char* text, unsigned flags) { return VQ_MSG(text, flags | MB_ICONQUESTION); }
