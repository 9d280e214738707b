#include "support/run_program.h"

#include <cstdlib>

namespace zel::testing {

std::string NativePath(const std::string& path) {
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') {
        std::string windows = "Z:" + path;
        for (char& c : windows) {
            if (c == '/') c = '\\';
        }
        return windows;
    }
#endif
    return path;
}

void SetEnvironment(const std::string& name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value.c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

void UnsetEnvironment(const std::string& name) {
#ifdef _WIN32
    _putenv_s(name.c_str(), "");
#else
    unsetenv(name.c_str());
#endif
}

}  // namespace zel::testing
