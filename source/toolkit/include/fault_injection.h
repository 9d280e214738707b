// Test hook of the fault points (Z_FaultPoint in zelkit.h).
#pragma once

// Forgets every count so far and reads ZEL_FAULT and ZEL_FAULT_LOG again, so
// that one test program can run several fault scenarios one after another.
void ZelResetFaultInjection();
