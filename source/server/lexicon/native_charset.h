#pragma once

#include "server/host/dictionary_records.h"

void SelectNativeCharset(ObjectEnv* env);

// True when the last SelectNativeCharset met the end of console input at its
// menu: it printed the toolkit's error line and set nothing; the driver stops.
bool NativeCharsetInputEnded();
