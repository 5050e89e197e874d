#include "vqDavEngine.h"

namespace {
const int kOk = 200;
}

vqDavEngine::vqDavEngine() {}
vqDavEngine::~vqDavEngine() {}

int vqDavEngine::DAV_PROPFIND(const char*) { return kOk; }
int vqDavEngine::DAV_PROPPATCH(const char*) { return kOk; }
int vqDavEngine::DAV_MKCOL(const char*) { return kOk; }
int vqDavEngine::DAV_COPY(const char*) { return kOk; }
int vqDavEngine::DAV_MOVE(const char*) { return kOk; }
int vqDavEngine::DAV_LOCK(const char*) { return kOk; }
int vqDavEngine::DAV_UNLOCK(const char*) { return kOk; }
