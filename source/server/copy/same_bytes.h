// Whether a copy would change a file of the home at all.
#pragma once

// 1 when target is a regular file of one name that holds exactly the bytes
// of source, so that copying source over it would change nothing a clean
// copy leaves; 0 when it differs, is missing, is not a regular file or has
// more than one name (a hard link is always replaced by a file of its own);
// -1 when the system could not tell, with the toolkit's last error. Both
// are read through the toolkit, which follows links by its rule.
int HoldsSameBytes(const char* target, const char* source);
