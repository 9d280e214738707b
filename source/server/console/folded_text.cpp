#include "folded_text.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool ShowsSomething(const std::string& text) {
    for (char c : text) {
        if (!IsBlank(c)) return true;
    }
    return false;
}

}  // namespace

// A new state of the progress line begins; the one before is kept when it
// showed something, since a line blanked at its end ("\r\t\t\t\t\r") still
// had its last word in the state before.
void FoldedText::Overwrite(std::string& plain) {
    if (!inProgress_) {
        // Text before the "\r" on the same line stays a line of its own.
        if (midLine_) plain += '\n';
        midLine_ = false;
        inProgress_ = true;
    } else if (ShowsSomething(state_)) {
        shown_ = state_;
    }
    state_.clear();
}

void FoldedText::EndProgress(std::string& plain) {
    if (!inProgress_) return;
    std::string last = ShowsSomething(state_) ? state_ : shown_;
    // The blanks that erased a longer state on the console.
    while (!last.empty() && IsBlank(last.back())) last.pop_back();
    if (!last.empty()) plain += last + '\n';
    inProgress_ = false;
    state_.clear();
    shown_.clear();
}

void FoldedText::Add(std::string_view text, std::string& plain) {
    for (char c : text) {
        if (c == '\a') continue;
        if (c == '\r') {
            Overwrite(plain);
        } else if (c == '\n' && inProgress_) {
            EndProgress(plain);
        } else if (inProgress_) {
            state_ += c;
        } else {
            plain += c;
            midLine_ = c != '\n';
        }
    }
}
