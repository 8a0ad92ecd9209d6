// Running other programs for plr: always with an argument vector (never through a shell),
// with the caller's signal mask and dispositions undone in the child, and with a time limit.
#pragma once

#include <string>
#include <vector>

// The full path of the first executable file named program in $PATH (or program itself when it
// holds a slash); empty when there is none.
std::string FindProgram(const std::string& program);

struct CommandResult {
    bool started = false;   // false: the program could not be started (error says why)
    bool timedOut = false;  // killed when its time ran out
    int exitCode = -1;      // the exit status, or -1 when it ended by a signal
    std::string out;        // what it wrote to standard output
    std::string error;      // its standard error, or why it could not be run
    bool Ok() const { return started && !timedOut && exitCode == 0; }
    // One line for a message: why the command failed.
    std::string Describe(const std::string& program) const;
};

// Runs argv[0] (looked up in $PATH) with argv, standard input from /dev/null, and collects its
// output. After timeoutMs the program is killed.
CommandResult RunCommand(const std::vector<std::string>& argv, int timeoutMs);

// Splits a command template into words as a user would type them: blanks separate; single
// quotes keep everything; double quotes keep blanks, and a backslash in them or outside quotes
// takes the next character as it is. False (with error) on an unclosed quote. No variable,
// glob or other shell expansion takes place.
bool SplitCommandWords(const std::string& text, std::vector<std::string>& words,
                       std::string& error);
