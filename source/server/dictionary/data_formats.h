#pragma once

#include "dictionary_records.h"

bool UpdateDataFormats(ObjectEnv* env, int nativeCharset);
