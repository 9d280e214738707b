#pragma once

#include "dictionary_records.h"

// Brings the data format records to the release's table. *added (when
// given) counts the formats added.
bool UpdateDataFormats(ObjectEnv* env, int nativeCharset, int* added = nullptr);
