// The configuration files of the home that the file phase reads whole
// (PROFILE.INI, LOG.INI, and the old LOG.CFG, CACHE.CFG and NET.CFG that
// become them) are looked at before the first change: one larger than any
// real configuration file stops the run there, rather than after the old
// service went and the dictionaries were changed. Their size is asked of
// the file system; none is read for it.
#pragma once

#include <cstdint>

// The most a configuration file of the server may hold.
constexpr uint64_t kLargestConfigFile = 16u * 1024u * 1024u;

// False, with the last error naming the file, its size and the limit, when
// one of them in systemDir (a separator at its end) is larger than
// kLargestConfigFile. A file that is not there is no failure.
bool CheckConfigFileSizes(const char* systemDir);
