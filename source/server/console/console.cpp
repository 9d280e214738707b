#include "console.h"

#include <cstdarg>
#include <cstdio>

#include "folded_text.h"
#include "run_log_file.h"
#include "zelkit.h"

namespace {

struct ConsoleState {
    bool plain = false;  // standard output is a file or a pipe
    std::time_t started = 0;
    FoldedText stdoutText;
    FoldedText logText;
    // What was printed before the log could be opened; it goes into the
    // log first. Dropped when the run has no log.
    std::string beforeLog;
    bool logOpened = false;  // an attempt was made: beforeLog is done with
    bool logOnly = false;
    RunLogFile log;
};

ConsoleState& State() {
    static ConsoleState state;
    return state;
}

// Writing the log changes the toolkit's last error only when it fails; it
// must not even then, since a failure being reported is read from it.
class KeptLastError {
public:
    KeptLastError() : code_(Z_GetLastError()), text_(Z_GetLastErrorPrompt(nullptr, 0)) {}
    ~KeptLastError() {
        if (Z_GetLastError() != code_ || text_ != Z_GetLastErrorPrompt(nullptr, 0)) {
            Z_SetLastErrorText(code_, "%s", text_.c_str());
        }
    }
    KeptLastError(const KeptLastError&) = delete;
    KeptLastError& operator=(const KeptLastError&) = delete;

private:
    uint32_t code_;
    std::string text_;
};

std::string Formatted(const char* format, va_list arguments) {
    va_list copy;
    va_copy(copy, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, arguments);
    text.resize(static_cast<size_t>(length));
    return text;
}

void WriteStdout(const std::string& text) { Z_WriteConsoleText(text.data(), text.size()); }

// The log's plain text goes to the log, or waits for it.
void ToLog(ConsoleState& state, const std::string& plain) {
    if (plain.empty()) return;
    if (!state.logOpened) {
        state.beforeLog += plain;
        return;
    }
    if (!state.log.IsOpen()) return;
    KeptLastError kept;
    if (state.log.Write(plain)) return;
    // Said once; the run goes on without its log.
    const std::string why = Z_GetLastErrorPrompt(nullptr, 0);
    const std::string path = state.log.Path();
    state.log.Close();
    WriteStdout("\nThe log " + path + " cannot be written any more (" + why + "); the run goes on without it.\n");
}

enum class Kind { Message, Progress };

void Show(Kind kind, const std::string& text) {
    ConsoleState& state = State();
    std::string plain;
    if (kind == Kind::Message) state.logText.EndProgress(plain);
    state.logText.Add(text, plain);
    ToLog(state, plain);
    if (state.logOnly) return;
    if (!state.plain) {
        WriteStdout(text);
        return;
    }
    std::string shown;
    if (kind == Kind::Message) state.stdoutText.EndProgress(shown);
    state.stdoutText.Add(text, shown);
    WriteStdout(shown);
}

}  // namespace

void StartConsole() {
    ConsoleState& state = State();
    state.plain = Z_IsConsoleOutput() == 0;
    state.started = std::time(nullptr);
}

void ConsolePrint(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    Show(Kind::Message, Formatted(format, arguments));
    va_end(arguments);
}

void ConsoleProgress(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    Show(Kind::Progress, Formatted(format, arguments));
    va_end(arguments);
}

void ConsoleEndProgress() {
    ConsoleState& state = State();
    std::string plain;
    state.logText.EndProgress(plain);
    ToLog(state, plain);
    if (!state.plain || state.logOnly) return;
    std::string shown;
    state.stdoutText.EndProgress(shown);
    WriteStdout(shown);
}

void ConsoleToLogOnly(bool on) {
    ConsoleState& state = State();
    if (on == state.logOnly) return;
    // A progress line shown on the console ends before the console is left.
    if (on && state.plain) {
        std::string shown;
        state.stdoutText.EndProgress(shown);
        WriteStdout(shown);
    }
    state.logOnly = on;
}

void ConsoleAnswer(const char* typed) {
    ConsoleState& state = State();
    std::string plain;
    state.logText.Add(std::string(typed != nullptr ? typed : "") + "\n", plain);
    ToLog(state, plain);
}

bool OpenRunLog(const std::string& systemDir, const std::vector<std::string>& head) {
    ConsoleState& state = State();
    if (state.logOpened) return state.log.IsOpen();
    state.logOpened = true;
    std::string before;
    before.swap(state.beforeLog);
    if (!state.log.Open(systemDir, state.started != 0 ? state.started : std::time(nullptr))) return false;
    std::string text;
    for (const std::string& line : head) text += line + "\n";
    ToLog(state, text + before);
    ConsolePrint("\nThe log of this run: %s\n", state.log.Path().c_str());
    return true;
}

std::string RunLogPath() { return State().log.Path(); }

void LogLine(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const std::string text = Formatted(format, arguments);
    va_end(arguments);
    ConsoleState& state = State();
    std::string plain;
    state.logText.EndProgress(plain);
    state.logText.Add(text + "\n", plain);
    ToLog(state, plain);
}

void CloseRunLog() {
    ConsoleState& state = State();
    ConsoleEndProgress();
    KeptLastError kept;
    state.log.Close();
}
