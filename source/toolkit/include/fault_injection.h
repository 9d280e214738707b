// Test hook of the fault points (Z_FaultPoint in zelkit.h).
#pragma once

// Forgets every count so far and reads ZEL_FAULT and ZEL_FAULT_LOG again, so
// that one test program can run several fault scenarios one after another.
void ZelResetFaultInjection();

// Names the step of the run that comes next (the driver's row), for the
// sites ZEL_FAULT_SITES writes.
void ZelNameFaultSite(const char* step);
