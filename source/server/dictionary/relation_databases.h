#pragma once

#include <cstdint>

#include "server/host/dictionary_records.h"

// Creates (or with "DIC:" refills) the thesaurus, synonym and antonym
// databases of one lexicon charset code from the package's source files.
int CreateRelationDBs(ObjectEnv* env, const char* home, uint16_t charsetCode);
