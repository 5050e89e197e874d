// WebDAV on top of the HTTP engine. The methods are reserved: they report success and send nothing.
#pragma once
#include "vqHttpEngine.h"

class VQENGINE_API vqDavEngine : public vqHttpEngine {
 public:
  vqDavEngine();
  virtual ~vqDavEngine();
  vqDavEngine(const vqDavEngine&) = delete;
  vqDavEngine& operator=(const vqDavEngine&) = delete;

  int DAV_PROPFIND(const char* path);
  int DAV_PROPPATCH(const char* path);
  int DAV_MKCOL(const char* path);
  int DAV_COPY(const char* path);
  int DAV_MOVE(const char* path);
  int DAV_LOCK(const char* path);
  int DAV_UNLOCK(const char* path);
};
