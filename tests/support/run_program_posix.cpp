#include "support/run_program.h"

namespace zel::testing {

// Off Windows, a file name is bytes, the same bytes a path keeps.
std::string SystemText(const std::filesystem::path& path) { return path.native(); }

bool SystemCanWrite(const std::filesystem::path&) { return true; }

unsigned SystemCodePage() { return 0; }

}  // namespace zel::testing
