#pragma once

#include "run_context.h"

// Sets the server's native character set when the home has none, from "CS:"
// or a menu, unless an existing database is of another character set. False
// when it cannot learn or ask what to do (the query of the native charset
// or the listing of the databases failed, or the console input ended at its
// menu; nothing is set then), or when the setting itself fails.
bool SelectNativeCharset(RunContext& run);

// Settles the question of SelectNativeCharset before anything of the home
// changes, so that a run that cannot be answered stops with the old service
// still in place: when no "CS:" was given and the home has no native
// character set, shows the warning and the menu and keeps the answer in
// run.choices as if it had been given. False only when the console input
// ends at the menu. A home the shell cannot read now is left to the
// dictionary phase.
bool AskNativeCharsetBeforeChanges(RunContext& run);
