#pragma once

#include <string>

#include "profile_draft.h"

// The merge of PROFILE.INI into the new release's template, on the draft:
// the profile as the steps before left it (the draft's text, or the
// installed file) goes into the template's sections, each carried key with
// its installed value. When the result differs, it becomes the draft's
// text, the profile as it was is owed to PROFILE.INI.BAK, and *before holds
// the text the merge started from (empty when nothing changed). Both
// directories end with a path separator.
bool DraftProfileMerge(const char* systemDir, const char* packageDir, ProfileDraft* draft, std::string* before);

// The merge for a home the new release has run before: every value and
// section of the installed PROFILE.INI stays, and only what the template adds
// is added; the profile changes (its backup owed) only then.
bool DraftProfileMergeKeepingValues(const char* systemDir, const char* packageDir, ProfileDraft* draft,
                                    std::string* before);

// The same, the profile written at once.
bool MergeProfile(const char* systemDir, const char* packageDir);
bool MergeProfileKeepingValues(const char* systemDir, const char* packageDir);
