// The checks of the home itself and of its volume.
#pragma once

#include <string>

#include "blockers.h"
#include "run_record_file.h"

// A link in the home (down to kHomeLinkSearchDepth) that the link rule does
// not follow.
void CheckHomeLinks(const char* home, CheckFindings* findings);
// The record of an interrupted run that fails its checks (Damaged) or is
// not the run's own (Foreign), as the run's reading of it or CheckRunRecord
// found it (why: what is wrong).
void NoteRefusedRecord(const char* home, RecordCheck verdict, const std::string& why, CheckFindings* findings);
// PROFILE.INI, LOG.INI and the old files that become them, each read whole
// by the file phase: one larger than any real one stops the run here.
void CheckConfigSizes(const char* home, CheckFindings* findings);
// A server of the home that answers on this machine.
void CheckServerStopped(const char* home, CheckFindings* findings);
// Room on the home's volume for what the run writes (space_needed.h); a
// volume whose free space cannot be read is noted, not refused.
void CheckFreeSpace(const char* home, const char* packageDir, bool modifyLexicons, CheckFindings* findings);
