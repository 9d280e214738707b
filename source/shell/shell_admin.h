// What zelhome needs beyond the shell's public operations to rebuild a
// dictionary from a description with the ids it names.
#pragma once

#include <cstdint>

namespace zel::shell {

// The next NewDatabaseInfo hands out id (when no higher id was handed out
// before); ids below stay unused forever. Returns false (error set) when no
// dictionary is open or the counter cannot be written.
bool RaiseNextDatabaseId(uint32_t id);

}  // namespace zel::shell
