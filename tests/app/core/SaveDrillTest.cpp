// The fault drill of the user file: a worker process logs a large user in
// and saves it in a loop, and the drill kills it with SIGKILL at random
// moments. After every kill the user file must open with its password and
// hold the content of the last complete save or of the one that was under
// way; no file in the data folder may hold a record's text in clear or the
// deciphered inner layer (its first line is the mark "dzorvaLiL.ENC"); and
// the next login must leave nothing in the private folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "CoreTestSupport.h"
#include "app/core/clsDataFilesManager.h"
#include "app/core/clsDatabase.h"
#include "app/core/modMain.h"
#include "app/core/modMainUsers.h"
#include "platform/SystemFolder.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A round (a login and a save of this user) takes about 0.4 s in the normal
// build and 0.5 s under the sanitizers here; the drill then runs for about
// 30 s and 40 s.
constexpr int kRecords = 50000;
constexpr int kKills = 30;

constexpr const char* kSecretText = "drill-secret-";
constexpr const char* kTitleText = "Drill title ";
constexpr std::string_view kInnerMark = "dzorvaLiL.ENC";

std::string Md5(const std::string& text) { return coretest::Md5Hex(text); }

// A running worker and the lines it has written.
class Worker {
public:
    explicit Worker(const std::vector<std::string>& args) {
        // Everything the child needs is made before the fork: between fork
        // and exec only async-signal-safe calls are allowed.
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        out_ = fds[0];
    }
    ~Worker() {
        if (pid_ > 0) Kill();
        if (out_ >= 0) ::close(out_);
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Reads until a line starting with `prefix` arrives, the output ends or
    // the time runs out; true when it arrived.
    bool WaitFor(const std::string& prefix, std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        for (;;) {
            for (; scanned_ < lines_.size(); ++scanned_)
                if (lines_[scanned_].rfind(prefix, 0) == 0) return ++scanned_, true;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0 || !ReadSome(static_cast<int>(left))) return false;
        }
    }
    // Kills the worker, waits for it and reads the rest of its output; true
    // when the kill ended it (rather than an error of its own).
    bool Kill() {
        if (pid_ <= 0) return false;  // never kill(-1): that is every process
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        while (ReadSome(-1)) {
        }
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }
    // The generation of the last save the worker reported, or `none`.
    long LastSaved(long none) const {
        long last = none;
        for (const std::string& line : lines_)
            if (line.rfind("saved ", 0) == 0) last = std::stol(line.substr(6));
        return last;
    }

private:
    bool ReadSome(int timeoutMs) {
        pollfd p{out_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return false;
        char buf[4096];
        const ssize_t n = ::read(out_, buf, sizeof buf);
        if (n <= 0) return false;
        partial_.append(buf, static_cast<std::size_t>(n));
        for (std::size_t nl; (nl = partial_.find('\n')) != std::string::npos; partial_.erase(0, nl + 1))
            lines_.push_back(partial_.substr(0, nl));
        return true;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    std::string partial_;
    std::vector<std::string> lines_;
    std::size_t scanned_ = 0;
};

class SaveDrill : public coretest::UserFolderTest {
protected:
    // A user of kRecords records, the first one titled "generation 0".
    void MakeLargeUser() {
        ASSERT_EQ(modMain::AddUser(userFile(), kUser, kPassword), modMain::kUserCreated);
        ASSERT_FALSE(modMain::FullUserLoad(kUser, Md5(kPassword)).has_value());
        vedb::DataBase data = modMain::CurUsDB->DB();
        vedb::Table& t = data.Tables.at(0);
        for (int i = 1; i <= kRecords; ++i) {
            const std::string id = std::to_string(i);
            const std::string title = i == 1 ? "generation 0" : kTitleText + id;
            t.Records.push_back({{id, "0", "2", title, "drill-login-" + id, kSecretText + id, "", "1key", "0|0"}});
        }
        t.RecNum = kRecords;
        t.tag = std::to_string(kRecords);
        modMain::CurUsDB->DB(data);
        ASSERT_EQ(modMain::SaveUsDB(modMain::CurUsDB, modMain::GetTruePasw(modMain::CurUsPasw)), 2);
        modMain::UnloadUser();
    }

    // The generation the user file holds, or -1 when it does not open whole.
    long LoggedInGeneration() {
        if (modMain::TestUsPasw(userFile(), Md5(kPassword)) != 1) return -1;
        if (modMain::FullUserLoad(kUser, Md5(kPassword)).has_value()) return -1;
        clsDatabase& db = *modMain::CurUsDB;
        long generation = -1;
        if (db.GetTblRecNum(1) == kRecords && db.GetTblFldVal(1, kRecords, 6) == kSecretText + std::to_string(kRecords))
            generation = std::stol(db.GetTblFldVal(1, 1, 4).substr(11));
        modMain::UnloadUser();
        return generation;
    }

    // Files of the data folder that hold a record's text in clear or begin
    // with the inner layer's mark.
    std::vector<std::string> ClearFiles() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(workDir())) {
            if (!entry.is_regular_file()) continue;
            const std::string bytes = qpmtest::ReadBytes(entry.path());
            if (bytes.rfind(kInnerMark, 0) == 0 || bytes.find(kSecretText) != std::string::npos ||
                bytes.find(kTitleText) != std::string::npos)
                found.push_back(entry.path().filename());
        }
        return found;
    }

    std::vector<std::string> WorkerArgs() const {
        return {SAVE_DRILL_WORKER, file("worker"), folder, kUser, Md5(kPassword)};
    }
    std::string userFile() const { return UserFile(kUser); }

    static constexpr const char* kUser = "driller";
    static constexpr const char* kPassword = "drill password";
};

TEST_F(SaveDrill, AKillAtAnyMomentLeavesTheOldOrTheNewFileAndNothingInClear) {
    ASSERT_NO_FATAL_FAILURE(MakeLargeUser());
    fs::create_directory(file("worker"));
    const auto seed = std::random_device{}();
    std::mt19937 random(seed);

    // One round (a login and a save) timed first, so the kills fall
    // anywhere in the first one or two rounds.
    double roundSeconds = 0;
    {
        Worker worker(WorkerArgs());
        ASSERT_TRUE(worker.WaitFor("ready", std::chrono::seconds(60)));
        const auto start = Clock::now();
        ASSERT_TRUE(worker.WaitFor("saved", std::chrono::seconds(120))) << "the worker saved nothing";
        roundSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        ASSERT_TRUE(worker.Kill());
    }
    long generation = LoggedInGeneration();
    ASSERT_GE(generation, 1);

    int kills = 0, wrongContent = 0, clearFiles = 0, privateLeftovers = 0;
    for (int round = 0; round < kKills; ++round) {
        std::uniform_real_distribution<double> moment(0.0, 1.6 * roundSeconds);
        Worker worker(WorkerArgs());
        ASSERT_TRUE(worker.WaitFor("ready", std::chrono::seconds(60)));
        std::this_thread::sleep_for(std::chrono::duration<double>(moment(random)));
        ASSERT_TRUE(worker.Kill()) << "the worker ended by itself";
        ++kills;
        const long saved = worker.LastSaved(generation);

        const std::vector<std::string> clear = ClearFiles();
        clearFiles += static_cast<int>(clear.size());
        for (const std::string& name : clear) ADD_FAILURE() << "round " << round << ": " << name << " is in clear";

        const long now = LoggedInGeneration();
        if (now != saved && now != saved + 1) {
            ++wrongContent;
            ADD_FAILURE() << "round " << round << ": the file holds generation " << now << ", the last save was "
                          << saved;
        }
        if (now >= 0) generation = now;
        const std::vector<std::string> left = coretest::FilesIn(plat::PrivateFolder());
        privateLeftovers += static_cast<int>(left.size());
        for (const std::string& name : left) ADD_FAILURE() << "round " << round << ": " << name << " left behind";
    }
    std::printf(
        "save drill: %d records, seed %u, round %.3f s, %d kills, %d files in clear, %d with wrong content, "
        "%d private leftovers, generation %ld\n",
        kRecords, seed, roundSeconds, kills, clearFiles, wrongContent, privateLeftovers, generation);
    EXPECT_EQ(kills, kKills);
}

}  // namespace
