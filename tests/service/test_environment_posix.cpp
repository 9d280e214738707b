#include <cstdlib>

#include "service/test_environment.h"

void SetTestEnvironment(const char* name, const char* value) {
    if (value && *value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}
