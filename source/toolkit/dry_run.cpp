// Dry runs (Z_BeginDryRun): the overlay layer in the run's slot for it.
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "env.h"
#include "fault_table.h"
#include "overlay_layer.h"
#include "path_lexical.h"
#include "toolkit_internal.h"
#include "zelkit.h"

struct ZDryRunObject {
    std::unique_ptr<zel::toolkit::OverlayLayer> layer;
};

using namespace zel::toolkit;

namespace {

constexpr uint64_t kMemoryBytes = uint64_t{64} << 20;

std::string WorkFolder(const char* given) {
    if (given != nullptr && given[0] != '\0') return given;
    for (const char* name : {"ZEL_CHECK_TEMP", "TMPDIR", "TEMP", "TMP"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return value;
    }
#ifdef _WIN32
    return "C:\\Windows\\Temp";
#else
    return "/tmp";
#endif
}

}  // namespace

HZDRYRUN Z_BeginDryRun(const char* workFolder) {
    const EntryPoint call("Z_BeginDryRun", false);
    Env& env = Env::Get();
    if (env.Installed(Env::Slot::Overlay) != nullptr) {
        Fail(Z_ERROR_BAD_ARGUMENT, "Z_BeginDryRun: a dry run is under way");
        return nullptr;
    }
    const std::string folder = WorkFolder(workFolder);
    LexicalPath lexical;
    if (!MakeLexical(folder, lexical)) {
        Fail(Z_ERROR_BAD_ARGUMENT, "Z_BeginDryRun: cannot make %s absolute", folder.c_str());
        return nullptr;
    }
    // The work file would otherwise be one more change in the home.
    if (env.Platform().Roots().Beneath(lexical) != nullptr) {
        Fail(Z_ERROR_BAD_ARGUMENT, "Z_BeginDryRun: the work folder %s lies in a folder the run changes",
             folder.c_str());
        return nullptr;
    }
    ZDryRunObject* dryRun = new (std::nothrow) ZDryRunObject;
    if (dryRun == nullptr) {
        Fail(Z_ERROR_NO_MEMORY, "Z_BeginDryRun: no memory");
        return nullptr;
    }
    dryRun->layer = std::make_unique<OverlayLayer>(lexical.Text(), kMemoryBytes);
    env.Install(Env::Slot::Overlay, dryRun->layer.get());
    return dryRun;
}

void Z_EndDryRun(HZDRYRUN dryRun) {
    const EntryPoint call("Z_EndDryRun", false);
    if (dryRun == nullptr) return;
    Env& env = Env::Get();
    if (env.Installed(Env::Slot::Overlay) == dryRun->layer.get()) env.Remove(Env::Slot::Overlay);
    delete dryRun;
}
