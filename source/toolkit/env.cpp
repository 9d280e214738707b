#include "env.h"

#include "path_lexical.h"
#include "toolkit_platform.h"

namespace zel::toolkit {
namespace {

// A site's file: its path beneath its root with each run of digits as one
// '#' (system/UPGRADE.RUN/SAVED.#), or its last name beneath no root.
std::string FileClass(const RootList& roots, const std::string& path) {
    LexicalPath lexical;
    std::string text;
    if (!MakeLexical(path, lexical)) return "-";
    if (const FileRoot* root = roots.Beneath(lexical)) {
        for (size_t at = root->path.names.size(); at < lexical.names.size(); ++at) {
            if (!text.empty()) text += '/';
            text += lexical.names[at];
        }
    } else {
        text = "~/" + (lexical.names.empty() ? std::string() : lexical.names.back());
    }
    std::string folded;
    for (char c : text) {
        const bool digit = c >= '0' && c <= '9';
        if (digit && !folded.empty() && folded.back() == '#') continue;
        folded += digit ? '#' : c;
    }
    return folded;
}

}  // namespace

Env& Env::Get() {
    static Env env;
    return env;
}

Env::Env() : platform_(MakePlatformFileSystem()), fault_(faults_) {
    faults_.SetEndHandler([this] {
        power_.Cut();
        PlatformEndAbruptly();
    });
    faults_.SetFileClass([this](const std::string& path) { return FileClass(platform_->Roots(), path); });
    TrackPower();
    Rewire();
}

void Env::Reload() {
    faults_.Load();
    TrackPower();
}

void Env::TrackPower() {
    CutChoice choice;
    const bool on = ParseCutChoice(faults_.EndText(), &choice);
    power_.Track(on, choice);
}

void Env::Install(Slot slot, Layer* layer) {
    slots_[static_cast<size_t>(slot)] = layer;
    Rewire();
}

void Env::Remove(Slot slot) { Install(slot, nullptr); }

void Env::Rewire() {
    power_.SetBelow(platform_.get());
    fault_.SetBelow(&power_);
    durable_.SetBelow(&fault_);
    FileSystem* below = &durable_;
    for (size_t at = slots_.size(); at-- > 0;) {
        if (slots_[at] == nullptr) continue;
        slots_[at]->SetBelow(below);
        below = slots_[at];
    }
    top_ = below;
}

}  // namespace zel::toolkit
