// Console input: one typed line at a time.
#include <cstdio>

#include "fault_table.h"
#include "toolkit_internal.h"
#include "toolkit_platform.h"

using namespace zel::toolkit;

int Z_InputConsoleLine(char* buffer, int size, int /*flags*/) {
    const EntryPoint call("Z_InputConsoleLine");
    if (call.Failed()) return -1;
    if (buffer == nullptr || size <= 0) {
        Fail(Z_ERROR_BAD_ARGUMENT, "Z_InputConsoleLine: no buffer given");
        return -1;
    }
    // The question printed before must be visible before we wait.
    std::fflush(stdout);
    // A typed path must come in the code page the file calls read.
    PlatformConsoleInput codePage;
    if (!codePage.status().ok()) {
        FailStatus("Z_InputConsoleLine", "read console input in", "the system code page", codePage.status());
        return -1;
    }
    int length = 0;
    bool tooLong = false;
    bool sawAny = false;
    bool returnWithoutRoom = false;  // a CR after a full buffer may be the line end
    int c;
    while ((c = std::getchar()) != EOF) {
        sawAny = true;
        if (c == '\n') break;
        if (returnWithoutRoom) tooLong = true;
        returnWithoutRoom = false;
        if (length + 1 < size) {
            buffer[length++] = static_cast<char>(c);
        } else if (c == '\r') {
            returnWithoutRoom = true;
        } else {
            // Keep reading to the end of the line so that the next question
            // does not get its tail as the answer.
            tooLong = true;
        }
    }
    if (!sawAny) {
        buffer[0] = '\0';
        Fail(Z_ERROR_END_OF_INPUT, "Z_InputConsoleLine: end of input");
        return -1;
    }
    if (length > 0 && buffer[length - 1] == '\r') --length;
    if (tooLong) {
        buffer[0] = '\0';
        Fail(Z_ERROR_TOO_LONG, "Z_InputConsoleLine: the line typed is longer than %d characters", size - 1);
        return -1;
    }
    buffer[length] = '\0';
    return length;
}
