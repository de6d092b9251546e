// Process services on Windows: processor exceptions as signals, _fpreset,
// the C runtime's signal(), and the interrupt that arrives on a thread of
// its own.
//
// Ctrl+C reaches the process as a console control event, which Windows
// hands to a new thread; the runtime calls the SIGINT handler there while
// the main thread goes on writing.  The handler must not see a connection
// half updated, nor have records added behind its closing.  So before it
// runs, that thread suspends the main thread, and when the main thread is
// inside a hold (a count that HeldSignals keeps) it lets it run on for a
// moment and tries again; holds last a few instructions.  Once the main
// thread is held still outside every hold, the handler closes the files
// alone and ends the process with TerminateProcess, which takes no lock
// that the stopped thread could own.  Only the interrupt arrives this way:
// SIGFPE, SIGABRT and SIGTERM are raised on the thread that causes them.
#include <float.h>
#include <windows.h>
#include <xmmintrin.h>

#include <csignal>
#include <cstdlib>

#include "runtime/process.h"

namespace runtime {
namespace {

HANDLE main_thread = nullptr;
DWORD main_thread_id = 0;

// Holds open now; the interrupt waits until there are none.
volatile LONG holds = 0;
// Set once the process is on its way out with signals held for good: an
// interrupt then has nothing left to do.
volatile LONG ending = 0;

void (*volatile interrupt_handler)(int) = nullptr;

// Floating-point faults as the processor reports them; the last two are
// the x87 and SSE faults of a WOW64 or x64 process.
constexpr DWORD kFloatMultipleFaults = 0xC00002B4;
constexpr DWORD kFloatMultipleTraps = 0xC00002B5;

LONG WINAPI on_unhandled_exception(EXCEPTION_POINTERS* info) {
  int signal_number = 0;
  bool floating = false;
  switch (info->ExceptionRecord->ExceptionCode) {
    case EXCEPTION_ACCESS_VIOLATION:
      signal_number = SIGSEGV;
      break;
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW:
    case kFloatMultipleFaults:
    case kFloatMultipleTraps:
      signal_number = SIGFPE;
      floating = true;
      break;
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
      signal_number = SIGFPE;
      break;
    default:  // a floating-point stack check among them
      return EXCEPTION_CONTINUE_SEARCH;
  }
  void (*action)(int) = std::signal(signal_number, SIG_DFL);
  std::signal(signal_number, action);
  if (action == SIG_DFL || action == SIG_ERR) return EXCEPTION_CONTINUE_SEARCH;
  if (action == SIG_IGN) {
    if (floating) _fpreset();
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  action(signal_number);
  return EXCEPTION_CONTINUE_EXECUTION;
}

// Suspends the main thread at a point outside every hold.  Returns false
// when the process is already ending and the interrupt is to be dropped,
// as a signal held for good on a POSIX host is never delivered.
bool stop_main_thread() {
  if (main_thread == nullptr || GetCurrentThreadId() == main_thread_id) return true;
  for (;;) {
    if (ending != 0) return false;
    if (SuspendThread(main_thread) == static_cast<DWORD>(-1)) return true;
    // SuspendThread only asks for the stop; reading the context waits for it.
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    GetThreadContext(main_thread, &context);
    if (InterlockedCompareExchange(&holds, 0, 0) == 0) return true;
    ResumeThread(main_thread);
    Sleep(1);
  }
}

extern "C" void interrupt_from_console(int signal_number) {
  if (stop_main_thread()) interrupt_handler(signal_number);
}

}  // namespace

void prepare_process() {
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &main_thread,
                  THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, 0);
  main_thread_id = GetCurrentThreadId();
  SetUnhandledExceptionFilter(on_unhandled_exception);
}

void open_standard_streams() {}

void reset_floating_point() {
  // The runtime's _fpreset re-initialises the x87 unit: every exception
  // masked, round to nearest, but extended precision, and it leaves the SSE
  // control register alone.  The arithmetic is SSE2 on both builds; the two
  // units are set to the documented default explicitly.
  _fpreset();
#if defined(__i386__)
  _control87(_PC_53, _MCW_PC);  // x87 values rounded to double
#endif
  _mm_setcsr(0x1F80);  // SSE: round to nearest, every exception masked, no flush to zero
}

void ignore_write_signals() {}

// The runtime's signal() holds nothing back while a handler runs; the
// handlers here end the process, and each first holds every signal that
// another handler could close files for (hold_for_good).
void install_handler(int signal_number, void (*handler)(int), std::initializer_list<int>) {
  if (signal_number == SIGINT) {
    interrupt_handler = handler;
    handler = interrupt_from_console;
  }
  std::signal(signal_number, handler);
}

bool is_ignored(int signal_number) {
  // A parent that starts the process with Ctrl+C disabled does so through
  // the console, which then calls no handler at all; the runtime's own
  // record of the action is what is left to ask.
  void (*action)(int) = std::signal(signal_number, SIG_IGN);
  std::signal(signal_number, action);
  return action == SIG_IGN;
}

HeldSignals::HeldSignals(std::initializer_list<int>) : saved_{} {
  InterlockedIncrement(&holds);
}

HeldSignals::~HeldSignals() {
  InterlockedDecrement(&holds);
}

void hold_for_good(std::initializer_list<int>) {
  InterlockedIncrement(&holds);
  InterlockedExchange(&ending, 1);
}

void exit_now(int status) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  std::_Exit(status);
}

void abort_now() {
  std::signal(SIGABRT, SIG_DFL);
  std::abort();
}

}  // namespace runtime
