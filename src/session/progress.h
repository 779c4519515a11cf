#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kalmero {

// The lists an operator sees.
enum class ListId {
    Playlist,  // ListaMIX
    Adverts,   // ListaLST
    Result,    // ListaWynikowa
};

// What a front end hears while the session works: a status line, a gauge, a moment to keep
// itself responsive, and which lists changed. Rows are announced by count only: a front
// end that shows them makes their texts from the records.
class Progress {
public:
    virtual ~Progress() = default;

    // What is running, UTF-8.
    virtual void status(std::string_view text) = 0;
    virtual void gaugeMax(std::int64_t max) = 0;
    virtual void gaugeProgress(std::int64_t done) = 0;
    // Room for the front end's own events; called every few hundred units of work.
    virtual void breathe() = 0;
    // The list was emptied.
    virtual void listCleared(ListId list) = 0;
    // Records were appended at the list's end; it now holds `rowCount` of them.
    virtual void rowsAppended(ListId list, std::size_t rowCount) = 0;
};

// Hears nothing: for work nobody watches.
class SilentProgress : public Progress {
public:
    void status(std::string_view) override {}
    void gaugeMax(std::int64_t) override {}
    void gaugeProgress(std::int64_t) override {}
    void breathe() override {}
    void listCleared(ListId) override {}
    void rowsAppended(ListId, std::size_t) override {}
};

// A reader's or writer's report of `done` of `total` on `progress`'s gauge: 0 starts it.
inline void gaugeStep(Progress& progress, std::size_t done) {
    progress.gaugeProgress(static_cast<std::int64_t>(done));
    progress.breathe();
}
inline void gauge(Progress& progress, std::size_t done, std::size_t total) {
    if (done == 0) {
        progress.gaugeMax(static_cast<std::int64_t>(total));
        return;
    }
    gaugeStep(progress, done);
}

}  // namespace kalmero
