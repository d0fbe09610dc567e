#include "plugins/host/guarded_call.h"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

// kelt_guarded_call(call, state) calls call(state) in a frame with an exception handler of its
// own and answers 0, or 1 when kelt_guard_handler cut the call short. The frame saves every
// register a callee must keep, and the floating-point control words, and loads them back on
// both ways out: whatever a faulting plug-in left in them, the caller finds its own values.
// The state pointer is kept at a fixed place above the frame the handler is given, so the
// handler can report the code without any global.
//
// 64 bits: the handler is registered in the function's unwind data; RtlUnwindEx unwinds the
// plug-in's frames and resumes at kelt_guard_resume with 1 in RAX.
// 32 bits: the frame pushes its own registration on the thread's handler chain; after
// RtlUnwind the handler jumps back into that frame (kelt_guard_jump) as an __except would.
// Its unwind table entry lets this program's own C++ exceptions (which the 32-bit runtime
// does not raise through the system) pass it on their way to the program's handlers.

namespace {

struct GuardState {
    DWORD code;
    void* context;
    void (*call)(void*);
};

} // namespace

extern "C" {
int kelt_guarded_call(void (*call)(void*), GuardState* state);
extern char kelt_guard_resume[];
#if defined(__i386__)
void kelt_guard_jump(void* frame) __attribute__((noreturn));
#endif
}

#if defined(__x86_64__)
// Frame, from RSP after the prologue: 0-31 home space, 32 the state, 40 MXCSR, 44 the x87
// control word, 48-207 XMM6-XMM15, then the eight pushed registers and the return address.
asm(R"(
    .text
    .p2align 4
    .globl kelt_guarded_call
    .def kelt_guarded_call; .scl 2; .type 32; .endef
    .seh_proc kelt_guarded_call
kelt_guarded_call:
    pushq %rbp
    .seh_pushreg %rbp
    pushq %rbx
    .seh_pushreg %rbx
    pushq %rdi
    .seh_pushreg %rdi
    pushq %rsi
    .seh_pushreg %rsi
    pushq %r12
    .seh_pushreg %r12
    pushq %r13
    .seh_pushreg %r13
    pushq %r14
    .seh_pushreg %r14
    pushq %r15
    .seh_pushreg %r15
    subq $216, %rsp
    .seh_stackalloc 216
    movaps %xmm6, 48(%rsp)
    .seh_savexmm %xmm6, 48
    movaps %xmm7, 64(%rsp)
    .seh_savexmm %xmm7, 64
    movaps %xmm8, 80(%rsp)
    .seh_savexmm %xmm8, 80
    movaps %xmm9, 96(%rsp)
    .seh_savexmm %xmm9, 96
    movaps %xmm10, 112(%rsp)
    .seh_savexmm %xmm10, 112
    movaps %xmm11, 128(%rsp)
    .seh_savexmm %xmm11, 128
    movaps %xmm12, 144(%rsp)
    .seh_savexmm %xmm12, 144
    movaps %xmm13, 160(%rsp)
    .seh_savexmm %xmm13, 160
    movaps %xmm14, 176(%rsp)
    .seh_savexmm %xmm14, 176
    movaps %xmm15, 192(%rsp)
    .seh_savexmm %xmm15, 192
    .seh_endprologue
    movq %rdx, 32(%rsp)
    stmxcsr 40(%rsp)
    fnstcw 44(%rsp)
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    xorl %eax, %eax
    .globl kelt_guard_resume
kelt_guard_resume:
    cld
    fninit
    fldcw 44(%rsp)
    ldmxcsr 40(%rsp)
    movaps 48(%rsp), %xmm6
    movaps 64(%rsp), %xmm7
    movaps 80(%rsp), %xmm8
    movaps 96(%rsp), %xmm9
    movaps 112(%rsp), %xmm10
    movaps 128(%rsp), %xmm11
    movaps 144(%rsp), %xmm12
    movaps 160(%rsp), %xmm13
    movaps 176(%rsp), %xmm14
    movaps 192(%rsp), %xmm15
    addq $216, %rsp
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rsi
    popq %rdi
    popq %rbx
    popq %rbp
    ret
    .seh_handler kelt_guard_handler, @except
    .seh_endproc
)");
#elif defined(__i386__)
// Frame, from the registration: 0 the previous registration, 4 the handler, 8 the x87 control
// word, 12 EDI, 16 ESI, 20 EBX, 24 EBP, 28 the return address, 32 call, 36 the state.
asm(R"(
    .text
    .p2align 4
    .globl _kelt_guarded_call
    .def _kelt_guarded_call; .scl 2; .type 32; .endef
_kelt_guarded_call:
    .cfi_startproc
    pushl %ebp
    .cfi_def_cfa_offset 8
    .cfi_offset %ebp, -8
    movl %esp, %ebp
    .cfi_def_cfa_register %ebp
    pushl %ebx
    .cfi_offset %ebx, -12
    pushl %esi
    .cfi_offset %esi, -16
    pushl %edi
    .cfi_offset %edi, -20
    subl $4, %esp
    fnstcw (%esp)
    pushl $_kelt_guard_handler
    pushl %fs:0
    movl %esp, %fs:0
    pushl 12(%ebp)
    call *8(%ebp)
    addl $4, %esp
    xorl %eax, %eax
    .globl _kelt_guard_resume
_kelt_guard_resume:
    popl %ecx
    movl %ecx, %fs:0
    addl $4, %esp
    cld
    fninit
    fldcw (%esp)
    addl $4, %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
    .cfi_endproc

    .p2align 4
    .globl _kelt_guard_jump
    .def _kelt_guard_jump; .scl 2; .type 32; .endef
_kelt_guard_jump:
    movl 4(%esp), %eax
    movl %eax, %esp
    leal 24(%eax), %ebp
    movl $1, %eax
    jmp _kelt_guard_resume
)");
#else
#error "guarded calls are written for x86 and x86-64"
#endif

namespace {

#if defined(__x86_64__)
constexpr std::size_t kStateOffset = 32;
#else
constexpr std::size_t kStateOffset = 36;
#endif

GuardState* StateOf(void* frame)
{
    return *reinterpret_cast<GuardState**>(static_cast<char*>(frame) + kStateOffset);
}

void CallThrough(void* state)
{
    auto* guard = static_cast<GuardState*>(state);
    guard->call(guard->context);
}

thread_local int guardDepth = 0;

// ---------------------------------------------------------------- abort() of a plug-in

using SignalHandler = void(__cdecl*)(int);
using SignalFunction = SignalHandler(__cdecl*)(int, SignalHandler);

struct RuntimeAbort {
    const char* library;
    SignalFunction setHandler = nullptr;
    SignalHandler previous = nullptr;
};

// The C runtimes a plug-in may share with this program.
RuntimeAbort runtimes[] = {{"msvcrt.dll"}, {"ucrtbase.dll"}};

void __cdecl RaiseOnAbort(int)
{
    if (guardDepth > 0)
        ::RaiseException(kelt::kPluginAbort, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    // Outside a guarded call (a thread of the plug-in): end as abort() would have.
    std::_Exit(3);
}

void TrapAborts(bool trap)
{
    for (RuntimeAbort& runtime : runtimes) {
        if (trap) {
            HMODULE library = ::GetModuleHandleA(runtime.library);
            runtime.setHandler = library ? reinterpret_cast<SignalFunction>(reinterpret_cast<void*>(
                                               ::GetProcAddress(library, "signal")))
                                         : nullptr;
            if (runtime.setHandler)
                runtime.previous = runtime.setHandler(SIGABRT, RaiseOnAbort);
        } else if (runtime.setHandler) {
            runtime.setHandler(SIGABRT, runtime.previous);
            runtime.setHandler = nullptr;
        }
    }
}

// ---------------------------------------------------------------- stack overflow

// Stack kept for raising a stack overflow and unwinding it.
constexpr ULONG kOverflowReserve = 64 * 1024;

// A guard page just beneath the current stack page. Touched by a deeper call, it moves down a
// page at a time, and once it reaches the reserve at the bottom the system raises a stack
// overflow with the reserve left for handling it. Put in place before the first guarded call
// (some systems keep their first guard page at the very bottom of the stack) and again after
// every overflow, which consumes the guard page.
void ArmStackGuard()
{
    SYSTEM_INFO system{};
    ::GetSystemInfo(&system);
    const std::uintptr_t page = system.dwPageSize;
    volatile char here = 0;
    MEMORY_BASIC_INFORMATION stack{};
    if (!::VirtualQuery(const_cast<char*>(&here), &stack, sizeof stack))
        return;
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(stack.AllocationBase);
    const std::uintptr_t guard = (reinterpret_cast<std::uintptr_t>(&here) & ~(page - 1)) - page;
    if (guard < base + kOverflowReserve + 2 * page)
        return;
    MEMORY_BASIC_INFORMATION at{};
    if (::VirtualQuery(reinterpret_cast<void*>(guard), &at, sizeof at) && at.State == MEM_COMMIT &&
        (at.Protect & PAGE_GUARD))
        return;
    DWORD previous = 0;
    if (::VirtualAlloc(reinterpret_cast<void*>(guard), page, MEM_COMMIT, PAGE_READWRITE))
        ::VirtualProtect(reinterpret_cast<void*>(guard), page, PAGE_READWRITE | PAGE_GUARD, &previous);
}

#if defined(__x86_64__)
// Whether a C++ exception of a mingw runtime was thrown by this program's own runtime: its
// exception object names the clean-up function of the runtime that made it.
bool ThrownByThisProgram(const EXCEPTION_RECORD* record)
{
    static const std::pair<std::uintptr_t, std::uintptr_t> image = [] {
        HMODULE self = nullptr;
        ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             reinterpret_cast<LPCSTR>(&ArmStackGuard), &self);
        const auto* base = reinterpret_cast<const unsigned char*>(self);
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const auto first = reinterpret_cast<std::uintptr_t>(base);
        return std::pair<std::uintptr_t, std::uintptr_t>(first, first + nt->OptionalHeader.SizeOfImage);
    }();
    if (record->NumberParameters < 1 || !record->ExceptionInformation[0])
        return false;
    const auto* object = reinterpret_cast<const unsigned char*>(record->ExceptionInformation[0]);
    MEMORY_BASIC_INFORMATION region{};
    if (!::VirtualQuery(object, &region, sizeof region) || region.State != MEM_COMMIT ||
        (region.Protect & (PAGE_NOACCESS | PAGE_GUARD)) ||
        object + 16 > static_cast<const unsigned char*>(region.BaseAddress) + region.RegionSize)
        return false;
    std::uintptr_t cleanup = 0;  // after the 8-byte exception class
    std::memcpy(&cleanup, object + 8, sizeof cleanup);
    return cleanup >= image.first && cleanup < image.second;
}
#endif

} // namespace

extern "C" {

#if defined(__x86_64__)
EXCEPTION_DISPOSITION kelt_guard_handler(EXCEPTION_RECORD* record, void* frame, CONTEXT* context,
                                         DISPATCHER_CONTEXT* dispatch)
{
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    if (record->ExceptionCode == kelt::kMingwThrow && ThrownByThisProgram(record))
        return ExceptionContinueSearch;
    StateOf(frame)->code = record->ExceptionCode;
    ::RtlUnwindEx(frame, kelt_guard_resume, record, reinterpret_cast<PVOID>(1), context, dispatch->HistoryTable);
    return ExceptionContinueSearch;  // not reached
}
#else
EXCEPTION_DISPOSITION __cdecl kelt_guard_handler(EXCEPTION_RECORD* record, void* frame, CONTEXT*, void*)
{
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    StateOf(frame)->code = record->ExceptionCode;
    // The plug-in's own handlers between here and the fault see the unwind, then this frame
    // is the newest registration again.
    ::RtlUnwind(frame, nullptr, record, nullptr);
    kelt_guard_jump(frame);
}
#endif

} // extern "C"

namespace kelt {

GuardedResult RunGuarded(void (*call)(void* context), void* context)
{
    static thread_local bool armed = [] {
        ULONG bytes = kOverflowReserve;
        ::SetThreadStackGuarantee(&bytes);
        ArmStackGuard();
        return true;
    }();
    (void)armed;
    // Also undone when one of the program's own exceptions passes through the call.
    struct Scope {
#if defined(__i386__)
        void* chain = HandlerChain();
        ~Scope()
        {
            // The frames the exception left never took their registrations off the chain.
            asm volatile("movl %0, %%fs:0" : : "r"(chain) : "memory");
            Leave();
        }
        static void* HandlerChain()
        {
            void* chain = nullptr;
            asm volatile("movl %%fs:0, %0" : "=r"(chain));
            return chain;
        }
#else
        ~Scope() { Leave(); }
#endif
        Scope()
        {
            if (guardDepth++ == 0)
                TrapAborts(true);
        }
        static void Leave()
        {
            if (--guardDepth == 0)
                TrapAborts(false);
        }
    } scope;
    GuardState state{0, context, call};
    const bool faulted = kelt_guarded_call(CallThrough, &state) != 0;
    if (faulted && state.code == EXCEPTION_STACK_OVERFLOW)
        ArmStackGuard();
    GuardedResult result;
    result.faulted = faulted;
    result.code = faulted ? state.code : 0;
    return result;
}

bool InsideGuardedCall()
{
    return guardDepth > 0;
}

std::string DescribeFault(DWORD code)
{
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
        return "access violation";
    case EXCEPTION_STACK_OVERFLOW:
        return "stack overflow";
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
        return "division by zero";
    case EXCEPTION_ILLEGAL_INSTRUCTION:
        return "illegal instruction";
    case 0xE06D7363:
        return "C++ exception of another runtime";
    case kMingwThrow:
        return "C++ exception";
    case kPluginAbort:
        return "uncaught C++ exception or abort";
    default: {
        char text[32];
        std::snprintf(text, sizeof text, "exception 0x%08lX", static_cast<unsigned long>(code));
        return text;
    }
    }
}

} // namespace kelt
