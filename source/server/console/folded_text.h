// Console text made plain, for a file or a pipe and for the run's log: a
// progress line, which a console overwrites in place after each "\r",
// comes out once, in its last state that shows something, as a line of
// its own; bells go.
#pragma once

#include <string>
#include <string_view>

class FoldedText {
public:
    // Appends the plain form of text to plain. A progress line is held
    // back until a line end or EndProgress ends it.
    void Add(std::string_view text, std::string& plain);
    // Ends the progress line held, if any: its last state goes to plain as
    // a line of its own, so that text that follows on the console's line
    // ("Processed: 90% Creating new system ...") starts a line of its own.
    void EndProgress(std::string& plain);

private:
    void Overwrite(std::string& plain);

    bool inProgress_ = false;  // since a "\r": the text is a state of the progress line
    bool midLine_ = false;     // plain text went out since the last line end
    std::string state_;        // the state of the progress line being written
    std::string shown_;        // its last earlier state that showed something
};
