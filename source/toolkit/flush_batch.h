// Folder flushes that may wait. A change of a name (a rename, a
// replacement, a removal) is durable only once its folder is flushed; where
// many names change together, the folder is flushed once for all of them:
// - inside a batch (Z_BeginDurableBatch ... Z_EndDurableBatch), every
//   folder;
// - while a file journal records, the folders it protects: a crash before
//   the journal is flushed is undone from the journal anyway, and
//   Z_FlushFileJournal flushes every folder it recorded a name in.
// The platform layer asks before each such flush.
#pragma once

#include <string>

#include "toolkit_platform.h"

namespace zel::toolkit {

// True when the flush of folder (as followed: links replaced) may wait; the
// folder is then noted as owing a flush.
bool DeferFolderFlush(const std::string& folder);

// Whether folder owes a flush (for the power-cut model: names changed in it
// are not on the disk yet).
bool FolderFlushOwed(const std::string& folder);

// A folder was flushed: it owes nothing any more.
void FolderFlushMade(const std::string& folder);

// Flushes every folder that owes a flush, once each, and tells the power-cut
// model. False, with problem and the folder, on the first that fails; the
// ones after it stay owed.
bool FlushOwedFolders(Problem& problem, std::string& failed);

// A batch inside the toolkit (Z_BeginDurableBatch's own): while one is open
// every folder's flush waits; its end flushes each owed folder once. False,
// with problem and the folder, when a flush fails.
void BeginFlushBatch();
bool EndFlushBatch(Problem& problem, std::string& failed);

// Whether the open file journal protects folder (file_journal.cpp).
bool JournalDefersFlushOf(const std::string& folder);

}  // namespace zel::toolkit
