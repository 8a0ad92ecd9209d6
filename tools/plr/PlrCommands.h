// The commands of the plr tool. Each takes its own arguments (after the command name),
// writes to stdout/stderr and returns the process exit code.
#pragma once

#include <cstdint>
#include <functional>
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
// A collection's text as the terminal shows it: on Linux UTF-8 (CP932 converted; a name that
// already is UTF-8, as Linux file names are, left as it is), on Windows the bytes as they are.
std::string TerminalText(const std::string& text);
// A text typed on the command line as a collection keeps it: CP932, the editor's code page
// (on Linux, UTF-8 is converted; other bytes are taken as they are). False when a character
// has no CP932 spelling.
bool CollectionText(const std::string& typed, std::string& out);
// path made whole against the current directory, spelt as the collection keeps paths; empty
// when it cannot be.
std::string WholePath(const std::string& path);
// The file-type option of the user's settings (the settings file on Linux, the registry on
// Windows), or its default.
std::string SettingsFileType();
// Runs scan and returns the names it met that a collection cannot hold (Windows names without
// a CP932 spelling; none on Linux, where names are kept as the file system has them), as the
// terminal shows them.
std::vector<std::string> ScanRefusingNames(const std::function<void()>& scan);
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
int RunNew(const std::vector<std::string>& args);
int RunImport(const std::vector<std::string>& args);
int RunAdd(const std::vector<std::string>& args);
int RunMkdir(const std::vector<std::string>& args);
int RunRm(const std::vector<std::string>& args);
int RunMv(const std::vector<std::string>& args);
int RunSet(const std::vector<std::string>& args);
#ifndef _WIN32
int RunRun(const std::vector<std::string>& args);
int RunHistory(const std::vector<std::string>& args);
int RunNext(const std::vector<std::string>& args);
int RunPause(const std::vector<std::string>& args);
int RunResume(const std::vector<std::string>& args);
int RunStatus(const std::vector<std::string>& args);
// $XDG_CONFIG_HOME/pelorand/pelorand.ini (~/.config when unset); empty without a home.
std::string SettingsFilePath();
#endif
