#include "server/update/menu_answer.h"

#include "server/host/zelkit.h"
#include "server/update/error_line.h"

bool ReadMenuAnswer(char* answer, int size) {
    if (Z_InputConsoleLine(answer, size, 1) >= 0) return true;
    if (Z_GetLastError() == Z_ERROR_END_OF_INPUT) {
        PrintToolkitErrorLine();
        return false;
    }
    answer[0] = '\0';
    return true;
}
