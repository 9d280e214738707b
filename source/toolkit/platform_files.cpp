#include "platform_files.h"

namespace zel::toolkit {

Status PlatformFileSystem::AddRoot(const Path& directory) {
    FileRoot root;
    if (!MakeLexical(directory, root.path)) {
        return Status::Refused(Code::Io, "the current directory cannot be read");
    }
    if (roots_.Has(root.path)) return Status();
    Result<intptr_t> opened = OpenRoot(root.path.Text());
    if (!opened.ok()) return opened.TakeStatus();
    root.handle = *opened;
    roots_.Add(std::move(root));
    return Status();
}

void PlatformFileSystem::ClearRoots() {
    roots_.Clear([this](intptr_t handle) { CloseRoot(handle); });
}

}  // namespace zel::toolkit
