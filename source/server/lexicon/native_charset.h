#pragma once

#include "server/host/dictionary_records.h"

void SelectNativeCharset(ObjectEnv* env);
