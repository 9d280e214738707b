#include "menu_answer.h"

#include "console.h"
#include "zelkit.h"

bool ReadMenuAnswer(char* answer, int size) {
    if (Z_InputConsoleLine(answer, size, 1) >= 0) {
        ConsoleAnswer(answer);
        return true;
    }
    if (Z_GetLastError() == Z_ERROR_END_OF_INPUT) {
        ConsoleAnswer("(the input ended)");
        return false;
    }
    ConsoleAnswer("(an answer too long to be one)");
    answer[0] = '\0';
    return true;
}
