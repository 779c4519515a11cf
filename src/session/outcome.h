#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kalmero {

// The operator's checks that stop a command before it starts.
enum class Refusal {
    EmptyPlaylist,         // compile without a playlist
    NoBreakMode,           // compile with no way of placing breaks chosen
    LineBreakInSoundPath,  // a break sound path that would split its MIX line
    EmptyResultName,       // save without a name
    NothingToSave,         // save with an empty result
    CutPlaylist,           // a strict day whose playlist was cut short
    UnaccountedSpots,      // a strict day with a spot not aired exactly once with a length
    OutputOverInput,       // a day's output naming a file the day reads
    StaleResult,           // save of a result that compiling now would not give
};

// The message an operator reads for a refusal (UTF-8).
std::string_view refusalText(Refusal refusal);

// How a command ended. A refusal touched nothing; a failure (a file that could not be
// read or written, or memory exhausted) left any previous result file intact.
struct Outcome {
    enum class Kind { Done, Refused, Failed };

    Kind kind = Kind::Done;
    std::optional<Refusal> refusal;
    // The refusal's text or the failure's (UTF-8); empty when done.
    std::string message;
    // Things the operator should hear of a command that did its work: a playlist cut short,
    // a result file whose owner could not be kept (UTF-8).
    std::vector<std::string> warnings;

    bool done() const { return kind == Kind::Done; }
    static Outcome refused(Refusal refusal);
    static Outcome failed(std::string message);
};

// `next` with the warnings of the steps before it first.
Outcome afterWarnings(std::vector<std::string> earlier, Outcome next);

// Runs `command`, a file that can't be read or written, a time past the model's range or
// memory exhausted coming back as a failure with the operator's text.
Outcome runCommand(const std::function<Outcome()>& command);

}  // namespace kalmero
