#include "platform/file_io.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "formats/test_support.h"
#include "model/file_error.h"
#include "support/as_nobody.h"
#include "support/renames.h"

namespace kalmero {
namespace {

using namespace std::string_literals;
using test::Reach;
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
        EXPECT_EQ(std::string(error.what()),
                  "Nie można zapisać pliku \"" + path + "\": nie ma takiego pliku ani katalogu");
    }
    try {
        writeFileAtomically(path, "x");
        ADD_FAILURE();
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Nie można utworzyć pliku \"" + path + "\": nie ma takiego pliku ani katalogu");
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

using test::kNobody;
using test::runAsNobody;

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
    TempFolder folder(Reach::EveryAccount);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
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
            } catch (const FileError& error) {
                std::fprintf(stderr, "%s\n", error.what());
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
        {"another user's link in a folder without the sticky bit", 0777, 0, kNobody, false},
        {"another user's link in a group-writable folder", 02775, 0, kNobody, false},
        {"the folder owner's link in a group-writable folder", 02775, kNobody, kNobody, true},
        {"another user's link in a folder only its owner writes", 0755, 0, kNobody, true},
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
             {std::pair{WriteFailureText::CannotCreate, "Nie można utworzyć pliku \"" + written},
              std::pair{WriteFailureText::UnableToWrite, "Nie można zapisać pliku \"" + written}}) {
            try {
                writeFileAtomically(written, "planted", text);
                EXPECT_TRUE(c.followed);
            } catch (const FileError& error) {
                EXPECT_FALSE(c.followed);
                EXPECT_EQ(std::string(error.what()),
                          message +
                              "\": dowiązanie symboliczne w katalogu, w którym mogą "
                              "zapisywać inni, należy do innego użytkownika");
            }
        }
        EXPECT_EQ(test::readBytes(victim), c.followed ? "planted" : "root's file");
        EXPECT_TRUE(std::filesystem::is_symlink(link));
    }
}

// The rule itself, row by row: a folder another account may write (group or others, sticky or
// not) lets only this account's links and its owner's be followed.
TEST(LinkRule, FollowedOnlyWhereNoOtherAccountCouldHavePlantedIt) {
    constexpr uid_t kSelf = 1000;
    constexpr uid_t kOwner = 2000;
    constexpr uid_t kOther = 3000;
    struct Row {
        mode_t folderMode;
        uid_t linkOwner;
        bool followed;
    };
    const Row rows[] = {
        {0755, kOther, true},  {0700, kOther, true},  {01755, kOther, true},
        {0775, kOther, false}, {0770, kOther, false}, {02775, kOther, false},
        {0757, kOther, false}, {0777, kOther, false}, {01777, kOther, false},
        {0722, kOther, false}, {0775, kSelf, true},   {01777, kSelf, true},
        {0775, kOwner, true},  {01777, kOwner, true}, {0755, kSelf, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(linkMayBeFollowed(S_IFDIR | row.folderMode, kOwner, row.linkOwner, kSelf),
                  row.followed)
            << std::oct << row.folderMode << std::dec << " link of " << row.linkOwner;
    }
}

// A link at the output that leads to no file would create one wherever it points.
TEST(Replace, ADanglingLinkAtTheOutputIsRefused) {
    TempFolder folder;
    const std::string link = folder / "out.mix";
    ASSERT_EQ(::symlink((folder / "elsewhere/new.mix").c_str(), link.c_str()), 0);
    ASSERT_EQ(::mkdir((folder / "elsewhere").c_str(), 0755), 0);
    try {
        writeFileAtomically(link, "x");
        ADD_FAILURE();
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Nie można utworzyć pliku \"" + link +
                      "\": dowiązanie symboliczne wskazuje nieistniejący plik");
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "elsewhere/new.mix"));
    test::writeBytes(folder / "elsewhere/new.mix", "old");
    writeFileAtomically(link, "new");
    EXPECT_EQ(test::readBytes(folder / "elsewhere/new.mix"), "new");
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

namespace kalmero {
namespace {

// Words of the system's English messages; none may reach the operator.
bool hasEnglish(const std::string& text) {
    for (const char* word :
         {"Cannot", "cannot",    "Unable",    "unable",   "No such",   "Permission",
          "denied", "file ",     "File",      "folder",   "directory", "Directory",
          "space",  "Read-only", "read-only", "Not a",    "Is a",      "exists",
          "error",  "Error",     "link",      "Too many", "too long",  "Disk quota"}) {
        if (text.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The message with the path taken out: a path may hold any word.
std::string withoutPath(std::string message, const std::string& path) {
    for (std::size_t at; (at = message.find(path)) != std::string::npos;) {
        message.erase(at, path.size());
    }
    return message;
}

TEST(PolishMessages, EverySystemReasonHasPolishWords) {
    for (const int error :
         {ENOSPC,    EDQUOT, EACCES, EPERM,        ENOENT,    EROFS,  EEXIST, EISDIR,
          ENOTDIR,   ELOOP,  EMLINK, ENAMETOOLONG, EIO,       EFBIG,  EBUSY,  ETXTBSY,
          EMFILE,    ENFILE, ENOMEM, EXDEV,        ENXIO,     ENODEV, EAGAIN, ESTALE,
          ENOTEMPTY, EINVAL, EBADF,  EINTR,        ETIMEDOUT, ENOTSUP}) {
        const std::string reason = systemReason(error);
        EXPECT_FALSE(reason.starts_with("błąd systemu")) << error;
        EXPECT_FALSE(hasEnglish(reason)) << reason;
    }
    EXPECT_EQ(systemReason(ENOSPC), "brak miejsca na dysku");
    EXPECT_EQ(systemReason(EACCES), "brak uprawnień");
    EXPECT_EQ(systemReason(ENOENT), "nie ma takiego pliku ani katalogu");
    EXPECT_EQ(systemReason(EROFS), "system plików jest tylko do odczytu");
    EXPECT_EQ(systemReason(4095), "błąd systemu 4095");
}

// Each way a file can fail, as the window, the batch and the night show it: the road's verb,
// the file, and the system's reason, in Polish.
TEST(PolishMessages, EveryFileFailureIsToldInPolish) {
    TempFolder folder;
    test::writeBytes(folder / "zwykly", "x");
    ASSERT_EQ(::mkdir((folder / "katalog.mix").c_str(), 0755), 0);
    struct Case {
        const char* what;
        std::function<void()> road;
        std::string path;
        std::string says;
    };
    const Case cases[] = {
        {"missing folder", [&] { writeFileAtomically(folder / "brak/a.mix", "x"); },
         folder / "brak/a.mix", "Nie można utworzyć pliku \"\": nie ma takiego pliku ani katalogu"},
        {"missing file", [&] { readWholeFile(folder / "brak.mix"); }, folder / "brak.mix",
         "Nie można otworzyć pliku \"\": nie ma takiego pliku ani katalogu"},
        {"a folder in the way", [&] { writeFileAtomically(folder / "katalog.mix", "x"); },
         folder / "katalog.mix", "Nie można utworzyć pliku \"\": to jest katalog"},
        {"a file as a folder", [&] { readWholeFile(folder / "zwykly/a.mix"); },
         folder / "zwykly/a.mix",
         "Nie można otworzyć pliku \"\": część ścieżki nie jest katalogiem"},
        {"a device", [] { writeFileAtomically("/dev/null", "x"); }, "/dev/null",
         "Nie można utworzyć pliku \"\": to nie jest zwykły plik"},
        {"a settings file",
         [&] { writeFileAtomically(folder / "brak/k.ini", "x", WriteFailureText::UnableToWrite); },
         folder / "brak/k.ini", "Nie można zapisać pliku \"\": nie ma takiego pliku ani katalogu"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            c.road();
            ADD_FAILURE();
        } catch (const FileError& error) {
            const std::string message = withoutPath(error.what(), c.path);
            EXPECT_EQ(message, c.says);
            EXPECT_FALSE(hasEnglish(message)) << message;
        }
    }
}

// The failures only a real disk gives: read-only, no space, no permission.
TEST(PolishMessages, ReadOnlyFullAndForbiddenAreToldInPolish) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to mount and to change users";
    }
    TempFolder folder(Reach::EveryAccount);
    const std::string disk = folder / "dysk";
    ASSERT_EQ(::mkdir(disk.c_str(), 0755), 0);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "no small file system can be mounted here";
    }
    const auto expectPolish = [](const std::string& path, const std::string& reason) {
        try {
            writeFileAtomically(path, std::string(256 * 1024, 'x'));
            ADD_FAILURE() << reason;
        } catch (const FileError& error) {
            const std::string message = withoutPath(error.what(), path);
            EXPECT_EQ(message, "Nie można utworzyć pliku \"\": " + reason);
            EXPECT_FALSE(hasEnglish(message)) << message;
        }
    };
    expectPolish(disk + "/a.mix", "brak miejsca na dysku");
    ASSERT_EQ(::mount(nullptr, disk.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    expectPolish(disk + "/a.mix", "system plików jest tylko do odczytu");
    ::umount2(disk.c_str(), MNT_DETACH);

    ASSERT_EQ(::mkdir((folder / "cudzy").c_str(), 0755), 0);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    const std::string path = folder / "cudzy/a.mix";
    EXPECT_EQ(runAsNobody([&] {
                  try {
                      writeFileAtomically(path, "x");
                  } catch (const FileError& error) {
                      const std::string message = withoutPath(error.what(), path);
                      return message == "Nie można utworzyć pliku \"\": brak uprawnień" &&
                                     !hasEnglish(message)
                                 ? 0
                                 : 1;
                  }
                  return 2;
              }),
              0);
}

}  // namespace
}  // namespace kalmero

namespace kalmero {
namespace {

// The in-place road: refused unless allowed; allowed, a file that won't fit fails before any
// of its old bytes is overwritten, and the rewritten result goes before the other outputs.
TEST(InPlace, RefusedUnlessAllowedAndReservedBeforeWriting) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to mount and to change users";
    }
    TempFolder folder(Reach::EveryAccount);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    const std::string disk = folder / "dysk";
    ASSERT_EQ(::mkdir(disk.c_str(), 0755), 0);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0) {
        GTEST_SKIP() << "no small file system can be mounted here";
    }
    const std::string result = disk + "/out.mix";
    test::writeBytes(result, "previous result");
    ASSERT_EQ(::chown(result.c_str(), kNobody, kNobody), 0);
    struct Row {
        InPlace rule;
        std::size_t size;
        int exit;  // 0 rewritten, 1 refused, 2 no space
    };
    const Row rows[] = {
        {InPlace::Refused, 100, 1}, {InPlace::Allowed, 256 * 1024, 2}, {InPlace::Allowed, 100, 0}};
    for (const Row& row : rows) {
        const int exit = runAsNobody([&] {
            try {
                StagedWrites outputs(row.rule);
                outputs.stage(result).append(std::string(row.size, 'n'));
                const std::vector<ReplaceOutcome> done = outputs.commitAll();
                return done.at(0).rewrittenInPlace ? 0 : 3;
            } catch (const FileError& error) {
                const std::string message = error.what();
                if (message.find("NadpisujWMiejscu=1") != std::string::npos) {
                    return 1;
                }
                std::fprintf(stderr, "%s\n", message.c_str());
                return message.ends_with("brak miejsca na dysku") ? 2 : 4;
            }
        });
        EXPECT_EQ(exit, row.exit) << row.size;
        EXPECT_EQ(test::readBytes(result),
                  row.exit == 0 ? std::string(row.size, 'n') : "previous result");
    }
    ::umount2(disk.c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace kalmero
