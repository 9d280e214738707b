// Everything the upgrade prints goes through here, and into the run's log.
//
// On a console the text goes out as the program writes it: progress lines
// overwrite one another after "\r", and bells ring. Written to a file or a
// pipe, and always in the log, it comes plain (folded_text.h): each
// progress line once, in its last state, and no bells.
//
// Standard output is one per process, and so is this module's state: the
// console and the log are the process's, not part of a run's context.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#if defined(__MINGW32__)
// MinGW's C++ runtime formats as the C standard says, not as msvcrt.
#define ZEL_CONSOLE_FORMAT(a, b) __attribute__((format(gnu_printf, a, b)))
#elif defined(__GNUC__)
#define ZEL_CONSOLE_FORMAT(a, b) __attribute__((format(printf, a, b)))
#else
#define ZEL_CONSOLE_FORMAT(a, b)
#endif

// Decides, from what standard output is, whether text goes out as written
// (a console) or plain (a file, a pipe), and notes when the run started,
// for the log's name. Until it is called (a library's own tests) text goes
// out as written.
void StartConsole();

// Prints text: a message, a question, a line of a list. A progress line
// shown before is done with.
void ConsolePrint(const char* format, ...) ZEL_CONSOLE_FORMAT(1, 2);
// Prints a state of the progress line: text that starts with "\r" and
// overwrites the state before it; a state that ends with "\n" is its last.
void ConsoleProgress(const char* format, ...) ZEL_CONSOLE_FORMAT(1, 2);
// The progress line shown is done with: the next progress text is a line
// of its own, not a new state of this one (each file copied has its line).
void ConsoleEndProgress();
// While on, what is printed goes to the log alone: a check makes the run
// itself over a dry run, and the run's own lines would tell the
// administrator of changes that were never made.
void ConsoleToLogOnly(bool on);
// The text typed at a question, or what came instead in brackets ("(the
// input ended)"), for the log: a console has shown it already as it was
// typed, and a file or a pipe must not get what the program did not print.
void ConsoleAnswer(const char* typed);

// Opens the log of the run in systemDir (a separator at its end), the head
// lines first, then everything printed so far, and shows on the console
// where the log is. False, with the toolkit's last error, when it cannot be
// made: a run must not change a home without leaving its log. Writes to it
// afterwards never fail anything.
bool OpenRunLog(const std::string& systemDir, const std::vector<std::string>& head);
// The log's path (also when writing it failed later); empty when the run
// has no log.
std::string RunLogPath();
// A line for the log alone.
void LogLine(const char* format, ...) ZEL_CONSOLE_FORMAT(1, 2);
// Ends the progress line, sends the log to the disk and closes it.
void CloseRunLog();
