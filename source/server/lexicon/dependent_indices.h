#pragma once

#include "server/host/dictionary_records.h"

int RemoveDependentIndices(ObjectEnv* env);
