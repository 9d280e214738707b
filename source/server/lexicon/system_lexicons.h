#pragma once

#include <cstdint>

#include "server/host/dictionary_records.h"

int UpgradeSystemLexicons(ObjectEnv* env, const char* home, uint16_t charsetCode);
int UpgradeEntityLexicon(ObjectEnv* env, const char* home);
int CreateSystemLexicon(ObjectEnv* env, const char* home, const char* name, uint32_t kind, const char* file,
                        uint32_t* id, uint16_t charsetCode);
int ReloadEntityLexicon(ObjectEnv* env, uint32_t id);
int RenameLexiconFile(const char* home, const char* oldName, const char* newName);
