#include "plugins/host/guarded_call.h"

#include <cstdio>
#include <string>

// kelt_guarded_call(call, state) calls call(state) in a frame with an exception handler of its
// own and answers 0, or 1 when kelt_guard_handler cut the call short. The state pointer is
// kept 32 bytes above the frame the handler is given (both builds), so the handler can report
// the code without any global.
//
// 64 bits: the handler is registered in the function's unwind data; RtlUnwindEx unwinds the
// plug-in's frames and resumes at kelt_guard_resume with 1 in RAX.
// 32 bits: the frame pushes its own registration on the thread's handler chain; after
// RtlUnwind the handler jumps back into that frame (kelt_guard_jump) as an __except would.

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
asm(R"(
    .text
    .p2align 4
    .globl kelt_guarded_call
    .def kelt_guarded_call; .scl 2; .type 32; .endef
    .seh_proc kelt_guarded_call
kelt_guarded_call:
    pushq %rbp
    .seh_pushreg %rbp
    subq $48, %rsp
    .seh_stackalloc 48
    .seh_endprologue
    movq %rdx, 32(%rsp)
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    xorl %eax, %eax
    .globl kelt_guard_resume
kelt_guard_resume:
    addq $48, %rsp
    popq %rbp
    ret
    .seh_handler kelt_guard_handler, @except
    .seh_endproc
)");
#elif defined(__i386__)
asm(R"(
    .text
    .p2align 4
    .globl _kelt_guarded_call
    .def _kelt_guarded_call; .scl 2; .type 32; .endef
_kelt_guarded_call:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
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
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret

    .p2align 4
    .globl _kelt_guard_jump
    .def _kelt_guard_jump; .scl 2; .type 32; .endef
_kelt_guard_jump:
    movl 4(%esp), %eax
    movl %eax, %esp
    leal 20(%eax), %ebp
    movl $1, %eax
    jmp _kelt_guard_resume
)");
#else
#error "guarded calls are written for x86 and x86-64"
#endif

namespace {

// What this program's own C++ runtime raises for a throw (64 bits): left to its handlers.
constexpr DWORD kOwnRuntimeThrow = 0x20474343;

GuardState* StateOf(void* frame)
{
    return *reinterpret_cast<GuardState**>(static_cast<char*>(frame) + 32);
}

void CallThrough(void* state)
{
    auto* guard = static_cast<GuardState*>(state);
    guard->call(guard->context);
}

} // namespace

extern "C" {

#if defined(__x86_64__)
EXCEPTION_DISPOSITION kelt_guard_handler(EXCEPTION_RECORD* record, void* frame, CONTEXT* context,
                                         DISPATCHER_CONTEXT* dispatch)
{
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    if (record->ExceptionCode == kOwnRuntimeThrow)
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
    GuardState state{0, context, call};
    GuardedResult result;
    result.faulted = kelt_guarded_call(CallThrough, &state) != 0;
    result.code = result.faulted ? state.code : 0;
    return result;
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
    default: {
        char text[32];
        std::snprintf(text, sizeof text, "exception 0x%08lX", static_cast<unsigned long>(code));
        return text;
    }
    }
}

} // namespace kelt
