#include "cli/batch_options.h"

#include <CLI/CLI.hpp>
#include <array>
#include <vector>

#include "cli/day_dates.h"
#include "formats/path_map_settings.h"
#include "platform/encoding.h"
#include "session/picture_kind.h"

namespace kalmero {

const std::string_view kUsage =
    R"(kalmero-batch --mix FILE --out FILE [options]   (this help is English, for technicians;
the command's summary, warnings and errors are Polish, as the window's)
  --lst FILE            advert list; without it, no adverts
  --weekday N           0 (Monday) .. 6 (Sunday), or pn wt sr cz pi so nd; default 0
  --mode N              0 nearest the full hour, 1 exactly on the full hour, 2 no news breaks;
                        default: key Start of section Break of the configuration (0 when absent)
  --fade | --no-fade    fade the item cut by a break in mode 1; default: key Fade
  --break-seconds N     break length, whole seconds 0..2147483; default: key Time (10)
  --matrix FILE         break matrix; default: matryca.dat in the settings folder (below)
  --break-sound PATH    put this audio file in place of every news break (Typ=SND items)
  --no-break-sound      plain break markers even when the configuration turns the sound on
  --config FILE         configuration; default: kalmero.ini in the settings folder (below); a
                        missing file gives the defaults. It reads CzyDzwiek and FolderPlikBreak
                        too, and the limits of section Kontrola.
  --report FILE.csv     also write a table of the advert spots: block time, title, path,
                        length, times placed, why a spot was not placed as listed, and its
                        block's booked time, aired time and drift
  --picture FILE        also draw the compiled day, one row per hour, as FILE.png or FILE.pdf
  --drift-limit MIN     name the advert blocks aired more than MIN minutes from their booked
                        time; default: key DriftMinutes of section Kontrola (5)
  --path-map PREFIX=FOLDER
                        find the spots whose path lines start with PREFIX (a drive or share
                        as the advert list writes it, e.g. 'C:\Radio' or '\\SERWER\reklamy')
                        under the local FOLDER, for measuring only (the path lines go into
                        the result as they stand); repeatable, added to the lines of section
                        Sciezki of the configuration, a PREFIX given here winning over its line
  --strict              refuse a day on any warning (a playlist cut short) or with a spot
                        not accounted for (exit 3 below): nothing written
  --in-place            where an output's folder takes no new file but the file may be
                        written, overwrite it in place (space reserved first, the result
                        before the other outputs, a warning that it was not one step); by
                        default such a day is refused, nothing replaced. Key NadpisujWMiejscu
                        of section Foldery (1) does the same
  --popraw-glosnosc     correct the loud adverts before air: each spot above a loudness
                        target, or in a block louder than its programme, gets a lowered
                        copy (same format, beside the original or in FolderPoprawionych of
                        section Kontrola) that the result names instead, once the copy
                        measures within the targets; originals are only read. Key
                        PoprawGlosnosc of section Kontrola (1) does the same
  --date DAY            the day to compile: YYYY-MM-DD, today, tomorrow or +N (days from
                        today, local time); sets the weekday (not with --weekday) and fills
                        %Y %m %d %y %j %a (pn..nd) and %% in the paths of --mix --lst --out
                        --report --picture
  --days N              compile N consecutive days from --date, each from its own files to
                        its own result; a day whose files are missing is skipped
  --help                print this text

Exit: 0 written, every booked spot aired exactly once with a measured length;
      1 a file error or refusal (the previous result stays); 2 a usage error;
      3 written, but a spot is unmeasured, never placed or placed more than once,
        or its path line is longer than the 246 characters the result keeps, or an
        advert list line was skipped or holds no time of the day (the summary names
        them). With --days, the worst day's: 2, then 1, then 3.
Settings: kalmero.ini and matryca.dat beside the program when either is there (portable
layout); otherwise $XDG_CONFIG_HOME/kalmero/ (~/.config/kalmero/), where the default matrix
is copied on first use. --config and --matrix choose other files.
)";

std::optional<int> parseWeekday(std::string_view text) {
    static constexpr std::array<std::string_view, 7> kShort = {"pn", "wt", "sr", "cz",
                                                               "pi", "so", "nd"};
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '6') {
        return text[0] - '0';
    }
    if (text == "\xC5\x9Br") {  // "śr" as typed on a Polish keyboard
        return 2;
    }
    for (std::size_t i = 0; i < kShort.size(); ++i) {
        if (text == kShort[i]) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

namespace {

// The options whose values are checked after parsing: the text as typed and whether given.
struct Typed {
    std::string text;
    CLI::Option* option = nullptr;

    bool given() const { return option->count() > 0; }
};

struct TypedOptions {
    Typed weekday;
    Typed mode;
    Typed seconds;
    Typed breakSound;
    Typed date;
    Typed days;
    Typed drift;
    std::vector<std::string> pathMap;
    CLI::Option* fade = nullptr;
    CLI::Option* noFade = nullptr;
};

void declareOptions(CLI::App& app, BatchOptions& options, TypedOptions& typed) {
    app.set_help_flag();
    app.allow_windows_style_options(false);
    app.add_flag("-h,--help", options.help);
    app.add_option("--mix", options.mix);
    app.add_option("--out", options.out);
    app.add_option("--lst", options.lst);
    typed.weekday.option = app.add_option("--weekday", typed.weekday.text);
    typed.mode.option = app.add_option("--mode", typed.mode.text);
    typed.fade = app.add_flag("--fade");
    typed.noFade = app.add_flag("--no-fade");
    typed.seconds.option = app.add_option("--break-seconds", typed.seconds.text);
    app.add_option("--matrix", options.matrix);
    typed.breakSound.option = app.add_option("--break-sound", typed.breakSound.text);
    CLI::Option* noSound = app.add_flag("--no-break-sound", options.noBreakSound);
    app.add_option("--config", options.config);
    app.add_option("--report", options.report);
    app.add_option("--picture", options.picture);
    typed.date.option = app.add_option("--date", typed.date.text);
    typed.days.option = app.add_option("--days", typed.days.text);
    typed.drift.option = app.add_option("--drift-limit", typed.drift.text);
    app.add_option("--path-map", typed.pathMap)->allow_extra_args(false);
    CLI::Option* strict = app.add_flag("--strict", options.strict);
    CLI::Option* inPlace = app.add_flag("--in-place", options.inPlace);
    CLI::Option* correct = app.add_flag("--popraw-glosnosc", options.correctLoudness);
    typed.fade->excludes(typed.noFade);
    typed.breakSound.option->excludes(noSound);
    for (CLI::Option* flag : {typed.fade, typed.noFade, noSound, strict, inPlace, correct}) {
        flag->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    }
}

// The compile's settings: weekday, mode, fade, break length and sound.
void readSettingOptions(const TypedOptions& typed, BatchOptions& options) {
    if (typed.weekday.given()) {
        options.weekday = parseWeekday(typed.weekday.text);
        if (!options.weekday) {
            throw UsageError("--weekday must be 0..6 or one of pn wt sr cz pi so nd, not \"" +
                             typed.weekday.text + "\"");
        }
    }
    if (typed.mode.given()) {
        const std::string& mode = typed.mode.text;
        if (mode.size() != 1 || mode[0] < '0' || mode[0] > '2') {
            throw UsageError("--mode must be 0, 1 or 2, not \"" + mode + "\"");
        }
        options.mode = mode[0] - '0';
    }
    if (typed.fade->count() > 0) {
        options.fade = true;
    } else if (typed.noFade->count() > 0) {
        options.fade = false;
    }
    if (typed.seconds.given()) {
        options.breakLength = BreakLength::fromDigits(typed.seconds.text);
        if (!options.breakLength) {
            throw UsageError("--break-seconds must be a whole number of seconds from 0 to " +
                             std::to_string(BreakLength::kMaxSeconds) + ", not \"" +
                             typed.seconds.text + "\"");
        }
    }
    if (typed.breakSound.given()) {
        options.breakSound = typed.breakSound.text;
    }
}

// Which days, and the checks' drift limit.
void readDayOptions(const TypedOptions& typed, BatchOptions& options) {
    if (typed.date.given()) {
        if (typed.weekday.given()) {
            throw UsageError("--date sets the weekday; give --date or --weekday, not both");
        }
        options.date = typed.date.text;
    }
    if (typed.days.given()) {
        if (!options.date) {
            throw UsageError("--days counts from --date; give --date as well");
        }
        const auto count = wholeNumber(typed.days.text, 366);
        if (!count || *count < 1) {
            throw UsageError("--days must be a whole number from 1 to 366, not \"" +
                             typed.days.text + "\"");
        }
        options.days = *count;
    }
    if (typed.drift.given()) {
        const auto minutes = wholeNumber(typed.drift.text, 24 * 60);
        if (!minutes) {
            throw UsageError("--drift-limit must be whole minutes from 0 to 1440, not \"" +
                             typed.drift.text + "\"");
        }
        options.driftLimitMs = std::int64_t{*minutes} * 60'000;
    }
}

// The path map's lines, typed in UTF-8, stored as the configuration holds them.
void readPathMap(const TypedOptions& typed, BatchOptions& options) {
    for (const std::string& value : typed.pathMap) {
        const auto bytes = utf8ToCp1250(value);
        const PathMapRefusal refusal =
            bytes ? addPathMapValue(options.pathMap, *bytes)
                  : PathMapRefusal("not UTF-8 text, or a character Windows-1250 can't hold");
        if (refusal) {
            throw UsageError("--path-map \"" + value + "\": " + *refusal);
        }
    }
}

}  // namespace

BatchOptions parseBatchOptions(int argc, const char* const* argv) {
    BatchOptions options;
    TypedOptions typed;
    CLI::App app{"kalmero-batch"};
    declareOptions(app, options, typed);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (options.help) {
            return options;
        }
        throw UsageError(e.what());
    }
    if (options.help) {
        return options;
    }
    if (options.mix.empty()) {
        throw UsageError("--mix FILE is required");
    }
    if (options.out.empty()) {
        throw UsageError("--out FILE is required");
    }
    // Known before the day's work, not after it.
    if (!options.picture.empty() && !pictureKindOf(options.picture)) {
        throw UsageError("--picture \"" + options.picture +
                         "\": obraz zapisuje się jako .png lub .pdf");
    }
    readSettingOptions(typed, options);
    readDayOptions(typed, options);
    readPathMap(typed, options);
    return options;
}

}  // namespace kalmero
