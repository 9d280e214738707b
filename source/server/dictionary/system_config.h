#pragma once

#include "server/host/dictionary_records.h"

int UpdateSystemConfig(ObjectEnv* env);
