// The work files this process made, by their identity, so that a file is
// given attributes and moved over a target only when the work name still
// holds the very file the process wrote: in a folder another account can
// write, that account may swap the name for a link or a file of its own
// between two calls.
#pragma once

#include "file_system.h"

namespace zel::toolkit {

// A file the system's table has just made (O_EXCL, CREATE_NEW).
void NoteMadeFile(const Facts& facts);
// Whether facts are those of a file noted above and not yet published.
bool WasMadeHere(const Facts& facts);
// The file took its final name (or went): its identity may be reused.
void ForgetMadeFile(const Facts& facts);

}  // namespace zel::toolkit
