#include "session/session.h"

#include <utility>

namespace kalmero {

namespace {

// The code points Unicode counts as white space: what a person sees as nothing.
bool isWhiteSpace(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

}  // namespace

bool isBlankResultName(std::string_view name) {
    std::size_t i = 0;
    while (i < name.size()) {
        const auto lead = static_cast<unsigned char>(name[i]);
        // No white space takes four bytes; a byte that is no UTF-8 is something to see.
        const std::size_t length = lead < 0x80             ? 1
                                   : (lead & 0xE0) == 0xC0 ? 2
                                   : (lead & 0xF0) == 0xE0 ? 3
                                                           : 0;
        if (length == 0 || i + length > name.size()) {
            return false;
        }
        char32_t c = length == 1 ? lead : lead & (length == 2 ? 0x1F : 0x0F);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(name[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (next & 0x3F);
        }
        if (!isWhiteSpace(c)) {
            return false;
        }
        i += length;
    }
    return true;
}

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
    Outcome outcome = m_compile.compile(weekday, [this] { m_measuring.checkProgramme(); });
    if (!outcome.done()) {
        // A failure took the result: what was compared with its blocks goes with it.
        m_measuring.checkProgramme();
    }
    return outcome;
}

Outcome Session::save(std::string_view name) {
    if (isBlankResultName(name)) {
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
