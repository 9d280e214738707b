// Names of the previous release's programs and the names that replace them.
#pragma once

struct ProgramNameRow {
    const char* oldName;
    const char* newName;
};

constexpr int PROGRAM_NAME_COUNT = 6;
extern const ProgramNameRow g_programNames[PROGRAM_NAME_COUNT];

// The new value of a program line of PROFILE.INI: for the key (ProgramStart,
// ProgramClose or ShutdownCall) and a value equal to an old program name, the
// new value; otherwise null. Key and value compare without regard to case.
const char* FindRenamedProgramValue(const char* key, const char* value);

// ProgramStart, ProgramClose or ShutdownCall, without regard to case.
bool IsProgramLineKey(const char* key);
