#include "menu_answer.h"

#include "zelkit.h"

bool ReadMenuAnswer(char* answer, int size) {
    if (Z_InputConsoleLine(answer, size, 1) >= 0) return true;
    if (Z_GetLastError() == Z_ERROR_END_OF_INPUT) return false;
    answer[0] = '\0';
    return true;
}
