// A move of a file to a new name that was stopped half-way. Where the file
// system has no rename that refuses to replace, the toolkit moves a name by
// a link and a removal; a kill between the two leaves both names on one
// file. The run that comes next finishes the move.
#pragma once

// 1 when oldPath and newPath are two names of one regular file, 0 when they
// are not, -1 when the system cannot tell (the last error says why).
int IsHalfMoved(const char* oldPath, const char* newPath);

// Finishes such a move by removing oldPath, as the move would have. True
// when there was none to finish or it is finished; false (the last error
// set) when the old name could not be removed or looked at.
bool FinishHalfMove(const char* oldPath, const char* newPath);
