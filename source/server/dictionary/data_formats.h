#pragma once

#include "server/host/dictionary_records.h"

int UpdateDataFormats(ObjectEnv* env, int nativeCharset);
