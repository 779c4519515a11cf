#include "session/outcome.h"

#include <iterator>
#include <new>
#include <stdexcept>
#include <utility>

#include "compiler/compiler.h"
#include "model/file_error.h"

namespace kalmero {

namespace {

constexpr std::string_view kOutOfMemory =
    "Za mało pamięci, by dokończyć to polecenie; nic nie zostało zapisane.";

}  // namespace

std::string_view refusalText(Refusal refusal) {
    switch (refusal) {
        case Refusal::EmptyPlaylist:
            return "Lista MIX jest pusta!";
        case Refusal::NoBreakMode:
            return "Wybierz sposób wstawiania breaków!";
        case Refusal::LineBreakInSoundPath:
            return "Ścieżka dźwięku breaka zawiera znak końca linii lub NUL i nie może trafić "
                   "do pliku MIX!";
        case Refusal::EmptyResultName:
            return "Nazwa pliku wynikowego jest pusta!";
        case Refusal::NothingToSave:
            return "Nie ma czego zapisywać!";
        case Refusal::CutPlaylist:
            return "Plik MIX jest niepełny (zobacz ostrzeżenia); w trybie ścisłym nic nie "
                   "zostało zapisane.";
        case Refusal::UnaccountedSpots:
            return "Nie każdy spot został wstawiony dokładnie raz ze zmierzoną długością i "
                   "dźwiękiem albo lista LST ma pominięte linie (zobacz podsumowanie); w trybie "
                   "ścisłym nic nie zostało zapisane.";
        case Refusal::StaleResult:
            return "Wynik nie odpowiada wczytanym listom: naciśnij Przelicz";
        case Refusal::OutputOverInput:
            return "Plik wyjściowy jest plikiem, który ten przebieg czyta; nic nie zostało "
                   "zapisane.";
    }
    return {};
}

Outcome Outcome::refused(Refusal refusal) {
    Outcome outcome;
    outcome.kind = Kind::Refused;
    outcome.refusal = refusal;
    outcome.message = std::string(refusalText(refusal));
    return outcome;
}

Outcome Outcome::failed(std::string message) {
    Outcome outcome;
    outcome.kind = Kind::Failed;
    outcome.message = std::move(message);
    return outcome;
}

Outcome afterWarnings(std::vector<std::string> earlier, Outcome next) {
    earlier.insert(earlier.end(), std::make_move_iterator(next.warnings.begin()),
                   std::make_move_iterator(next.warnings.end()));
    next.warnings = std::move(earlier);
    return next;
}

Outcome runCommand(const std::function<Outcome()>& command) {
    try {
        return command();
    } catch (const FileError& error) {
        return Outcome::failed(error.what());
    } catch (const TimeOverflow& error) {
        return Outcome::failed(error.what());
    } catch (const std::bad_alloc&) {
        return Outcome::failed(std::string(kOutOfMemory));
    } catch (const std::length_error&) {
        return Outcome::failed(std::string(kOutOfMemory));
    }
}

}  // namespace kalmero
