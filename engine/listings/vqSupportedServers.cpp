#include "vqSupportedServers.h"

namespace {

const _ftpsvr_info_ kServers[] = {
    {VQ_HOST_AUTO, "Auto Detect", "", "/"},
    {VQ_HOST_UNIX, "UNIX - Standard", "Unix", "/"},
    {VQ_HOST_WINNT351D, "Windows NT v3.5x (DOS Style)", "Windows_NT", "\\"},
    {VQ_HOST_WINNT351U, "Windows NT v3.5x (UNIX Style)", "Windows_NT", "/"},
    {VQ_HOST_WINNT40, "Windows NT v4.x  (UNIX Style)", "Windows_NT", "/"},
    {VQ_HOST_UNIXL8, "UNIX Type: L8", "Unix Type: L8", "/"},
    {VQ_HOST_MULTINET, "VMS MultiNET", "MultiNet", "."},
    {VQ_HOST_VMS, "VMS", "VMS ", "."},
    {VQ_HOST_MACOS, "MACOS", "MACOS ", "/"},
    {VQ_HOST_MVS, "MVS", "MVS ", "."},
    {VQ_HOST_VM, "VM", "VM ", "."},
    {VQ_HOST_NETWARE, "NetWare", "NetWare ", "/"},
    {VQ_HOST_OS2, "OS/2", "OS/2", "/"},
    {VQ_HOST_WFTPD, "WFTPD", "WFTPD", "/"},
    {VQ_HOST_WARFTPD, "WAR-FTPD", "WAR-FTPD", "\\"},
    {VQ_HOST_MPEIX, "MPE/iX", "MPE/iX", "/"},
    {VQ_HOST_HELLSOFT, "HellSoft FTP Server for NW", "HellSoft", "/"},
    {VQ_HOST_FTPSOFT, "FTP Software's FTP Server", "MSDOS ", "/"},
    {VQ_HOST_VMSA55, "VAX/VMS A5.5", "VAX/VMS A5.5", "."},
    {VQ_HOST_APPLESHARE, "AppleShare IP", "AppleShare", "/"},
    {VQ_HOST_VMCMS, "VM/CMS", "VM/CMS", "."},
    {VQ_HOST_OPENVMS, "VMS VAX/VMS", "VMS VAX/VMS", "."},
    {VQ_HOST_UNIXBSD44, "UNIX Type: L8/BSD-44", "Unix Type: L8 Version: BSD-44", "/"},
    {VQ_HOST_MULTINET34, "VMS MultiNET v3.4", "VMS MultiNet V3.4", "."},
    {VQ_HOST_AS400UNIX, "AS/400-Unix Format", "AS/400-Unix Format", "."},
    {VQ_HOST_AS400, "AS/400-Native Format", "AS/400-Native Format", "."},
    {VQ_HOST_BISONWARE, "BisonWare FTP Server", "BisonWare", "/"},
};
const unsigned short kServerCount = sizeof kServers / sizeof kServers[0];
static_assert(sizeof kServers / sizeof kServers[0] == 27, "one row per host type");

}  // namespace

vqSupportedServers::vqSupportedServers() : m_count(kServerCount), m_rows(kServers) {}

vqSupportedServers::~vqSupportedServers() {}

unsigned short vqSupportedServers::CfgCount() const { return m_count; }

const _ftpsvr_info_* vqSupportedServers::CfgGet(unsigned int index) const {
  return index < m_count ? &m_rows[index] : nullptr;
}

const _ftpsvr_info_* vqSupportedServers::CfgFind(unsigned int key) const {
  for (unsigned short i = 0; i < m_count; ++i)
    if (m_rows[i].key == key) return &m_rows[i];
  return nullptr;
}
