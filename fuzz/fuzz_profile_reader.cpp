// The toolkit's profile readers on a file made from the input: every section
// in turn, every item of each, and a seek to a named section.
#include <cstddef>
#include <cstdint>

#include "fuzz_scratch.h"
#include "zelkit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto path = zel::fuzz::ScratchRoot() / "PROFILE.INI";
    const auto copy = zel::fuzz::ScratchRoot() / "PASS.INI";
    zel::fuzz::WriteBytes(path, data, size);

    HZFILE file = Z_OpenFile(path.string().c_str(), Z_MODE_READ, 0, nullptr, 0);
    if (file == nullptr) return 0;
    HZFILE passThrough = Z_CreateFile(copy.string().c_str(), Z_MODE_READ_WRITE, 0, nullptr, 0);
    char section[64];
    char item[128];
    for (int sections = 0; sections < 1000; ++sections) {
        if (Z_ReadProfileSect(file, section, static_cast<int>(sizeof section), passThrough) <= 0) break;
        for (int items = 0; items < 10000; ++items) {
            int room = static_cast<int>(sizeof item);
            int32_t boolean = 0;
            uint32_t number = 0;
            if (Z_ReadProfileItem(file, item, &room, &boolean, &number, passThrough) <= 0) break;
        }
    }
    if (Z_SeekFile(file, 0)) {
        Z_SeekProfileSect(file, "Server");
        int room = static_cast<int>(sizeof item);
        int32_t boolean = 0;
        uint32_t number = 0;
        Z_ReadProfileItem(file, item, &room, &boolean, &number, nullptr);
    }
    if (passThrough != nullptr) Z_CloseFile(passThrough);
    Z_CloseFile(file);
    return 0;
}
