// Reading the answer to a console menu.
#pragma once

// Reads one answer into answer (size bytes). An answer too long for the
// buffer comes back empty, as one more wrong answer for the menu to ask
// again. Only the end of input, which no asking again can answer, gives
// false, with the toolkit's last error saying so.
bool ReadMenuAnswer(char* answer, int size);
