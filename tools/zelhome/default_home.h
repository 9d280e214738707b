// The typical home directory of the previous release, which `zelhome new`
// makes when no description is given and which fills every key a
// description leaves out.
#pragma once

#include "home_description.h"

namespace zelhome {

HomeDescription DefaultHome();

}  // namespace zelhome
