#pragma once

#include "server/host/dictionary_records.h"

void SelectNativeCharset(ObjectEnv* env);

// True when the last SelectNativeCharset could not learn or ask what to do:
// the query of the native charset failed, or the console input ended at its
// menu. It printed the toolkit's error line and set nothing; the driver stops.
bool NativeCharsetSelectionFailed();
