#pragma once

#include <cstdint>

#include "run_context.h"

// The lexicons of the run's lexicon character set, the relation databases
// and the entity lexicon.
bool UpgradeSystemLexicons(RunContext& run);
// Records in the run's journal, ahead of them, the files the renames of
// the old system lexicon files take away (UpgradeSystemLexicons does so
// first; recording them again changes nothing).
bool JournalSystemLexiconRenames(const RunContext& run);
// The entity lexicon alone, when no new dictionaries were asked for.
bool UpgradeEntityLexicon(RunContext& run);
bool CreateSystemLexicon(RunContext& run, const char* name, uint32_t kind, const char* file, uint32_t* id,
                         uint16_t charsetCode);
bool ReloadEntityLexicon(RunContext& run, uint32_t id);
// *renamed: the file had the old name and now has the new one.
bool RenameLexiconFile(const char* home, const char* oldName, const char* newName, bool* renamed);
// Records the file a due rename takes away in the run's journal, ahead of
// the rename.
bool JournalLexiconFileRename(HZJOURNAL journal, const char* home, const char* oldName, const char* newName);
