#pragma once

#include <cstdint>

// Segmentation lexicon kinds.
constexpr int LEXICON_AMBIGUOUS = 4444;
constexpr int LEXICON_WBIGRAM = 5555;
constexpr int LEXICON_CBIGRAM = 6666;
constexpr int LEXICON_SINGLE = 7777;

int CreateAssociationLexicon(const char* home, int kind, uint16_t charsetCode);
