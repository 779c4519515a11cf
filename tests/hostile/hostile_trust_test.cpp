// The fourth round on hostile ground: links planted in folders others may write, the in-place
// road, stop signals in the middle of the commit, --days checked whole, odd lock files.
#include <sys/stat.h>

#include <cstdlib>
#include <stdexcept>

#include "hostile_support.h"

namespace kalmero::test {
namespace {

constexpr uid_t kNobody = 65534;

class HostileTrust : public HostileTest {
protected:
    std::vector<std::string> day(const std::string& out, std::vector<std::string> more = {}) const {
        std::vector<std::string> args = {
            "--mix", path("good.mix"), "--lst", path("good.lst"), "--out", out, "--mode", "0"};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    // Names in `sub` that a run may leave behind: temporaries and locks.
    std::set<std::string> leftovers(const std::string& sub = {}) const {
        std::set<std::string> left;
        for (const std::string& name : entries(sub)) {
            if (name.ends_with(".tmp") || name.ends_with(".lock")) {
                left.insert(name);
            }
        }
        return left;
    }
};

// A link in a folder another account may write is followed only when it is the run's own or
// the folder owner's; a link to nowhere at an output is refused everywhere.
TEST_F(HostileTrust, LinksInFoldersOthersMayWrite) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to plant another user's link";
    }
    struct Case {
        const char* what;
        mode_t mode;
        gid_t group;
        uid_t linkOwner;
        bool dangling;
        const char* option;
        bool refused;
    };
    const Case cases[] = {
        {"others may write, not sticky", 0777, 0, kNobody, false, "--out", true},
        {"root:radio 2775", 02775, kNobody, kNobody, false, "--out", true},
        {"root:radio 2775, the report", 02775, kNobody, kNobody, false, "--report", true},
        {"only root writes", 0755, 0, kNobody, false, "--out", false},
        {"the run's own link", 0777, 0, 0, false, "--out", false},
        {"a link to nowhere at the report", 0755, 0, 0, true, "--report", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string shared = path("shared");
        fs::remove_all(shared);
        ASSERT_EQ(::mkdir(shared.c_str(), 0700), 0);
        ASSERT_EQ(::chown(shared.c_str(), 0, c.group), 0);
        ASSERT_EQ(::chmod(shared.c_str(), c.mode), 0);
        const std::string victim = path("victim");
        ::unlink(victim.c_str());
        if (!c.dangling) {
            writeFile(victim, "someone's file");
        }
        const std::string planted = shared + "/w.out";
        ASSERT_EQ(::symlink(victim.c_str(), planted.c_str()), 0);
        ASSERT_EQ(::lchown(planted.c_str(), c.linkOwner, c.linkOwner), 0);
        writeFile(path("out.mix"), "previous result");
        const bool out = std::string(c.option) == "--out";
        const Outcome outcome =
            batch(out ? day(planted) : day(path("out.mix"), {c.option, planted}));
        EXPECT_EQ(outcome.exitCode, c.refused ? 1 : 0) << outcome.err;
        if (c.refused) {
            EXPECT_EQ(fs::exists(victim), !c.dangling);
            if (!c.dangling) {
                EXPECT_EQ(readFile(victim), "someone's file");
            }
            EXPECT_EQ(readFile(path("out.mix")), "previous result");
            EXPECT_NE(outcome.err.find("dowiązanie symboliczne"), std::string::npos) << outcome.err;
        }
        EXPECT_TRUE(leftovers().empty());
        EXPECT_TRUE(leftovers("shared").empty());
    }
}

// A folder the run may not add to but a result it may write: refused with the way out, or
// with the setting overwritten in place, reserved first and said to be not one step.
TEST_F(HostileTrust, TheInPlaceRoadOnlyWhenAllowed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run the batch as another user";
    }
    ASSERT_EQ(::chmod(m_folder.path().c_str(), 0755), 0);
    const std::string fixed = path("fixed");
    ASSERT_EQ(::mkdir(fixed.c_str(), 0755), 0);
    const std::string out = fixed + "/out.mix";
    const std::string report = fixed + "/r.csv";
    for (const std::string& file : {out, report}) {
        writeFile(file, "previous");
        ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
    }
    for (const bool allowed : {false, true}) {
        SCOPED_TRACE(allowed ? "allowed" : "refused");
        std::vector<std::string> args = {"setpriv",           "--reuid=65534", "--regid=65534",
                                         "--clear-groups",    batchInReach(),  "--matrix",
                                         path("matryca.dat"), "--config",      path("empty.ini")};
        for (const std::string& arg : day(out, {"--report", report})) {
            args.push_back(arg);
        }
        if (allowed) {
            args.push_back("--in-place");
        }
        const Outcome outcome = runProgram(args, m_folder.path());
        if (outcome.exitCode == 127 || outcome.err.find("setpriv") != std::string::npos) {
            GTEST_SKIP() << "setpriv can't run here: " << outcome.err;
        }
        if (!allowed) {
            EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
            EXPECT_NE(outcome.err.find("NadpisujWMiejscu=1"), std::string::npos) << outcome.err;
            EXPECT_NE(outcome.err.find("chmod g+w"), std::string::npos) << outcome.err;
            EXPECT_EQ(readFile(out), "previous");
            EXPECT_EQ(readFile(report), "previous");
            continue;
        }
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_NE(readFile(out).find("KONIEC OPISU"), std::string::npos);
        EXPECT_NE(readFile(report).find("block time"), std::string::npos);
        EXPECT_NE(outcome.err.find("nie jako jedną operację"), std::string::npos) << outcome.err;
    }
    EXPECT_TRUE(leftovers("fixed").empty());
}

// A run of the batch command held before each fsync and rename (step_gate.cpp), so that a
// signal lands at a chosen step of the save: step() is where it waits, 0 once it ended.
class GatedRun {
public:
    GatedRun(std::vector<std::string> args, const std::string& folder) {
        if (::pipe(m_tell) != 0 || ::pipe(m_wait) != 0) {
            throw std::runtime_error("no pipe");
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            const int quiet = ::open("/dev/null", O_RDWR);
            ::dup2(quiet, STDIN_FILENO);
            ::dup2(quiet, STDOUT_FILENO);
            ::dup2(quiet, STDERR_FILENO);
            for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
                ::signal(signal, SIG_DFL);  // as a service manager starts it, not as nohup would
            }
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::close(m_tell[0]);
            ::close(m_wait[1]);
            const std::string gate = std::to_string(m_tell[1]) + "," + std::to_string(m_wait[0]);
            ::setenv("KALMERO_STEP_GATE", gate.c_str(), 1);
            ::setenv("LD_PRELOAD", KALMERO_STEP_GATE_MODULE, 1);
            // The sanitizers' runtime is then not the first library loaded.
            const char* asan = std::getenv("ASAN_OPTIONS");
            ::setenv("ASAN_OPTIONS",
                     ((asan ? std::string(asan) + ":" : "") + "verify_asan_link_order=0").c_str(),
                     1);
            ::alarm(60);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::chdir(folder.c_str());
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        // The run's end closes the last writer of m_tell; m_wait's reader stays, so that a go
        // to an ended run is no SIGPIPE.
        ::close(m_tell[1]);
    }
    ~GatedRun() {
        ::close(m_tell[0]);
        ::close(m_wait[0]);
        letThrough();
    }
    char step() const {
        char step = 0;
        return ::read(m_tell[0], &step, 1) == 1 ? step : 0;
    }
    void go() const { [[maybe_unused]] const ssize_t sent = ::write(m_wait[1], "g", 1); }
    void letThrough() {
        if (m_wait[1] >= 0) {
            ::close(m_wait[1]);
            m_wait[1] = -1;
        }
    }
    pid_t pid() const { return m_pid; }

private:
    int m_tell[2] = {-1, -1};
    int m_wait[2] = {-1, -1};
    pid_t m_pid = -1;
};

// A stop signal while the outputs are put in place waits until all are: never a new report
// beside the old result; and whatever the moment, no lock and no temporary is left.
TEST_F(HostileTrust, AStopSignalInTheCommitLeavesAWholePairAndNoLock) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
        for (const bool midCommit : {true, false}) {
            SCOPED_TRACE(std::string(strsignal(signal)) + (midCommit ? " mid-commit" : " early"));
            writeFile(path("out.mix"), "previous result");
            writeFile(path("r.csv"), "previous report");
            std::vector<std::string> args = {KALMERO_BATCH, "--matrix", path("matryca.dat"),
                                             "--config", path("empty.ini")};
            for (const std::string& arg : day(path("out.mix"), {"--report", path("r.csv")})) {
                args.push_back(arg);
            }
            GatedRun run(args, m_folder.path());
            // Early: at a flush once the lock or a temporary shows, nothing put in place yet.
            // Mid-commit: the report goes in place first; at the second rename only it is.
            int renames = 0;
            for (char step = run.step(); step != 0; run.go(), step = run.step()) {
                if (midCommit ? step == 'r' && ++renames == 2
                              : step == 'f' && !leftovers().empty()) {
                    EXPECT_EQ(readFile(path("r.csv")) != "previous report", midCommit);
                    ::kill(run.pid(), signal);
                    break;
                }
            }
            run.letThrough();
            int status = 0;
            ::waitpid(run.pid(), &status, 0);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
            const bool newReport = readFile(path("r.csv")) != "previous report";
            const bool newResult = readFile(path("out.mix")) != "previous result";
            EXPECT_EQ(newReport, newResult) << "a torn pair";
            EXPECT_EQ(newResult, midCommit) << "the stop was acted on too early or too late";
            EXPECT_TRUE(leftovers().empty()) << *leftovers().begin();
        }
    }
}

// Every day checked before any is written: day 2's result over its own playlist leaves day 1
// unwritten; two days' outputs are compared by the folder reached, not by its spelling.
TEST_F(HostileTrust, DaysAreCheckedWholeByTheFileReached) {
    for (const char* name : {"m2026-12-14.mix", "m2026-12-15.mix"}) {
        writeFile(path(name), readFile(path("good.mix")));
    }
    ASSERT_EQ(::symlink(path("m2026-12-15.mix").c_str(), path("o2026-12-15.mix").c_str()), 0);
    const std::vector<std::string> overInput = {"--mix",    path("m%Y-%m-%d.mix"),
                                                "--out",    path("o%Y-%m-%d.mix"),
                                                "--report", path("r%Y-%m-%d.csv"),
                                                "--date",   "2026-12-14",
                                                "--days",   "2",
                                                "--mode",   "0"};
    Outcome outcome = batch(overInput);
    EXPECT_EQ(outcome.exitCode, 2) << outcome.err;
    EXPECT_NE(outcome.err.find("2026-12-15"), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(path("o2026-12-14.mix")));
    EXPECT_FALSE(fs::exists(path("r2026-12-14.csv")));
    EXPECT_EQ(readFile(path("m2026-12-15.mix")), readFile(path("good.mix")));

    // Day 2's report over one of its own spots, known only from its advert list.
    write("l14.lst", readFile(path("good.lst")));
    const std::string spot = write("s15.wav", wavBytes(30'000));
    write("l15.lst", "12:03:00\r\n" + spot + "\r\n");
    outcome =
        batch({"--mix", path("good.mix"), "--lst", path("l%d.lst"), "--out", path("w%d.mix"),
               "--report", path("s%d.wav"), "--date", "2026-12-14", "--days", "2", "--mode", "0"});
    EXPECT_EQ(outcome.exitCode, 2) << outcome.err;
    EXPECT_NE(outcome.err.find("plik spotu"), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(path("w14.mix")));
    EXPECT_FALSE(fs::exists(path("s14.wav")));
    EXPECT_EQ(readFile(spot), wavBytes(30'000));

    ASSERT_EQ(::mkdir(path("o14").c_str(), 0755), 0);
    ASSERT_EQ(::symlink(path("o14").c_str(), path("o15").c_str()), 0);
    outcome = batch({"--mix", path("good.mix"), "--out", path("o%d/w.mix"), "--date", "2026-12-14",
                     "--days", "2", "--mode", "0"});
    EXPECT_EQ(outcome.exitCode, 2) << outcome.err;
    EXPECT_NE(outcome.err.find("zapisałyby ten sam plik"), std::string::npos) << outcome.err;
    EXPECT_TRUE(fs::is_empty(path("o14")));
}

// A lock's name taken by something else: the run goes on without a lock, says so, and leaves
// the thing there untouched.
TEST_F(HostileTrust, AnOddLockIsLeftAloneWithAWarning) {
    writeFile(path("other name"), "someone's file");
    ASSERT_EQ(::link(path("other name").c_str(), path(".out.mix.lock").c_str()), 0);
    const Outcome outcome = batch(day(path("out.mix")));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("nie założono blokady"), std::string::npos) << outcome.err;
    EXPECT_EQ(readFile(path("other name")), "someone's file");
    EXPECT_EQ(readFile(path(".out.mix.lock")), "someone's file");
}

// A wait past any sane one, however many digits, is the longest wait: no overflow, and a lock
// nobody holds is taken at once.
TEST_F(HostileTrust, AnAbsurdLockWaitIsClamped) {
    for (const char* wait : {"9223372036", "99999999999999999999999"}) {
        ::setenv("KALMERO_LOCK_WAIT_SECONDS", wait, 1);
        const Outcome outcome = batch(day(path("out.mix")));
        ::unsetenv("KALMERO_LOCK_WAIT_SECONDS");
        EXPECT_EQ(outcome.exitCode, 0) << wait << outcome.err;
        EXPECT_TRUE(leftovers().empty());
    }
}

// Caught before the day's work: a picture type the writer doesn't know.
TEST_F(HostileTrust, AnUnknownPictureTypeIsAUsageErrorUpFront) {
    const Outcome outcome = batch(day(path("out.mix"), {"--picture", path("day.jpg")}));
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_NE(outcome.err.find(".png lub .pdf"), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(path("out.mix")));
}

}  // namespace
}  // namespace kalmero::test
