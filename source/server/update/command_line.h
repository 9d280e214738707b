// The program's command line: stored once at entry, read only through
// FindArgument.
#pragma once

// Keeps the argument list for FindArgument (argv must outlive the run).
void StoreArguments(int argc, char** argv);
// The program's own path as the process received it (word 0).
const char* ProgramPathArgument();
// The words as given: their count (word 0 included) and each one.
int ArgumentCount();
const char* ArgumentWord(int index);
// Looks a key up among the arguments (case-insensitive). With a buffer: a
// value lookup that copies the text after the key (cut to size - 1). With no
// buffer and size 0: a switch test. True when found.
bool FindArgument(const char* key, char* buffer, int size);
