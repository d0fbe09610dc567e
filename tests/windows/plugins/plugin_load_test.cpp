// The plug-in object against the test plug-ins: load results, copied strings and glyph, the
// library references it holds, and running a plug-in through the frame.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "plugins/host/guarded_call.h"
#include "plugins/host/plugin.h"
#include "plugins/host/plugin_library.h"
#include "plugins/sdk/plugin_contract.h"
#include "plugins/sdk/test_hooks_bridge.h"
#include "tests/windows/plugins/plugin_folder.h"
#include "tests/windows/plugins/plugin_test_support.h"
#include "ui/seams.h"

namespace kelt {
namespace {

using testing::TestPlugin;

struct LoadCase {
    std::string file;  // test plug-in name, or a path when it holds a backslash
    int result;
    std::string failure;
};

TEST(PluginLoad, AnswersOneResultPerKindOfFileAndSaysWhy)
{
    testing::PluginFolder folder;
    const std::string lyingGlyph = folder.Add("Alpha", "", "LyingGlyph.KTP");
    testing::PluginFolder::MakeLyingGlyph(lyingGlyph);
    const std::vector<LoadCase> cases = {
        {"Alpha", plrLoaded, ""},
        {"Quiet", plrLoaded, ""},
        {"NotAPlugin", plrNoLibrary, "not a library"},
        {"Missing", plrNoLibrary, "file not found"},
        {"", plrNoLibrary, "file not found"},
        {"NoDone", plrMissingExport, "missing export DonePlugin"},
        {"NoGlyph", plrBadInformation, "no glyph"},
        {"BadGlyph", plrBadInformation, "no glyph"},
        {lyingGlyph, plrBadInformation, "glyph outside the library"},
#if defined(_WIN64)
        {"Throws", plrBadInformation, "GetPluginVersion failed (C++ exception)"},
#else
        // The 32-bit mingw runtime ends a throw that leaves the library with abort().
        {"Throws", plrBadInformation, "GetPluginVersion failed (uncaught C++ exception or abort)"},
#endif
        // Faults inside a getter end only the load.
        {"NullName", plrBadInformation, "GetPluginName failed (access violation)"},
        {"Foreign", plrBadInformation, "GetPluginAuthor failed (C++ exception of another runtime)"},
        {"Raises", plrBadInformation, "GetPluginGlyphResName failed (exception 0xE0000042)"},
#if defined(_WIN64)
        {"Decorated", plrBadInformation, "no glyph"},  // names are never decorated on 64 bits
#else
        {"Decorated", plrMissingExport, "missing export GetPluginName (it is exported as GetPluginName@0)"},
#endif
        // The plug-in in plain C, built against the contract header alone.
        {"Sample", plrLoaded, ""},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.file);
        JTPlugin plugin(0, c.file.empty() || c.file.find('\\') != std::string::npos ? c.file : TestPlugin(c.file));
        EXPECT_EQ(c.result, plugin.Load());
        EXPECT_EQ(c.failure, plugin.LoadFailure());
    }
}

TEST(PluginLoad, RefusesALibraryForTheOtherProcessorSayingSo)
{
    testing::PluginFolder folder;
    const std::string path = folder.Add("Alpha");
    testing::PluginFolder::MakeForeign(path);
    JTPlugin plugin(0, path);
    EXPECT_EQ(plrNoLibrary, plugin.Load());
#if defined(_WIN64)
    EXPECT_EQ("a 32-bit plugin", plugin.LoadFailure());
#else
    EXPECT_EQ("a 64-bit plugin", plugin.LoadFailure());
#endif
    EXPECT_EQ("", ForeignMachine(TestPlugin("Alpha")));
}

TEST(PluginLoad, CopiesTheStringsAndTheGlyph)
{
    JTPlugin alpha(7, TestPlugin("Alpha"));
    ASSERT_EQ(plrLoaded, alpha.Load());
    EXPECT_EQ("Alpha", alpha.Name());
    EXPECT_EQ("Tests", alpha.Author());
    EXPECT_EQ("Alpha menu", alpha.MenuText());
    EXPECT_EQ("Security", alpha.Kind());
    EXPECT_EQ("1.0", alpha.Version());
    EXPECT_EQ("2003", alpha.Copyright());
    EXPECT_EQ(7u, alpha.HostHandle());
    EXPECT_EQ("Alpha.KTP", alpha.BaseFileName());
    BITMAP glyph{};
    ASSERT_TRUE(alpha.GlyphBitmap());
    ASSERT_TRUE(::GetObjectA(alpha.GlyphBitmap(), sizeof glyph, &glyph));
    EXPECT_EQ(32, glyph.bmWidth);
    EXPECT_EQ(32, std::abs(glyph.bmHeight));

    // Null answers read as empty texts, not as a failure.
    JTPlugin quiet(0, TestPlugin("Quiet"));
    ASSERT_EQ(plrLoaded, quiet.Load());
    EXPECT_EQ("", quiet.Author());
    EXPECT_EQ("", quiet.MenuText());
    EXPECT_EQ("Quiet", quiet.Name());
}

TEST(PluginLoad, ForeignStringsAreBoundedAndStopAtUnreadableMemory)
{
    EXPECT_EQ("", CopyForeignString(nullptr, 10));
    EXPECT_EQ("abc", CopyForeignString("abcdef", 3));
    // A text running into a page that cannot be read ends there instead of faulting.
    SYSTEM_INFO system{};
    ::GetSystemInfo(&system);
    char* pages = static_cast<char*>(
        ::VirtualAlloc(nullptr, system.dwPageSize * 2, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_TRUE(pages);
    DWORD old = 0;
    ::VirtualProtect(pages + system.dwPageSize, system.dwPageSize, PAGE_NOACCESS, &old);
    char* text = pages + system.dwPageSize - 4;
    std::memcpy(text, "KTPX", 4);  // no NUL before the locked page
    EXPECT_EQ("KTPX", CopyForeignString(text, 100));
    ::VirtualFree(pages, 0, MEM_RELEASE);
}

std::string VersionString(const std::string& file, const std::string& name)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (!size)
        return "(none)";
    std::vector<char> data(size);
    ::GetFileVersionInfoA(file.c_str(), 0, size, data.data());
    char* value = nullptr;
    UINT length = 0;
    const std::string path = "\\StringFileInfo\\040904E4\\" + name;
    if (!::VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return "(missing)";
    return value;
}

TEST(PluginFrame, CarriesTheVersionResourceUnlessToldNot)
{
    EXPECT_EQ("Plugin for Keltrix", VersionString(TestPlugin("Alpha"), "FileDescription"));
    EXPECT_EQ("0.8.0.0", VersionString(TestPlugin("Alpha"), "FileVersion"));
    EXPECT_EQ("0.80", VersionString(TestPlugin("Alpha"), "ProductVersion"));
    EXPECT_EQ("(none)", VersionString(TestPlugin("NoDone"), "FileDescription"));
}

// Each plug-in object gives back exactly the one reference it took; the library itself stays
// loaded until the program ends.
TEST(PluginLoad, EachObjectHoldsAndReleasesItsOwnReference)
{
    const std::string path = TestPlugin("Beta");
    HMODULE ours = ::LoadLibraryA(path.c_str());
    ASSERT_TRUE(ours);
    {
        auto first = std::make_unique<JTPlugin>(0, path);
        auto second = std::make_unique<JTPlugin>(0, path);
        ASSERT_EQ(plrLoaded, first->Load());
        ASSERT_EQ(plrLoaded, second->Load());
        EXPECT_TRUE(first->FreeModule());
        EXPECT_EQ(nullptr, first->Module());
        EXPECT_TRUE(first->FreeModule());  // nothing left to release
        first.reset();                     // must not release again
        ASSERT_EQ(ours, ::GetModuleHandleA(path.c_str()));
        // The other object still runs its plug-in.
        testing::WhenWindowOpens close("Test tool Beta", nullptr);
        EXPECT_EQ(1, second->Execute(0));
        EXPECT_TRUE(close.Seen());
    }
    ASSERT_EQ(ours, ::GetModuleHandleA(path.c_str()));
    ::FreeLibrary(ours);
    EXPECT_EQ(ours, ::GetModuleHandleA(path.c_str()));
}

// The tool window is owned by the host window it is given and the host cannot be used while
// it is open; a value that is no window falls back to the active window.
TEST(PluginExecute, ToolWindowIsModalOverTheGivenHost)
{
    testing::TopWindow host("Plug-in host");
    testing::TopWindow other("Other window");
    ::SetActiveWindow(host.Handle());
    JTPlugin alpha(0, TestPlugin("Alpha"));
    ASSERT_EQ(plrLoaded, alpha.Load());

    std::vector<std::string> boxes;
    ui::DialogSeams seams;
    seams.messageBox = [&](HWND owner, const std::string& text, const std::string& caption, UINT) {
        boxes.push_back(caption + ": " + text);
        return IDOK;
    };
    ui::ScopedSeams scripted(seams);
    plugin::ScopedPluginTestHooks bridge(alpha.Module());
    ASSERT_TRUE(bridge.Active());

    struct Seen {
        HWND owner = nullptr;
        bool hostEnabled = true, otherEnabled = true;
    };
    const auto watch = [](Seen& seen) {
        return [&seen](HWND tool) {
            seen.owner = ::GetWindow(tool, GW_OWNER);
            seen.hostEnabled = ::IsWindowEnabled(::FindWindowA("KeltPluginTestTop", "Plug-in host")) != FALSE;
            seen.otherEnabled = ::IsWindowEnabled(::FindWindowA("KeltPluginTestTop", "Other window")) != FALSE;
            ::SendMessageA(tool, WM_COMMAND, MAKEWPARAM(101 /* "&Hello" */, BN_CLICKED), 0);
        };
    };

    Seen byHandle;
    {
        testing::WhenWindowOpens script("Test tool Alpha", watch(byHandle));
        EXPECT_EQ(1, alpha.Execute(plugin::HandleToHostValue(host.Handle())));
        ASSERT_TRUE(script.Seen());
    }
    EXPECT_EQ(host.Handle(), byHandle.owner);
    EXPECT_FALSE(byHandle.hostEnabled);
    EXPECT_FALSE(byHandle.otherEnabled);
    EXPECT_TRUE(::IsWindowEnabled(host.Handle()));
    EXPECT_TRUE(::IsWindowEnabled(other.Handle()));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Information: Hello from Alpha", boxes[0]);

    // The module handle the configuration dialog once passed, and 0: the active window owns it.
    const auto instance = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(::GetModuleHandleA(nullptr)));
    for (std::uint32_t value : {instance, 0u}) {
        ::SetActiveWindow(other.Handle());
        Seen fallback;
        testing::WhenWindowOpens script("Test tool Alpha", watch(fallback));
        EXPECT_EQ(1, alpha.Execute(value));
        ASSERT_TRUE(script.Seen());
        EXPECT_EQ(other.Handle(), fallback.owner);
        EXPECT_FALSE(fallback.otherEnabled);
        auto lastHandle = reinterpret_cast<std::uint32_t(__stdcall*)()>(
            reinterpret_cast<void*>(::GetProcAddress(alpha.Module(), "TestLastHostHandle")));
        ASSERT_TRUE(lastHandle);
        EXPECT_EQ(value, lastHandle());
    }
    EXPECT_TRUE(::IsWindowEnabled(host.Handle()));
    EXPECT_TRUE(::IsWindowEnabled(other.Handle()));
}

// The names a program imports from one system library, read from its import table.
std::vector<std::string> ImportsFrom(const std::string& program, const char* library)
{
    std::vector<std::string> names;
    HMODULE image = ::LoadLibraryExA(program.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!image)
        return names;
    const auto* base = reinterpret_cast<const unsigned char*>(image);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         directory.VirtualAddress && entry->Name; ++entry) {
        if (::lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), library) != 0)
            continue;
        for (auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
             thunk->u1.AddressOfData; ++thunk)
            if (!IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal))
                names.emplace_back(reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData)->Name);
    }
    ::FreeLibrary(image);
    return names;
}

// Loading plug-ins needs nothing Windows Vista lacks: the later calls are looked up at run time.
TEST(PluginLoad, ProgramImportsNoLoaderCallOfLaterWindows)
{
    const std::vector<std::string> imports =
        ImportsFrom(testing::WindowsPathOf("KELT_STAGE_DIR") + "\\Keltrix.exe", "kernel32.dll");
    ASSERT_FALSE(imports.empty());
    for (const char* later : {"SetThreadErrorMode", "GetThreadErrorMode", "AddDllDirectory", "RemoveDllDirectory",
                              "SetDefaultDllDirectories"})
        EXPECT_EQ(imports.end(), std::find(imports.begin(), imports.end(), later)) << later;
}

// A plug-in ending a message loop of its own with PostQuitMessage does not end its host; the
// program's loop ends only once the main window has gone.
TEST(PluginExecute, QuitRequestsOfAPluginAreDroppedWhileTheHostWindowLives)
{
    testing::TopWindow host;
    JTPlugin quits(0, TestPlugin("Quits"));
    ASSERT_EQ(plrLoaded, quits.Load());
    {
        testing::WhenWindowOpens close("Raw tool Quits", nullptr);
        EXPECT_EQ(1, quits.Execute(plugin::HandleToHostValue(host.Handle())));
        ASSERT_TRUE(close.Seen());
    }
    MSG message;
    EXPECT_FALSE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));

    // One left for the loop while the main window lives, then the program's own.
    ::PostQuitMessage(3);
    ::SetTimer(host.Handle(), 1, 50, [](HWND window, UINT, UINT_PTR, DWORD) CALLBACK {
        ::KillTimer(window, 1);
        ::DestroyWindow(window);
        ::PostQuitMessage(5);
    });
    EXPECT_EQ(5, ui::RunMessageLoop(host.Handle()));
}

// Code that breaks the calling convention as a hostile plug-in may: it overwrites every
// register a callee must keep, and the floating-point control words, then reads address 0.
extern "C" void kelt_test_clobber_and_fault(void*);
#if defined(__x86_64__)
asm(R"(
    .text
    .globl kelt_test_clobber_and_fault
kelt_test_clobber_and_fault:
    movabsq $0x0BADBADBADBADBAD, %rax
    .irp r, rbx, rbp, rdi, rsi, r12, r13, r14, r15, xmm6, xmm7, xmm8, xmm9, xmm10, xmm11, xmm12, xmm13, xmm14, xmm15
    movq %rax, %\r
    .endr
    ldmxcsr kelt_test_bad_mxcsr(%rip)
    fldcw kelt_test_bad_cw(%rip)
    xorl %eax, %eax
    movl (%rax), %eax
    ret
    .data
kelt_test_bad_mxcsr: .long 0x7F80
kelt_test_bad_cw: .word 0x0C7F
    .text
)");
#else
asm(R"(
    .text
    .globl _kelt_test_clobber_and_fault
_kelt_test_clobber_and_fault:
    .irp r, ebx, ebp, esi, edi
    movl $0x0BADBAD0, %\r
    .endr
    fldcw _kelt_test_bad_cw
    xorl %eax, %eax
    movl (%eax), %eax
    ret
    .data
_kelt_test_bad_cw: .word 0x0C7F
    .text
)");
#endif

// What this program throws inside a guarded call reaches its own handlers, and the guard is
// left behind as it was: a fault after it is caught as before.
TEST(PluginGuard, TheProgramsOwnExceptionsPassThrough)
{
    EXPECT_THROW(RunGuarded([](void*) { throw std::runtime_error("ours"); }, nullptr), std::runtime_error);
    EXPECT_FALSE(InsideGuardedCall());
    EXPECT_TRUE(RunGuarded(kelt_test_clobber_and_fault, nullptr).faulted);
}

// After a fault every register the calling convention asks a callee to keep is what it was.
TEST(PluginGuard, AFaultLeavesTheCallersRegistersAsTheyWere)
{
    unsigned short controlBefore = 0, controlAfter = 0;
    asm volatile("fnstcw %0" : "=m"(controlBefore));
#if defined(__x86_64__)
    unsigned mxcsrBefore = 0, mxcsrAfter = 0;
    asm volatile("stmxcsr %0" : "=m"(mxcsrBefore));
    register std::uint64_t rbx asm("rbx") = 0x1111, rdi asm("rdi") = 0x3333, rsi asm("rsi") = 0x4444,
        r12 asm("r12") = 0x5555, r13 asm("r13") = 0x6666, r14 asm("r14") = 0x7777, r15 asm("r15") = 0x8888;
    register double xmm6 asm("xmm6") = 6.0, xmm7 asm("xmm7") = 7.0, xmm8 asm("xmm8") = 8.0, xmm9 asm("xmm9") = 9.0,
        xmm10 asm("xmm10") = 10.0, xmm11 asm("xmm11") = 11.0, xmm12 asm("xmm12") = 12.0, xmm13 asm("xmm13") = 13.0,
        xmm14 asm("xmm14") = 14.0, xmm15 asm("xmm15") = 15.0;
    asm volatile("" : "+r"(rbx), "+r"(rdi), "+r"(rsi), "+r"(r12), "+r"(r13), "+r"(r14), "+r"(r15));
    asm volatile("" : "+x"(xmm6), "+x"(xmm7), "+x"(xmm8), "+x"(xmm9), "+x"(xmm10), "+x"(xmm11), "+x"(xmm12),
                 "+x"(xmm13), "+x"(xmm14), "+x"(xmm15));
    const GuardedResult guarded = RunGuarded(kelt_test_clobber_and_fault, nullptr);
    asm volatile("" : "+r"(rbx), "+r"(rdi), "+r"(rsi), "+r"(r12), "+r"(r13), "+r"(r14), "+r"(r15));
    asm volatile("" : "+x"(xmm6), "+x"(xmm7), "+x"(xmm8), "+x"(xmm9), "+x"(xmm10), "+x"(xmm11), "+x"(xmm12),
                 "+x"(xmm13), "+x"(xmm14), "+x"(xmm15));
    const std::vector<std::uint64_t> kept = {rbx, rdi, rsi, r12, r13, r14, r15};
    EXPECT_EQ((std::vector<std::uint64_t>{0x1111, 0x3333, 0x4444, 0x5555, 0x6666, 0x7777, 0x8888}), kept);
    const std::vector<double> vectors = {xmm6, xmm7, xmm8, xmm9, xmm10, xmm11, xmm12, xmm13, xmm14, xmm15};
    EXPECT_EQ((std::vector<double>{6, 7, 8, 9, 10, 11, 12, 13, 14, 15}), vectors);
    asm volatile("stmxcsr %0" : "=m"(mxcsrAfter));
    EXPECT_EQ(mxcsrBefore & 0xFFC0u, mxcsrAfter & 0xFFC0u);
#else
    register std::uint32_t ebx asm("ebx") = 0x1111, esi asm("esi") = 0x3333, edi asm("edi") = 0x4444;
    asm volatile("" : "+r"(ebx), "+r"(esi), "+r"(edi));
    const GuardedResult guarded = RunGuarded(kelt_test_clobber_and_fault, nullptr);
    asm volatile("" : "+r"(ebx), "+r"(esi), "+r"(edi));
    EXPECT_EQ((std::vector<std::uint32_t>{0x1111, 0x3333, 0x4444}), (std::vector<std::uint32_t>{ebx, esi, edi}));
#endif
    // The frame pointer came back too, or these locals would not be found.
    EXPECT_TRUE(guarded.faulted);
    EXPECT_EQ(DWORD(EXCEPTION_ACCESS_VIOLATION), guarded.code);
    asm volatile("fnstcw %0" : "=m"(controlAfter));
    EXPECT_EQ(controlBefore, controlAfter);
}

} // namespace
} // namespace kelt
