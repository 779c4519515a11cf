#include "session/session.h"

#include <utility>

#include "formats/text_lines.h"

namespace kalmero {

Session::Session(SessionFiles files, Progress& progress)
    : Session(std::move(files), progress, stationTools()) {}

Session::Session(SessionFiles files, Progress& progress, SessionTools tools)
    : m_progress(progress),
      m_tools(std::move(tools)),
      m_store(std::move(files), m_tools.decode),
      m_loads(progress, m_tools),
      m_compile(progress, m_loads, m_store),
      m_measuring(progress, m_tools, m_loads, m_compile, m_store),
      m_corrections(progress, m_tools, m_loads, m_compile, m_measuring, m_store) {
    for (auto* convert : {&m_tools.decode, &m_tools.encode}) {
        if (!*convert) {
            *convert = [](std::string_view text) { return std::string(text); };
        }
    }
}

Outcome Session::otworzPlikMIX(const std::string& path) {
    m_measuring.forget();
    return runCommand([&] { return m_loads.loadPlaylist(path); });
}

Outcome Session::OtworzPlikLST(const std::string& path, const SpotMeasurer& measure) {
    m_measuring.forget();
    m_corrections.forget();
    return runCommand([&] { return m_loads.loadAdverts(path, measure, settings().pathMap); });
}

Outcome Session::compile(int weekday) {
    return m_compile.compile(weekday, [this] { m_measuring.checkProgramme(); });
}

Outcome Session::save(std::string_view name) {
    if (isBlankText(name, Blanks::CWhitespace)) {
        return Outcome::refused(Refusal::EmptyResultName);
    }
    return saveTo(resultPath(name));
}

std::string Session::resultPath(std::string_view name) const {
    // The output folder ends in "/" when chosen in the program; the name is used as typed.
    return m_tools.decode(settings().folder(Folder::Results)) + std::string(name) + ".mix";
}

Outcome Session::saveTo(const std::string& path) {
    if (lists().ListaWynikowa.empty()) {
        return Outcome::refused(Refusal::NothingToSave);
    }
    if (!resultCurrent()) {
        return Outcome::refused(Refusal::StaleResult);
    }
    return writeResult(path, {});
}

Outcome Session::writeResult(const std::string& path, const std::vector<DayOutput>& others) {
    return writeOutputs(m_progress, lists().ListaWynikowa,
                        settings().inPlaceAllowed ? InPlace::Allowed : InPlace::Refused, path,
                        others);
}

Outcome Session::correctLoudness() {
    bool aired = false;
    Outcome corrected = m_corrections.correct(aired);
    if (!corrected.done() || !aired) {
        return corrected;
    }
    Outcome compiled =
        afterWarnings(std::move(corrected.warnings), compile(lastCompile().settings.weekday));
    if (!compiled.done()) {
        return compiled;
    }
    return afterWarnings(std::move(compiled.warnings), measureLoudness());
}

void Session::clear() {
    m_loads.clear();
    m_measuring.forget();
    m_corrections.forget();
    m_compile.discard();
    for (const ListId list : {ListId::Playlist, ListId::Adverts, ListId::Result}) {
        m_progress.listCleared(list);
    }
}

}  // namespace kalmero
