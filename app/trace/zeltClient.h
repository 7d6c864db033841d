#pragma once
// The program's side of the link to an outside debugging tool. The tool is not
// part of this system: the client probes the registry for a debug session,
// finds none on a normal machine, and then stays inert (no messages, Send
// gives -10).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace trace {

// A registry value as the probe reads it: Empty, text (REG_SZ) or a number
// (REG_DWORD).
using RegValue = std::variant<std::monostate, std::string, std::uint32_t>;

// The outside tool's client object; no implementation exists in this system.
class DebuggerLink {
public:
    virtual ~DebuggerLink() = default;
    virtual void Start(long mode) = 0;
    virtual bool HasDebugSession() = 0;
    virtual long Send(long msgCode, const std::string& text, std::int32_t& value, long timeoutMs, long flags) = 0;
};

class zeltClient {
public:
    using RegistryReader = std::function<RegValue(const std::string& keyPath, const std::string& valueName)>;
    using LinkFactory = std::function<std::unique_ptr<DebuggerLink>()>;

    // Reads HKEY_CURRENT_USER through the registry stand-in; creates no link
    // (the tool's client library is not part of this system).
    zeltClient();
    zeltClient(RegistryReader reader, LinkFactory factory);

    // First call only: True when the registry names a debug session and the
    // tool's client could be created. Later calls, and any error, give False.
    bool Initialize(long mode);
    DebuggerLink* IPC() const noexcept { return link_.get(); }

    // The tool's queries: 1 the program title, 2 the executable's path, 3 the
    // version, 4 the command line; 1 for these, -6 and "" for any other.
    long OnQuery(long queryType, std::string& result) const;

    static std::string SplitCommandLine(std::string_view commandLine);
    // The process's command line as one text: the arguments joined by blanks,
    // the program's path quoted when it holds a blank.
    static std::string ProcessCommandLine();

    static constexpr const char* kDebuggerKey = "Software\\Halvore\\ZeltTrace\\Debugger\\";

private:
    RegistryReader reader_;
    LinkFactory factory_;
    std::unique_ptr<DebuggerLink> link_;
    bool initialised_ = false;
};

// The program title that query 1 answers and message boxes use as caption.
inline constexpr const char* kProgramTitle = "QuellonPasswordMngr";

}  // namespace trace
