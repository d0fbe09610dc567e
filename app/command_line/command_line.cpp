#include "app/command_line/command_line.h"

#include <windows.h>
#include <sddl.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <memory>
#include <set>

#include "app/apply/record_export.h"
#include "app/apply/replay.h"
#include "app/command_line/command_output.h"
#include "app/command_line/state_report.h"
#include "app/program_info.h"
#include "catalogue/platform/edition.h"
#include "catalogue/platform/os_family.h"
#include "catalogue/record.h"
#include "catalogue/set_item.h"
#include "catalogue/value_format.h"
#include "storage/error.h"
#include "storage/xdb_file.h"
#include "storage/xdb_table.h"
#include "ui/seams.h"

namespace kelt {

namespace {

struct CommandName {
    const char* name;
    JTCommandLine::Command command;
    std::size_t minOperands;
    std::size_t maxOperands;
};

const CommandName kCommands[] = {
    {"?", JTCommandLine::Help, 0, 0},
    {"help", JTCommandLine::Help, 0, 0},
    {"redo", JTCommandLine::Redo, 1, 1},
    {"restore", JTCommandLine::Restore, 1, 1},
    {"check", JTCommandLine::Check, 1, 1},
    {"export-reg", JTCommandLine::ExportReg, 2, 2},
    {"export-gpp", JTCommandLine::ExportGpp, 2, 2},
    {"state", JTCommandLine::State, 0, 1},
};

// Serialises command-line runs on this computer, across sessions: a management agent and an
// administrator's script never replay at the same time. The window's own single-copy mutex is
// left alone, so a run neither waits for a running window nor keeps one from starting.
const char kRunMutexName[] = "Global\\Keltrix command-line run";

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// "/name" or "-name"; a path such as /tmp/x.rwr (Wine takes such paths too) is no switch.
bool IsSwitch(const std::string& arg)
{
    return arg.size() > 1 && (arg[0] == '/' || arg[0] == '-') && arg.find_first_of("/\\", 1) == std::string::npos;
}

std::string Quoted(const std::string& arg)
{
    return arg.find_first_of(" \t") == std::string::npos && !arg.empty() ? arg : "\"" + arg + "\"";
}

std::string FullPath(const std::string& path)
{
    char buffer[MAX_PATH * 4] = {};
    const DWORD length = ::GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : path;
}

// What the row lists: text kept on one line.
std::string OneLine(std::string text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return text;
}

std::string RowLine(std::size_t index, const std::string& outcome, const JTRecord& record)
{
    return std::to_string(index + 1) + " | " + OneLine(outcome) + " | " + OneLine(record.sDescribe) + " | " +
           OneLine(RootName(record.iRegRoot) + "\\" + record.sSubKey + "\\" + record.sDataName);
}

std::string Rows(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " row" : " rows");
}

// Holds the run mutex for its lifetime.
class RunLock {
public:
    explicit RunLock(JTCommandOutput& out)
    {
        // Whoever runs second may be another user: they may wait for it and release it.
        SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;WD)",
                                                                   SDDL_REVISION_1, &descriptor, nullptr))
            attributes.lpSecurityDescriptor = descriptor;
        mutex_ = ::CreateMutexA(&attributes, FALSE, kRunMutexName);
        if (!mutex_)
            mutex_ = ::OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kRunMutexName);
        if (descriptor)
            ::LocalFree(descriptor);
        if (!mutex_)
            return;
        DWORD waited = ::WaitForSingleObject(mutex_, 0);
        if (waited == WAIT_TIMEOUT) {
            out.ErrorLine("Keltrix: another command-line run of Keltrix works; this one waits for it.");
            waited = ::WaitForSingleObject(mutex_, INFINITE);
        }
        // A run that ended without letting go leaves the mutex abandoned: it is ours now.
        owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~RunLock()
    {
        if (owned_)
            ::ReleaseMutex(mutex_);
        if (mutex_)
            ::CloseHandle(mutex_);
    }
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;
    bool Owned() const { return owned_; }

private:
    HANDLE mutex_ = nullptr;
    bool owned_ = false;
};

class Runner {
public:
    Runner(const JTCommandLine& command, JTCommandOutput& out) : command_(command), out_(out) {}

    int Run()
    {
        switch (command_.command) {
        case JTCommandLine::Redo: return Replay(false);
        case JTCommandLine::Restore: return Replay(true);
        case JTCommandLine::Check: return Check();
        case JTCommandLine::ExportReg: return Export(false);
        case JTCommandLine::ExportGpp: return Export(true);
        case JTCommandLine::State: return State();
        default: return kExitBadUse;
        }
    }

private:
    // Reads the record file named first; false (having said why) when it cannot be read or
    // the row list does not fit it.
    bool LoadRecord()
    {
        file_ = FullPath(command_.operands[0]);
        TXdbTable table;
        try {
            records_ = ReadRecordFile(table, file_);
        } catch (const std::exception& error) {
            out_.ErrorLine("Keltrix: Fail to load record file:" + file_ + "! (" + error.what() + ")");
            return false;
        }
        for (const auto& record : records_)
            rows_.push_back(record.get());
        chosen_.clear();
        if (!command_.rowsGiven) {
            for (std::size_t i = 0; i < records_.size(); ++i)
                chosen_.push_back(i);
            return true;
        }
        std::string error;
        if (!ParseRowList(command_.rows, records_.size(), chosen_, error)) {
            out_.ErrorLine("Keltrix: /rows " + command_.rows + ": " + error);
            return false;
        }
        return true;
    }

    int Replay(bool restore)
    {
        if (!LoadRecord())
            return kExitBadUse;
        out_.Line(std::string(restore ? "Restore" : "Redo") + " of " + file_ + ": " + Rows(chosen_.size()));
        int written = 0;
        std::vector<std::string> refused;
        const std::vector<JTReplayRow> results = ReplayRecords(rows_, chosen_, restore);
        for (const JTReplayRow& row : results) {
            const JTRecord& record = *records_[row.index];
            out_.Line(RowLine(row.index, OutcomeLabel(record, row), record));
            if (row.Written())
                ++written;
            else if (!row.failed && row.outcome == JTWriteOutcome::AccessDenied)
                refused.push_back(std::to_string(row.index + 1));
        }
        const std::size_t notWritten = results.size() - static_cast<std::size_t>(written);
        if (!refused.empty()) {
            std::string list;
            for (const std::string& number : refused)
                list += (list.empty() ? "" : ", ") + number;
            out_.Line("Access was denied to " + Rows(refused.size()) + " (" + list +
                      "): run Keltrix.exe as an administrator for them.");
        }
        if (notWritten == 0) {
            out_.Line(results.empty() ? "Nothing to write." : "Done: every row written.");
            return kExitDone;
        }
        out_.Line("Done: " + std::to_string(written) + " written, " + std::to_string(notWritten) + " not written.");
        return kExitNotAll;
    }

    static std::string Difference(const JTRecord& record)
    {
        const std::string unusable = record.UnusableReason();
        if (!unusable.empty())
            return "unusable: " + unusable;
        if (record.AlreadyAtTarget(false))
            return "in place";
        const JTLiveValue live = record.ReadLive();
        const std::string wanted =
            record.TargetDeletes(false) ? "not set" : "\"" + ValueText(record.iRegType, record.sNewVal) + "\"";
        switch (live.state) {
        case JTLiveValue::KeyMissing: return "differs: the key does not exist, the record wants " + wanted;
        case JTLiveValue::ValueMissing: return "differs: not set, the record wants " + wanted;
        case JTLiveValue::OtherType: return "differs: a value of " + live.storedType + ", the record wants " + wanted;
        default:
            return "differs: \"" + ValueText(record.iRegType, live.value) + "\", the record wants " + wanted;
        }
    }

    int Check()
    {
        if (!LoadRecord())
            return kExitBadUse;
        out_.Line("Check of " + file_ + ": " + Rows(chosen_.size()));
        std::size_t differ = 0;
        for (std::size_t index : chosen_) {
            const std::string state = Difference(*records_[index]);
            if (state != "in place")
                ++differ;
            out_.Line(RowLine(index, state, *records_[index]));
        }
        if (differ == 0) {
            out_.Line("Every row is in place.");
            return kExitDone;
        }
        out_.Line(std::to_string(differ) + " of " + Rows(chosen_.size()) + (differ == 1 ? " differs." : " differ."));
        return kExitNotAll;
    }

    int Export(bool groupPolicy)
    {
        if (!LoadRecord())
            return kExitBadUse;
        const std::string out = FullPath(command_.operands[1]);
        JTExportReport report;
        try {
            report = groupPolicy ? ExportGppFiles(rows_, command_.oldValues, out, file_)
                                 : ExportRegFile(rows_, command_.oldValues, out);
        } catch (const std::exception& error) {
            out_.ErrorLine(std::string("Keltrix: ") + error.what());
            return kExitBadUse;
        }
        for (const JTExportedFile& file : report.files)
            out_.Line("Written: " + file.path + " (" + std::to_string(file.items) +
                      (groupPolicy ? (file.items == 1 ? " item" : " items") : (file.items == 1 ? " row" : " rows")) +
                      ")" + (file.target.empty() ? "" : " for " + file.target));
        if (report.files.empty())
            out_.Line("Nothing written: no row of the record can be stated in this form.");
        for (const std::string& row : report.leftOut)
            out_.Line("Left out: " + OneLine(row));
        return report.leftOut.empty() && !report.files.empty() ? kExitDone : kExitNotAll;
    }

    int State()
    {
        std::vector<JTTweakState> tweaks;
        try {
            tweaks = ReadTweakStates(ProgramFolder());
        } catch (const std::exception& error) {
            out_.ErrorLine(std::string("Keltrix: ") + error.what());
            return kExitBadUse;
        }
        char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD length = sizeof name;
        const std::string computer = ::GetComputerNameA(name, &length) ? std::string(name, length) : std::string();
        const std::string text = command_.json ? TweakStatesJson(tweaks, computer, FamilyName(OSFamily))
                                               : TweakStatesCsv(tweaks, computer);
        if (command_.operands.empty()) {
            out_.Raw(text);
            return kExitDone;
        }
        const std::string file = FullPath(command_.operands[0]);
        try {
            XdbWriteFileAtomic(file, text);
        } catch (const std::exception&) {
            out_.ErrorLine("Keltrix: Fail to write file:" + file + "!");
            return kExitBadUse;
        }
        out_.Line("Written: " + file + " (" + std::to_string(tweaks.size()) + " tweaks)");
        return kExitDone;
    }

    const JTCommandLine& command_;
    JTCommandOutput& out_;
    std::string file_;
    std::vector<std::unique_ptr<JTRecord>> records_;
    std::vector<const JTRecord*> rows_;
    std::vector<std::size_t> chosen_;
};

} // namespace

JTCommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    JTCommandLine line;
    const CommandName* command = nullptr;
    auto fail = [&line](const std::string& error) {
        if (line.error.empty())
            line.error = error;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!IsSwitch(arg)) {
            if (!command)
                fail(Quoted(arg) + " stands before any command.");
            else if (line.operands.size() >= command->maxOperands)
                fail(Quoted(arg) + " is one file too many for /" + command->name + ".");
            else
                line.operands.push_back(arg);
            continue;
        }
        const std::string name = Lower(arg.substr(1));
        if (name == "rows" || name == "log") {
            if (i + 1 >= args.size()) {
                fail(arg + " needs a value.");
                break;
            }
            (name == "rows" ? line.rows : line.log) = args[++i];
            line.rowsGiven = line.rowsGiven || name == "rows";
            continue;
        }
        if (name == "json" || name == "old") {
            (name == "json" ? line.json : line.oldValues) = true;
            continue;
        }
        const CommandName* found = nullptr;
        for (const CommandName& c : kCommands)
            if (name == c.name)
                found = &c;
        if (!found) {
            fail("Unknown switch " + arg + ".");
            continue;
        }
        if (command && command->command != found->command) {
            fail("One command at a time: /" + std::string(command->name) + " and " + arg + ".");
            continue;
        }
        command = found;
        line.command = found->command;
    }
    if (!command) {
        fail("No command is given.");
    } else if (line.operands.size() < command->minOperands) {
        fail("/" + std::string(command->name) +
             (command->minOperands == 1 ? " needs a record file." : " needs a record file and the file to write."));
    }
    const bool replays = line.command == JTCommandLine::Redo || line.command == JTCommandLine::Restore ||
                         line.command == JTCommandLine::Check;
    const bool exports = line.command == JTCommandLine::ExportReg || line.command == JTCommandLine::ExportGpp;
    if (line.rowsGiven && !replays)
        fail("/rows goes with /redo, /restore and /check.");
    if (line.json && line.command != JTCommandLine::State)
        fail("/json goes with /state.");
    if (line.oldValues && !exports)
        fail("/old goes with /export-reg and /export-gpp.");
    return line;
}

bool ParseRowList(const std::string& text, std::size_t count, std::vector<std::size_t>& rows, std::string& error)
{
    std::set<std::size_t> chosen;
    std::size_t at = 0;
    auto number = [&text, &at](std::size_t& value) {
        const std::size_t start = at;
        value = 0;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && value < 100000000)
            value = value * 10 + static_cast<std::size_t>(text[at++] - '0');
        return at > start;
    };
    while (at <= text.size()) {
        std::size_t first = 0, last = 0;
        if (!number(first)) {
            error = "a row list is numbers and ranges such as 1,3,5-7";
            return false;
        }
        last = first;
        if (at < text.size() && text[at] == '-') {
            ++at;
            if (!number(last) || last < first) {
                error = "a row list is numbers and ranges such as 1,3,5-7";
                return false;
            }
        }
        if (first == 0 || last > count) {
            error = "the record holds " + Rows(count) + "; rows are counted from 1";
            return false;
        }
        for (std::size_t row = first; row <= last; ++row)
            chosen.insert(row - 1);
        if (at == text.size())
            break;
        if (text[at] != ',') {
            error = "a row list is numbers and ranges such as 1,3,5-7";
            return false;
        }
        ++at;
    }
    rows.assign(chosen.begin(), chosen.end());
    return true;
}

std::vector<std::string> ProgramArguments()
{
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* list = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!list)
        return args;
    for (int i = 1; i < count; ++i) {
        const std::wstring wide = list[i];
        const int length =
            ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
        std::string arg(static_cast<std::size_t>(length), '\0');
        ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &arg[0], length, nullptr, nullptr);
        args.push_back(arg);
    }
    ::LocalFree(list);
    return args;
}

std::string UsageText()
{
    return std::string(kApplicationTitle) +
           "\r\n"
           "Replays, exports and audits registry tweaks without a window.\r\n"
           "\r\n"
           "  Keltrix.exe                                 starts the window\r\n"
           "  Keltrix.exe /redo FILE.rwr                  writes the new values of a record file again\r\n"
           "  Keltrix.exe /restore FILE.rwr               writes its old values back\r\n"
           "  Keltrix.exe /check FILE.rwr                 whether every row's new value is in place\r\n"
           "  Keltrix.exe /export-reg FILE.rwr OUT.reg    a registry file of the record's new values\r\n"
           "  Keltrix.exe /export-gpp FILE.rwr OUT.xml    Group Policy registry items: OUT-User.xml for\r\n"
           "                                              the HKEY_CURRENT_USER rows, OUT-Computer.xml\r\n"
           "                                              for the others\r\n"
           "  Keltrix.exe /state [OUT.csv]                every tweak of the catalogue and its state on\r\n"
           "                                              this computer, as CSV (to the output without OUT)\r\n"
           "\r\n"
           "  /rows LIST   only these rows of the record (1,3,5-7): /redo, /restore, /check\r\n"
           "  /old         the exports state the old values, the ones /restore writes\r\n"
           "  /json        /state writes JSON instead of CSV\r\n"
           "  /log FILE    also adds what the run says to FILE (UTF-8)\r\n"
           "Switches start with / or - and may be written in any case.\r\n"
           "\r\n"
           "Exit codes:\r\n"
           "  0  done: every row written, in place (/check) or exported\r\n"
           "  1  some rows were not written, are not in place, or were left out of an export\r\n"
           "  2  bad command line, or a file that cannot be read, is damaged or cannot be written\r\n"
           "\r\n"
           "Command-line runs wait for each other; a running Keltrix window is left alone.";
}

int RunCommandLine(const std::vector<std::string>& args)
{
    // No system box about a drive that is not ready, and none from any code this run reaches:
    // what would be a message box is a line of the output.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    JTCommandOutput out;
    ui::DialogSeams seams = ui::DialogSeams::Real();
    seams.messageBox = [&out](HWND, const std::string& text, const std::string& caption, UINT) {
        out.ErrorLine(caption + ": " + OneLine(text));
        return IDCANCEL;
    };
    seams.chooseColour = [](HWND, COLORREF&) { return false; };
    seams.openFile = seams.saveFile = [](HWND, ui::FileDialogRequest&) { return false; };
    seams.browseFolder = [](HWND, ui::FolderRequest&) { return false; };
    ui::ScopedSeams quiet(seams);

    const JTCommandLine command = ParseCommandLine(args);
    if (!command.log.empty()) {
        std::string heading = "Keltrix.exe";
        for (const std::string& arg : args)
            heading += " " + Quoted(arg);
        if (!out.OpenLog(FullPath(command.log), heading)) {
            out.ErrorLine("Keltrix: the log file " + FullPath(command.log) + " cannot be opened.");
            return kExitBadUse;
        }
    }
    if (!command.error.empty()) {
        out.ErrorLine("Keltrix: " + command.error + " Keltrix.exe /? lists the commands.");
        return kExitBadUse;
    }
    if (command.command == JTCommandLine::Help) {
        out.Line(UsageText());
        return kExitDone;
    }
    RunLock lock(out);
    if (!lock.Owned()) {
        out.ErrorLine("Keltrix: the lock that keeps command-line runs apart cannot be taken.");
        return kExitBadUse;
    }
    DetectRunningWindows();
    DetectRunningEdition();
    try {
        return Runner(command, out).Run();
    } catch (const std::exception& error) {
        out.ErrorLine(std::string("Keltrix: ") + error.what());
    } catch (...) {
        out.ErrorLine("Keltrix: an unexpected error ended the run.");
    }
    return kExitBadUse;
}

} // namespace kelt
