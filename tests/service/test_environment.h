// Setting environment variables from a test (one file per platform).
#pragma once

// An empty value removes the variable.
void SetTestEnvironment(const char* name, const char* value);
