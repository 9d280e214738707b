// The dictionary header reader and rewriter on a file made from the input;
// the first byte chooses which of the nine files it is.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "dict_file_headers.h"
#include "fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint16_t index = static_cast<uint16_t>(data[0] % 9);
    const auto home = zel::fuzz::ScratchRoot() / "home";
    std::filesystem::create_directories(home / "system");
    zel::fuzz::WriteBytes(home / "system" / DictFileName(index), data + 1, size - 1);
    UpdateDictFile(index, home.string().c_str());
    return 0;
}
