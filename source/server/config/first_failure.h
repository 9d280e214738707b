// Keeps the cause of the first failure for the driver's error line, whatever
// the calls after it (a clean-up, the remaining items of a list) leave as the
// toolkit's last error.
#pragma once

#include <cstdint>
#include <string>

#include "zelkit.h"

class FirstFailure {
public:
    // Notes the current last error, unless a failure was noted already.
    void Note() {
        if (noted_) return;
        noted_ = true;
        code_ = Z_GetLastError();
        const char* text = Z_GetLastErrorPrompt(nullptr, 0);
        text_ = text != nullptr ? text : "";
    }
    bool Noted() const { return noted_; }
    // Puts the first failure back as the last error. True when there was none.
    bool Restore() const {
        if (noted_) Z_SetLastErrorText(code_, "%s", text_.c_str());
        return !noted_;
    }

private:
    bool noted_ = false;
    uint32_t code_ = 0;
    std::string text_;
};
