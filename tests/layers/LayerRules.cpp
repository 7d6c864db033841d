#include "LayerRules.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <string_view>

namespace fs = std::filesystem;

namespace layers {
namespace {

enum class QtUse { None, CoreOnly, Any };

struct Rule {
    std::string folder;  // a file is in the rule of the longest folder holding it
    std::vector<std::string> mayInclude;
    QtUse qt;
};

// Who may include whom. The Qt-free layers link no Qt at all (the library,
// Register and the fuzzers build from them); the core may use QtCore, never
// a widget; only main.cpp joins the trace's windows to the rest. The windows
// reach the library only through the core.
const std::vector<Rule>& Rules() {
    static const std::vector<Rule> rules = {
        {"platform", {"platform"}, QtUse::None},
        {"platform/qt", {"platform", "platform/qt"}, QtUse::Any},
        {"VEDataBase/include", {"platform", "VEDataBase/include"}, QtUse::None},
        {"VEDataBase/src", {"platform", "VEDataBase/include", "VEDataBase/src"}, QtUse::None},
        {"Register", {"platform", "Register"}, QtUse::None},
        {"app/trace", {"platform", "app/trace"}, QtUse::None},
        {"app/trace/windows", {"platform", "platform/qt", "app/trace", "app/trace/windows"}, QtUse::Any},
        {"app/core", {"platform", "platform/qt", "app/trace", "app/core", "VEDataBase/include"}, QtUse::CoreOnly},
        {"app/dialogs",
         {"platform", "platform/qt", "app/trace", "app/core", "app/dialogs", "resources/icons"},
         QtUse::Any},
        {"app/mainwindow",
         {"platform", "platform/qt", "app/trace", "app/core", "app/dialogs", "app/mainwindow", "resources/icons"},
         QtUse::Any},
        {"app",
         {"platform", "platform/qt", "app", "app/trace", "app/trace/windows", "app/core", "app/dialogs",
          "app/mainwindow", "resources/icons"},
         QtUse::Any},
    };
    return rules;
}

bool Within(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

// The rule whose folder is the longest one holding `path`; none for a file in
// no layer (resources/, the tests).
std::optional<std::string> LayerOf(const std::string& path) {
    std::optional<std::string> best;
    for (const Rule& r : Rules())
        if (Within(path, r.folder) && (!best || r.folder.size() > best->size())) best = r.folder;
    return best;
}

std::string Generic(const fs::path& p) { return p.lexically_normal().generic_string(); }

// Where a quoted include is found: beside the including file, from the
// root, or in the library's two include folders.
std::optional<std::string> Resolve(const fs::path& root, const fs::path& file, const std::string& name) {
    const fs::path bases[] = {file.parent_path(), root, root / "VEDataBase/include", root / "VEDataBase/src"};
    for (const fs::path& base : bases) {
        fs::path candidate = base / name;
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec)) return Generic(fs::relative(candidate, root, ec));
    }
    return std::nullopt;
}

// <QString>, <QtWidgets/QWidget>, <QtCore>.
bool IsQtHeader(const std::string& name) {
    return name.size() > 1 && name[0] == 'Q' && (std::isupper(static_cast<unsigned char>(name[1])) || name[1] == 't');
}

bool InQtCore(const fs::path& qtCoreDir, std::string name) {
    constexpr std::string_view module = "QtCore/";
    if (name.compare(0, module.size(), module) == 0) name.erase(0, module.size());
    return name == "QtCore" || fs::is_regular_file(qtCoreDir / name);
}

// The header an #include line names and whether it was in <>; nothing for
// any other line. (No <regex>: g++ 12 warns falsely inside it under the
// sanitizers.)
struct Include {
    bool angle;
    std::string name;
};
std::optional<Include> ParseInclude(std::string_view line) {
    const auto skipBlanks = [&] {
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    };
    skipBlanks();
    if (line.empty() || line.front() != '#') return std::nullopt;
    line.remove_prefix(1);
    skipBlanks();
    constexpr std::string_view keyword = "include";
    if (line.substr(0, keyword.size()) != keyword) return std::nullopt;
    line.remove_prefix(keyword.size());
    skipBlanks();
    if (line.empty() || (line.front() != '<' && line.front() != '"')) return std::nullopt;
    const bool angle = line.front() == '<';
    line.remove_prefix(1);
    const auto end = line.find(angle ? '>' : '"');
    if (end == std::string_view::npos || end == 0) return std::nullopt;
    return Include{angle, std::string(line.substr(0, end))};
}

void ScanFile(const fs::path& root, const fs::path& file, const Rule& rule, const fs::path& qtCoreDir,
              ScanResult& out) {
    const std::string rel = Generic(fs::relative(file, root));
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const std::optional<Include> inc = ParseInclude(line);
        if (!inc) continue;
        const std::string& name = inc->name;
        if (inc->angle) {
            if (!IsQtHeader(name)) continue;
            if (rule.qt == QtUse::None)
                out.breaches.push_back({rel, name, "no Qt here"});
            else if (rule.qt == QtUse::CoreOnly && !InQtCore(qtCoreDir, name))
                out.breaches.push_back({rel, name, "QtCore only here"});
            continue;
        }
        std::optional<std::string> target = Resolve(root, file, name);
        if (!target) {
            out.breaches.push_back({rel, name, "not found"});
            continue;
        }
        std::optional<std::string> layer = LayerOf(*target);
        if (!layer) layer = Generic(fs::path(*target).parent_path());
        const auto allowed = [&](const std::vector<std::string>& list) {
            return std::find(list.begin(), list.end(), *layer) != list.end();
        };
        if (allowed(rule.mayInclude)) continue;
        out.breaches.push_back({rel, name, "not from " + *layer});
    }
}

}  // namespace

ScanResult ScanLayers(const fs::path& root, const fs::path& qtCoreDir) {
    ScanResult out;
    std::vector<fs::path> files;
    for (const Rule& r : Rules()) {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(root / r.folder, ec); !ec && it != fs::end(it);
             it.increment(ec)) {
            const fs::path& p = it->path();
            if (it->is_regular_file() && (p.extension() == ".h" || p.extension() == ".cpp")) files.push_back(p);
        }
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    for (const fs::path& f : files) {
        const std::string folder = *LayerOf(Generic(fs::relative(f, root)));
        const Rule& rule =
            *std::find_if(Rules().begin(), Rules().end(), [&](const Rule& r) { return r.folder == folder; });
        ScanFile(root, f, rule, qtCoreDir, out);
    }
    return out;
}

std::string Describe(const Breach& b) { return b.file + " includes " + b.include + ": " + b.why; }

}  // namespace layers
