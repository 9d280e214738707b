// The LOG.INI line reader, alone on the input's first line and inside the
// merge with the input as the installed LOG.INI.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz_scratch.h"
#include "log_config.h"
#include "log_setting_line.h"

namespace {

const char* const kTemplate =
    "# logging of the server\r\n"
    "MAX_FILENUM     8\r\n"
    "MAX_FILESIZE    1024\r\n"
    "LOGIN           0   # sessions\r\n"
    "LOGOUT          0\r\n"
    "CREATE_BASE     0\r\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    line = line.substr(0, line.find('\0'));
    LogSettingLine setting{};
    IsLogComment(line.c_str());
    if (ParseLogSettingLine(line.c_str(), &setting)) {
        if (setting.nameStart + setting.nameLength > line.size() || setting.numberEnd > line.size() ||
            setting.digitsStart > setting.numberEnd) {
            __builtin_trap();
        }
    }

    const auto root = zel::fuzz::ScratchRoot();
    const auto system = root / "system";
    const auto package = root / "package";
    std::filesystem::create_directories(system);
    std::filesystem::create_directories(package);
    std::filesystem::remove(system / "LOG.INI.BAK");
    zel::fuzz::WriteText(package / "LOG.INI", kTemplate);
    zel::fuzz::WriteBytes(system / "LOG.INI", data, size);
    const std::string systemDir = system.string() + "/";
    const std::string packageDir = package.string() + "/";
    MergeLogConfig(systemDir.c_str(), packageDir.c_str());
    return 0;
}
