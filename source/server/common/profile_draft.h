// PROFILE.INI while the file phase changes it. Four steps change it in
// turn: the profile made from CACHE.CFG and NET.CFG when the home has none,
// the merge into the template, the start-up programs section, and the new
// program names in its launch lines. Each hands its text on here, and the
// profile is written once, its backup first; the old files whose contents
// it takes over go only once it is on the disk.
#pragma once

#include <string>
#include <vector>

struct ProfileDraft {
    // A step changed the profile: text is what PROFILE.INI is to hold.
    bool held = false;
    std::string text;
    // The home had no profile and the run made one from the old files:
    // madeText is that profile, which no file holds yet.
    bool made = false;
    std::string madeText;
    // The profile as the run found it (the installed file, or madeText) is
    // kept as PROFILE.INI.BAK just before the text goes in.
    bool backupOwed = false;
    // Files whose contents the text holds (CACHE.CFG, NET.CFG, the old
    // batch files): they go once it is on the disk.
    std::vector<std::string> afterWrite;
    // What the steps did to the text, and the values the merge reset or
    // dropped, for the run's summary once the text is on the disk.
    std::vector<std::string> changes;
    std::vector<std::string> notes;
    // The start-up step added launches or the section itself.
    bool sectionAdded = false;
};
