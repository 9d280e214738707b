// The shell stand-in's record reader: an empty dictionary whose file chosen
// by the first byte is replaced by the rest of the input, opened and listed.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "dict_files.h"
#include "fuzz_scratch.h"
#include "zemshell.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int index = data[0] % zel::shell::DICT_FILE_COUNT;
    const auto home = zel::fuzz::ScratchRoot() / "home";
    std::filesystem::remove_all(home);
    zel::shell::DictFailure failure;
    if (!zel::shell::CreateEmptyDictionary(home.string(), zel::shell::OLDEST_DICT_TITLE, &failure)) return 0;
    zel::fuzz::WriteBytes(zel::shell::DictFilePath(home.string(), index), data + 1, size - 1);

    if (ShellOpen(home.string().c_str(), -1, -1, -1, -1) == 0) return 0;
    ObjectEnv env{};
    if (GetObjectEnv(3, &env) != nullptr) {
        FreeDatabaseInfo(GetDatabaseInfo(&env, 0, "*", "*"));
        FreeDataFormatInfo(GetDataFormatInfo(&env, 0, "*", "", ""));
    }
    ShellClose();
    return 0;
}
