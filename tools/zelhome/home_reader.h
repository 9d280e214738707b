// `zelhome dump`: what a home directory's dictionary and kernel hold.
#pragma once

#include <string>

#include "home_description.h"

namespace zelhome {

// Throws DescriptionError when home is not a home directory (no dictionary
// the shell can open); returns false with message on a failed read.
bool ReadHome(const std::string& home, HomeDescription* description, std::string* message);

}  // namespace zelhome
