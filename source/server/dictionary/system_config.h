#pragma once

#include "run_context.h"

// Adjusts the configuration record and, when this run made system
// databases, enters their ids in its charset entries.
bool UpdateSystemConfig(RunContext& run);
