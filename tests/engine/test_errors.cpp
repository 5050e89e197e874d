// Result texts: engine codes, FTP reply codes and Winsock errors, from the engine's string table.
#include <gtest/gtest.h>

#include <string>

#include "vqFtpEngine.h"
#include "vqMsg.h"
#include "vqWsEngine.h"

namespace {

// Reaches the state a session records (last command, last reply, Winsock error).
class errorProbe : public vqFtpEngine {
 public:
  void Record(const char* command, const char* reply) {
    m_lastCommand = command;
    m_lastReply = reply;
  }
  void RecordWinsock(int error) {
    WSASetLastError(error);
    _sock_setwinsockerror();
  }
  void RecordWinsockNow() { _sock_setwinsockerror(); }
  unsigned long SetResponse(unsigned long code) { return _SET_RESPONSE(code); }
  const _sock_notification_& Notify() const { return m_notify; }
  const std::string& LastReply() const { return m_lastReply; }
};

std::string show(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
  return out;
}

const char* const kUnknown = "Unknown or unmapped vqEngine error.";

TEST(ErrorString, PlainEngineCodes) {
  const struct {
    unsigned long code;
    const char* text;
  } cases[] = {
      {0, "The operation completed successfully."},
      {1, "The operation has been canceled by the user."},
      {1001,
       "The operation timed out. Either the server is currently not online, or it could be very busy at the "
       "moment."},
      {1002, "Unable to open local file. Either the file does not exist, or it is locked by another process."},
      {1005, "Unable to bind socket to address."},
      {1006, "Error opening listener socket."},
      {1007,
       "You are no longer connected to the remote server. Either the connection timed out, or was terminated "
       "by the remote server due to inactivity. Please reconnect to the remote site to continue."},
      {1009, "You do not have permission to access this file"},
      {1010, "File not found or currently unavailable."},
      {1013, "Unable to generate directory listing."},
      {1099, kUnknown},
  };
  errorProbe engine;
  engine.Record("RETR a.txt", "550 a.txt: No such file");
  engine.RecordWinsock(10054);  // a recorded error adds nothing to these texts
  for (const auto& c : cases) EXPECT_EQ(show(c.text), show(engine.FTP_ErrorString(c.code))) << "code " << c.code;
}

// The TLS results name the host and say why, from the last reply the session recorded.
TEST(ErrorString, TlsCodesNameTheHostAndTheReason) {
  const struct {
    unsigned long code;
    const char* text;
  } cases[] = {
      {1014, "Unable to set up a secure (TLS) connection with ftp.example.com.\n\nReason: why"},
      {1015,
       "The server ftp.example.com does not offer a secure (TLS) connection, and this site requires one. Nothing "
       "was sent unprotected.\n\nServer's answer: why"},
      {1016, "The certificate of ftp.example.com was not accepted.\n\nReason: why"},
  };
  errorProbe engine;
  engine.SetURL("ftp.example.com");
  engine.Record("AUTH TLS", "why");
  for (const auto& c : cases) EXPECT_EQ(show(c.text), show(engine.FTP_ErrorString(c.code))) << "code " << c.code;
}

TEST(ErrorString, UnknownCodes) {
  errorProbe engine;
  engine.Record("NOOP", "299 odd");
  const unsigned long codes[] = {2, 600, 100, 199, 231, 299, 399, 499, 599, 999, 1000, 1017, 1098, 1100, 4294967295UL};
  for (unsigned long code : codes) EXPECT_STREQ(kUnknown, engine.FTP_ErrorString(code)) << "code " << code;
}

TEST(ErrorString, ReplyCodesCarryCommandAndResponse) {
  const struct {
    unsigned long code;
    const char* phrase;
  } cases[] = {
      {110, "Restart marker reply."},
      {120, "Service ready in ??? minutes."},
      {125, "Data connection already open; transfer starting."},
      {150, "File status okay; about to open data connection."},
      {200, "Command okay."},
      {202, "Command not implemented, superfluous at this site."},
      {211, "System status, or system help reply."},
      {212, "Directory status."},
      {213, "File status."},
      {214, "Help message. This reply is useful only to the human user."},
      {215, "System Type."},
      {220, "Service ready for new user."},
      {221, "Service closing control connection. Logged out if appropriate."},
      {225, "Data connection open; no transfer in progress."},
      {226, "Closing data connection. Requested file action successful."},
      {227, "Entering Passive Mode (h1,h2,h3,h4,p1,p2)."},
      {230, "User logged in, proceed."},
      {250, "Requested file action okay, completed."},
      {257, "'PATHNAME' created."},
      {331, "User name okay, need password."},
      {332, "Need account for login."},
      {350, "Requested file action pending further information."},
      {421, "Service not available, closing control connection."},
      {425, "Can't open data connection."},
      {426, "Connection closed; transfer aborted."},
      {450, "Requested file action not taken. File unavailable, busy, or the file is locked."},
      {451, "Requested action aborted: local error in processing."},
      {452, "Requested action not taken. Insufficient storage space in system."},
      {500, "Syntax error, command unrecognized or command line too long."},
      {501, "Syntax error in parameters or arguments."},
      {502, "Command not implemented."},
      {503, "Bad sequence of commands."},
      {504, "Command not implemented for that parameter."},
      {530, "You are not currently logged into the remote server."},
      {532, "Need account for storing files."},
      {550, "The file is unavailable, not found, or access is denied."},
      {551, "Requested action aborted: page type unknown."},
      {552, "Requested file action aborted. Exceeded storage allocation."},
      {553, "Requested action not taken. File name not allowed."},
  };
  errorProbe engine;
  engine.Record("STOR report 100%s.txt", "552-Quota\r\n552 exceeded");
  engine.RecordWinsock(10054);  // reply texts never add Winsock info
  for (const auto& c : cases) {
    std::string want =
        std::string(c.phrase) + "\nCommand: STOR report 100%s.txt\nResponse: 552-Quota\r\n552 exceeded\n";
    EXPECT_EQ(show(want), show(engine.FTP_ErrorString(c.code))) << "code " << c.code;
  }
}

TEST(ErrorString, RefusedLoginShowsTheCommandAsSent) {
  errorProbe engine;
  engine.Record("PASS s3cret", "530 Login incorrect.");
  engine.RecordWinsock(0);
  EXPECT_EQ(show("You are not currently logged into the remote server.\nCommand: PASS s3cret\n"
                 "Response: 530 Login incorrect.\n"),
            show(engine.FTP_ErrorString(530)));
}

TEST(ErrorString, RefusedConnectWithItsWinsockError) {
  // A real refusal on 127.0.0.1: listen, note the port, close, connect.
  vqWsEngine listener;
  ASSERT_EQ(0, listener.WaitForConnect(0, 1, AF_INET, inet_addr("127.0.0.1")));
  unsigned int port = listener.GetListenPort();
  listener.WS_CloseConnection();
  vqWsEngine ws;
  errorProbe engine;
  engine.SetURL("127.0.0.1");
  ASSERT_EQ(3, ws.WS_Connect(port, "127.0.0.1"));
  engine.RecordWinsockNow();
  EXPECT_EQ(10061, engine.Notify().sockError);
  EXPECT_STREQ("Connection refused. (WinSock Error 274d)", engine.Notify().sockErrorText);
  EXPECT_EQ(show("Unable to connect to the remote host: 127.0.0.1\n\nReason: Connection refused. (WinSock Error "
                 "274d)\nWinsock Info: Connection refused. (WinSock Error 274d)"),
            show(engine.FTP_ErrorString(1003)));
  EXPECT_EQ("Connection refused. (WinSock Error 274d)", engine.LastReply()) << "the reason becomes the last reply";
}

TEST(ErrorString, TextsThatTakeTheReplyAndTheWinsockError) {
  const struct {
    unsigned long code;
    const char* reply;
    int error;
    const char* text;
  } cases[] = {
      {1003, "", 0,
       "Unable to connect to the remote host: ftp.example.com\n\nReason: No response from the remote server."},
      {1003, "421 Too many users", 0,
       "Unable to connect to the remote host: ftp.example.com\n\nReason: 421 Too many users"},
      {1003, "421 Too many users", 10060,
       "Unable to connect to the remote host: ftp.example.com\n\nReason: 421 Too many users\nWinsock Info: Connection "
       "timed out. (WinSock Error 274c)"},
      {1004, "", 11001,
       "Unable to resolve remote host name: ftp.example.com\nWinsock Info: Authoritive: Host not found. (WinSock "
       "Error 2af9)"},
      {1004, "", 0, "Unable to resolve remote host name: ftp.example.com"},
      {1008, "Unable to SEND().", 10054,
       "Command failed with the following information:\n\nCommand: CWD /pub\n\nError: Unable to SEND().\n\nWinsock "
       "Info: Connection reset. (WinSock Error 2746)"},
      {1008, "", 0, "Command failed with the following information:\n\nCommand: CWD /pub\n\nError: \n"},
      {1011, "425 Can't build data connection", 0,
       "Unable to download the specified file!\nCommand: CWD /pub\nError: 425 Can't build data connection\n"},
      {1012, "425 No", 10053,
       "Unable to upload the specified file!\nCommand: CWD /pub\nError: 425 No\n\nWinsock Info: Connection aborted. "
       "(WinSock Error 2745)"},
  };
  for (const auto& c : cases) {
    errorProbe engine;
    engine.SetURL("ftp.example.com");
    engine.Record("CWD /pub", c.reply);
    engine.RecordWinsock(c.error);
    EXPECT_EQ(show(c.text), show(engine.FTP_ErrorString(c.code))) << "code " << c.code << " error " << c.error;
  }
}

TEST(WinsockErrorText, EveryErrorOfTheTable) {
  const struct {
    int error;
    const char* phrase;
  } cases[] = {
      {10004, "Blocking call cancelled."},
      {10014, "wsaefault"},
      {10022, "This application version is not supported by DLL."},
      {10024, "No file descriptors available."},
      {10035, "Socket marked as non-blocking and SO_LINGER set not 0."},
      {10036, "Blocking operation in progress."},
      {10038, "Descriptor is not a socket."},
      {10039, "wsaedestaddrreq"},
      {10041, "Protocol wrong type for this socket."},
      {10043, "Specified protocol not supported."},
      {10044, "Socket type not supported for address family."},
      {10047, "Address family not supported."},
      {10048, "Address already in use."},
      {10049, "Address not available."},
      {10050, "Network subsystem failed."},
      {10051, "network unreachable."},
      {10053, "Connection aborted."},
      {10054, "Connection reset."},
      {10055, "No buffer space available."},
      {10056, "wsaeisconn"},
      {10057, "Not connected."},
      {10060, "Connection timed out."},
      {10061, "Connection refused."},
      {10064, "Host down."},
      {10065, "The remote host is currently unreachable."},
      {10091, "WinSock not present or not responding."},
      {10092, "This version of WinSock is not supported.\n"},
      {10093, "WSA Startup not initialized."},
      {11001, "Authoritive: Host not found."},
      {11002, "Non-authoritive: host not found or server failure."},
      {11003, "Non-recoverable: refused or not implemented."},
      {11004, "Valid name, no data record for type."},
      {10000, "Unknown WSOCK ERROR!"},
      {10005, "Unknown WSOCK ERROR!"},
      {10058, "Unknown WSOCK ERROR!"},
      {12345, "Unknown WSOCK ERROR!"},
      {-1, "Unknown WSOCK ERROR!"},
  };
  errorProbe engine;
  for (const auto& c : cases) {
    engine.RecordWinsock(c.error);
    char hex[16];
    snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(c.error));
    std::string want = std::string(c.phrase) + " (WinSock Error " + hex + ")";
    EXPECT_EQ(c.error, engine.Notify().sockError);
    EXPECT_EQ(show(want), show(engine.Notify().sockErrorText)) << "error " << c.error;
  }
  engine.RecordWinsock(0);
  EXPECT_EQ(0, engine.Notify().sockError);
  EXPECT_STREQ("The remote server failed to respond.", engine.Notify().sockErrorText);
}

TEST(ErrorString, HostileRepliesStayInsideTheRecord) {
  std::string huge(100 * 1024, 'R');
  std::string garbage;
  for (int i = 1; i < 4000; ++i) garbage += static_cast<char>((i * 73) % 255 + 1);  // no NULs, has % signs
  for (const std::string& reply : {huge, garbage}) {
    errorProbe engine;
    engine.SetURL(reply.c_str());
    engine.Record(reply.c_str(), reply.c_str());
    engine.RecordWinsock(10054);
    EXPECT_EQ(1011u, engine.SetResponse(1011));
    EXPECT_EQ(1011u, engine.GetLastRetCode());
    const _sock_notification_& n = engine.Notify();
    EXPECT_EQ(1024u, strlen(n.resultText)) << "cut to the record's 1024 characters";
    std::string full = engine.FTP_ErrorString(1011);
    EXPECT_EQ(0, full.compare(0, 1024, n.resultText)) << "the record holds the start of the full text";
    EXPECT_NE(std::string::npos, full.find(reply)) << "a reply with % signs is data, not a format";
  }
  errorProbe small;
  small.Record("NOOP", "200 ok");
  EXPECT_EQ(0u, small.SetResponse(0));
  EXPECT_STREQ("The operation completed successfully.", small.Notify().resultText);
}

struct seenBox {
  std::string text;
  unsigned flags = 0;
  int calls = 0;
};

int answer(const char* text, const char*, unsigned flags, void* context) {
  seenBox* seen = static_cast<seenBox*>(context);
  seen->text = text;
  seen->flags = flags;
  ++seen->calls;
  return IDOK;
}

TEST(ErrorDialog, ShowsPrefixAndTextAsAnErrorBox) {
  seenBox seen;
  VQ_MSG_ANSWER old = vqSetMessageAnswer(answer, &seen);
  errorProbe engine;
  engine.Record("DELE x", "550 x: Permission denied");
  EXPECT_EQ(0u, engine.FTP_DoErrorDlg(550, nullptr, "Unable to delete x"));
  EXPECT_EQ(show("Unable to delete x\n\nThe file is unavailable, not found, or access is denied.\nCommand: DELE x\n"
                 "Response: 550 x: Permission denied\n"),
            show(seen.text));
  EXPECT_EQ(static_cast<unsigned>(MB_ICONERROR), seen.flags & MB_ICONMASK);
  EXPECT_NE(0u, seen.flags & MB_TOPMOST);
  EXPECT_EQ(0u, engine.FTP_DoErrorDlg(1013, nullptr, ""));
  EXPECT_EQ("Unable to generate directory listing.", seen.text);
  EXPECT_EQ(0u, engine.FTP_DoErrorDlg(1010, nullptr, nullptr));
  EXPECT_EQ("File not found or currently unavailable.", seen.text);
  EXPECT_EQ(3, seen.calls);
  vqSetMessageAnswer(old, nullptr);
}

}  // namespace
