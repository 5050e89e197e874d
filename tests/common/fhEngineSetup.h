// The engine as the session tests use it: a server on 127.0.0.1, one attempt, a short time-out.
#pragma once
#include "vqFtpEngine.h"

namespace fhtest {

// A new engine (reference count 1, end it with Release) for the server on this port.
inline vqFtpEngine* localEngine(unsigned int port, unsigned int timeoutSeconds = 5, bool passive = true) {
  vqFtpEngine* e = new vqFtpEngine;
  e->SetURL("127.0.0.1");
  e->SetPort(port);
  e->SetRetryCount(0);
  e->SetTimeout(timeoutSeconds);
  e->SetFirewallPassive(passive ? 1 : 0);
  return e;
}

}  // namespace fhtest
