#pragma once
// The call trace of the main program.
//
// Every procedure of the main program (but modMain::Main) opens with one trace
// line. The line dumps the parameters, pushes "object.procedure" onto FStack
// and pops it again on return. When an error unwinds through the procedure
// its entry stays on the stack and the innermost frame captures the locals,
// the module variables and the parameters (with their current values) for the
// error report.
//
//   In a module (a namespace with a DumpModuleVars() function; "{None}" when
//   the module has no variables):
//
//     int modMain::TrueKill(const std::string& Path) {
//         TRACE_MOD(modMain, "TrueKill", TV(Path));
//         ...
//     }
//
//   In a form or class (derived from trace::Traced):
//
//     void frmAbout::cmdTestError_Click() try {
//         TRACE("cmdTestError_Click");
//         std::int32_t x = 0;
//         TRACE_LOCAL(x);                // right after the declaration
//         std::int32_t y = 2;
//         TRACE_LOCAL(y);
//         y = vb::fdivToLong(y, x);      // raises run-time error 11
//     } TRACE_BOUNDARY                   // every Qt entry point ends so
//
//   Property procedures use TRACE_PROP / TRACE_MOD_PROP (kind 2).
//
// Secrets: hold passwords, hashes, keys, generated passwords and records'
// "Password", "Login" and "Description" values in trace::Secret. TV() of a
// Secret dumps "{Hidden}" (an empty one keeps its empty form), so they never
// reach a report, whichever name they travel under.
//
// Paths: TV_PATH(x) for a path parameter or local (file system bytes, not
// code-page text), so the report stays one code-page text.
//
// Records and foreign objects: TV_UDTPARAM(p) for a record parameter,
// TV_UDT(x, "POINTAPI") for a platform record, TV_EXT(x) for another
// component's object (CurUsDB, MDFM, lDB).
//
// Expected errors: a catch that handles an error and goes on calls
// trace_frame_.Recover(), which restores the stack to this procedure's entry
// and drops the capture:
//
//     } catch (const vb::VbError& e) {
//         if (e.Number() != 402) throw;
//         trace_frame_.Recover();
//     }
//
// Every Qt entry point (slot, event override, timer, tray callback) is a
// function-try-block ending in TRACE_BOUNDARY, so no exception ever crosses
// Qt code: the boundary hands the error to the error handler, which builds the
// report, shows it and ends the program. Frame destructors never throw.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/trace/Dump.h"
#include "app/trace/Secret.h"
#include "app/trace/VbArray.h"

namespace trace {

// ---- Globals of the trace ----

extern VbArray<std::string> FStack;  // the call stack; upper bound 0 means empty
extern std::string ErrorMessage;     // the text of the last report
extern bool zeltHasInitialised;
extern std::string zeltComponentID;  // never assigned
extern std::int32_t zeltErrorNumber;
extern std::string zeltErrorDescription;
extern std::int32_t zeltErrorLine;
extern std::string zeltErrorSource;

struct Version {
    int major;
    int minor;
    int revision;
};
// The program's version, "M.m.r" in the report and the log.
Version ProgramVersion();
std::string VersionText();

// ---- Start and the stack ----

// Once per run: probes for an outside debugging session and installs the
// fault handlers when a restart program was configured.
void InitErrorTrace();
// Empties the stack: (0 To 0).
void ResetStack();
bool IsDebugSession();
long SendDebuggerMessage(long msgCode, const std::string& text, std::int32_t& value, long timeoutMs, long flags);

// The runtime's array helpers the stack is built on; neither ever raises.
void StringArrayPush(VbArray<std::string>& arr, const std::string& item);
void StringArrayPop(VbArray<std::string>& arr);
void PushStackEntry(std::string_view name, long entryType, std::string_view params);
void PopStackEntry();
std::string StackEntryText(std::string_view name, long entryType, std::string_view params);

// Form_Load / Class_Initialize: tell an outside debugger (message 500) and
// start the trace when nothing started it yet. Form_Unload /
// Class_Terminate: message 501.
void TraceObjectLoaded(const char* objectName, bool isForm, std::int16_t& instanceId);
void TraceUnload(const char* objectName, std::int16_t instanceId);

// ---- Frames ----

enum class Kind : long { Procedure = 1, Property = 2 };

// One dumped variable: a function that produces its dump text on demand, so
// a re-dump shows the current value.
struct Var {
    std::function<std::string()> dump;
};

class Frame {
public:
    using ModuleVarsFn = std::function<std::string()>;
    Frame(const char* object, const char* procedure, Kind kind, ModuleVarsFn moduleVars,
          std::initializer_list<Var> params);
    Frame(const Traced& object, const char* procedure, Kind kind, std::initializer_list<Var> params);
    ~Frame();
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    // An error was handled here and the procedure goes on: the stack is back
    // to this procedure's entry and the capture is dropped.
    void Recover() noexcept;

    // Used by TRACE_LOCAL.
    std::size_t AddLocal();
    void SetLocal(std::size_t slot, std::string text) noexcept;
    bool WantsCapture() const noexcept;

private:
    void Push(std::initializer_list<Var> params);
    void Capture() noexcept;

    const char* object_;
    const char* procedure_;
    Kind kind_;
    ModuleVarsFn moduleVars_;
    std::vector<Var> params_;
    std::vector<std::optional<std::string>> locals_;
    long depth_ = 0;
    int uncaught_;
};

// Dumps a local while it still exists during unwinding.
class Local {
public:
    Local(Frame& frame, Var var);
    ~Local();
    Local(const Local&) = delete;
    Local& operator=(const Local&) = delete;

private:
    Frame& frame_;
    std::size_t slot_;
    Var var_;
    int uncaught_;
};

#define TRACE_CAT2(a, b) a##b
#define TRACE_CAT(a, b) TRACE_CAT2(a, b)

#define TV(x)                                          \
    ::trace::Var {                                     \
        [&]() { return ::trace::DumpVariable(#x, x); } \
    }
// A path (file system bytes), converted to the report's code page.
#define TV_PATH(x)                                 \
    ::trace::Var {                                 \
        [&]() { return ::trace::DumpPath(#x, x); } \
    }
// A text that may hold a secret although its type does not say so (a search
// text, say): dumped as a Secret.
#define TV_HIDDEN(x)                                                    \
    ::trace::Var {                                                      \
        [&]() { return ::trace::DumpVariable(#x, ::trace::Secret(x)); } \
    }
// A window (QWidget*) handed to code that knows no widget.
#define TV_WIDGET(x)                                 \
    ::trace::Var {                                   \
        [&]() { return ::trace::DumpWindow(#x, x); } \
    }
#define TV_UDT(x, type)                              \
    ::trace::Var {                                   \
        []() { return ::trace::FixedUdt(#x, type); } \
    }
#define TV_EXT(x)                                   \
    ::trace::Var {                                  \
        []() { return ::trace::FixedExternal(#x); } \
    }
#define TV_UDTPARAM(x)                              \
    ::trace::Var {                                  \
        []() { return ::trace::FixedUdtParam(#x); } \
    }

#define TRACE(proc, ...)                                       \
    ::trace::Frame trace_frame_ {                              \
        *this, proc, ::trace::Kind::Procedure, { __VA_ARGS__ } \
    }
#define TRACE_PROP(proc, ...)                                 \
    ::trace::Frame trace_frame_ {                             \
        *this, proc, ::trace::Kind::Property, { __VA_ARGS__ } \
    }
#define TRACE_MOD(mod, proc, ...)                                                   \
    ::trace::Frame trace_frame_ {                                                   \
#mod, proc, ::trace::Kind::Procedure, &mod::DumpModuleVars, { __VA_ARGS__ } \
    }
#define TRACE_MOD_PROP(mod, proc, ...)                                             \
    ::trace::Frame trace_frame_ {                                                  \
#mod, proc, ::trace::Kind::Property, &mod::DumpModuleVars, { __VA_ARGS__ } \
    }
#define TRACE_LOCAL(x) \
    ::trace::Local TRACE_CAT(trace_local_, __LINE__) { trace_frame_, TV(x) }
#define TRACE_LOCAL_PATH(x) \
    ::trace::Local TRACE_CAT(trace_local_, __LINE__) { trace_frame_, TV_PATH(x) }
#define TRACE_LOCAL_VAR(var) \
    ::trace::Local TRACE_CAT(trace_local_, __LINE__) { trace_frame_, var }
#define TRACE_BOUNDARY   \
    catch (...) {        \
        ::trace::Fail(); \
    }

// ---- The error handler and the report ----

// Sections of the global dump, in report order. The core registers modMain's
// and modLang's, the tray module its own (until then the fixed tray line).
enum class GlobalSection { ModMain, ModLang, ModTray };
void RegisterGlobals(GlobalSection section, std::function<std::string()> dump);
// ErrorMessage and FStack, for modMain's section (the trace owns them).
std::string DumpErrorMessageAndStack();

// How the report reaches the user and how the program then ends. The program
// shows it in the error window (frmError::ShowReport, which returns when the
// program is to end); a hook left empty writes the report to stderr, or ends
// the process. Tests replace both. `end` must not return (when it does, the
// process ends anyway).
struct ErrorHooks {
    std::function<void(const std::string& report)> show;
    std::function<void()> end;
};
void SetErrorHooks(ErrorHooks hooks);
// The show step without a window: the report and a line end on stderr.
void WriteReportToStderr(const std::string& report);
// True from the moment a report is being shown: entry points that could save
// or change data (timers, tray commands) return at once while it is set.
bool Reporting() noexcept;
void ResetReportingForTests() noexcept;

// The saved error (SaveErrorInfo).
void SaveErrorInfo(long number, const std::string& description, long line, const std::string& source);

// Turns the exception being handled into the saved error, builds the report
// from the capture of the innermost frame and ends the program. Call only
// inside a catch handler.
[[noreturn]] void Fail();
// The same for modMain::Main, which has no frame of its own: without a capture
// the report names this object and procedure, "{None}" locals, the given module
// variables and no parameters.
[[noreturn]] void FailIn(const char* object, const char* procedure, const std::function<std::string()>& moduleVars);

// Shows ErrorMessage as it stands and ends the program (the report-only start).
[[noreturn]] void ShowErrorMessageAndEnd();

std::string HandleTracedError(long errNumber, const std::string& moduleName, const std::string& blockName,
                              const std::string& errDescription, long errLine, const std::string& localVars,
                              const std::string& moduleVars, const std::string& params);
std::string ErrorReportText(long errNumber, const std::string& moduleName, const std::string& blockName,
                            const std::string& errDescription, long errLine, const std::string& localVars,
                            const std::string& moduleVars, const std::string& params);
std::string GetStackTrace();
std::string DumpGlobalVariables();

// The object and procedure of a stack entry's text ("Name: modMain.Pt, ...").
bool SplitEntryName(std::string_view entry, std::string& object, std::string& procedure);

}  // namespace trace
