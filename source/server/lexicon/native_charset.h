#pragma once

#include "run_context.h"

// Sets the server's native character set when the home has none, from "CS:"
// or a menu, unless an existing database is of another character set. False
// when it cannot learn or ask what to do (the query of the native charset
// or the listing of the databases failed, or the console input ended at its
// menu; nothing is set then), or when the setting itself fails.
bool SelectNativeCharset(RunContext& run);
