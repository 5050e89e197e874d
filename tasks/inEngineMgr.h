// The pooled connections: per site one long-lived primary engine and the lock through which its
// users take turns, and secondary copies for jobs that run beside it. Calls run on the caller's
// thread; the manager's own thread creates the primary engines, so that their timer windows live
// there, and runs the keep-alive of idle primary connections.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <map>
#include <string>

#include "vqThread.h"
#include "vqTimerWnd.h"

class vqFtpEngine;
class vqLock;

class inEngineMgr : public vqThread, private vqTimerSink {
 public:
  inEngineMgr();
  ~inEngineMgr() override;

  // The site's primary engine (primary != 0), or a new secondary engine configured like it and
  // owned by the caller (Release() it). Null when the item names no site.
  vqFtpEngine* GetEngine(LPCITEMIDLIST item, int primary);
  // 0 with the site's lock held (and with connect, the primary open); the connect's code with the
  // lock given back; 0xFFFF when there is no engine or the lock was not had within 30 s.
  unsigned long LockAndConnect(LPCITEMIDLIST item, int connect);
  // Optionally disconnects the primary, then gives back the site's lock if it is held.
  void Release(LPCITEMIDLIST item, int disconnect);
  // 1 when the site's lock is free (or not made yet); 0 when held or the item names no site.
  int IsFree(LPCITEMIDLIST item);

  // Length of one keep-alive minute in milliseconds (tests shorten it); the idle check runs four
  // times per minute.
  void SetKeepAliveMinute(DWORD ms);
  // Number of keep-alive NOOPs sent so far (all sites).
  long KeepAliveCount() const { return m_noops; }

 protected:
  bool InitInstance() override;
  void OnThreadMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void ExitInstance() override;

 private:
  struct Site {
    vqFtpEngine* engine = nullptr;
    vqLock* lock = nullptr;
    DWORD lastUse = 0;  // tick count of the last release, or of the last keep-alive
  };
  // The site's entry, made on first sight (its engine on the manager's thread); null when the
  // item names no site.
  Site* Find(LPCITEMIDLIST item, std::string* key = nullptr);
  vqFtpEngine* NewEngine();
  void OnTick(UINT_PTR id) override;
  void KeepAlive();

  SRWLOCK m_mapLock;  // guards the map only; never held while a site lock is awaited
  std::map<std::string, Site> m_sites;
  vqTimerWnd* m_timer;  // on the manager's thread
  volatile DWORD m_minuteMs;
  volatile long m_noops;
};
