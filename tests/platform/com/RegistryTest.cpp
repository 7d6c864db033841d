#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/Registry.h"

namespace {

namespace fs = std::filesystem;
using namespace plat;
using qpmtest::ScopedEnv;

// Single quotes for /bin/sh: every ' becomes '\''.
std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Every test gets its own registry root and XDG config folder.
class Registry : public ::testing::Test {
protected:
    qpmtest::TempDir dir;
    std::string root = dir.file("registry");
    std::string config = dir.file("config");
    ScopedEnv rootEnv{"QUELLON_REGISTRY_ROOT", root};
    ScopedEnv configEnv{"XDG_CONFIG_HOME", config};
    std::vector<std::string> reports;

    void SetUp() override {
        SetRegistryReporter([this](const std::string& m) { reports.push_back(m); });
    }
    void TearDown() override { SetRegistryReporter({}); }

    std::string Hive(const char* name) const { return root + "/" + name + ".hive"; }
};

TEST_F(Registry, SetsQueriesAndDeletesValues) {
    EXPECT_FALSE(RegQueryValue(HKEY_CURRENT_USER, "Software\\Q", "Name"));
    ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, "Software\\Q", "Name", "first"), RegStatus::Ok);
    ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, "Software\\Q", "", "default"), RegStatus::Ok);
    ASSERT_EQ(RegSetDword(HKEY_CURRENT_USER, "Software\\Q", "Count", 4000000000u), RegStatus::Ok);
    ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, "Software\\Q", "Name", "second"), RegStatus::Ok);

    RegStatus st = RegStatus::IoError;
    EXPECT_EQ(RegQueryString(HKEY_CURRENT_USER, "Software\\Q", "Name", &st), "second");
    EXPECT_EQ(st, RegStatus::Ok);
    EXPECT_EQ(RegQueryString(HKEY_CURRENT_USER, "Software\\Q", ""), "default");
    auto count = RegQueryValue(HKEY_CURRENT_USER, "Software\\Q", "Count");
    ASSERT_TRUE(count);
    EXPECT_EQ(std::get<std::uint32_t>(*count), 4000000000u);
    EXPECT_FALSE(RegQueryString(HKEY_CURRENT_USER, "Software\\Q", "Count"));  // a number is no string
    // Hives are separate.
    EXPECT_FALSE(RegQueryValue(HKEY_LOCAL_MACHINE, "Software\\Q", "Name"));

    EXPECT_EQ(RegDeleteValue(HKEY_CURRENT_USER, "Software\\Q", "Name"), RegStatus::Ok);
    EXPECT_FALSE(RegQueryValue(HKEY_CURRENT_USER, "Software\\Q", "Name", &st));
    EXPECT_EQ(st, RegStatus::NotFound);
    EXPECT_EQ(RegDeleteValue(HKEY_CURRENT_USER, "Software\\Q", "Name"), RegStatus::NotFound);
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Q"));  // the key stays
    EXPECT_EQ(RegQueryString(HKEY_CURRENT_USER, "Software\\Q", ""), "default");
}

TEST_F(Registry, KeysAndValueNamesIgnoreCaseAndOuterBackslashes) {
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "CLSID\\{ABC}\\InprocServer32", "ThreadingModel", "Apartment"),
              RegStatus::Ok);
    EXPECT_EQ(RegQueryString(HKEY_CLASSES_ROOT, "clsid\\{abc}\\INPROCSERVER32", "threadingmodel"), "Apartment");
    EXPECT_EQ(RegQueryString(HKEY_CLASSES_ROOT, "\\CLSID\\{ABC}\\InprocServer32\\", "ThreadingModel"), "Apartment");
    // Writing through another spelling changes the same value.
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "CLSID\\{abc}\\inprocserver32", "THREADINGMODEL", "Both"), RegStatus::Ok);
    EXPECT_EQ(RegQueryString(HKEY_CLASSES_ROOT, "CLSID\\{ABC}\\InprocServer32", "ThreadingModel"), "Both");
    // Parents exist once a child is written.
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "Clsid"));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{ABC}"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{AB}"));
}

TEST_F(Registry, RefusesBadKeyNames) {
    EXPECT_EQ(RegSetString(HKEY_CURRENT_USER, "A\\\\B", "x", "y"), RegStatus::BadName);
    EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, std::string("A\0B", 3)), RegStatus::BadName);
    EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, std::string(256, 'k')), RegStatus::BadName);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, ""), RegStatus::BadName);  // the hive itself
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "\\"), RegStatus::BadName);
    EXPECT_FALSE(fs::exists(root));  // nothing was written
}

TEST_F(Registry, DeletingAKeyRemovesItsSubkeysOnly) {
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "CLSID\\{A}\\InprocServer32", "", "/a.so"), RegStatus::Ok);
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "CLSID\\{A}\\ProgID", "", "A.a"), RegStatus::Ok);
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "CLSID\\{A}x", "", "sibling with the same prefix"), RegStatus::Ok);
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "CLSID\\{B}", "", "other"), RegStatus::Ok);

    EXPECT_EQ(RegDeleteKey(HKEY_CLASSES_ROOT, "clsid\\{a}"), RegStatus::Ok);
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{A}"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{A}\\ProgID"));
    EXPECT_FALSE(RegQueryValue(HKEY_CLASSES_ROOT, "CLSID\\{A}\\InprocServer32", ""));
    EXPECT_EQ(RegQueryString(HKEY_CLASSES_ROOT, "CLSID\\{A}x", ""), "sibling with the same prefix");
    EXPECT_EQ(RegQueryString(HKEY_CLASSES_ROOT, "CLSID\\{B}", ""), "other");
    EXPECT_EQ(RegDeleteKey(HKEY_CLASSES_ROOT, "CLSID\\{A}"), RegStatus::NotFound);
}

TEST_F(Registry, EveryByteSurvivesTheFile) {
    std::string awkward;
    for (int c = 1; c < 256; ++c) awkward += static_cast<char>(c);
    awkward += "%41%";  // must not be taken for an escape when read back
    std::string name = "tab\there\nnew%line\x87";
    std::string key = "K\teys\\with %25 and\x87";
    ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, key, name, awkward), RegStatus::Ok);
    ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, key, "empty", ""), RegStatus::Ok);
    RegStatus st = RegStatus::IoError;
    EXPECT_EQ(RegQueryString(HKEY_CURRENT_USER, key, name, &st), awkward);
    EXPECT_EQ(st, RegStatus::Ok);  // not read as damaged
    EXPECT_EQ(RegQueryString(HKEY_CURRENT_USER, key, "empty"), "");
    EXPECT_TRUE(reports.empty());
}

TEST_F(Registry, LivesInTheRootFolderAndReadingCreatesNothing) {
    EXPECT_FALSE(RegQueryValue(HKEY_CURRENT_USER, "X", "y"));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "X"));
    EXPECT_FALSE(fs::exists(root));

    ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, "X", "y", "z"), RegStatus::Ok);
    EXPECT_TRUE(fs::is_regular_file(Hive("HKEY_CURRENT_USER")));
    EXPECT_FALSE(fs::exists(Hive("HKEY_LOCAL_MACHINE")));
    EXPECT_EQ(fs::status(root).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(Hive("HKEY_CURRENT_USER")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(qpmtest::ReadBytes(Hive("HKEY_CURRENT_USER")), "QuellonPM registry hive 1\nK\tX\nS\tX\ty\tz\n");

    // Without the variable the root is below XDG_CONFIG_HOME, where the value is not.
    ScopedEnv noRoot("QUELLON_REGISTRY_ROOT", std::nullopt);
    EXPECT_EQ(RegistryRoot(), config + "/QuellonPM/registry");
    EXPECT_FALSE(RegQueryValue(HKEY_CURRENT_USER, "X", "y"));
    ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, "X", "y", "elsewhere"), RegStatus::Ok);
    EXPECT_TRUE(fs::is_regular_file(config + "/QuellonPM/registry/HKEY_CURRENT_USER.hive"));
}

TEST_F(Registry, DefaultRootFollowsHomeWhenXdgIsUnset) {
    ScopedEnv noRoot("QUELLON_REGISTRY_ROOT", std::nullopt);
    ScopedEnv noXdg("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv home("HOME", dir.file("home"));
    EXPECT_EQ(RegistryRoot(), dir.file("home") + "/.config/QuellonPM/registry");
    ScopedEnv relativeXdg("XDG_CONFIG_HOME", "relative/path");  // not absolute: ignored
    EXPECT_EQ(RegistryRoot(), dir.file("home") + "/.config/QuellonPM/registry");
}

TEST_F(Registry, WritesFromManyProcessesAtOnceAreAllKept) {
    constexpr int kProcs = 6;
    constexpr int kEach = 15;
    std::vector<pid_t> kids;
    for (int p = 0; p < kProcs; ++p) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < kEach; ++i)
                ok = RegSetString(HKEY_CURRENT_USER, "Race\\P" + std::to_string(p), "v" + std::to_string(i), "x") ==
                         RegStatus::Ok &&
                     ok;
            ::_exit(ok ? 0 : 1);
        }
        kids.push_back(pid);
    }
    for (pid_t pid : kids) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    int found = 0;
    for (int p = 0; p < kProcs; ++p)
        for (int i = 0; i < kEach; ++i)
            found += RegQueryValue(HKEY_CURRENT_USER, "Race\\P" + std::to_string(p), "v" + std::to_string(i)) ? 1 : 0;
    EXPECT_EQ(found, kProcs * kEach);
}

TEST_F(Registry, DamagedHiveIsReportedReadInPartAndKeptBeforeARewrite) {
    const std::string damaged = "QuellonPM registry hive 1\nS\tGood\tName\tkept\nthis line is garbage\nS\tCut";
    qpmtest::WriteBytes(Hive("HKEY_CURRENT_USER"), damaged);

    RegStatus st = RegStatus::Ok;
    EXPECT_EQ(RegQueryString(HKEY_CURRENT_USER, "Good", "Name", &st), "kept");
    EXPECT_EQ(st, RegStatus::Damaged);
    EXPECT_FALSE(RegQueryValue(HKEY_CURRENT_USER, "Cut", "", &st));  // never trusts the cut-off line
    EXPECT_EQ(st, RegStatus::Damaged);
    ASSERT_EQ(reports.size(), 1u);  // once, not on every read
    EXPECT_NE(reports[0].find("damaged"), std::string::npos);

    ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, "New", "v", "1"), RegStatus::Ok);
    // The damaged bytes are kept as they were, beside the rewritten hive.
    EXPECT_EQ(qpmtest::ReadBytes(Hive("HKEY_CURRENT_USER") + ".damaged-1"), damaged);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[1].find(".damaged-1"), std::string::npos);
    EXPECT_EQ(RegQueryString(HKEY_CURRENT_USER, "Good", "Name", &st), "kept");
    EXPECT_EQ(st, RegStatus::Ok);
    EXPECT_EQ(RegQueryString(HKEY_CURRENT_USER, "New", "v"), "1");

    // A second damage later gets a side copy of its own.
    qpmtest::WriteBytes(Hive("HKEY_CURRENT_USER"), "not a hive\n");
    ASSERT_EQ(RegSetString(HKEY_CURRENT_USER, "New", "v", "2"), RegStatus::Ok);
    EXPECT_EQ(qpmtest::ReadBytes(Hive("HKEY_CURRENT_USER") + ".damaged-2"), "not a hive\n");
    EXPECT_EQ(qpmtest::ReadBytes(Hive("HKEY_CURRENT_USER") + ".damaged-1"), damaged);
}

TEST_F(Registry, AHiveThatCannotBeReadIsNeverOverwritten) {
    fs::create_directories(Hive("HKEY_CURRENT_USER"));  // a folder where the file should be
    EXPECT_EQ(RegSetString(HKEY_CURRENT_USER, "A", "b", "c"), RegStatus::IoError);
    EXPECT_TRUE(fs::is_directory(Hive("HKEY_CURRENT_USER")));
}

TEST_F(Registry, BatchAppliesAllChangesInOneWriteOrNone) {
    ASSERT_EQ(RegSetString(HKEY_CLASSES_ROOT, "Old", "", "goes"), RegStatus::Ok);
    RegBatch batch(HKEY_CLASSES_ROOT);
    batch.SetString("A.b", "", "class")
        .SetString("A.b\\CLSID", "", "{X}")
        .SetDword("A.b", "n", 3)
        .CreateKey("Empty\\Key")
        .DeleteKey("Old")
        .DeleteKey("Missing")  // no error inside a batch
        .DeleteValue("A.b", "never there");
    ASSERT_EQ(batch.Commit(), RegStatus::Ok);
    EXPECT_EQ(RegQueryString(HKEY_CLASSES_ROOT, "A.b\\CLSID", ""), "{X}");
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "Empty\\Key"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "Old"));

    std::string before = qpmtest::ReadBytes(Hive("HKEY_CLASSES_ROOT"));
    RegBatch bad(HKEY_CLASSES_ROOT);
    bad.SetString("C.d", "", "x").SetString("Bad\\\\Name", "", "y");
    EXPECT_EQ(bad.Commit(), RegStatus::BadName);
    EXPECT_EQ(qpmtest::ReadBytes(Hive("HKEY_CLASSES_ROOT")), before);
}

// ------------------------------------------------------------ the Run key

class RunKey : public Registry {
protected:
    std::string Desktop(const std::string& name) const { return config + "/autostart/" + name + ".desktop"; }

    // The Exec value of a desktop entry, with the entry's string escapes undone.
    static std::string ExecOf(const std::string& entry) {
        auto pos = entry.find("\nExec=");
        if (pos == std::string::npos) return {};
        auto end = entry.find('\n', pos + 1);
        std::string raw = entry.substr(pos + 6, end - pos - 6);
        std::string out;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == '\\') ++i;
            out += raw[i];
        }
        return out;
    }
};

TEST_F(RunKey, AutorunValueIsADesktopEntryThatStartsTheCommand) {
    // A program in a folder with blanks and characters a shell would take.
    std::string folder = dir.file("my progs/it's $HOME");
    fs::create_directories(folder);
    std::string program = folder + "/Quellon Pass";
    std::string marker = dir.file("started");
    qpmtest::WriteBytes(program, "#!/bin/sh\necho ran > '" + marker + "'\n");
    fs::permissions(program, fs::perms::owner_all);

    ASSERT_EQ(RegSetString(HKEY_LOCAL_MACHINE, kRun, "Norvask Kessaro", program), RegStatus::Ok);
    std::string entry = qpmtest::ReadBytes(Desktop("Norvask Kessaro"));
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(entry.find("\nName=Norvask Kessaro\n"), std::string::npos);
    EXPECT_NE(entry.find("\nX-GNOME-Autostart-enabled=true\n"), std::string::npos);
    // The quoting of desktop entries is a subset of the shell's double quotes.
    std::string exec = ExecOf(entry);
    ASSERT_EQ(exec.front(), '"');
    ASSERT_EQ(std::system(("/bin/sh -c " + ShellQuote(exec)).c_str()), 0) << exec;
    EXPECT_EQ(qpmtest::ReadBytes(marker), "ran\n");

    EXPECT_EQ(
        RegQueryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\microsoft\\Windows\\CurrentVersion\\RUN", "Norvask Kessaro"),
        program);
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kRun));
    EXPECT_FALSE(fs::exists(root));  // the hive files are not involved

    EXPECT_EQ(RegDeleteValue(HKEY_LOCAL_MACHINE, kRun, "Norvask Kessaro"), RegStatus::Ok);
    EXPECT_FALSE(fs::exists(Desktop("Norvask Kessaro")));
    EXPECT_FALSE(RegQueryValue(HKEY_LOCAL_MACHINE, kRun, "Norvask Kessaro"));
    EXPECT_EQ(RegDeleteValue(HKEY_LOCAL_MACHINE, kRun, "Norvask Kessaro"), RegStatus::NotFound);
}

TEST_F(RunKey, PlainCommandsStayUnquotedAndPercentSignsAreEscaped) {
    ASSERT_EQ(RegSetString(HKEY_LOCAL_MACHINE, kRun, "Plain", "/opt/q/QuellonPasswordMngr"), RegStatus::Ok);
    EXPECT_EQ(ExecOf(qpmtest::ReadBytes(Desktop("Plain"))), "/opt/q/QuellonPasswordMngr");
    ASSERT_EQ(RegSetString(HKEY_LOCAL_MACHINE, kRun, "Percent", "/opt/100%u/run"), RegStatus::Ok);
    EXPECT_EQ(ExecOf(qpmtest::ReadBytes(Desktop("Percent"))), "/opt/100%%u/run");
    EXPECT_EQ(RegQueryString(HKEY_LOCAL_MACHINE, kRun, "Percent"), "/opt/100%u/run");
    ASSERT_EQ(RegSetString(HKEY_LOCAL_MACHINE, kRun, "Slash", "/opt/a b\\c\"d"), RegStatus::Ok);
    EXPECT_EQ(RegQueryString(HKEY_LOCAL_MACHINE, kRun, "Slash"), "/opt/a b\\c\"d");
}

TEST_F(RunKey, RefusesUnsafeNamesNumbersAndNonUtf8Commands) {
    const char* badNames[] = {"", "../escape", "a/b", ".hidden", "back\\slash", "tab\tname", " lead", "star*"};
    for (const char* name : badNames)
        EXPECT_EQ(RegSetString(HKEY_LOCAL_MACHINE, kRun, name, "/bin/true"), RegStatus::BadName) << name;
    EXPECT_EQ(RegSetString(HKEY_LOCAL_MACHINE, kRun, std::string(201, 'n'), "/bin/true"), RegStatus::BadName);
    EXPECT_EQ(RegSetDword(HKEY_LOCAL_MACHINE, kRun, "Number", 1), RegStatus::BadValue);
    EXPECT_EQ(RegSetString(HKEY_LOCAL_MACHINE, kRun, "Ansi", "/opt/\xE9t\xE9"), RegStatus::BadValue);
    EXPECT_EQ(RegSetString(HKEY_LOCAL_MACHINE, kRun, "Newline", "/bin/true\n/bin/rm"), RegStatus::BadValue);
    EXPECT_EQ(RegDeleteValue(HKEY_LOCAL_MACHINE, kRun, "../x"), RegStatus::BadName);
    EXPECT_FALSE(fs::exists(dir.file("escape.desktop")));
    EXPECT_FALSE(fs::exists(config + "/autostart"));
    // UTF-8 text is fine.
    EXPECT_EQ(RegSetString(HKEY_LOCAL_MACHINE, kRun, "Utf8", "/opt/\xC3\xA9t\xC3\xA9"), RegStatus::Ok);
    EXPECT_EQ(RegBatch(HKEY_LOCAL_MACHINE).SetString(kRun, "x", "/bin/true").Commit(), RegStatus::BadName);
}

}  // namespace
