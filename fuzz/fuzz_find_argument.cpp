// FindArgument over any command line: the input's first line is the key, the
// next byte the buffer size, the other lines the words.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            if (lines.size() >= 64) break;
            lines.emplace_back();
        } else if (data[i] != '\0') {
            lines.back().push_back(static_cast<char>(data[i]));
        }
    }
    const std::string key = lines[0];
    const int bufferSize = size > 0 ? data[size - 1] % 80 : 0;
    std::vector<char*> argv;
    std::string program = "upgrade";
    argv.push_back(program.data());
    for (size_t i = 1; i < lines.size(); ++i) argv.push_back(lines[i].data());
    argv.push_back(nullptr);
    StoreArguments(static_cast<int>(argv.size() - 1), argv.data());

    // Exactly the room asked for, so that any write past it is caught.
    std::vector<char> buffer(static_cast<size_t>(bufferSize > 0 ? bufferSize : 1));
    FindArgument(key.c_str(), bufferSize > 0 ? buffer.data() : nullptr, bufferSize);
    FindArgument(key.c_str(), nullptr, 0);
    StoreArguments(0, nullptr);
    return 0;
}
