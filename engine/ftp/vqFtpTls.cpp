// Explicit FTP over TLS. After the greeting and before anything of the login, AUTH TLS turns the
// control connection into a TLS one; PBSZ 0 and PROT P then ask for protected data connections,
// each of which runs its own handshake once the server has accepted the transfer command (the
// server starts its side only then). All connections of a session share one credentials handle, so
// the provider can resume the control connection's session on the data connections, as servers
// that insist on it (vsftpd's default) want.
//
// A site that requires TLS never sends its user name or password unprotected: a refused AUTH TLS,
// a failed handshake or a refused certificate end the connect before USER. A certificate the
// system does not trust (unknown issuer, another host name) is put to the user once, with its
// fingerprint; a yes is remembered for the site by the caller (GetTlsTrusted), so that exact
// certificate is accepted from then on without a question.
#include <stdio.h>
#include <string.h>

#include "vqFtpEngine.h"
#include "vqFtpSocket.h"
#include "vqMsg.h"
#include "vqResults.h"
#include "vqTlsChannel.h"

namespace {

bool brokenSession(unsigned long r) {
  return r == VQFTP_TIMEOUT || r == VQFTP_SEND_FAILED || r == VQFTP_CANCELLED || r == VQFTP_INTERNAL;
}

}  // namespace

unsigned long vqFtpEngine::_startTls(const char* host) {
  m_tlsInUse.clear();
  m_tlsControlPrint.clear();
  m_protectData = 0;
  m_tlsTrustedNew = 0;
  if (m_tlsMode == VQ_TLS_OFF) return 0;
  const bool required = m_tlsMode == VQ_TLS_REQUIRED;
  m_tlsHost = host ? host : "";

  _status("Asking the server for a secure connection...");
  unsigned long r = _sock_sendcmd("AUTH TLS");
  if (brokenSession(r)) return r;
  if (m_lastReplyCode != 234) {
    if (required) {
      _sock_dumpmessage(1, "The server does not offer TLS, which this site requires; nothing more is sent.\n");
      if (m_lastReply.empty()) m_lastReply = "(none)";
      return VQFTP_TLS_REFUSED;
    }
    _sock_dumpmessage(1, "The server does not offer TLS; the session goes on unprotected.\n");
    return 0;
  }

  if (!m_tlsCredentials) {
    std::string why;
    m_tlsCredentials = vqTlsCredentials::Create(&why);
    if (!m_tlsCredentials) {
      m_lastReply = why;
      _sock_dumpmessage(1, "TLS: %s\n", why.c_str());
      return VQFTP_TLS_FAILED;
    }
  }
  vqTlsChannel* channel = new vqTlsChannel(m_tlsCredentials);
  if (channel->Handshake(m_control->GetSocket(), m_tlsHost.c_str(), m_timeout, _stopWaiting, this) != 0) {
    const bool cancelled = channel->Cancelled();
    m_lastReply = channel->ErrorText();
    delete channel;
    _sock_dumpmessage(1, "%s.\n", m_lastReply.c_str());
    return cancelled ? VQFTP_CANCELLED : VQFTP_TLS_FAILED;
  }
  if (unsigned long refused = _checkCertificate(channel, m_tlsHost.c_str())) {
    delete channel;
    return refused;
  }
  m_control->SetTls(channel);
  m_tlsInUse = channel->Protocol();
  _sock_dumpmessage(1, "The control connection is protected (%s).\n", m_tlsInUse.c_str());

  // PBSZ must come before PROT; a server that answers neither keeps its data connections plain.
  r = _sock_sendcmd("PBSZ 0");
  if (brokenSession(r)) return r;
  if (r == 0) r = _sock_sendcmd("PROT P");
  if (brokenSession(r)) return r;
  if (r == 0) {
    m_protectData = 1;
    return 0;
  }
  if (required) {
    _sock_dumpmessage(1, "The server will not protect data connections, which this site requires.\n");
    return VQFTP_TLS_REFUSED;
  }
  _sock_dumpmessage(1, "The server will not protect data connections; files and listings travel unprotected.\n");
  m_tlsInUse += " (commands only)";
  return 0;
}

unsigned long vqFtpEngine::_checkCertificate(vqTlsChannel* channel, const char* host) {
  PCCERT_CONTEXT cert = channel->RemoteCertificate();
  std::string why;
  const int untrusted = VQTLS_CheckCertificate(cert, host, &why);
  const std::string print = VQTLS_Fingerprint(cert);
  const std::string about = VQTLS_Describe(cert);
  if (cert) CertFreeCertificateContext(cert);
  m_tlsControlPrint = print;
  if (!untrusted) {
    _sock_dumpmessage(1, "The server's certificate is trusted (%s).\n", about.c_str());
    return 0;
  }
  _sock_dumpmessage(1, "The server's certificate is not trusted by this system: %s (%s; SHA-256 %s).\n", why.c_str(),
                    about.c_str(), print.empty() ? "unknown" : print.c_str());
  if (print.empty()) {
    m_lastReply = "The server's certificate " + why + ".";
    return VQFTP_CERT_REFUSED;
  }
  if (print == m_tlsTrusted) {
    _sock_dumpmessage(1, "It is the certificate trusted earlier for this site.\n");
    return 0;
  }
  char text[1024];
  snprintf(text, sizeof text,
           "The secure connection to %s shows a certificate that this system does not trust: %s.\n\n"
           "Certificate: %s\nSHA-256 fingerprint:\n%s\n\n"
           "Trust this certificate for this site from now on?",
           host, why.c_str(), about.c_str(), print.c_str());
  if (VQ_QUESTION(text, MB_YESNO | MB_DEFBUTTON2) != IDYES) {
    m_lastReply = "The certificate " + why + " (SHA-256 " + print + "), and it was not trusted.";
    _sock_dumpmessage(1, "The certificate was not trusted; the connection ends.\n");
    return VQFTP_CERT_REFUSED;
  }
  m_tlsTrusted = print;
  m_tlsTrustedNew = 1;
  _sock_dumpmessage(1, "The certificate is trusted for this site from now on.\n");
  return 0;
}

// A data connection just accepted by the server: its handshake, and the check that it is the same
// server as on the control connection (someone else at the passive port shows another certificate).
unsigned long vqFtpEngine::_secureData() {
  if (!m_protectData || !m_tlsCredentials) return 0;
  vqTlsChannel* channel = new vqTlsChannel(m_tlsCredentials);
  m_data->SetBlockingMode(0);  // the handshake reads and writes as a plain data connection did
  if (channel->Handshake(m_data->GetSocket(), m_tlsHost.c_str(), m_timeout, _stopWaiting, this) != 0) {
    _sock_dumpmessage(1, "The data connection's TLS handshake failed: %s.\n", channel->ErrorText());
    delete channel;
    return VQFTP_TLS_FAILED;
  }
  PCCERT_CONTEXT cert = channel->RemoteCertificate();
  const std::string print = VQTLS_Fingerprint(cert);
  if (cert) CertFreeCertificateContext(cert);
  // A resumed session may not show the certificate again; only a different one is refused.
  if (!print.empty() && print != m_tlsControlPrint) {
    _sock_dumpmessage(1, "The data connection shows another certificate than the server's (SHA-256 %s).\n",
                      print.c_str());
    delete channel;
    return VQFTP_TLS_FAILED;
  }
  m_data->SetTls(channel);
  return 0;
}
