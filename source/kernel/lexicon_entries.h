// The entries of a lexicon while it is built: converted texts kept back to
// back in one buffer, so that a list of a million words costs a few
// allocations rather than a million.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "zemkernel.h"

namespace zel::kernel {

class LexiconEntries {
public:
    void Reserve(size_t bytes, size_t entries);
    // Appends the bytes of one entry.
    void Add(std::string_view entry);
    // For a caller that appends an entry's bytes to Buffer() itself: closes
    // the entry that began at `start`.
    std::string* Buffer() { return &arena_; }
    void EndEntry(size_t start) { spans_.push_back({start, arena_.size() - start}); }

    size_t Count() const { return spans_.size(); }
    // The entries in the order they were added.
    std::vector<std::string_view> InOrder() const;
    // The entries in byte order without repeats. Valid while this object
    // lives unchanged.
    std::vector<std::string_view> SortedUnique() const;

    uint64_t unencodable = 0;  // entries the character set has no code for

private:
    struct Span {
        size_t offset;
        size_t length;
    };
    std::string arena_;
    std::vector<Span> spans_;
};

// Reads a UTF-8 word list: one entry per line, the first blank-separated field
// of the line being the entry (a frequency or tag may follow); blank lines
// and lines starting with '#' are passed over. Each entry is converted to
// charset; entries the set cannot encode are counted, not kept. With a
// progress function, reports (0, percent) in steps of ten up to 90 as the
// file is read. Text that is not UTF-8 fails, naming the line.
bool ReadLexiconSource(const char* operation, const std::string& path, int charset, LexiconProgressFunction progress,
                       LexiconEntries* entries);

// Every CJK ideograph charset can encode, encoded in it.
bool CollectIdeographs(const char* operation, int charset, LexiconEntries* entries);

// Sorted a and b merged, without repeats.
std::vector<std::string_view> MergeSorted(const std::vector<std::string_view>& a,
                                          const std::vector<std::string_view>& b);

}  // namespace zel::kernel
