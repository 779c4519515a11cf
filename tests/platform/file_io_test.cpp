#include "platform/file_io.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "formats/test_support.h"
#include "model/file_error.h"
#include "support/renames.h"

namespace kalmero {
namespace {

using namespace std::string_literals;
using test::TempFolder;

TEST(AtomicWrite, CreatesWithTheUsualPermissions) {
    TempFolder folder;
    const mode_t mask = ::umask(022);
    writeFileAtomically(folder / "new.txt", "bytes\r\n");
    ::umask(mask);
    EXPECT_EQ(test::readBytes(folder / "new.txt"), "bytes\r\n");
    struct stat info {};
    ASSERT_EQ(::stat((folder / "new.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);

    writeFileAtomically(folder / "new.txt", "");
    EXPECT_EQ(test::readBytes(folder / "new.txt"), "");
    EXPECT_EQ(folder.entries(), std::set<std::string>{"new.txt"});
}

TEST(AtomicWrite, TheChosenFailureText) {
    TempFolder folder;
    const std::string path = folder / "missing/a.ini";
    try {
        writeFileAtomically(path, "x", WriteFailureText::UnableToWrite);
        ADD_FAILURE();
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
    }
    try {
        writeFileAtomically(path, "x");
        ADD_FAILURE();
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot create file \"" + path + "\". No such file or directory");
    }
}

TEST(AtomicWrite, ALongNameStillGetsATemporary) {
    TempFolder folder;
    std::string deep = folder.path();
    while (deep.size() < PATH_MAX - 600) {
        deep += std::string(200, 'd') + "/";
        ASSERT_EQ(::mkdir(deep.c_str(), 0700), 0);
    }
    const std::string longest(NAME_MAX, 'n');
    const std::pair<std::string, std::string> cases[] = {
        {folder.path(), std::string(250, 'n')}, {folder.path(), longest}, {deep, longest}};
    for (const auto& [where, name] : cases) {
        SCOPED_TRACE(where.size() + name.size());
        writeFileAtomically(where + name, "x");
        writeFileAtomically(where + name, "y");
        EXPECT_EQ(test::readBytes(where + name), "y");
        for (const auto& entry : std::filesystem::directory_iterator(where)) {
            EXPECT_FALSE(entry.path().filename().string().starts_with("."));  // a temporary
        }
    }
}

constexpr uid_t kNobody = 65534;

// Runs `body` in a child process as uid and gid 65534; its exit code, or -1 when it crashed.
int runAsNobody(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0) {
            ::_exit(99);
        }
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string attribute(const std::string& path, const char* name) {
    std::string value(4096, '\0');
    const ssize_t size = ::getxattr(path.c_str(), name, value.data(), value.size());
    value.resize(static_cast<std::size_t>(std::max<ssize_t>(0, size)));
    return value;
}

TEST(Replace, KeepsOwnerModeAndAttributes) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can hand a file to another user";
    }
    struct KeptCase {
        bool hardLinked;
        mode_t mode;
    };
    // setgid and sticky: the bits a change of owner clears and the plain permissions lack.
    for (const auto& [hardLinked, mode] :
         {KeptCase{false, 0640}, KeptCase{true, 0640}, KeptCase{false, 03640}}) {
        SCOPED_TRACE(testing::Message() << hardLinked << " " << std::oct << mode);
        TempFolder folder;
        const std::string path = folder / "out.mix";
        test::writeBytes(path, "old");
        ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
        // Owner rw, user 4242 r, group r, mask r, others nothing, as the kernel keeps an ACL.
        const std::string acl(
            "\2\0\0\0"
            "\1\0\6\0\377\377\377\377\2\0\4\0\222\20\0\0\4\0\4\0\377\377\377\377"
            "\20\0\4\0\377\377\377\377\40\0\0\0\377\377\377\377",
            44);
        if (::setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
            ::setxattr(path.c_str(), "user.station", "studio 2", 8, 0) != 0) {
            ADD_FAILURE() << "this file system keeps no ACL or attributes here";
        }
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        if (hardLinked) {
            ASSERT_EQ(::link(path.c_str(), (folder / "other name").c_str()), 0);
        }
        const std::string kernelAcl = attribute(path, "system.posix_acl_access");

        const ReplaceOutcome outcome = writeFileAtomically(path, "new");
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, kNobody);
        EXPECT_EQ(info.st_gid, kNobody);
        EXPECT_EQ(info.st_mode & 07777, mode);
        EXPECT_EQ(attribute(path, "system.posix_acl_access"), kernelAcl);
        EXPECT_EQ(kernelAcl.size(), acl.size());
        EXPECT_EQ(attribute(path, "user.station"), "studio 2");
        EXPECT_FALSE(outcome.ownerNotKept || outcome.attributesNotKept || outcome.rewrittenInPlace);
        EXPECT_EQ(outcome.otherNamesDetached, hardLinked);
        EXPECT_EQ(replacementNote(outcome).empty(), !hardLinked);
        if (hardLinked) {
            EXPECT_EQ(test::readBytes(folder / "other name"), "old");
        }
    }
}

TEST(Replace, AnotherUserSavesWhatTheFolderAndFileAllow) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    struct Case {
        const char* what;
        uid_t folderOwner;
        mode_t folderMode;
        uid_t fileOwner;
        mode_t fileMode;
        int result;  // 1 saved, | 2 owner not kept, | 4 rewritten in place; 64 refused
    };
    const Case cases[] = {
        {"own file, read-only folder", kNobody, 0555, kNobody, 0644, 1 | 4},
        {"another user's file in a sticky folder", 0, 01777, 0, 0666, 1 | 4},
        {"another user's file in one's own folder", kNobody, 0755, 0, 0644, 1 | 2},
        {"nothing writable", kNobody, 0555, 0, 0644, 64},
    };
    TempFolder folder;
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    if (runAsNobody([&] { return ::access(folder.path().c_str(), X_OK) == 0 ? 0 : 1; }) != 0) {
        GTEST_SKIP() << "the test folder is out of another user's reach";
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string shared = folder / c.what;
        const std::string path = shared + "/out.mix";
        ASSERT_EQ(::mkdir(shared.c_str(), 0700), 0);
        test::writeBytes(path, "the previous playlist");
        ASSERT_EQ(::chown(path.c_str(), c.fileOwner, c.fileOwner), 0);
        ASSERT_EQ(::chmod(path.c_str(), c.fileMode), 0);
        ASSERT_EQ(::chown(shared.c_str(), c.folderOwner, c.folderOwner), 0);
        ASSERT_EQ(::chmod(shared.c_str(), c.folderMode), 0);
        struct stat before {};
        ASSERT_EQ(::stat(path.c_str(), &before), 0);

        const int result = runAsNobody([&] {
            try {
                const ReplaceOutcome o = writeFileAtomically(path, "new");
                return 1 | (o.ownerNotKept ? 2 : 0) | (o.rewrittenInPlace ? 4 : 0);
            } catch (const FileError&) {
                return 64;
            }
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(test::readBytes(path), c.result == 64 ? "the previous playlist" : "new");
        struct stat after {};
        ASSERT_EQ(::stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino == before.st_ino, (c.result & 4) != 0 || c.result == 64);
        EXPECT_EQ(after.st_mode & 07777, c.fileMode);
        EXPECT_EQ(std::filesystem::directory_iterator(shared)->path().filename(), "out.mix");
    }
}

TEST(Replace, ALinkPlantedInASharedFolderIsNotFollowed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to plant another user's link";
    }
    struct Case {
        const char* what;
        mode_t folderMode;
        uid_t folderOwner;
        uid_t linkOwner;
        bool followed;
        bool toFolder = false;  // a link to a folder, the file written inside it
    };
    const Case cases[] = {
        {"another user's link in a sticky folder", 01777, 0, kNobody, false},
        {"own link in a sticky folder", 01777, 0, 0, true},
        {"the folder owner's link", 01777, kNobody, kNobody, true},
        {"another user's link in a folder without the sticky bit", 0777, 0, kNobody, true},
        {"another user's link to a folder in a sticky folder", 01777, 0, kNobody, false, true},
        {"own link to a folder in a sticky folder", 01777, 0, 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::string victim = folder / "etc/passwd";
        const std::string link = folder / (c.toFolder ? "drop/etc" : "drop/out.mix");
        const std::string written = c.toFolder ? link + "/passwd" : link;
        ASSERT_EQ(::mkdir((folder / "etc").c_str(), 0755), 0);
        test::writeBytes(victim, "root's file");
        ASSERT_EQ(::mkdir((folder / "drop").c_str(), c.folderMode), 0);
        ASSERT_EQ(::chmod((folder / "drop").c_str(), c.folderMode), 0);
        ASSERT_EQ(::chown((folder / "drop").c_str(), c.folderOwner, c.folderOwner), 0);
        ASSERT_EQ(::symlink(c.toFolder ? (folder / "etc").c_str() : victim.c_str(), link.c_str()),
                  0);
        ASSERT_EQ(::lchown(link.c_str(), c.linkOwner, c.linkOwner), 0);
        for (const auto& [text, message] :
             {std::pair{WriteFailureText::CannotCreate, "Cannot create file \"" + written + "\". "},
              std::pair{WriteFailureText::UnableToWrite, "Unable to write to " + written + ". "}}) {
            try {
                writeFileAtomically(written, "planted", text);
                EXPECT_TRUE(c.followed);
            } catch (const FileError& error) {
                EXPECT_FALSE(c.followed);
                EXPECT_EQ(std::string(error.what()),
                          message + "The link belongs to another user in a shared folder");
            }
        }
        EXPECT_EQ(test::readBytes(victim), c.followed ? "planted" : "root's file");
        EXPECT_TRUE(std::filesystem::is_symlink(link));
    }
}

TEST(Streaming, NothingAppearsUntilCommit) {
    TempFolder folder;
    const std::string path = folder / "out.mix";
    test::writeBytes(path, "old");
    std::string expected;
    for (const bool committed : {false, true}) {
        AtomicFileWriter writer(path);
        expected.clear();
        for (int i = 0; i < 300; ++i) {
            const std::string piece(i * 37 % 5000, static_cast<char>('a' + i % 26));
            writer.append(piece);
            expected += piece;
        }
        writer.append(std::string(AtomicFileWriter::kChunkBytes * 2, 'z'));
        expected += std::string(AtomicFileWriter::kChunkBytes * 2, 'z');
        EXPECT_EQ(test::readBytes(path), "old");
        const std::set<std::string> entries = folder.entries();
        ASSERT_EQ(entries.size(), 2u);
        const std::string temporary = *entries.begin();
        EXPECT_EQ(temporary.rfind(".out.mix." + std::to_string(::getpid()) + ".", 0), 0u)
            << temporary;
        EXPECT_TRUE(temporary.ends_with(".tmp"));
        if (committed) {
            EXPECT_EQ(replacementNote(writer.commit()), "");
        }
    }
    EXPECT_EQ(test::readBytes(path), expected);
    EXPECT_EQ(folder.entries(), std::set<std::string>{"out.mix"});
}

// Staged files are put in place only when every one is ready; a link or device put at a
// target after it was staged is not written through.
TEST(Staged, AllOrNoneAndTheTargetCheckedAgain) {
    for (const char* swapped : {"", "link", "device"}) {
        SCOPED_TRACE(swapped);
        TempFolder folder;
        test::writeBytes(folder / "victim", "someone's file");
        for (const char* name : {"r.csv", "d.png", "out.mix"}) {
            test::writeBytes(folder / name, "earlier");
        }
        StagedWrites outputs;
        for (const char* name : {"r.csv", "d.png", "out.mix"}) {
            outputs.stage(folder / name).append("new");
        }
        const std::string target = folder / "d.png";
        if (std::string(swapped) == "link") {
            ASSERT_EQ(::unlink(target.c_str()), 0);
            ASSERT_EQ(::symlink((folder / "victim").c_str(), target.c_str()), 0);
        } else if (std::string(swapped) == "device") {
            ASSERT_EQ(::unlink(target.c_str()), 0);
            ASSERT_EQ(::mkfifo(target.c_str(), 0600), 0);
        }
        if (*swapped == '\0') {
            EXPECT_EQ(outputs.commitAll().size(), 3u);
        } else {
            EXPECT_THROW(outputs.commitAll(), FileError);
        }
        EXPECT_EQ(test::readBytes(folder / "victim"), "someone's file");
        for (const char* name : {"r.csv", "out.mix"}) {
            EXPECT_EQ(test::readBytes(folder / name), *swapped == '\0' ? "new" : "earlier") << name;
        }
    }
}

TEST(Streaming, AStopSignalLeavesNoTemporary) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        TempFolder folder;
        test::writeBytes(folder / "out.mix", "old");
        const pid_t child = ::fork();
        if (child == 0) {
            ::signal(signal, SIG_DFL);
            installTemporaryCleanup();
            AtomicFileWriter writer(folder / "out.mix");
            writer.append(std::string(AtomicFileWriter::kChunkBytes + 1, 'x'));
            ::raise(folder.entries().size() == 2 ? signal : SIGKILL);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(folder.entries(), std::set<std::string>{"out.mix"});
        EXPECT_EQ(test::readBytes(folder / "out.mix"), "old");
    }
}

TEST(Streaming, TheNextSaveRemovesTemporariesOfGoneWriters) {
    const pid_t gone = ::fork();
    if (gone == 0) {
        ::_exit(0);
    }
    ::waitpid(gone, nullptr, 0);
    const std::string dead = std::to_string(gone);
    const std::string alive = std::to_string(::getppid());
    const std::string longName(NAME_MAX, 'n');
    const std::string cutTail = "." + dead + ".0123abcd.tmp";
    struct Case {
        std::string target;
        std::string temporary;
        bool old;
        bool removed;
    };
    const Case cases[] = {
        {"out.mix", ".out.mix." + dead + ".0123abcd.tmp", true, true},
        {longName, "." + longName.substr(0, NAME_MAX - 1 - cutTail.size()) + cutTail, true, true},
        {"out.mix", ".out.mix." + dead + ".0123abcd.tmp", false, false},  // may be another host's
        {"out.mix", ".out.mix." + alive + ".0123abcd.tmp", true, false},
        {"out.mix", ".other.mix." + dead + ".0123abcd.tmp", true, false},
        {"out.mix", ".out.mix." + dead + ".notours.tmp", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.temporary);
        TempFolder folder;
        test::writeBytes(folder / c.temporary, "half a playlist");
        if (c.old) {
            const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, (folder / c.temporary).c_str(), times, 0), 0);
        }
        writeFileAtomically(folder / c.target, "whole");
        EXPECT_EQ(folder.entries().contains(c.temporary), !c.removed);
        EXPECT_EQ(folder.entries().size(), c.removed ? 1u : 2u);
    }
}

// Staged files go in place in the order they were staged, the last staged (the result, which
// claims the run) last, and only once every one was prepared.
TEST(Staged, PutInPlaceInTheOrderStaged) {
    for (const std::vector<std::string>& order :
         {std::vector<std::string>{"r.csv", "d.png", "out.mix"},
          std::vector<std::string>{"out.mix", "r.csv", "d.png"}}) {
        TempFolder folder;
        StagedWrites outputs;
        for (const std::string& name : order) {
            outputs.stage(folder / name).append(name);
        }
        EXPECT_EQ(test::renamesDuring(folder.path(), [&] { outputs.commitAll(); }), order);
    }
}

}  // namespace
}  // namespace kalmero
