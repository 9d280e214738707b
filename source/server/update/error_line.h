#pragma once

// Prints the toolkit's last error as "\nERROR: %lu %s\n\n".
void PrintToolkitErrorLine();
