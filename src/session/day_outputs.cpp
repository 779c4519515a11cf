#include "session/day_outputs.h"

#include "formats/mix_file.h"
#include "platform/file_identity.h"
#include "platform/output_lock.h"
#include "session/disk_files.h"

namespace kalmero {

Outcome writeOutputs(Progress& progress, const Lista& result, InPlace inPlace,
                     const std::string& path, const std::vector<DayOutput>& others) {
    Outcome outcome = runCommand([&] {
        progress.status("Zapisywanie wynikowego pliku MIX...");
        const OutputLock lock(path);
        StagedWrites outputs(inPlace);
        for (const auto& [otherPath, bytes] : others) {
            outputs.stage(otherPath).append(bytes);
        }
        // Last: the result is what claims the run, so it is the last to be put in place.
        appendMix(outputs.stage(path), result, [&progress](std::size_t done, std::size_t total) {
            gauge(progress, done, total);
        });
        const std::vector<ReplaceOutcome> replaced = outputs.commitAll();
        progress.status("Zapisywanie wynikowego pliku MIX - gotowe!");
        Outcome done;
        if (!lock.warning().empty()) {
            done.warnings.push_back(lock.warning());
        }
        for (std::size_t i = 0; i < replaced.size(); ++i) {
            std::string note = replacementNote(replaced[i]);
            if (note.empty()) {
                continue;
            }
            // The result's note stands alone, as the window shows it; the others say whose.
            done.warnings.push_back(i < others.size() ? others[i].first + ": " + note
                                                      : std::move(note));
        }
        return done;
    });
    if (!outcome.done()) {
        progress.gaugeProgress(0);
        progress.status("Zapisywanie wynikowego pliku MIX nie powiodło się.");
    }
    return outcome;
}

Outcome outputsClearOf(const DayRun& day, const std::vector<DayInput>& inputs) {
    for (const std::string* output : {&day.result, &day.report, &day.picture}) {
        for (const auto& [input, what] : inputs) {
            if (!output->empty() && !input.empty() && sameFile(*output, input)) {
                Outcome refused = Outcome::refused(Refusal::OutputOverInput);
                refused.message += " " + *output + ": " + what + " (" + input + ").";
                return refused;
            }
        }
    }
    return Outcome{};
}

}  // namespace kalmero
