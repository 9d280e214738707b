// The segmentation lexicon files HOME/dict/ZEL_<kind name>.<suffix>, built
// from UTF-8 source files into the encoding of one character set.
#pragma once

#include <cstdint>
#include <string>

namespace zel::kernel {

// "Ambiguous", "WBigram", "CBigram", "Single" for the kinds 4444 to 7777;
// null for any other kind.
const char* AssociationKindName(int kind);
// "GB", "BIG5", "UTF8" for the charset numbers 1 to 3; null otherwise.
const char* AssociationSuffix(int charset);

// Writes target from source line by line, each line converted to charset.
// Lines the set cannot encode are left out and counted in *dropped; text
// that is not UTF-8 fails and leaves target as it was.
bool BuildAssociationFile(const char* operation, const std::string& source, int charset, const std::string& target,
                          uint64_t* dropped);

}  // namespace zel::kernel
