#include "session/unattended_day.h"

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "session/session.h"

namespace kalmero {

Outcome UnattendedDay::run(const DayRun& day, const SpotMeasurer& measure,
                           DayPictureWriter& pictures) {
    if (m_session.settings().mode == BreakMode::NotSelected) {
        return Outcome::refused(Refusal::NoBreakMode);
    }
    if (Outcome clear = outputsClearOfInputs(day, false); !clear.done()) {
        return clear;
    }
    Outcome loaded = load(day, measure);
    if (!loaded.done()) {
        return loaded;
    }
    Outcome compiled = afterWarnings(std::move(loaded.warnings), m_session.compile(day.weekday));
    if (!compiled.done()) {
        return compiled;
    }
    if (m_session.settings().corrections.on && !m_session.lists().ListaWynikowa.empty()) {
        // The originals are the day's inputs too: no output may stand over one, copies or not.
        if (Outcome clear = outputsClearOfInputs(day, true); !clear.done()) {
            return afterWarnings(std::move(compiled.warnings), std::move(clear));
        }
        compiled = afterWarnings(std::move(compiled.warnings), m_session.correctLoudness());
        if (!compiled.done()) {
            return compiled;
        }
    }
    // A playlist of DJ_ records alone compiles to nothing, and an empty playlist written
    // over last night's would mean dead air.
    if (m_session.lists().ListaWynikowa.empty()) {
        return afterWarnings(std::move(compiled.warnings),
                             Outcome::refused(Refusal::NothingToSave));
    }
    if (day.strict && !m_session.verdict().accounted()) {
        return afterWarnings(std::move(compiled.warnings),
                             Outcome::refused(Refusal::UnaccountedSpots));
    }
    // The spots' files are known once the advert list is read.
    if (Outcome clear = outputsClearOfInputs(day, true); !clear.done()) {
        return afterWarnings(std::move(compiled.warnings), std::move(clear));
    }
    return afterWarnings(std::move(compiled.warnings), write(day, pictures));
}

Outcome UnattendedDay::checkOutputs(const DayRun& day) {
    Outcome clear = outputsClearOfInputs(day, false);
    if (!clear.done() || day.adverts.empty()) {
        return clear;
    }
    if (!m_session.OtworzPlikLST(day.adverts).done()) {
        return Outcome{};
    }
    return outputsClearOfInputs(day, true);
}

Outcome UnattendedDay::outputsClearOfInputs(const DayRun& day, bool withSpots) const {
    std::vector<DayInput> inputs = {
        {day.playlist, "lista MIX"},
        {day.adverts, "lista LST"},
        {m_session.m_store.files().ini, "plik konfiguracji w użyciu"},
        {m_session.m_store.files().matrix, "plik siatki breaków w użyciu"},
    };
    if (m_session.settings().breakSound.on) {
        inputs.emplace_back(m_session.m_tools.decode(m_session.settings().breakSound.path),
                            "dźwięk breaka");
    }
    if (const std::string& cache = m_session.m_tools.loudness.cacheFile; !cache.empty()) {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
            inputs.emplace_back(cache + suffix, "pamięć pomiarów spotów");
        }
    }
    std::set<std::string> spots;
    for (const SpotMeasure& measure : m_session.spotMeasures()) {
        if (withSpots && !measure.localPath.empty() && spots.insert(measure.localPath).second) {
            inputs.emplace_back(measure.localPath, "plik spotu z listy LST");
        }
    }
    return outputsClearOf(day, inputs);
}

Outcome UnattendedDay::load(const DayRun& day, const SpotMeasurer& measure) {
    Outcome outcome = m_session.otworzPlikMIX(day.playlist);
    if (!outcome.done()) {
        return outcome;
    }
    if (day.strict && !outcome.warnings.empty()) {
        return afterWarnings(std::move(outcome.warnings), Outcome::refused(Refusal::CutPlaylist));
    }
    if (m_session.lists().ListaMIX.empty()) {
        return afterWarnings(std::move(outcome.warnings), Outcome::refused(Refusal::EmptyPlaylist));
    }
    if (day.adverts.empty()) {
        return outcome;
    }
    outcome =
        afterWarnings(std::move(outcome.warnings), m_session.OtworzPlikLST(day.adverts, measure));
    if (!outcome.done()) {
        return outcome;
    }
    return afterWarnings(std::move(outcome.warnings), m_session.measureLoudness());
}

Outcome UnattendedDay::write(const DayRun& day, DayPictureWriter& pictures) {
    std::vector<DayOutput> others;
    const Outcome drawn = runCommand([&] {
        if (!day.report.empty()) {
            others.emplace_back(day.report, m_session.m_tools.decode(m_session.placementCsv()));
        }
        if (!day.picture.empty()) {
            const std::optional<PictureKind> kind = pictureKindOf(day.picture);
            if (!kind) {
                return Outcome::failed("Nieznany rodzaj pliku \"" + day.picture +
                                       "\": obraz zapisuje się jako .png lub .pdf.");
            }
            const DayTitle title{day.date, day.weekday,
                                 std::filesystem::path(day.playlist).filename().string(),
                                 std::filesystem::path(day.adverts).filename().string(),
                                 findingTexts(m_session.findings())};
            others.emplace_back(day.picture,
                                pictures.renderDayPicture(*kind, m_session.lists().ListaWynikowa,
                                                          m_session.lastCompile().blocks,
                                                          m_session.lastCompile().checks,
                                                          m_session.louderThanProgramme(), title));
        }
        return Outcome{};
    });
    return drawn.done() ? m_session.writeResult(day.result, others) : drawn;
}

}  // namespace kalmero
