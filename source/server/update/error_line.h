#pragma once

// Prints the toolkit's last error as "\nERROR: %lu %s\n\n". With a step,
// the step's name goes in front of the text ("ERROR: 1001 copy the server:
// Z_CloneFile: ..."), so that the line says what failed as well as why.
void PrintToolkitErrorLine(const char* step = nullptr);
