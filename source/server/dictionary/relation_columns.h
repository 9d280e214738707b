#pragma once

#include "server/host/dictionary_records.h"

int UpdateRelationColumns(ObjectEnv* env);
