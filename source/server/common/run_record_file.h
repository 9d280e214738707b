// RUN.INI, the decisions of a run kept for the run that goes on after it, as
// text: "Key=Value" lines, each key known and once, then "Checksum=<crc>",
// the CRC-32C of every byte before it, so that a record cut short, changed
// by hand or by a failing disk is found before it is obeyed. zelhome reads
// and writes it too (its preview puts an interrupted copy's journal back
// first).
#pragma once

#include <map>
#include <string>

using RunRecordValues = std::map<std::string, std::string>;

// The folders of a home that a run works in lie at most this deep: links
// the link rule refuses are looked for down to here before anything changes.
constexpr int kHomeLinkSearchDepth = 4;

// The text of values, keys in a fixed order, the checksum line last.
std::string FormatRunRecord(const RunRecordValues& values);
// The values of a record that passes every check; false with why naming
// what is wrong.
bool ParseRunRecord(const std::string& text, RunRecordValues* values, std::string* why);

// HOME/system/UPGRADE.RUN/, its RUN.INI and its journal folder.
std::string RunRecordDirectory(const char* home);
std::string RunRecordFile(const char* home);
std::string JournalDirectory(const char* home);

// The identity of the home (volume and index), as the record names it.
std::string HomeIdentity(const char* home);

// Foreign: the record is whole as far as it was read, but it is not this
// home's run's to obey: a file or folder of it (or OLDSERVICE.INF,
// SERVICE.INF) belongs to another account or may be written by one, or it
// was made for another home folder (a copy of this one, or one moved here
// from another volume). A checksum proves a record whole, never who wrote
// it.
// Unreadable: whether there is a record, or what it is, could not be told
// (why holds the system's reason); nothing of it is obeyed, and nothing is
// taken for damage either.
enum class RecordCheck { None, Whole, Damaged, Foreign, Unreadable };
// Checks the record of an interrupted run in home as a run must before it
// obeys any of it: no link under the record's own names, each of them the
// program's own (Z_OWN_FILE), RUN.INI whole and made for this home, a
// journal where RUN.INI says one is and none without RUN.INI, and the
// journal whole (every line and saved copy) and made for this home. Reads
// only. A journal whose last record a crash cut (passed over) adds
// kJournalCutKey to values, a key no record holds.
constexpr const char* kJournalCutKey = "(journal cut)";
RecordCheck CheckRunRecord(const char* home, RunRecordValues* values, std::string* why);

// The text of the last error of a Z_OWN_FILE refusal without the call's
// name: "<path>: it belongs to user 1001, neither the user running this
// nor root".
std::string NotOwnText();
