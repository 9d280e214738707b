#pragma once

#include "server/host/dictionary_records.h"

void SelectNativeCharset(ObjectEnv* env);

// True when the character set menu met the end of input: the selection has
// printed the toolkit's error line and set nothing, and the driver stops the
// run.
bool NativeCharsetInputEnded();
