#include "package_list.h"

namespace zelhome {

std::vector<std::string> PackageCopyList() {
    return {"zelserver.exe",   "zelsearcher.exe", "zelmirror.exe",     "zelidenter.exe",      "zemshutdown.exe",
            "zemdict.exe",     "zemmaster.exe",   "zemload.exe",       "zemservice.exe",      "zelkit64.dll",
            "zemkernel64.dll", "zemsearch64.dll", "zemdaemon64.dll",   "zemshell64.dll",      "zelrpc64.dll",
            "zelapi64.dll",    "readme.txt",      "GB/zemconsole.exe", "BIG5/zemconsole.exe", "UTF8/zemconsole.exe",
            "PROFILE.INI",     "LOG.INI"};
}

}  // namespace zelhome
