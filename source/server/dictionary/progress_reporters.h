#pragma once

#include <cstdint>

// Progress the kernel reports while it optimizes, loads or extends a database.
void OptimizeProgress(int32_t stage, intptr_t value);
void LoadProgress(int32_t count, intptr_t value);
void LexiconProgress(int32_t stage, int64_t percent);
