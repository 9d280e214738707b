// `zelhome new`: makes a home directory from a description.
#pragma once

#include <string>

#include "home_description.h"

namespace zelhome {

// Builds the home beside its final place and moves it there at the end, so
// a failure leaves nothing half-made. Refuses (DescriptionError) a home that
// exists and is not empty, and a description the dictionary refuses.
// Returns false with message on any other failure.
bool MakeHome(const std::string& home, const HomeDescription& description, std::string* message);

}  // namespace zelhome
