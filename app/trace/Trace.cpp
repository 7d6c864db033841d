#include "app/trace/Trace.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <stdexcept>

#include "app/trace/ExceptionFilter.h"
#include "app/trace/zeltClient.h"
#include "platform/VbError.h"

#ifndef QPM_VERSION_MAJOR
#define QPM_VERSION_MAJOR 1
#define QPM_VERSION_MINOR 1
#define QPM_VERSION_REVISION 0
#endif

namespace trace {

VbArray<std::string> FStack;
std::string ErrorMessage;
bool zeltHasInitialised = false;
std::string zeltComponentID;
std::int32_t zeltErrorNumber = 0;
std::string zeltErrorDescription;
std::int32_t zeltErrorLine = 0;
std::string zeltErrorSource;

namespace {

zeltClient* g_client = nullptr;
bool g_clientReady = false;
bool g_hasDebugSession = false;

// What the innermost unwinding frame saw.
struct CaptureState {
    bool armed = false;
    long depth = 0;
    std::string object, procedure, locals, moduleVars, params;
};
CaptureState g_capture;

std::function<std::string()> g_sections[3];

ErrorHooks g_hooks{&WriteReportToStderr, [] { std::_Exit(1); }};
// Read by the fault handler too.
volatile std::sig_atomic_t g_reporting = 0;

long Depth() { return FStack.Allocated() && FStack.Dimensions() == 1 ? FStack.UBound() : 0; }

// Cuts the stack back to `depth` entries ((0 To 0) for none).
void TruncateStack(long depth) noexcept {
    try {
        if (depth <= 0) {
            FStack.ReDim(0, 0);
        } else if (depth < Depth()) {
            FStack.ReDimPreserve(1, depth);
        }
    } catch (...) {
    }
}

std::string DumpParams(const std::vector<Var>& params) {
    std::string out;
    for (const Var& v : params) {
        try {
            out += v.dump();
        } catch (...) {
            out += detail::FailedDump(std::current_exception());
        }
    }
    return out;
}

}  // namespace

Version ProgramVersion() { return {QPM_VERSION_MAJOR, QPM_VERSION_MINOR, QPM_VERSION_REVISION}; }

std::string VersionText() {
    Version v = ProgramVersion();
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision);
}

void InitErrorTrace() {
    if (zeltHasInitialised) return;
    try {
        static zeltClient client;
        g_client = &client;
        g_clientReady = client.Initialize(1);
        if (g_clientReady && client.IPC()) g_hasDebugSession = client.IPC()->HasDebugSession();
    } catch (...) {
        g_clientReady = false;
    }
    InstallExceptionFilter();
    zeltHasInitialised = true;
}

void ResetStack() { TruncateStack(0); }

bool IsDebugSession() { return g_hasDebugSession; }

long SendDebuggerMessage(long msgCode, const std::string& text, std::int32_t& value, long timeoutMs, long flags) {
    if (!g_clientReady || !g_client || !g_client->IPC()) return -10;
    try {
        return g_client->IPC()->Send(msgCode, text, value, timeoutMs, flags);
    } catch (...) {
        return 0;
    }
}

void StringArrayPush(VbArray<std::string>& arr, const std::string& item) {
    try {
        if (!arr.Allocated() || arr.UBound() == 0)
            arr.ReDim(1, 1);
        else
            arr.ReDimPreserve(arr.LBound(), arr.UBound() + 1);
        arr(arr.UBound()) = item;
    } catch (...) {
    }
}

void StringArrayPop(VbArray<std::string>& arr) {
    try {
        if (!arr.Allocated() || arr.UBound() <= arr.LBound())
            arr.ReDim(0, 0);
        else
            arr.ReDimPreserve(1, arr.UBound() - 1);
    } catch (...) {
    }
}

std::string StackEntryText(std::string_view name, long entryType, std::string_view params) {
    std::string out = "Name: ";
    out += name;
    out += ", Type: " + std::to_string(entryType) + ", Parameters: ";
    out += params;
    out += ";-->";
    return out;
}

void PushStackEntry(std::string_view name, long entryType, std::string_view params) {
    try {
        StringArrayPush(FStack, StackEntryText(name, entryType, params));
    } catch (...) {
    }
}

void PopStackEntry() { StringArrayPop(FStack); }

void TraceObjectLoaded(const char* objectName, bool isForm, std::int16_t& instanceId) {
    try {
        if (IsDebugSession()) {
            std::int32_t id = instanceId;
            SendDebuggerMessage(500, std::string(objectName) + (isForm ? ",3" : ",1"), id, 2000, 0);
            instanceId = static_cast<std::int16_t>(id);
        }
        if (!zeltHasInitialised) InitErrorTrace();
    } catch (...) {
    }
}

void TraceUnload(const char* objectName, std::int16_t instanceId) {
    try {
        if (!IsDebugSession()) return;
        std::int32_t zero = 0;
        SendDebuggerMessage(501, std::string(objectName) + "," + std::to_string(instanceId), zero, 2000, 0);
    } catch (...) {
    }
}

// ---- Frames ----

Frame::Frame(const char* object, const char* procedure, Kind kind, ModuleVarsFn moduleVars,
             std::initializer_list<Var> params)
    : object_(object),
      procedure_(procedure),
      kind_(kind),
      moduleVars_(std::move(moduleVars)),
      uncaught_(std::uncaught_exceptions()) {
    Push(params);
}

Frame::Frame(const Traced& object, const char* procedure, Kind kind, std::initializer_list<Var> params)
    : object_(object.TraceName()),
      procedure_(procedure),
      kind_(kind),
      moduleVars_([&object] { return object.DumpModuleVars(); }),
      uncaught_(std::uncaught_exceptions()) {
    Push(params);
}

void Frame::Push(std::initializer_list<Var> params) {
    params_.assign(params.begin(), params.end());
    PushStackEntry(std::string(object_) + "." + procedure_, static_cast<long>(kind_), DumpParams(params_));
    depth_ = Depth();
}

Frame::~Frame() {
    if (std::uncaught_exceptions() > uncaught_) {
        Capture();  // the entry stays on the stack for the report
        return;
    }
    // Cutting back to the entry below ours (rather than dropping the last
    // entry) also clears entries left by an error that a caller handled.
    TruncateStack(depth_ - 1);
    // So is a capture made at or above our depth: an error this procedure
    // (or one it called) handled without Recover, whose capture would
    // otherwise stand in for the next error's.
    if (g_capture.armed && g_capture.depth >= depth_) g_capture = {};
}

bool Frame::WantsCapture() const noexcept { return !g_capture.armed || g_capture.depth < depth_; }

void Frame::Capture() noexcept {
    if (!WantsCapture()) return;
    try {
        CaptureState c;
        c.armed = true;
        c.depth = depth_;
        c.object = object_;
        c.procedure = procedure_;
        if (locals_.empty()) {
            c.locals = "{None}";
        } else {
            for (const auto& l : locals_)
                if (l) c.locals += *l;
        }
        try {
            c.moduleVars = moduleVars_ ? moduleVars_() : "{None}";
        } catch (...) {
            c.moduleVars = detail::FailedDump(std::current_exception());
        }
        c.params = DumpParams(params_);
        g_capture = std::move(c);
    } catch (...) {
    }
}

void Frame::Recover() noexcept {
    TruncateStack(depth_);
    g_capture = {};
}

std::size_t Frame::AddLocal() {
    locals_.emplace_back();
    return locals_.size() - 1;
}

void Frame::SetLocal(std::size_t slot, std::string text) noexcept {
    if (slot < locals_.size()) locals_[slot] = std::move(text);
}

Local::Local(Frame& frame, Var var)
    : frame_(frame), slot_(frame.AddLocal()), var_(std::move(var)), uncaught_(std::uncaught_exceptions()) {}

Local::~Local() {
    if (std::uncaught_exceptions() <= uncaught_ || !frame_.WantsCapture()) return;
    try {
        frame_.SetLocal(slot_, var_.dump());
    } catch (...) {
        frame_.SetLocal(slot_, detail::FailedDump(std::current_exception()));
    }
}

// ---- The error handler ----

void RegisterGlobals(GlobalSection section, std::function<std::string()> dump) {
    g_sections[static_cast<int>(section)] = std::move(dump);
}

std::string DumpErrorMessageAndStack() {
    return DumpVariable("ErrorMessage", ErrorMessage) + DumpVariable("FStack", FStack);
}

void WriteReportToStderr(const std::string& report) {
    std::fwrite(report.data(), 1, report.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void SetErrorHooks(ErrorHooks hooks) {
    if (!hooks.show) hooks.show = &WriteReportToStderr;
    if (!hooks.end) hooks.end = [] { std::_Exit(1); };
    g_hooks = std::move(hooks);
}

bool Reporting() noexcept { return g_reporting != 0; }
void ResetReportingForTests() noexcept {
    g_reporting = 0;
    g_capture = {};
}

void SaveErrorInfo(long number, const std::string& description, long line, const std::string& source) {
    zeltErrorNumber = static_cast<std::int32_t>(number);
    zeltErrorDescription = description;
    zeltErrorLine = static_cast<std::int32_t>(line);
    zeltErrorSource = source;
}

bool SplitEntryName(std::string_view entry, std::string& object, std::string& procedure) {
    constexpr std::string_view head = "Name: ";
    if (entry.substr(0, head.size()) != head) return false;
    entry.remove_prefix(head.size());
    auto comma = entry.find(", Type: ");
    if (comma == std::string_view::npos) return false;
    std::string_view name = entry.substr(0, comma);
    auto dot = name.find('.');
    if (dot == std::string_view::npos) return false;
    object = std::string(name.substr(0, dot));
    procedure = std::string(name.substr(dot + 1));
    return true;
}

namespace {

// The exception being handled as the runtime's error: number, description,
// source.
void SaveCurrentError() {
    try {
        throw;
    } catch (const vb::VbError& e) {
        SaveErrorInfo(e.Number(), e.Description(), 0, e.Source().empty() ? kProgramTitle : e.Source());
    } catch (const std::bad_alloc&) {
        SaveErrorInfo(vb::errOutOfMemory, vb::StandardDescription(vb::errOutOfMemory), 0, kProgramTitle);
    } catch (const std::out_of_range&) {
        SaveErrorInfo(vb::errSubscript, vb::StandardDescription(vb::errSubscript), 0, kProgramTitle);
    } catch (const std::exception& e) {
        SaveErrorInfo(vb::errInvalidCall, e.what(), 0, kProgramTitle);
    } catch (...) {
        SaveErrorInfo(vb::errInvalidCall, vb::StandardDescription(vb::errInvalidCall), 0, kProgramTitle);
    }
}

[[noreturn]] void FailWith(const char* object, const char* procedure, const std::function<std::string()>& moduleVars) {
    try {
        if (std::current_exception()) SaveCurrentError();
    } catch (...) {
    }
    std::string obj, proc, locals = "{None}", modvars = "{None}", params;
    try {
        if (g_capture.armed) {
            obj = g_capture.object;
            proc = g_capture.procedure;
            locals = g_capture.locals;
            modvars = g_capture.moduleVars;
            params = g_capture.params;
        } else if (object) {
            obj = object;
            proc = procedure;
            if (moduleVars) modvars = moduleVars();
        } else if (Depth() < 1 || !SplitEntryName(FStack(Depth()), obj, proc)) {
            obj = kProgramTitle;
            proc = "Unknown";
        }
        g_capture = {};
    } catch (...) {
    }
    HandleTracedError(zeltErrorNumber, obj, proc, zeltErrorDescription, zeltErrorLine, locals, modvars, params);
    std::_Exit(1);
}

}  // namespace

void Fail() { FailWith(nullptr, nullptr, {}); }

void FailIn(const char* object, const char* procedure, const std::function<std::string()>& moduleVars) {
    FailWith(object, procedure, moduleVars);
}

std::string HandleTracedError(long errNumber, const std::string& moduleName, const std::string& blockName,
                              const std::string& errDescription, long errLine, const std::string& localVars,
                              const std::string& moduleVars, const std::string& params) {
    try {
        ErrorMessage =
            ErrorReportText(errNumber, moduleName, blockName, errDescription, errLine, localVars, moduleVars, params);
    } catch (...) {
    }
    // A second error while the report is shown replaces the report and ends
    // the program at once, without a second window; its report goes to
    // stderr, so it is not lost.
    if (!g_reporting) {
        g_reporting = 1;
        try {
            g_hooks.show(ErrorMessage);
        } catch (...) {
        }
    } else {
        try {
            WriteReportToStderr(ErrorMessage);
        } catch (...) {
        }
    }
    g_hooks.end();
    std::_Exit(1);
}

void ShowErrorMessageAndEnd() {
    g_reporting = 1;
    try {
        g_hooks.show(ErrorMessage);
    } catch (...) {
    }
    g_hooks.end();
    std::_Exit(1);
}

std::string ErrorReportText(long errNumber, const std::string& moduleName, const std::string& blockName,
                            const std::string& errDescription, long errLine, const std::string& localVars,
                            const std::string& moduleVars, const std::string& params) {
    std::string r;
    r += "Error Number: " + std::to_string(errNumber) + kCrLf;
    r += std::string("Component Name: ") + kProgramTitle + kCrLf;
    r += "Module Name: " + moduleName + kCrLf;
    r += "Block Name: " + blockName + kCrLf;
    r += "Description: " + errDescription + kCrLf;
    r += "Line Number: " + std::to_string(errLine) + kCrLf;
    r += std::string("<Variables>") + kCrLf;
    r += std::string("<LocalVariables>") + kCrLf;
    r += localVars + "</LocalVariables>" + kCrLf;
    r += std::string("<ModuleVariables>") + kCrLf;
    r += moduleVars + "</ModuleVariables>" + kCrLf;
    r += std::string("<GlobalVariables>") + kCrLf;
    r += DumpGlobalVariables() + "</GlobalVariables>" + kCrLf;
    r += std::string("</Variables>") + kCrLf;
    r += std::string("<Parameters>") + kCrLf;
    r += params + "</Parameters>" + kCrLf;
    r += "Stack Trace: " + GetStackTrace() + kCrLf;
    r += "Version: " + VersionText();
    return r;
}

std::string GetStackTrace() {
    if (Depth() == 0) return "Empty Stack";
    std::string out;
    for (long i = FStack.LBound(); i <= FStack.UBound(); ++i) out += FStack(i) + kCrLf;
    return out;
}

std::string DumpGlobalVariables() {
    std::string out;
    for (int i = 0; i < 3; ++i) {
        try {
            if (g_sections[i])
                out += g_sections[i]();
            else if (i == static_cast<int>(GlobalSection::ModTray))
                out += FixedUdt("TrayIcon", "NOTIFYICONDATA");
        } catch (...) {
            out += detail::FailedDump(std::current_exception());
        }
    }
    out += DumpVariable("zeltComponentID", zeltComponentID);
    out += DumpVariable("zeltHasInitialised", zeltHasInitialised);
    out += DumpVariable("zeltErrorNumber", zeltErrorNumber);
    out += DumpVariable("zeltErrorDescription", zeltErrorDescription);
    out += DumpVariable("zeltErrorLine", zeltErrorLine);
    out += DumpVariable("zeltErrorSource", zeltErrorSource);
    return out;
}

}  // namespace trace
