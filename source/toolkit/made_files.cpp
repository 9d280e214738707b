#include "made_files.h"

#include <set>
#include <utility>

namespace zel::toolkit {
namespace {

using Identity = std::pair<uint64_t, uint64_t>;

std::set<Identity>& Made() {
    static std::set<Identity> made;
    return made;
}

Identity IdentityOf(const Facts& facts) { return {facts.volume, facts.index}; }

}  // namespace

void NoteMadeFile(const Facts& facts) { Made().insert(IdentityOf(facts)); }

bool WasMadeHere(const Facts& facts) { return Made().count(IdentityOf(facts)) != 0; }

void ForgetMadeFile(const Facts& facts) { Made().erase(IdentityOf(facts)); }

}  // namespace zel::toolkit
