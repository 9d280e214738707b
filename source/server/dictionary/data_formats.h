#pragma once

#include "dictionary_records.h"
#include "run_actions.h"

// Brings the data format records to the release's table. Each format
// renamed, corrected or added is noted in *actions (when given).
bool UpdateDataFormats(ObjectEnv* env, int nativeCharset, RunActions* actions = nullptr);
