// What stops an upgrade before its first change, and what the checks note
// besides. Every check reads only: a home and a package may be checked as
// often as an administrator likes.
#pragma once

#include <string>
#include <vector>

struct Blocker {
    // What is wrong, naming the file, folder or service ("The server is
    // running, please shutdown!"): the text of its ERROR line.
    std::string what;
    // What the administrator does about it, as an instruction that stands on
    // its own in a list ("stop the server of the home").
    std::string todo;
};

struct CheckFindings {
    std::vector<Blocker> blockers;
    // Worth saying, but no reason to stop: a lexicon source the package
    // lacks, free space that cannot be read.
    std::vector<std::string> notes;
};
