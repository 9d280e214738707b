// What a merge took away from the administrator's configuration: the values
// it reset and the settings and sections it dropped, one line each, for the
// summary of the run and its log.
#pragma once

#include <string>
#include <vector>

// PROFILE.INI before and after: "[Section] Key=old is now new",
// "[Section] Key=old dropped", "[Section] dropped".
std::vector<std::string> ListProfileChanges(const std::string& before, const std::string& after);

// LOG.INI before and after: "NAME old is now new", "NAME old dropped".
std::vector<std::string> ListLogChanges(const std::string& before, const std::string& after);
