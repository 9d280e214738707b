// The keys of PROFILE.INI whose installed values survive the merge into the
// new release's template, one table per section.
#pragma once

#include <cstdint>
#include <vector>

#include "zelkit.h"

// One carried key. line holds the key as the table writes it and "=", and
// after loading the installed value behind it. A row with an empty line ends
// a table.
struct ProfileKeyRow {
    int32_t present;  // 1 once the installed file supplied a value
    char line[Z_MAX_LINE];
};

constexpr int PROFILE_KEY_TABLE_COUNT = 9;

// The tables for one merge, at their initial contents: nothing present,
// every line only "key=". Sections in the order they are loaded:
// IndexCache, Maintain, Retrieval, Network, Concurrent, AutoView, AutoBatch,
// AutoReboot, Background.
class ProfileKeyTables {
public:
    ProfileKeyTables();
    // The rows of a section (name compared without regard to case), ended by
    // a row with an empty line; null for a section that carries nothing.
    ProfileKeyRow* Find(const char* section);
    size_t size() const { return tables_.size(); }
    const char* SectionAt(size_t index) const { return tables_[index].section; }
    ProfileKeyRow* RowsAt(size_t index) { return tables_[index].rows.data(); }

private:
    struct Table {
        const char* section;
        std::vector<ProfileKeyRow> rows;
    };
    std::vector<Table> tables_;
};
