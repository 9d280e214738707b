// Toolkit library (zelkit64): files, paths, profiles, strings, memory,
// errors and console input. Every operation returns nonzero (or a handle)
// on success and 0 (or null) on failure; a failure always leaves a last
// error with a code and a readable text (Z_GetLastError,
// Z_GetLastErrorPrompt).
//
// Buffers: path buffers handed to the path operations hold Z_MAX_PATH
// characters; an operation that would overflow one fails instead of
// cutting the path.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int Z_MAX_PATH = 260;
constexpr int Z_MAX_LINE = 1024;

#ifdef _WIN32
constexpr char Z_PATH_SEPARATOR = '\\';
constexpr const char* Z_PATH_SEPARATOR_TEXT = "\\";
#else
constexpr char Z_PATH_SEPARATOR = '/';
constexpr const char* Z_PATH_SEPARATOR_TEXT = "/";
#endif

// Configuration files of the product are Windows text files on every
// platform: Z_WriteFileLineEx ends lines with CR LF; the readers accept
// CR LF and LF.
constexpr const char* Z_LINE_END = "\r\n";

// Character set numbers of Z_TranslateText and Z_AssignCharset.
constexpr int Z_CHARSET_NONE = 0;
constexpr int Z_CHARSET_GB18030 = 1;
constexpr int Z_CHARSET_BIG5 = 2;
constexpr int Z_CHARSET_UTF8 = 3;

// Error codes the toolkit itself sets (callers may set others through
// Z_CaptureError).
constexpr uint32_t Z_ERROR_NONE = 0;
constexpr uint32_t Z_ERROR_IO = 1001;         // open, read, write, rename ...
constexpr uint32_t Z_ERROR_NOT_FOUND = 1002;  // file or directory missing
constexpr uint32_t Z_ERROR_EXISTS = 1003;     // target name taken
constexpr uint32_t Z_ERROR_TOO_LONG = 1004;   // path or line does not fit its buffer
constexpr uint32_t Z_ERROR_BAD_ARGUMENT = 1005;
constexpr uint32_t Z_ERROR_NO_MEMORY = 1006;
constexpr uint32_t Z_ERROR_CHARSET = 1007;       // text cannot be converted
constexpr uint32_t Z_ERROR_END_OF_INPUT = 1008;  // console input closed
constexpr uint32_t Z_ERROR_LOCKED = 1009;        // another process holds the lock
constexpr uint32_t Z_ERROR_UNSAFE_LINK = 1010;   // a link the link rule does not follow
constexpr uint32_t Z_ERROR_DAMAGED = 1011;       // a record that fails its checks
constexpr uint32_t Z_ERROR_NO_SPACE = 1012;      // not enough room on a volume
constexpr uint32_t Z_ERROR_NOT_OWN = 1013;       // a record or work file another account made or may change
constexpr uint32_t Z_ERROR_INJECTED = 1999;      // failure injected with ZEL_FAULT

struct ZFileObject;
using HZFILE = ZFileObject*;

// Second field nonzero when the file lies directly in the directory.
struct ZContrastResult {
    uint32_t sameName;     // the two paths name the same file or directory
    uint32_t inDirectory;  // the file lies in the directory
    uint32_t reserved[2];
};
static_assert(sizeof(ZContrastResult) == 16);

using ZCopyCallback = int (*)(const char* path);

// What a path leads to (Z_GetFileInfo).
constexpr uint32_t Z_FILE_MISSING = 0;
constexpr uint32_t Z_FILE_REGULAR = 1;
constexpr uint32_t Z_FILE_DIRECTORY = 2;
constexpr uint32_t Z_FILE_LINK = 3;  // only with Z_NO_LINK
constexpr uint32_t Z_FILE_OTHER = 4;
struct ZFileInfo {
    uint32_t kind;    // Z_FILE_*
    uint32_t links;   // names the file has (hard links)
    uint64_t size;    // bytes
    uint64_t volume;  // with index, the file's identity: the same for every
    uint64_t index;   // name of one file (device and inode, volume serial and file index)
};
static_assert(sizeof(ZFileInfo) == 32);
static_assert(offsetof(ZFileInfo, size) == 8);
static_assert(offsetof(ZFileInfo, index) == 24);

// Flag of Z_OpenFile, Z_GetFileInfo and Z_WriteWholeFile: the last name of
// the path itself, never the file a link there names. The program's own
// files (its locks, records and work files) are taken so, whoever made a
// link under their names.
constexpr uint32_t Z_NO_LINK = 1;
// Flag of Z_OpenFile, Z_GetFileInfo, Z_CreateFile, Z_WriteWholeFile and
// Z_CreateDir for the program's own records: made private (readable and
// writable by the running user, and on Windows the Administrators and the
// system, alone), and opened or looked at only when they are the
// program's own: owned by the running user or the administrators (root;
// Windows the Administrators or the system) and writable by nobody else.
// Anything else fails with Z_ERROR_NOT_OWN, whose text says whose it is:
// a record another account could have written is never obeyed. Implies
// Z_NO_LINK.
constexpr uint32_t Z_OWN_FILE = 2;

// ---- roots -------------------------------------------------------------------
// A folder whose paths every file operation follows one name at a time from
// the folder as it is opened here (its path is taken as the system takes
// it): "." and ".." are resolved by their text, never by the file system;
// a link is followed only when it belongs to the user running the program
// or to the system's administrators (root) and leads to a regular file or a
// folder; any other link stops the operation (Z_ERROR_UNSAFE_LINK). Paths
// beneath no root are followed as the system follows them, apart from their
// last name, which the link rule above governs everywhere. Work files are
// made anew where no link can lead, after whatever held their name went.
int Z_AddFileRoot(const char* directory);
void Z_ClearFileRoots();
// Facts of what path leads to; a missing file is no failure (kind
// Z_FILE_MISSING). flags: Z_NO_LINK.
int Z_GetFileInfo(const char* path, uint32_t flags, ZFileInfo* info);
// Looks through directory and, depth levels down, its folders (never
// through a link) for a link that the link rule refuses: 1 with its path in
// found and the reason as the last error (Z_ERROR_UNSAFE_LINK), 0 when
// there is none, -1 on a failure.
int Z_FindUnsafeLink(const char* directory, int depth, char* found, int size);

// ---- paths -----------------------------------------------------------------
// Appends one separator unless the path ends with one already. With flag 1
// an empty path stays empty. Fails when the buffer (Z_MAX_PATH) is full.
int Z_AppendSubdirSymbol(char* path, int flag);
// Appends text to a path buffer of Z_MAX_PATH; fails (buffer unchanged) when
// it would not fit.
int Z_AppendPath(char* path, const char* text);
int Z_DeappendSubdirSymbol(char* path);
// Makes the directory of programPath current; a path without a directory
// part means the running program's own directory.
int Z_GotoProgramDir(const char* programPath);
int Z_ChangeDir(const char* path);
char* Z_GetCurrentDir(char* buffer, int size);
// Makes a relative path (a buffer of Z_MAX_PATH) absolute against the
// current directory, its "." and ".." taken by their text; an absolute
// path stays as it is, byte for byte. Fails, the buffer unchanged, when the
// result would not fit or the path leans on another drive's own current
// directory ("D:name" on Windows).
int Z_MakeAbsolutePath(char* path);
// Full path of the running program, or null.
char* Z_GetProgramPath(char* buffer, int size);
int Z_CreateDir(const char* path, int flags);
// Removes an empty directory.
int Z_RemoveDir(const char* path);
// A regular file (a folder) exists; any failure to tell, a link the link
// rule refuses among them, reads as none. For a decision about the home use
// the calls below, which tell "not there" from "could not tell".
int Z_IsValidFileName(const char* path);
int Z_IsValidFilePath(const char* path, int flags);
// Whether path leads, by the link rule, to a regular file (Z_FileExists) or
// a folder (Z_DirExists), and whether its last name itself, never followed,
// holds anything at all (Z_NameExists: a file, a folder, a link, a device):
// 1 it does; 0 it does not (nothing has the name, a folder on the way is
// missing or is no folder, or the name holds something of another kind);
// -1 the system could not tell, with the reason as the last error (a denied
// look, an I/O error, a link the rule refuses). Each is a fault point.
int Z_FileExists(const char* path);
int Z_DirExists(const char* path);
int Z_NameExists(const char* path);
int Z_IsSameFilePath(const char* dir1, const char* dir2);
// 1 when path is a text this system can take as a path; 0 with the last
// error (Z_ERROR_CHARSET) when it cannot, as when a character of a path given
// on the command line is one the Windows system code page cannot write.
int Z_CheckPathText(const char* path);
int Z_GetFileNamePathLength(const char* path);  // the name starts here
int Z_ContrastFile(const char* file, const char* dir, ZContrastResult* result);

// ---- whole files -------------------------------------------------------------
// Every replacement, rename and deletion below reaches the disk before the
// call returns, in an order a crash of the machine cannot undo half: the new
// bytes first, then the name. A replaced file keeps its permission bits and
// owner, which are set on the new file's own descriptor before it takes the
// name, never by name; no file written here gets a set-user-ID or
// set-group-ID bit. A symbolic link has the file it names replaced.
// Copies source over target; the target is replaced whole or not at all.
// The copy keeps the permission bits of the file it replaces (else the
// source's), always writable by its owner, and belongs to the source's
// owner when another account owns the source (as cp -p run as root).
int Z_CloneFile(const char* source, const char* target);
// Keeps the file at path as it is under the name backup, for path to be
// replaced next: backup becomes a second name of that very file (its bytes,
// permissions and owner, none of them written), as a rename of path to
// backup would leave it, but without a moment in which path names nothing.
// Where the file system gives no second name, or path is a link, a file
// with other names or a set-id file, backup becomes a copy as Z_CloneFile
// makes it. What backup held is replaced, a link there by the link rule.
int Z_KeepBackup(const char* path, const char* backup);
int Z_DuplicateDir(const char* source, const char* target, ZCopyCallback callback, int flags);
// Renames; fails when the new name is taken.
int Z_RenameFile(const char* oldPath, const char* newPath);
// Moves source over target in one atomic step (the target may exist).
int Z_ReplaceFile(const char* source, const char* target);
// Writes size bytes as the whole new content of path: under the work name
// path ".NEW", then moved over path with Z_ReplaceFile, so that path holds
// the old or the whole new content at every moment. On a failure path is
// unchanged and the work file gone.
// flags: Z_NO_LINK for the program's own files, Z_OWN_FILE for its records
// (private, and keeping their private attributes).
int Z_WriteWholeFile(const char* path, const void* data, int64_t size, uint32_t flags);
int Z_DeleteFile(const char* path);
// Renames, replacements and removals made between the two calls reach the
// disk together: each changed name's file is flushed before its name
// changes, as always, and each folder that holds a changed name is flushed
// once, at the end, instead of after every change. For changes that may
// reach the disk in any order among themselves. Batches nest; the outermost
// end flushes, and fails when a flush fails.
int Z_BeginDurableBatch();
int Z_EndDurableBatch();
// Deletes the files of dir whose names match the wildcard (* and ?), compared
// without regard to case. Returns 1 also when nothing matched.
int Z_DeleteFiles(const char* dir, const char* wildcard);
int Z_GetFileSize(const char* path, uint64_t* size);
// The bytes the running user may still write on the volume that holds path.
int Z_GetFreeSpace(const char* path, uint64_t* available);
// The bytes of the regular files of folder whose names match the wildcard
// (as Z_DeleteFiles matches), and of its folders down to depth levels
// beneath it (0: the folder alone); links are not followed and count for
// nothing.
int Z_GetFolderSize(const char* folder, const char* wildcard, int depth, uint64_t* bytes);
// Calls found with the name and kind (Z_FILE_*; a link is Z_FILE_LINK, never
// followed) of each entry of folder whose name matches the wildcard (as
// Z_DeleteFiles matches), until found returns 0. 1 when the folder was
// listed, whether or not anything matched; 0 when it could not be, with the
// reason as the last error (a missing folder is Z_ERROR_NOT_FOUND), and
// when a matching name cannot be written in the system code page: a name
// handed out always names the entry it was found as.
using ZFolderCallback = int (*)(const char* name, uint32_t kind, void* context);
int Z_ListFolder(const char* folder, const char* wildcard, ZFolderCallback found, void* context);

// ---- locks -------------------------------------------------------------------
// A lock on the file at path that the system drops when the process ends,
// however it ends. Exclusive (exclusive 1): the file is made when missing
// and goes again with Z_UnlockPath. Shared: for readers; the file must
// exist. Null when another process holds a lock that rules this one out
// (Z_ERROR_LOCKED), when a shared lock finds no file (Z_ERROR_NOT_FOUND), or
// on a failure. Z_UnlockPath lets the lock go in any case; 0, with the last
// error set, when an exclusive holder's file could not be removed (it stays,
// unlocked, and the next lock takes it), else 1.
struct ZLockObject;
using HZLOCK = ZLockObject*;
HZLOCK Z_LockPath(const char* path, int exclusive);
int Z_UnlockPath(HZLOCK lock);

// ---- dry runs ----------------------------------------------------------------
// From Z_BeginDryRun until Z_EndDryRun every change the calls below make to
// files and folders is kept by the toolkit alone: the disk stays as it was,
// and what the calls read back is what they wrote. Locks and the program's
// own log and report are real as ever; a file journal's files are kept by
// the dry run like any other file. Changed bytes beyond 64 MiB go to a work
// file that only this account may read, in workFolder (null: ZEL_CHECK_TEMP,
// else TMPDIR, TEMP or TMP, else the system's folder), which may not lie
// beneath a root. Null on a failure (one dry run at a time); ending it
// forgets every change.
struct ZDryRunObject;
using HZDRYRUN = ZDryRunObject*;
HZDRYRUN Z_BeginDryRun(const char* workFolder);
void Z_EndDryRun(HZDRYRUN dryRun);

// ---- file journal ------------------------------------------------------------
// While a journal is open, every file the toolkit is about to change (make,
// write, replace, rename or delete) beneath baseDir is first recorded in it
// as it was when the journal was opened: its bytes, or that there was none.
// Files below unrecordedDir (may be null; else journalDir's own) are not
// recorded. A change of a file outside baseDir is refused while a journal
// records: no record could put it back. The record names each file by its
// path relative to baseDir, and baseDir by its identity; every line and
// every saved copy carries a checksum. One journal records at a time.
//
// The journal is an object of its own (HZJOURNAL), returned by the opening
// call and owned by the caller, which passes it to every call that acts on
// it and frees it with Z_FreeFileJournal once it is done with it. Null on a
// failure.
struct ZJournalObject;
using HZJOURNAL = ZJournalObject*;
HZJOURNAL Z_OpenFileJournal(const char* journalDir, const char* baseDir, const char* unrecordedDir);
// Stops recording; the journal stays until it is discarded, and the object
// remembers which files it saw written, for its flush. Null: nothing to do.
int Z_CloseFileJournal(HZJOURNAL journal);
// An object for the journal another process left in journalDir, for
// Z_FlushFileJournal and Z_DiscardFileJournal to share what the one did
// (null for an empty name, or without memory).
HZJOURNAL Z_FileJournalAt(const char* journalDir);
// Stops recording when it still records, and frees the object; the journal
// itself stays where it is. Null: nothing to do.
void Z_FreeFileJournal(HZJOURNAL journal);
// The journal recording now, for code below the caller that owns it that
// is not handed it (the kernel's and the dictionary shell's writes), or
// null when none records. The caller that opened it still owns it.
HZJOURNAL Z_RecordingJournal();
// 1 when journalDir holds a journal (whole or not), 0 when it holds none, -1
// when the system cannot tell (the last error says why).
int Z_HasFileJournal(const char* journalDir);
// Checks a journal whole, every saved copy and every place it names
// included, without obeying it: 1 when it passes and belongs to baseDir, 3
// likewise but its last record was cut by a crash (passed over: the change
// it prepared was never made), 2 when it passes but was made for another
// folder (baseDir is a copy of it, or was moved), 0 when it is damaged
// (Z_ERROR_DAMAGED, the text says what) or cannot be read.
int Z_CheckFileJournal(const char* journalDir, const char* baseDir);
// 1 when the journal in journalDir is whole and records nothing yet (as one
// just opened), 0 when it records something, -1 when it is damaged or
// cannot be read (the last error says which).
int Z_FileJournalIsEmpty(const char* journalDir, const char* baseDir);
// 1 when journal is open and records (or has recorded) the file at path
// before its first change: a change of it may then be made in place, since
// the journal can put the file back whatever a crash leaves of the change.
// 0 for a null journal.
int Z_IsFileJournalled(HZJOURNAL journal, const char* path);
// Records, while journal is open and records path, the bytes [offset,
// offset + size) of it as they are now, as a change in place of them would:
// a caller about to change several places, or several files, records them
// first, and one flush of the journal then comes before all the changes
// instead of one before each. 1 also when journal does not record path, or
// is null.
int Z_JournalRange(HZJOURNAL journal, const char* path, int64_t offset, int64_t size);
// Records, likewise, the file at path whole, as its replacement, removal or
// rename away would, or that no file is there, as a file moved there
// would: a caller about to move several files records their names first,
// for one flush of the journal before all the changes. A file recorded so
// must not be changed in place afterwards. 1 also when journal does not
// record path, or is null.
int Z_JournalWhole(HZJOURNAL journal, const char* path);
// Puts every recorded file back beneath baseDir, last change first, once
// the whole journal has passed the checks of Z_CheckFileJournal; an undo cut
// short can be made again. A damaged journal is not obeyed at all.
int Z_UndoFileJournal(const char* journalDir, const char* baseDir);
// Sends every file the journal recorded that exists to the disk (changes
// made in place included), and the folders of the files it saw made.
// journal is the object of the journal in journalDir (this process's, which
// then flushes only the files it saw written, or one from Z_FileJournalAt),
// or null.
int Z_FlushFileJournal(HZJOURNAL journal, const char* journalDir, const char* baseDir);
// Ends the journal for good: its files are flushed as above (unless
// Z_FlushFileJournal just did), then the journal is removed, so a crash
// afterwards can neither undo nor lose those changes. 0 only while the
// journal is still whole: it is removed in one step (JOURNAL set aside as
// JOURNAL.GONE, its folder flushed), and what a failure leaves of it after
// that step goes with the next journal opened or removed there. JOURNAL.GONE
// itself stays, as the proof that the journal ended (Z_FileJournalEnded),
// until a call here finds no journal to set aside and removes what is left.
// journal as for Z_FlushFileJournal.
int Z_DiscardFileJournal(HZJOURNAL journal, const char* journalDir, const char* baseDir);
// Removes the journal's files without reading them (a damaged journal the
// administrator gave up), in the same way; where there is no journal, all
// that is left of one, JOURNAL.GONE included.
int Z_RemoveFileJournal(const char* journalDir);
// 1 when journalDir holds no journal but the name an ended one was set aside
// under, 0 when it does not, -1 when the system cannot tell.
int Z_FileJournalEnded(const char* journalDir);

// ---- open files --------------------------------------------------------------
constexpr int Z_MODE_READ_WRITE = 0;
constexpr int Z_MODE_READ = 1;
HZFILE Z_OpenFile(const char* path, int mode, int share, void* security, uint32_t flags);
// Makes a new empty file: whatever had the name (a file, a link) is removed
// as a name first, and the file is made where no link can lead.
HZFILE Z_CreateFile(const char* path, int mode, int share, void* security, uint32_t flags);
int Z_CloseFile(HZFILE file);
int Z_SeekFile(HZFILE file, int64_t offset);
int Z_SeekFileEnd(HZFILE file);
const char* Z_GetFileName(HZFILE file);
// Reads up to size bytes; returns the count read (0 at end or on error).
// With exact 1 anything short of size is an error (result 0).
int64_t Z_ReadFile(HZFILE file, void* buffer, int64_t size, int exact);
// Makes a new file for the program's own log, under a name that must be
// free: a taken name fails (Z_ERROR_EXISTS) and keeps what it holds, and
// the file is made where no link can lead. Neither the making nor the
// writes, nor the close of the file, are fault points or recorded by a
// file journal: the log of a run must not change the run it records. Each
// write reaches the system at once, so a killed run leaves every byte
// written. It is not flushed to the disk: it tells what a run did and is
// no part of the home the run leaves, so a power cut may take its tail,
// as it would in the middle of the run (a flush at its close only would
// keep nothing more a run could rely on).
HZFILE Z_CreateLogFile(const char* path);
// Writes size bytes; returns size, or 0 on error.
int64_t Z_WriteFile(HZFILE file, const void* buffer, int64_t size, int exact);
// Cuts a file opened for writing to size bytes; the position is then its
// end.
int Z_TruncateFile(HZFILE file, int64_t size);
// Reads the next line without its line end. Returns 1 with a line, 0 at the
// end of the file or on an error. A line that does not fit the buffer (size
// including the terminator) is an error: nothing is cut, the file's error
// state is set and Z_FileError reports it.
int Z_ReadFileLine(HZFILE file, char* buffer, int size, void* reserved);
// Writes text and, with lineEnd 1, the line end.
int Z_WriteFileLineEx(HZFILE file, const char* text, int lineEnd);
// Nonzero once a read or write on the file failed.
int Z_FileError(HZFILE file);

// ---- profiles (INI files) ----------------------------------------------------
// Kinds of Z_ReadProfileItem.
constexpr int Z_ITEM_TEXT = 1;
constexpr int Z_ITEM_BOOLEAN = 2;
constexpr int Z_ITEM_NUMBER = 3;
// Positions the file just after the header of the named section: <0 error,
// 0 absent, >0 found.
int Z_SeekProfileSect(HZFILE file, const char* name);
// Moves to the next section header; >0 with the name (no brackets) in the
// buffer, 0 when none follows, <0 on an error. Lines passed over are copied
// to passThrough when it is given.
int Z_ReadProfileSect(HZFILE file, char* buffer, int size, HZFILE passThrough);
// Reads the next item of the current section into buffer as key, NUL, value;
// *size is the buffer's room on entry and the value's position on return.
// Returns the kind (Z_ITEM_*), 0 at the end of the section (the header that
// ended it is delivered by the next Z_ReadProfileSect), <0 on an error.
// Lines passed over (comments, blank lines) are copied to passThrough.
int Z_ReadProfileItem(HZFILE file, char* buffer, int* size, int32_t* boolean, uint32_t* number, HZFILE passThrough);

// ---- strings -----------------------------------------------------------------
using ZStrCmpFunction = int (*)(const char* a, const char* b);
using ZStrNCmpFunction = int (*)(const char* a, const char* b, size_t n);
extern ZStrCmpFunction ZSTRCMP;     // exact
extern ZStrCmpFunction ZSTRCMPI;    // without regard to case (ASCII letters)
extern ZStrNCmpFunction ZSTRNCMPI;  // first n characters, without regard to case
// Splits text in place at any of the separators: the fields are moved to lie
// one after another from the start of text, each ended by a NUL; runs of
// separators count as one and leading ones are skipped. Returns the count.
int Z_SegmentMultiStr(char* text, const char* separators, int flags);
// Offset of the first occurrence of pattern in text, negative if absent.
// A length of -1 means up to the terminator.
int Z_GetFirstSubStrOffset(const char* text, int textLength, const char* pattern, int patternLength, int flags);
char* Z_ToLowerStr(char* text, int length, int flags);

// CRC-32C (Castagnoli) of size bytes, continuing crc (start with 0): the
// checksum of the records the upgrade must find whole after a crash.
uint32_t Z_Crc32c(uint32_t crc, const void* data, size_t size);

// SHA-256 (FIPS 180-4): the digest by which the package's manifest names
// each file the upgrade copies or reads. Begin, add the bytes in as many
// pieces as they come, end with the 32-byte digest.
constexpr int Z_SHA256_SIZE = 32;
struct ZSha256 {
    uint32_t state[8];
    uint64_t length;  // bytes added so far
    uint8_t block[64];
};
static_assert(sizeof(ZSha256) == 104);
static_assert(offsetof(ZSha256, length) == 32);
static_assert(offsetof(ZSha256, block) == 40);
void Z_Sha256Begin(ZSha256* hash);
void Z_Sha256Add(ZSha256* hash, const void* data, size_t size);
void Z_Sha256End(ZSha256* hash, uint8_t (&digest)[Z_SHA256_SIZE]);

// ---- character sets ----------------------------------------------------------
// Converts a NUL-ended text from one character set number to another into
// target (room: targetSize bytes, terminator included). Characters the
// target set cannot encode become '?'. Charset 0 (none) copies the bytes as
// they are. Returns the byte count written (without terminator), or -1 on a
// failure (bad input sequence, no room).
int Z_TranslateText(const char* source, int sourceCharset, char* target, int targetCharset, int flags, int targetSize);
// Selects the character set of the following lexicon work.
int Z_AssignCharset(int charset, int flags);
int Z_GetAssignedCharset();
// Z_MemDetect(8): physical memory in megabytes (ZEL_MEMDETECT overrides it).
uint64_t Z_MemDetect(int what);

// ---- memory ------------------------------------------------------------------
void* Z_MemAlloc(size_t size, int flags);
void* Z_MemRealloc(void* block, size_t size);
void Z_MemFree(void* block);

// ---- errors ------------------------------------------------------------------
int Z_CaptureError(uint32_t code, const char* text, const char* source, int line);
uint32_t Z_GetLastError();
// With a null buffer: the text of the last error (valid until the next
// error). With a buffer: copied into it (cut to size - 1).
const char* Z_GetLastErrorPrompt(char* buffer, int size);
// Sets the last error with printf-style text; for the libraries' own use.
void Z_SetLastErrorText(uint32_t code, const char* format, ...);
// The system's error number behind the last error (errno off Windows, the
// Windows error on Windows), so that a caller can say the real reason in
// its own terms; 0 when the last error was no system call's.
int Z_GetLastSystemError();

// ---- console -----------------------------------------------------------------
// Reads one line from standard input without its line end. Returns the
// length, or -1 at the end of input or when the line does not fit (the last
// error says which).
int Z_InputConsoleLine(char* buffer, int size, int flags);
// 1 when standard output is a console, 0 when it goes to a file, a pipe or
// nowhere.
int Z_IsConsoleOutput();
// Writes size bytes of text (narrow, as every text of the toolkit) to
// standard output at once. A Windows console gets the text as wide
// characters, so that it shows them whatever its own output code page;
// a file or a pipe gets the bytes as they are. Not a fault point: what the
// program prints is no operation of its run. 1, or 0 when the text could
// not be written; the last error stays as it was either way, so that
// printing a failure never changes what it reports.
int Z_WriteConsoleText(const char* text, size_t size);

// ---- fault injection ---------------------------------------------------------
// Every operation that can fail asks Z_FaultPoint with its name first; when
// ZEL_FAULT selects this call, the operation fails as a real failure would,
// with a last error whose text says it was injected.
//   ZEL_FAULT=NAME[:N][,NAME[:N]...]  the N-th call (default 1) of NAME fails
//   ZEL_FAULT=NAME@END[:N]            the N-th call of NAME on a path that
//                                     ends with END ("/" and "\" alike); only
//                                     the existence tests name their path
//   ZEL_FAULT=*:N                     the N-th fault point of the run fails
//   ZEL_FAULT_LOG=path                appends each fault point's name, a line
//                                     per call, to path
int Z_FaultPoint(const char* name);
