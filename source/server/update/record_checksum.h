// The run's small records end with a line "Checksum=<crc>", the CRC-32C of
// every byte before it, so that a record cut short, changed by hand or by a
// failing disk is found before it is obeyed.
#pragma once

#include <string>

// The lines (each ended by "\n") with the checksum line after them.
std::string ChecksummedText(const std::string& lines);
// The lines before a checksum line that matches them; false when the last
// line is no checksum line or does not match.
bool SplitChecksummedText(const std::string& text, std::string* lines);
