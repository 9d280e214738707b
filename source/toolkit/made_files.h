// The work files this process made, by their identity, so that a file is
// given attributes and moved over a target only when the work name still
// holds the very file the process wrote: in a folder another account can
// write, that account may swap the name for a link or a file of its own
// between two calls.
#pragma once

#include "toolkit_platform.h"

namespace zel::toolkit {

// A file the platform layer has just made (O_EXCL, CREATE_NEW).
void NoteMadeFile(const FileFacts& facts);
// Whether facts are those of a file noted above and not yet published.
bool WasMadeHere(const FileFacts& facts);
// The file took its final name (or went): its identity may be reused.
void ForgetMadeFile(const FileFacts& facts);

}  // namespace zel::toolkit
