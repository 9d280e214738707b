// The toolkit's profile readers on a file made from the input: every section
// in turn, every item of each, and a seek to a named section; and the same
// bytes held in memory, which must give that section the items the file
// readers give.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz_scratch.h"
#include "profile_text.h"
#include "zelkit.h"

namespace {

void ExpectTextReaderAgrees(const std::filesystem::path& path, const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const zel::toolkit::ProfileTextSection section = zel::toolkit::FindProfileSection(text, "Server");
    HZFILE file = Z_OpenFile(path.string().c_str(), Z_MODE_READ, 0, nullptr, 0);
    if (file == nullptr) return;
    const int found = Z_SeekProfileSect(file, "Server");
    if (found >= 0 && (found > 0) != section.found) std::abort();
    for (size_t index = 0; found > 0; ++index) {
        char item[Z_MAX_LINE];
        int room = Z_MAX_LINE;
        const int kind = Z_ReadProfileItem(file, item, &room, nullptr, nullptr, nullptr);
        // A line longer than the buffer stops the file readers, not the text.
        if (kind < 0) break;
        if (kind == 0) {
            if (index != section.items.size()) std::abort();
            break;
        }
        if (index >= section.items.size()) std::abort();
        const zel::toolkit::ProfileLine& line = section.items[index];
        if (line.name != std::string(item, static_cast<size_t>(room - 1)) ||
            std::strcmp(line.value.c_str(), item + room) != 0) {
            std::abort();
        }
    }
    Z_CloseFile(file);
}

}  // namespace

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
    ExpectTextReaderAgrees(path, data, size);
    return 0;
}
