// What the kernel stand-in (and zelhome) may ask of the open dictionary,
// beyond the shell's public operations. The kernel keeps each database's
// data in that database's directory and needs the dictionary to find it.
#pragma once

#include <cstdint>
#include <string>

namespace zel::shell {

struct DatabaseSummary {
    uint32_t id = 0;
    uint32_t kind = 0;
    uint16_t charsetCode = 0;
    uint32_t recordCount = 0;
    uint32_t indexSegmentId = 0;
    uint32_t indexStopId = 0;
    std::string owner;
    std::string name;
    std::string directory;  // as stored in the dictionary
};

// The home directory of the open dictionary; empty when none is open.
std::string OpenHomeDirectory();

// Looks a database up by id in the open dictionary.
bool FindDatabase(uint32_t id, DatabaseSummary* summary);

}  // namespace zel::shell
