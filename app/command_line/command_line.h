#pragma once
// Keltrix.exe with a command: replays, exports and the audit of the catalogue for scripts and
// deployment tools. A command-line run shows no window and no message box, says what it did
// on its standard output (or the console it was started from) and ends with an exit code.
#include <cstddef>
#include <string>
#include <vector>

namespace kelt {

enum JTExitCode : int {
    kExitDone = 0,     // everything done, or in place
    kExitNotAll = 1,   // rows not written, not in place, or left out of an export
    kExitBadUse = 2,   // bad command line; a file that cannot be read, is damaged or cannot be written
};

struct JTCommandLine {
    enum Command { None, Help, Redo, Restore, ExportReg, ExportGpp, State, Check };
    Command command = None;
    std::vector<std::string> operands;  // the command's files, as given
    bool rowsGiven = false;
    std::string rows;                   // /rows LIST
    std::string log;                    // /log FILE
    bool json = false;                  // /json
    bool oldValues = false;             // /old
    std::string error;                  // what is wrong with the command line; empty when nothing
};

// Reads the arguments (without the program's own name). Switches start with '/' or '-' and
// are case-blind.
JTCommandLine ParseCommandLine(const std::vector<std::string>& args);

// "1,3,5-7" (rows counted from 1, as the record dialog lists them) for a record of `count`
// rows: 0-based indexes in file order, each once. False with `error` for a malformed list or a
// row the record does not have.
bool ParseRowList(const std::string& text, std::size_t count, std::vector<std::size_t>& rows, std::string& error);

// The arguments the program was started with, without its own name, as program text.
std::vector<std::string> ProgramArguments();

// The text of /?.
std::string UsageText();

// Runs the command of `args`; the exit code.
int RunCommandLine(const std::vector<std::string>& args);

} // namespace kelt
