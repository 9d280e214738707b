// The record, in the home, of the previous release's service that a run
// removed: kept from just before the removal until the new release's
// service is installed, so that no stop, kill or crash in between can leave
// the server without a service. It also holds what was registered, for an
// administrator who wants it back.
#pragma once

#include "windows_api.h"

// HOME/system/OLDSERVICE.INF; systemDir ends with a separator.
bool RecordRemovedService(const char* systemDir, const char* serviceName, const QUERY_SERVICE_CONFIGA& config);
// 1 while a removed service waits for its successor, 0 when none does, -1
// when the system cannot tell (the toolkit's last error says why).
int RemovedServicePending(const char* systemDir);
// The successor is installed (or the removal did not happen).
bool ForgetRemovedService(const char* systemDir);
