#pragma once

#include <string>

#include "run_context.h"

// Segmentation lexicon kinds.
constexpr int LEXICON_AMBIGUOUS = 4444;
constexpr int LEXICON_WBIGRAM = 5555;
constexpr int LEXICON_CBIGRAM = 6666;
constexpr int LEXICON_SINGLE = 7777;

// Builds HOME/dict/ZEL_<kind>.<suffix> of the run's lexicon character set
// from the package's source file, unless it is there already and no "DIC:"
// asks to build it again. *made (when given) receives the file's name when
// it was built.
bool CreateAssociationLexicon(const RunChoices& choices, int kind, std::string* made = nullptr);
// Whether that lexicon file would be built: 1 (*target and *name, when
// given, receive its path and its name), 0, or -1 when that cannot be told
// (the last error says why).
int AssociationLexiconTarget(const RunChoices& choices, int kind, std::string* target = nullptr,
                             std::string* name = nullptr);
