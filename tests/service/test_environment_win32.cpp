#include <cstdlib>

#include "service/test_environment.h"

void SetTestEnvironment(const char* name, const char* value) {
    // An empty value removes the variable on Windows.
    _putenv_s(name, value ? value : "");
}
