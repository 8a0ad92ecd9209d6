// The commands of the plr tool. Each takes its own arguments (after the command name),
// writes to stdout/stderr and returns the process exit code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CBlock;

struct PlrCommand {
    const char* name;
    const char* summary;
    const char* help;
    int (*run)(const std::vector<std::string>& args);
};

const std::vector<PlrCommand>& PlrCommands();

// Shared helpers.
int Fail(const std::string& message);  // prints "plr: message" to stderr, returns 2
bool WantsHelp(const std::vector<std::string>& args);
std::string ToUtf8(const std::string& cp932);  // implemented per platform
// Output bytes as they are: no LF to CR LF translation where the C library would make one.
void SetBinaryStdout();
// Line breaks as "\n" and tabs as blanks, so that a value keeps to its field of one line.
std::string OneLine(const std::string& text);
// "YYYY-MM-DD HH:MM:SS" as a local time in the process's zone; false for anything else.
bool ParseLocalMoment(const std::string& text, std::int64_t& seconds);

// Reads a file as the editor opens a document: a fresh "Pelorand" root that the file's first
// folder replaces. On failure prints the reason and returns null. counts, when given, receives
// the size of what was read.
std::unique_ptr<CBlock> LoadDocument(const std::string& path,
                                     std::vector<struct ReadProblem>* problems,
                                     struct RecordCounts* counts = nullptr);

int RunCheck(const std::vector<std::string>& args);
int RunTree(const std::vector<std::string>& args);
int RunSave(const std::vector<std::string>& args);
int RunRebase(const std::vector<std::string>& args);
int RunSimulate(const std::vector<std::string>& args);
int RunThumbs(const std::vector<std::string>& args);
#ifndef _WIN32
int RunRun(const std::vector<std::string>& args);
int RunHistory(const std::vector<std::string>& args);
#endif
