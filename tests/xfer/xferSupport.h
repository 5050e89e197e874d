// Shared ground of the transfer tests: sites stored in the test prefix's registry, item lists
// below them, recorded message boxes, local trees, and a scripted server over a small tree kept
// in memory (folders, files, links) for what real servers will not list.
#pragma once
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "fhFiles.h"
#include "ftpScriptServer.h"
#include "ftpTestSupport.h"
#include "inJob.h"
#include "shell_lists.h"
#include "vqMsg.h"
#include "vqSiteParams.h"

namespace xfertest {

// A site of the store pointing at a local server; its list is the foreign junction and the site.
inline shelltest::List storeSite(const char* name, unsigned port) {
  vqSiteParams s(2);
  s.SITE_InitParams(1, nullptr);
  s.SetSiteName(name);
  s.SetURL("127.0.0.1");
  s.SetURLPort(static_cast<unsigned short>(port));
  EXPECT_EQ(1, s.SITE_SaveParams("FTP-Sites", name));
  return shelltest::List().foreign(20).own(VQ_KIND_FTPSITE, name);
}

// The site's list followed by folders and, when kind is given, a last item of that kind and size.
inline shelltest::List below(shelltest::List list, const std::vector<std::string>& folders, int kind = 0,
                             const char* name = nullptr, uint64_t size = 0) {
  for (const std::string& f : folders) list.own(VQ_KIND_FOLDER, f.c_str());
  if (kind) {
    _FTPITEMID it = shelltest::item(kind, name);
    VQITEM_SetFullSize(&it, size);
    list.own(it);
  }
  return list;
}

// Records every message box and answers with `reply`.
struct Answers {
  std::vector<std::string> texts;
  int reply = IDYES;
  Answers() { vqSetMessageAnswer(&Answers::answer, this); }
  ~Answers() { vqSetMessageAnswer(nullptr, nullptr); }
  static int answer(const char* text, const char*, unsigned, void* self) {
    auto* a = static_cast<Answers*>(self);
    a->texts.push_back(text ? text : "");
    return a->reply;
  }
  bool Saw(const std::string& part) const {
    for (const std::string& t : texts)
      if (t.find(part) != std::string::npos) return true;
    return false;
  }
  std::string All() const {
    std::string all;
    for (const std::string& t : texts) all += "[" + t + "]\n";
    return all;
  }
};

// Every file below dir, relative path (with "\") to contents.
inline void readTree(const std::string& dir, std::map<std::string, std::string>& out, const std::string& rel = "") {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      readTree(dir + "\\" + name, out, rel + name + "\\");
    else
      out[rel + name] = fhtest::readFile(dir + "\\" + name);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

// A tree of `folders` nested levels with `perFolder` files each, of sizes from 0 to about 70 KB
// and bytes that differ per file (so a file landing in the wrong place shows).
inline std::map<std::string, std::string> makeTree(const std::string& root, int folders, int perFolder) {
  std::map<std::string, std::string> files;
  std::string dir = root, rel;
  unsigned seed = 12345;
  CreateDirectoryA(root.c_str(), nullptr);
  for (int f = 0; f < folders; ++f) {
    for (int i = 0; i < perFolder; ++i) {
      seed = seed * 1103515245u + 12345u;
      size_t size = (i == 0) ? 0 : (seed >> 8) % 70000;
      std::string body(size, '\0');
      for (size_t k = 0; k < size; ++k) body[k] = static_cast<char>((k * 31 + f * 7 + i * 13 + (k >> 9)) & 0xFF);
      std::string name = "file" + std::to_string(i) + (i % 3 ? ".bin" : ".dat");
      fhtest::writeFile(dir + "\\" + name, body);
      files[rel + name] = body;
    }
    std::string sub = "level" + std::to_string(f);
    dir += "\\" + sub;
    rel += sub + "\\";
    if (f + 1 < folders) CreateDirectoryA(dir.c_str(), nullptr);
  }
  return files;
}

// A server over a tree in memory. Folders are keyed by their canonical path ("/a/b"); an entry
// may be a folder ('d'), a file ('-', with its body and the size the listing shows) or a link
// ('l', with its target). Names are matched exactly, so a listing may hold any name at all.
class FakeTree {
 public:
  struct Entry {
    std::string name;
    char type;
    std::string body;
    uint64_t listed;
    std::string target;
  };
  void Dir(const std::string& path) { m_dirs[path]; }
  void File(const std::string& dir, const std::string& name, const std::string& body, uint64_t listed = ~0ull) {
    m_dirs[dir].push_back({name, '-', body, listed == ~0ull ? body.size() : listed, ""});
  }
  void Folder(const std::string& dir, const std::string& name) {
    m_dirs[dir].push_back({name, 'd', "", 0, ""});
    m_dirs[join(dir, name)];
  }
  void Link(const std::string& dir, const std::string& name, const std::string& target) {
    m_dirs[dir].push_back({name, 'l', "", target.size(), target});
  }
  // A folder whose folders are made on demand: each holds one folder "d" and a file, without end.
  void Endless(const std::string& dir, const std::string& name) {
    m_dirs[dir].push_back({name, 'd', "", 0, ""});
    m_endless = join(dir, name);
  }

  bool Has(const std::string& dir, const std::string& name) {
    std::lock_guard<std::mutex> hold(m_mutex);
    return find(dir, name) != nullptr;
  }
  bool HasDir(const std::string& dir) {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_dirs.count(dir) != 0;
  }

  fhtest::ftpScriptServer::handler Handler() {
    return [this](fhtest::ftpScriptServer& s, const std::string& l) { return answer(s, l); };
  }

 private:
  static std::string join(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
  }
  static std::string parentOf(const std::string& dir) {
    size_t slash = dir.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : dir.substr(0, slash);
  }
  std::vector<Entry>* children(const std::string& dir) {
    if (!m_endless.empty() && dir.compare(0, m_endless.size(), m_endless) == 0 && !m_dirs.count(dir)) {
      std::vector<Entry>& made = m_dirs[dir];
      made.push_back({"d", 'd', "", 0, ""});
      made.push_back({"f.txt", '-', "x", 1, ""});
    }
    auto it = m_dirs.find(dir);
    return it == m_dirs.end() ? nullptr : &it->second;
  }
  Entry* find(const std::string& dir, const std::string& name) {
    std::vector<Entry>* c = children(dir);
    if (!c) return nullptr;
    for (Entry& e : *c)
      if (e.name == name) return &e;
    return nullptr;
  }
  // The canonical folder of a path (links followed), or "".
  std::string resolve(const std::string& path, int hops = 0) {
    if (hops > 40) return "";
    std::string cur = path.empty() || path[0] != '/' ? m_cwd : "/";
    size_t at = 0;
    while (at <= path.size()) {
      size_t next = path.find('/', at);
      if (next == std::string::npos) next = path.size();
      std::string part = path.substr(at, next - at);
      at = next + 1;
      if (part.empty() || part == ".") continue;
      if (part == "..") {
        cur = parentOf(cur);
        continue;
      }
      Entry* e = find(cur, part);
      if (!e) return "";
      if (e->type == 'd') {
        cur = join(cur, part);
      } else if (e->type == 'l') {
        std::string saved = m_cwd;
        m_cwd = cur;
        cur = resolve(e->target, hops + 1);
        m_cwd = saved;
        if (cur.empty()) return "";
      } else {
        return "";
      }
    }
    return cur;
  }
  // An entry named exactly `arg` in the working folder, or the entry at a path.
  Entry* entryOf(const std::string& arg, std::string* dirOut = nullptr) {
    if (Entry* e = find(m_cwd, arg)) {
      if (dirOut) *dirOut = m_cwd;
      return e;
    }
    size_t slash = arg.rfind('/');
    if (slash == std::string::npos) return nullptr;
    std::string dir = resolve(slash == 0 ? "/" : arg.substr(0, slash));
    if (dir.empty()) return nullptr;
    if (dirOut) *dirOut = dir;
    return find(dir, arg.substr(slash + 1));
  }
  void erase(const std::string& dir, const std::string& name) {
    std::vector<Entry>* c = children(dir);
    for (size_t i = 0; c && i < c->size(); ++i)
      if ((*c)[i].name == name) {
        c->erase(c->begin() + static_cast<long>(i));
        return;
      }
  }
  std::string listing(const std::string& dir) {
    std::string out;
    std::vector<Entry>* c = children(dir);
    for (const Entry& e : c ? *c : std::vector<Entry>()) {
      const char* perms = e.type == 'd' ? "drwxr-xr-x" : e.type == 'l' ? "lrwxrwxrwx" : "-rw-r--r--";
      out += std::string(perms) + " 1 ftp ftp " + std::to_string(e.listed) + " Jan 01 2020 " + e.name;
      if (e.type == 'l') out += " -> " + e.target;
      out += "\r\n";
    }
    return out;
  }
  std::string answer(fhtest::ftpScriptServer& s, const std::string& l) {
    std::lock_guard<std::mutex> hold(m_mutex);
    const size_t sp = l.find(' ');
    const std::string verb = l.substr(0, sp);
    const std::string arg = sp == std::string::npos ? "" : l.substr(sp + 1);
    if (verb == "USER") return "230 In.";
    if (verb == "PWD") return "257 \"" + m_cwd + "\" is the current directory";
    if (verb == "PASV") return s.OpenPassive();
    if (verb == "REST") return "350 Restarting.";
    if (verb == "CWD") {
      std::string dir = resolve(arg);
      if (dir.empty()) return "550 No such folder.";
      m_cwd = dir;
      return "250 Ok.";
    }
    if (verb == "CDUP") {
      m_cwd = parentOf(m_cwd);
      return "250 Ok.";
    }
    if (verb == "LIST") {
      std::string text = listing(m_cwd);
      s.Then([&s, text] {
        s.SendData(text);
        return std::string("226 Listed.");
      });
      return "150 Listing.";
    }
    if (verb == "RETR") {
      Entry* e = entryOf(arg);
      if (!e || e->type != '-') return "550 No such file.";
      std::string body = e->body;
      s.Then([&s, body] {
        s.SendData(body);
        return std::string("226 Sent.");
      });
      return "150 Sending.";
    }
    if (verb == "DELE") {
      std::string dir;
      Entry* e = entryOf(arg, &dir);
      if (!e || e->type == 'd') return "550 Not a file.";
      erase(dir, e->name);
      return "250 Deleted.";
    }
    if (verb == "RMD") {
      std::string dir;
      Entry* e = entryOf(arg, &dir);
      if (!e || e->type != 'd') return "550 Not a folder.";
      std::string path = join(dir, e->name);
      if (!m_dirs[path].empty()) return "550 Not empty.";
      m_dirs.erase(path);
      erase(dir, e->name);
      return "250 Removed.";
    }
    return fhtest::plainAnswer(l);
  }

  std::mutex m_mutex;
  std::map<std::string, std::vector<Entry>> m_dirs;
  std::string m_cwd = "/";
  std::string m_endless;
};

}  // namespace xfertest
