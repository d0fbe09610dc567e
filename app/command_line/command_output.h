#pragma once
// Where a command-line run writes: the standard output and error a script or a console gave
// the program (a file, a pipe, or the console it was started from, which a windowed program
// has to attach to first), and with /log a UTF-8 file as well.
#include <windows.h>

#include <string>

namespace kelt {

class JTCommandOutput {
public:
    // Finds the standard handles, or attaches to the console of the program that started this
    // one when there are none.
    JTCommandOutput();
    ~JTCommandOutput();
    JTCommandOutput(const JTCommandOutput&) = delete;
    JTCommandOutput& operator=(const JTCommandOutput&) = delete;

    // Appends every later line to `path` (UTF-8), after a line with the time and `heading`.
    // False when the file cannot be opened.
    bool OpenLog(const std::string& path, const std::string& heading);

    // One line of program text (the system's code page) to the standard output / error, and
    // to the log.
    void Line(const std::string& text);
    void ErrorLine(const std::string& text);
    // Program text as it is, to the standard output only (a listing a script reads).
    void Raw(const std::string& text);

private:
    struct Sink {
        HANDLE handle = nullptr;
        bool console = false;  // a console: written as UTF-16 text
    };
    static Sink SinkOf(HANDLE handle);
    static void Write(const Sink& sink, const std::string& text);
    void Log(const std::string& text);

    Sink out_;
    Sink err_;
    HANDLE consoleOut_ = nullptr;  // CONOUT$ of an attached console, owned
    HANDLE log_ = nullptr;
};

} // namespace kelt
