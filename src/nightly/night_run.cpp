#include "nightly/night_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>

#include "cli/batch.h"
#include "cli/batch_picture.h"
#include "cli/day_plan.h"
#include "nightly/account.h"
#include "nightly/day_choice.h"
#include "nightly/night_marks.h"
#include "nightly/settings_file.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/program_folder.h"

#ifndef KALMERO_NIGHTLY_DATA_FROM_PROGRAM
#define KALMERO_NIGHTLY_DATA_FROM_PROGRAM "../share/kalmero/"
#endif
#ifndef KALMERO_NIGHTLY_MODULES_FROM_PROGRAM
#define KALMERO_NIGHTLY_MODULES_FROM_PROGRAM "../lib/kalmero/"
#endif

namespace kalmero {

namespace {

// The spots and lines of a day's verdict named in the journal, as many as a person reads.
constexpr std::size_t kNamedInJournal = 20;
// The lines of a past day's mark told again on every run.
constexpr std::size_t kMarkLinesTold = 30;

const char* const kSelf = "kalmero-nightly: ";

std::string named(const Day& day) {
    return isoText(day) + " (" + std::string(weekdayAbbreviation(weekdayOf(day))) + ")";
}

// A path with no "..", "." or link in it, for comparing two ways of writing one folder.
std::string resolved(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::weakly_canonical(path, ignored).lexically_normal().string();
}

// The files of the spots the verdict names, each once, as the advert list writes them.
std::string verdictFiles(const Session& session) {
    std::vector<std::string> files;
    for (const std::size_t i : session.verdict().spots) {
        std::string file = cp1250ToUtf8(session.lists().ListaLST[i].value(Field::Adr));
        if (std::find(files.begin(), files.end(), file) == files.end()) {
            files.push_back(std::move(file));
        }
    }
    std::string text;
    for (std::size_t n = 0; n < files.size() && n < kNamedInJournal; ++n) {
        text += (n == 0 ? "\n  pliki: " : ", ") + files[n];
    }
    if (files.size() > kNamedInJournal) {
        text += " i jeszcze " + std::to_string(files.size() - kNamedInJournal);
    }
    return text;
}

class Night {
public:
    Night(const NightArgs& args, MeasureCacheOnDemand& cache) : m_args(args), m_cache(cache) {}

    int run();

private:
    void error(const std::string& text) const { m_messages.print(Messages::kError, kSelf + text); }
    void warn(const std::string& text) const { m_messages.print(Messages::kWarning, kSelf + text); }
    void info(const std::string& text) const { m_messages.print(Messages::kInfo, kSelf + text); }
    int tellProblems(const std::vector<SettingsProblem>& problems) const;
    bool readSettings();
    bool takeAccount();
    void useCacheFolder(const std::string& base);
    bool inputsThere() const;
    int acknowledge(const Day& day) const;
    int scratchRun(const Day& target);
    // What the batch code's day showed of itself.
    struct DaySeenAs {
        bool accounted = true;
        std::optional<Refusal> refusal;
        std::string verdict;  // the verdict's spots and files, for the journal and the mark
    };
    std::optional<BatchOptions> dayOptions(const NightJob& job, const std::string& outFolder,
                                           int& code) const;
    int runJob(const NightJob& job, const std::string& outFolder, bool keepMarks);
    int afterDay(const NightJob& job, int code, const DaySeenAs& seen, const std::string& result,
                 bool keepMarks) const;
    void tellPastMarks(const DayFiles& files, const std::vector<Day>& days) const;
    std::optional<int> stopsBefore();
    // The clock read once, with the settings and options.
    DayChoiceInput choiceInput();
    std::vector<std::string> batchWords(const Day& day, const std::string& outFolder,
                                        bool strict) const;

    const NightArgs& m_args;
    const Messages m_messages;
    NightSettings m_settings;
    Account m_account;
    std::vector<SettingsProblem> m_problems;
    std::unique_ptr<PictureModule> m_pictures;
    MeasureCacheOnDemand& m_cache;
    std::string m_startedAt;
    Day m_today;
};

int Night::tellProblems(const std::vector<SettingsProblem>& problems) const {
    for (const SettingsProblem& problem : problems) {
        error(m_args.settings +
              (problem.line > 0 ? ", wiersz " + std::to_string(problem.line) : std::string()) +
              ": " + problem.text);
    }
    return kExitFileError;
}

bool Night::readSettings() {
    const auto bytes = readSettingsFile(m_args.settings, ::getuid(), m_problems);
    if (!bytes) {
        return false;
    }
    SettingsText text = readSettingsText(*bytes);
    m_problems = std::move(text.problems);
    if (text.whole) {
        m_settings = checkSettings(text, m_problems);
    }
    return m_problems.empty();
}

// The account named by UZYTKOWNIK taken as the program's own (dropping root), else the one
// the program runs as (a service with User=).
bool Night::takeAccount() {
    const uid_t me = ::getuid();
    const char* fromService = std::getenv("CACHE_DIRECTORY");
    const std::string service = fromService != nullptr && fromService[0] == '/' ? fromService : "";
    const auto account = accountNamed(m_settings.account);
    if (m_settings.account.empty() && me == 0) {
        tellProblems({{0, "UZYTKOWNIK: ustaw konto operatora okna Kalmero"}});
        return false;
    }
    if (!m_settings.account.empty() && !account) {
        tellProblems({{m_settings.accountLine,
                       "UZYTKOWNIK=" + shortEcho(m_settings.account) + ": nie ma takiego konta"}});
        return false;
    }
    if (account && account->uid == 0) {
        tellProblems({{m_settings.accountLine,
                       "UZYTKOWNIK=" + m_settings.account +
                           ": to konto root; kompilacja działa na koncie operatora okna Kalmero"}});
        return false;
    }
    if (me != 0) {
        // A service run as the account itself (User=), or a run by hand, compiles as it is.
        const auto self = accountOf(me);
        m_account = self ? *self : Account{std::to_string(me), me, ::getgid(), "/"};
        if (!service.empty()) {
            useCacheFolder(service);
        }
        return true;
    }
    m_account = *account;
    // The service's cache folder (CacheDirectory=) in a base everyone may add to and no one
    // list (1733): root may not hand a folder over (no CAP_CHOWN), so the account makes its
    // own after the switch.
    const std::string base = service.empty() ? std::string("/var/cache/kalmero") : service;
    if (::mkdir(base.c_str(), 01733) == 0 || errno == EEXIST) {
        struct stat info {};
        if (::lstat(base.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == 0) {
            ::chmod(base.c_str(), 01733);
        }
    }
    if (const auto why = becomeAccount(m_account)) {
        error(*why);
        return false;
    }
    useCacheFolder(base);
    return true;
}

void Night::useCacheFolder(const std::string& base) {
    const std::string folder = base + "/" + m_account.name;
    ::mkdir(folder.c_str(), 0700);
    struct stat info {};
    if (::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == m_account.uid) {
        ::setenv("XDG_CACHE_HOME", folder.c_str(), 1);
    } else {
        warn("pamięć pomiarów " + folder + " nie jest folderem konta " + m_account.name +
             "; każdy spot zostanie zmierzony od nowa");
    }
}

// The files DODATKOWE_OPCJE names, as the account sees them.
bool Night::inputsThere() const {
    std::vector<SettingsProblem> missing;
    for (const NamedInput& input : m_settings.inputs) {
        if (::access(input.path.c_str(), R_OK) != 0) {
            missing.push_back({input.line, "DODATKOWE_OPCJE: " + input.option + " " + input.path +
                                               ": " + systemReason(errno) + " (konto " +
                                               m_account.name + ")"});
        }
    }
    if (!missing.empty()) {
        tellProblems(missing);
    }
    return missing.empty();
}

std::vector<std::string> Night::batchWords(const Day& day, const std::string& outFolder,
                                           bool strict) const {
    const NightSettings& s = m_settings;
    std::vector<std::string> words = {"kalmero-batch",
                                      "--date",
                                      isoText(day),
                                      "--mix",
                                      s.playlistFolder + "/" + s.playlistPattern,
                                      "--lst",
                                      s.advertFolder + "/" + s.advertPattern,
                                      "--out",
                                      outFolder + "/" + s.resultPattern,
                                      "--mode",
                                      std::to_string(s.mode)};
    if (!s.reportPattern.empty()) {
        words.insert(words.end(), {"--report", outFolder + "/" + s.reportPattern});
    }
    if (!s.breakSeconds.empty()) {
        words.insert(words.end(), {"--break-seconds", s.breakSeconds});
    }
    for (const std::string& map : s.pathMap) {
        words.insert(words.end(), {"--path-map", map});
    }
    words.insert(words.end(), s.extra.begin(), s.extra.end());
    if (!s.picture.empty()) {
        // A test writes nothing beside the day on air: the picture goes with the result.
        const std::string name = s.picture.substr(s.picture.rfind('/') + 1);
        words.insert(
            words.end(),
            {"--picture", m_args.scratch.empty() ? s.picture : m_args.scratch + "/" + name});
    }
    if (s.correctLoudness) {
        words.emplace_back("--popraw-glosnosc");
    }
    if (strict && std::find(words.begin(), words.end(), "--strict") == words.end()) {
        words.emplace_back("--strict");
    }
    return words;
}

std::string jobText(const NightJob& job, const std::string& result) {
    switch (job.reason) {
        case JobReason::BegunWithout:
            return "już trwa, a wyniku " + result + " nie ma: kompiluję go";
        case JobReason::Marked:
            return job.strict ? "ma znacznik (zapisany z kodem 3): kompiluję go ponownie; "
                                "zastąpię wynik tylko wtedy, gdy każdy spot się zgadza"
                              : "ma znacznik, a wyniku " + result + " nie ma: kompiluję go";
        case JobReason::Redo:
            return job.strict ? "już trwa: kompiluję go ponownie na żądanie; zastąpię wynik tylko "
                                "wtedy, gdy każdy spot się zgadza (inaczej: --force)"
                              : "już trwa: kompiluję go ponownie i zastępuję wynik (--force)";
        case JobReason::Target:
            break;
    }
    return "kompiluję do " + result;
}

// The batch options of `job`'s day writing into `outFolder`; nullopt, with the exit code in
// `code` and the reason told, when the day can't be run.
std::optional<BatchOptions> Night::dayOptions(const NightJob& job, const std::string& outFolder,
                                              int& code) const {
    const std::string day = "dzień " + named(job.day);
    const std::vector<std::string> words = batchWords(job.day, outFolder, job.strict);
    std::vector<const char*> argv;
    for (const std::string& word : words) {
        argv.push_back(word.c_str());
    }
    BatchOptions options;
    try {
        options = forDay(parseBatchOptions(static_cast<int>(argv.size()), argv.data()), job.day);
        if (options.config.empty() || options.matrix.empty()) {
            // The account's settings folder, with the default matrix from the package's data.
            const std::string program = programFolder();
            const char* configHome = std::getenv("XDG_CONFIG_HOME");
            const SessionFiles found = SessionFiles::inFolder(
                settingsLocation({program, configHome != nullptr ? configHome : "", m_account.home,
                                  program + KALMERO_NIGHTLY_DATA_FROM_PROGRAM})
                    .folder);
            options.config = options.config.empty() ? found.ini : options.config;
            options.matrix = options.matrix.empty() ? found.matrix : options.matrix;
        }
    } catch (const UsageError& e) {
        error(day + ": kalmero-batch nie przyjął ustawień (" + e.what() + "); sprawdź " +
              m_args.settings);
        code = kExitUsage;
        return std::nullopt;
    } catch (const std::exception& e) {
        error(day + ": " + e.what());
        code = kExitFileError;
        return std::nullopt;
    }
    if (const std::string missing = missingInputs(options); !missing.empty()) {
        error(day +
              (job.reason == JobReason::BegunWithout
                   ? " już trwa i nie ma wyniku: system emisyjny nie ma czego grać; brak "
                   : " nie został zapisany: brak ") +
              missing);
        code = kExitFileError;
        return std::nullopt;
    }
    return options;
}

int Night::runJob(const NightJob& job, const std::string& outFolder, bool keepMarks) {
    int code = kExitWritten;
    const std::optional<BatchOptions> options = dayOptions(job, outFolder, code);
    const std::string result = outFolder + "/" + expandDay(m_settings.resultPattern, job.day);
    if (!options) {
        return afterDay(job, code, DaySeenAs{}, result, keepMarks);
    }
    info("dzień " + named(job.day) + ": " + jobText(job, result));
    DaySeenAs seen;
    code = runBatchDay(*options, weekdayOf(job.day), m_messages, *m_pictures, m_cache,
                       [&](const Session& session, const Outcome& outcome) {
                           seen.refusal = outcome.refusal;
                           if (tellsDaySummary(outcome)) {
                               seen.accounted = session.verdict().accounted();
                               seen.verdict =
                                   session.verdictText(kNamedInJournal) + verdictFiles(session);
                           }
                       });
    return afterDay(job, code, seen, result, keepMarks);
}

int Night::afterDay(const NightJob& job, int code, const DaySeenAs& seen, const std::string& result,
                    bool keepMarks) const {
    const std::string day = "dzień " + named(job.day);
    const DayFiles files(m_settings.resultFolder, m_settings.resultPattern);
    const std::string mark = files.mark(job.day);
    if (!seen.accounted) {
        error(day + ": " + seen.verdict);
    }
    if (job.strict &&
        (seen.refusal == Refusal::UnaccountedSpots || seen.refusal == Refusal::CutPlaylist)) {
        error(day + " nadal nie jest w porządku: na antenie zostaje wynik " + result +
              (keepMarks && present(mark) ? " i jego znacznik " + mark : std::string()));
        return kExitUnaccounted;
    }
    if (keepMarks && code == kExitWritten && present(mark)) {
        if (::unlink(mark.c_str()) == 0) {
            info(day + ": każdy spot się zgadza; wynik " + result +
                 " zastąpiony, znacznik usunięty");
        } else {
            error(day + ": nie mogę usunąć znacznika " + mark + ": " + systemReason(errno));
        }
    }
    if (code == kExitUnaccounted && keepMarks) {
        try {
            writeFileAtomically(mark, markText(job.day, m_startedAt, seen.verdict));
        } catch (const std::exception& e) {
            error(day + ": nie mogę zapisać znacznika " + mark + ": " + e.what());
        }
    }
    if (keepMarks && code != kExitWritten && code != kExitUnaccounted &&
        !before(m_today, job.day) && !present(files.result(job.day))) {
        try {
            writeFileAtomically(mark, missingResultText(job.day, m_startedAt, code));
            error(day + " trwa bez wyniku; znacznik " + mark);
        } catch (const std::exception& e) {
            error(day + ": nie mogę zapisać znacznika " + mark + ": " + e.what());
        }
    }
    if (code == kExitUnaccounted) {
        error(day +
              " zapisany, ale nie każdy zamówiony spot poszedł dokładnie raz ze zmierzoną "
              "długością (kod 3)" +
              (keepMarks ? "; znacznik " + mark : std::string()));
    } else if (code == kExitUsage) {
        error(day + ": kalmero-batch odrzucił wywołanie (kod 2): przyczyna powyżej; " +
              (m_args.scratch.empty()
                   ? "sprawdź WZOR_*, MAPA_SCIEZEK i DODATKOWE_OPCJE w " + m_args.settings
                   : "podaj inny folder --scratch"));
    } else if (code != kExitWritten) {
        error(day +
              (job.reason == JobReason::BegunWithout ? " już trwa bez wyniku i" : std::string()) +
              " nie został zapisany (kod " + std::to_string(code) +
              "): przyczyna powyżej; poprzedni wynik bez zmian");
    }
    return code;
}

// The marked days already over, each with its mark's text: a person must see to them.
void Night::tellPastMarks(const DayFiles& files, const std::vector<Day>& days) const {
    for (const Day& day : days) {
        error("dzień " + named(day) + " minął ze znacznikiem " + files.mark(day) + ":");
        std::string text;
        try {
            text = readWholeFile(files.mark(day));
        } catch (const std::exception& e) {
            text = e.what();
        }
        std::size_t told = 0;
        for (std::size_t start = 0; start < text.size() && told < kMarkLinesTold; ++told) {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            error("  " + shortEcho(std::string_view(text).substr(start, end - start), 300));
            start = end + 1;
        }
    }
}

int Night::acknowledge(const Day& day) const {
    const std::string mark = DayFiles(m_settings.resultFolder, m_settings.resultPattern).mark(day);
    if (!present(mark)) {
        error("dzień " + named(day) + " nie ma znacznika " + mark + "; nic do potwierdzenia");
        return kExitFileError;
    }
    if (::unlink(mark.c_str()) != 0) {
        error("nie mogę usunąć znacznika " + mark + ": " + systemReason(errno));
        return kExitFileError;
    }
    info("dzień " + named(day) + " potwierdzony: znacznik " + mark +
         " usunięty; kolejne uruchomienia już go nie zgłaszają");
    return kExitWritten;
}

int Night::scratchRun(const Day& target) {
    const std::string& scratch = m_args.scratch;
    if (!scratch.starts_with('/')) {
        error("--scratch " + scratch + ": podaj pełną ścieżkę, od /");
        return kExitUsage;
    }
    // The same place however written (a link, "..", a trailing slash): a test must never
    // replace the day on air, its report or the lists.
    const std::pair<const char*, const std::string*> folders[] = {
        {"FOLDER_WYNIKOWY", &m_settings.resultFolder},
        {"FOLDER_PLAYLIST", &m_settings.playlistFolder},
        {"FOLDER_REKLAM", &m_settings.advertFolder}};
    for (const auto& [key, folder] : folders) {
        if (resolved(scratch) == resolved(*folder)) {
            error("--scratch " + scratch + " to folder " + *folder + " (" + key + " w " +
                  m_args.settings + "): próba zapisałaby tam wynik; podaj osobny folder");
            return kExitUsage;
        }
    }
    std::error_code made;
    std::filesystem::create_directories(scratch, made);
    if (made) {
        error("nie mogę utworzyć folderu " + scratch + ": " + systemReason(made.value()) +
              " (konto " + m_account.name + ")");
        return kExitFileError;
    }
    return runJob({target, JobReason::Target, false}, scratch, false);
}

// The settings read and checked, the account taken, the advert lists' folder entered; what
// stopped it told, with the exit code.
std::optional<int> Night::stopsBefore() {
    if (!readSettings()) {
        return tellProblems(m_problems);
    }
    if (!takeAccount() || !inputsThere()) {
        return kExitFileError;
    }
    if (::chdir(m_settings.advertFolder.c_str()) != 0) {
        error("brak folderu " + m_settings.advertFolder + " (FOLDER_REKLAM; albo konto " +
              m_account.name + " nie może do niego wejść): " + systemReason(errno));
        return kExitFileError;
    }
    return std::nullopt;
}

DayChoiceInput Night::choiceInput() {
    // One reading of the clock: the day and the hour agree even a second before midnight.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    m_startedAt = stamp;
    DayChoiceInput input;
    input.today = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    m_today = input.today;
    input.hour = local.tm_hour;
    input.setting = m_settings.day;
    input.named = m_args.day;
    input.redo = m_args.redo || m_settings.redoBegun;
    input.force = m_args.force;
    return input;
}

int Night::run() {
    if (const auto stopped = stopsBefore()) {
        return *stopped;
    }
    const DayFiles files(m_settings.resultFolder, m_settings.resultPattern);
    if (m_args.acknowledge) {
        return acknowledge(*m_args.acknowledge);
    }
    DayChoiceInput input = choiceInput();
    const std::string program = programFolder();
    m_pictures = std::make_unique<PictureModule>(std::vector<std::string>{
        program + KALMERO_NIGHTLY_MODULES_FROM_PROGRAM + "kalmero-picture.so",
        program + "kalmero-picture.so"});
    const Day target = targetDay(input);
    if (!m_args.scratch.empty()) {
        return scratchRun(target);
    }
    input.marked = files.markedDays(input.today, target);
    std::vector<Day> asked = input.marked;
    asked.insert(asked.end(), {input.today, target});
    for (const Day& day : asked) {
        if (present(files.result(day))) {
            input.results.push_back(day);
        }
    }
    const NightPlan plan = chooseDays(input);
    tellPastMarks(files, plan.pastMarks);
    int code = plan.pastMarks.empty() ? kExitWritten : kExitUnaccounted;
    if (plan.leftOnAir) {
        info("dzień " + named(*plan.leftOnAir) + " już trwa, a jego wynik " +
             files.result(*plan.leftOnAir) +
             " istnieje: zostawiam go (ponowna kompilacja: kalmero-nightly --redo)");
    }
    for (const NightJob& job : plan.jobs) {
        code = worseExit(code, runJob(job, m_settings.resultFolder, true));
    }
    return code;
}

}  // namespace

int runNight(const NightArgs& args, MeasureCacheOnDemand& cache) {
    return Night(args, cache).run();
}

}  // namespace kalmero
