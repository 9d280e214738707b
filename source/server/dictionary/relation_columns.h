#pragma once

#include "dictionary_records.h"

bool UpdateRelationColumns(ObjectEnv* env);
