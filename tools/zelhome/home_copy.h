// The copy of a home that zelhome preview runs the upgrade on, made as the
// upgrade would see the home: what a link the link rule allows names is
// copied in its place (so the run on the copy never reaches through it to
// the original), a link the rule refuses is left out (the preview lists it
// as a blocker: the upgrade itself would stop there).
#pragma once

#include <string>

namespace zelhome {

bool CopyHome(const std::string& home, const std::string& copy, std::string* message);

// When the copy holds the record of an interrupted upgrade whose journal is
// whole, puts the journal back in the copy as the upgrade's first step
// would, so that the copy's dictionary can be moved into it, and makes the
// record the copy's own. *putBack tells whether there was one. False with
// a message when the record is damaged or cannot be written.
bool PutBackCopysJournal(const std::string& copy, bool* putBack, std::string* message);

}  // namespace zelhome
