// The help text, printed whole for -HELP (and /?, -?, --help, -h), and by
// the line of one key when a value on the command line is refused.
#pragma once

void PrintHelp();
// The help lines that begin with key ("CS:", "OLD:" ...); every line when
// no line does.
void PrintHelpFor(const char* key);
