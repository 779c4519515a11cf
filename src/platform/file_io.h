#pragma once

#include <signal.h>
#include <sys/stat.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kalmero {

// The system's reason for a failed file operation, in Polish words (UTF-8): "brak miejsca na
// dysku" for ENOSPC; "błąd systemu N" for an error without a text of its own.
std::string systemReason(int error);

// Reads a whole regular file as bytes. A path that is missing, unreadable, or names a
// directory, FIFO or device throws FileError `Nie można otworzyć pliku "<path>": <reason>`
// before anything is read, so a reader never blocks.
std::string readWholeFile(const std::string& path);

// A regular file's bytes as they were when it was opened, mapped rather than copied, so a
// reader that is done with a part can give its memory back. Opens with the checks and the
// FileError of readWholeFile; a file that grows meanwhile is read to its opening size.
class MappedFile {
public:
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::string_view bytes() const { return m_bytes; }
    // Gives back the memory of the whole pages before byte `offset`; the bytes stay
    // readable (they come back from the file when read again). Call it as a read moves on.
    void release(std::size_t offset);
    // Starts giving back from the beginning again, for a second read of the bytes.
    void rewind() { m_released = 0; }

private:
    void* m_map = nullptr;
    std::size_t m_size = 0;
    std::size_t m_released = 0;
    std::string m_copy;  // when the file system can't map
    std::string_view m_bytes;
};

// Whether `folder` (the bytes taken as the path as they are) names an existing directory.
bool isExistingFolder(const std::string& folder);

enum class WriteFailureText {
    CannotCreate,   // `Nie można utworzyć pliku "<path>": <reason>`
    UnableToWrite,  // `Nie można zapisać pliku "<path>": <reason>`
};

// Whether a file that can only be overwritten in place (its folder takes no new file) may be:
// a write cut short there leaves the new bytes followed by the old file's tail.
enum class InPlace { Allowed, Refused };

// The link rule, the kernel's protected_symlinks rule extended to every folder another account
// may write (group or others, sticky or not): a symbolic link there is followed only when it
// belongs to this account (`self`) or to the folder's owner.
bool linkMayBeFollowed(mode_t folderMode, uid_t folderOwner, uid_t linkOwner, uid_t self);

// What replacing a file could not do the usual way. All false: the file was replaced in one
// step and kept its owner, group, mode, ACL and extended attributes.
struct ReplaceOutcome {
    bool ownerNotKept = false;        // owner or group could not be given to the new file
    bool attributesNotKept = false;   // ACL or extended attributes could not be copied
    bool rewrittenInPlace = false;    // folder or sticky bit forbade a new file: the existing
                                      // file was overwritten, so a reader may see it half done
    bool otherNamesDetached = false;  // the file had hard links; they keep the previous bytes
};

// The operator's note in Polish (UTF-8) on what a save could not keep; "" when the file was
// replaced the usual way and nothing needs saying.
std::string replacementNote(const ReplaceOutcome& outcome);

// Writes a file as it is produced and puts it in place of the file at `path` when committed,
// so that a result of any size is never held whole in memory and no reader sees it half done.
//
// The bytes go to a temporary `.<name>.<pid>.<random>.tmp` in the target's folder, flushed in
// large chunks; commit() flushes it to disk, gives it the replaced file's owner, group, mode,
// ACL and extended attributes, renames it over the target and flushes the folder.
// - A symbolic link at `path`, or among the folders on the way to it, is followed under the
//   link rule (linkMayBeFollowed): a link planted by someone else refuses the save, and so
//   does a link at `path` that leads to no file.
// - Hard links: the rename gives `path` a new file; other names of the old file keep the
//   previous bytes (reported as otherNamesDetached). One-step replacement is worth more on a
//   playout folder than keeping the names together.
// - When the folder allows no new file (no write permission, or another user's file in a
//   sticky folder) but the file itself is writable, the write is refused unless InPlace::
//   Allowed; then commit() overwrites the file in place, the bytes kept in memory until then
//   (an abandoned write leaves the old file untouched) and the space reserved by prepare().
// - Later writers remove temporaries of the same target whose process is gone and that have
//   not changed for ten minutes (the writer may live on another computer sharing the folder).
// Every failure throws FileError with the chosen text; the previous file is then intact (the
// in-place rewrite excepted) and the temporary removed. Not copyable; one thread at a time.
class AtomicFileWriter {
public:
    static constexpr std::size_t kChunkBytes = 256 * 1024;

    // Checks the target and creates the temporary; throws FileError when neither a new file
    // nor an in-place rewrite is possible.
    explicit AtomicFileWriter(std::string path,
                              WriteFailureText failureText = WriteFailureText::CannotCreate,
                              InPlace inPlace = InPlace::Allowed);
    // Removes the temporary unless committed; the target is untouched.
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Adds bytes after those appended before; writes to disk once kChunkBytes are waiting.
    // Throws FileError (and removes the temporary) when the disk refuses them.
    void append(std::string_view bytes);
    // Readies the complete file without showing it: flushes it to disk and gives it the
    // replaced file's owner, group, mode, ACL and attributes; for an in-place rewrite, reserves
    // its space. Optional before commit(); call at most once. Throws FileError on failure.
    void prepare();
    // Whether commit() will overwrite the existing file rather than put a new one in place.
    bool inPlace() const { return m_inPlace; }
    // Puts the complete file in place of the target, checking the target again (a link or
    // device put there since is refused); call once. Throws FileError on failure.
    ReplaceOutcome commit();

private:
    [[noreturn]] void fail(int error);
    [[noreturn]] void failWith(const std::string& reason);
    // Whether a file stands at the target, its status in `existing`; a folder, device or
    // FIFO there fails the write (renaming over one would replace the node itself).
    bool regularTarget(struct stat& existing);
    void flushBuffer();
    void writeToTemporary(std::string_view bytes);
    void discardTemporary();
    ReplaceOutcome rewriteInPlace(int targetFd, bool fromTemporary);
    // Opens the existing file for the in-place road, or refuses when that road is not allowed.
    void goInPlace(int error);

    std::string m_path;  // as given, for messages
    WriteFailureText m_failureText;
    InPlace m_inPlaceRule;
    std::string m_folder;  // the folder the name lies in, links resolved, for messages
    int m_folderFd = -1;
    std::string m_name;       // the target's name in m_folderFd, links resolved
    std::string m_temporary;  // the temporary's name in m_folderFd; empty when rewriting
    int m_fd = -1;            // temporary, or the target itself when rewriting in place
    std::string m_buffer;
    int m_slot = -1;  // where the signal handlers find the temporary
    bool m_inPlace = false;
    bool m_prepared = false;
    bool m_done = false;
    ReplaceOutcome m_prepareOutcome;
    struct stat m_prepareTarget {};  // st_nlink 0: no file stood there when prepared
    std::string m_failure;           // the message of the error that ended this writer
};

// Several files replaced as one outcome: each is written to its temporary first, and only when
// every one is complete and flushed are they put in place, in the order staged. A failure
// before that leaves every previous file as it was; stage the file whose presence claims the
// whole run (the result) last, so that a rename refused at the very end never leaves it
// claiming outputs that were not replaced. A file overwritten in place (when allowed) goes
// first, so that the others are replaced only once it is complete. The stop signals wait
// until every file is in place.
class StagedWrites {
public:
    explicit StagedWrites(InPlace inPlace = InPlace::Refused) : m_inPlace(inPlace) {}

    // A writer for `path`; append its bytes, then commitAll().
    AtomicFileWriter& stage(std::string path,
                            WriteFailureText failureText = WriteFailureText::CannotCreate);
    // Prepares every staged file, then commits them; the outcomes in staging order. Throws
    // FileError with the first failure; the temporaries not yet committed are removed.
    std::vector<ReplaceOutcome> commitAll();

private:
    InPlace m_inPlace;
    std::vector<std::unique_ptr<AtomicFileWriter>> m_writers;
};

// Where a write to a path lands: its folder, opened, and the name in it, every link on the
// way followed under the link rule.
struct OutputPlace {
    int folderFd = -1;   // the caller closes it
    std::string folder;  // as reached, for messages
    std::string name;
};
constexpr int kPlantedLink = -1;   // a link the link rule refuses
constexpr int kDanglingLink = -2;  // the path is a link to no file
// Finds `path`'s place: 0, or an errno value or one of the two above (folderFd then -1).
int findOutputPlace(const std::string& path, OutputPlace& place);
// The reason for findOutputPlace's failure, in Polish words.
std::string placeFailureReason(int failure);

// The stop signals (SIGTERM, SIGINT, SIGHUP, SIGQUIT) held back for a scope that must not be
// cut: blocked on this thread and, when another thread receives one, put off by the handler
// until the last such scope ends; then acted on.
class StopSignalsHeld {
public:
    StopSignalsHeld();
    ~StopSignalsHeld();
    StopSignalsHeld(const StopSignalsHeld&) = delete;
    StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

private:
    sigset_t m_previous{};
};

// Makes a stop signal remove `name` in `folderFd` (a lock file) as it removes temporaries; the
// slot for removeNowNotOnStopSignal, -1 when the table is full.
int removeOnStopSignal(int folderFd, const std::string& name);
// Removes the file now and lets its slot go, a stop signal put off meanwhile: a later run's
// file of the same name is never removed by this one's signal.
void removeNowNotOnStopSignal(int slot, int folderFd, const std::string& name);

// Opens `folder` as a directory, walking its components one by one so that a link among them
// that the link rule refuses is refused (`refused` set, -1 returned).
// Any other failure returns -1 with errno set. A folder one may write in but not list comes
// back as an O_PATH descriptor.
int openFolderWithLinkRule(const std::string& folder, bool& refused);

// Replaces the file at `path` with `bytes` the way AtomicFileWriter does.
ReplaceOutcome writeFileAtomically(const std::string& path, std::string_view bytes,
                                   WriteFailureText failureText = WriteFailureText::CannotCreate);

// Makes SIGTERM, SIGINT, SIGHUP and SIGQUIT remove the temporaries of writes in progress (and
// lock files) before the process ends by the signal. Leaves signals alone that already have a
// handler or are ignored (nohup). Call once from main(), before any thread starts.
void installTemporaryCleanup();

}  // namespace kalmero
