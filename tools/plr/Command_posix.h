// Running other programs for plr: always with an argument vector (never through a shell),
// with the caller's signal mask and dispositions undone in the child, and with a time limit.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <string>
#include <vector>

// The full path of the first executable file named program in $PATH (or program itself when it
// holds a slash); empty when there is none.
std::string FindProgram(const std::string& program);

struct CommandResult {
    bool started = false;   // false: the program could not be started (error says why)
    bool timedOut = false;  // killed when its time ran out
    bool stopped = false;   // killed because one of the stop signals came
    int exitCode = -1;      // the exit status, or -1 when it ended by a signal
    std::string out;        // what it wrote to standard output
    std::string error;      // its standard error, or why it could not be run
    bool Ok() const { return started && !timedOut && exitCode == 0; }
    // One line for a message: why the command failed.
    std::string Describe(const std::string& program) const;
};

// Runs argv[0] (looked up in $PATH) with argv, standard input from /dev/null, and collects its
// output. The program runs in a process group of its own: after timeoutMs, or as soon as one of
// stopOn (blocked by the caller) is pending, the whole group is killed, so nothing it started
// outlives it. The signal is left pending for the caller to take.
CommandResult RunCommand(const std::vector<std::string>& argv, int timeoutMs,
                         const sigset_t* stopOn = nullptr);

// True when one of the signals in set is pending (they are blocked while the changer runs).
bool SignalPending(const sigset_t& set);

// Starts argv[0] (looked up in $PATH) to run on its own, in a session of its own so that a
// terminal's signals aimed at plr leave it alone, with no input or output; its standard error
// goes to errorFd when that is 0 or more. Its pid, or -1 with error.
pid_t StartDetached(const std::vector<std::string>& argv, int errorFd, std::string& error);

// Splits a command template into words as a user would type them: blanks separate; single
// quotes keep everything; double quotes keep blanks, and a backslash in them or outside quotes
// takes the next character as it is. False (with error) on an unclosed quote. No variable,
// glob or other shell expansion takes place.
bool SplitCommandWords(const std::string& text, std::vector<std::string>& words,
                       std::string& error);
