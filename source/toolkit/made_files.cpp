#include "made_files.h"

#include "env.h"

namespace zel::toolkit {

// The record is the system table's own (PlatformFileSystem), in the one
// environment of the process.
void NoteMadeFile(const Facts& facts) { Env::Get().Platform().NoteMade(facts); }

bool WasMadeHere(const Facts& facts) { return Env::Get().Platform().WasMade(facts); }

void ForgetMadeFile(const Facts& facts) { Env::Get().Platform().ForgetMade(facts); }

}  // namespace zel::toolkit
