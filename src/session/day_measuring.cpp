#include "session/day_measuring.h"

#include <string_view>
#include <unordered_map>
#include <utility>

namespace kalmero {

DayMeasuring::DayMeasuring(Progress& progress, const SessionTools& tools, DayLoads& loads,
                           const DayCompile& compiled, const StationStore& store)
    : m_progress(progress), m_tools(tools), m_loads(loads), m_compiled(compiled), m_store(store) {}

LoudnessPlan DayMeasuring::plan() const {
    std::vector<std::string> localPaths;
    localPaths.reserve(m_loads.lists().ListaLST.size());
    for (std::size_t i = 0; i < m_loads.lists().ListaLST.size(); ++i) {
        localPaths.push_back(i < m_loads.spotMeasures().size() ? m_loads.spotMeasures()[i].localPath
                                                               : std::string());
    }
    LoudnessPlan plan = planLoudness(m_loads.lists().ListaLST, localPaths, m_tools.encode);
    // The programme is there to compare blocks with: a day without spots has none.
    if (!m_loads.lists().ListaLST.empty()) {
        planProgramme(plan, m_loads.lists().ListaMIX, m_loads.programmePaths(), m_tools.encode);
    }
    return plan;
}

LoudnessPlan DayMeasuring::located() {
    m_loads.locateProgramme(m_store.settings().pathMap);
    return plan();
}

std::unique_ptr<LoudnessJob> DayMeasuring::start(LoudnessSteps steps,
                                                 std::function<void()> finished) {
    LoudnessPlan plan = located();
    if (!m_tools.loudness.measure || plan.files.empty()) {
        return nullptr;
    }
    return std::make_unique<LoudnessJob>(std::move(plan), m_tools.loudness.measure,
                                         std::move(steps), std::move(finished));
}

bool DayMeasuring::take(const LoudnessJob& job) {
    return job.finished() && take(job.plan(), job.measured());
}

bool DayMeasuring::take(const LoudnessPlan& plan, const LoudnessMeasuring& measured) {
    // A plan is made from the lists it measures; any other would get strangers' figures.
    if (plan != this->plan()) {
        return false;
    }
    m_loudness = DayLoudness(plan, measured, m_store.settings().loudness);
    checkProgramme();
    return true;
}

void DayMeasuring::forget() {
    m_loudness = DayLoudness{};
    m_programme.clear();
    m_louder.clear();
}

void DayMeasuring::checkProgramme() {
    m_programme.clear();
    m_louder.clear();
    const Lista& result = m_loads.lists().ListaWynikowa;
    if (!m_loudness.delivered() || result.empty()) {
        return;
    }
    // A result record copies its playlist item whole: the path line tells which it is.
    std::unordered_map<std::string_view, std::size_t> itemOfLine;
    for (std::size_t i = 0; i < m_loads.lists().ListaMIX.size(); ++i) {
        itemOfLine.emplace(m_loads.lists().ListaMIX[i].value(Field::Adr), i);
    }
    const std::vector<std::size_t>& origins = m_compiled.record().origins;
    std::vector<const SpotLoudness*> audio(result.size(), nullptr);
    for (std::size_t r = 0; r < result.size(); ++r) {
        if (r < origins.size() && origins[r] != kNoOrigin) {
            audio[r] = m_loudness.spot(origins[r]);
        } else if (const auto item = itemOfLine.find(result[r].value(Field::Adr));
                   item != itemOfLine.end()) {
            audio[r] = m_loudness.item(item->second);
        }
    }
    m_programme = checkBlocksAgainstProgramme(result, origins, m_compiled.record().blocks, audio,
                                              m_store.settings().loudness);
    for (const BlockAgainstProgramme& block : m_programme) {
        if (block.tooLoud) {
            for (const std::size_t spot : block.spots) {
                m_louder.push_back({spot, programmeFindingText(block)});
            }
        }
    }
}

Outcome DayMeasuring::measure() {
    return runCommand([&] {
        // The programme's files counted with the spots', so that the gauge ends with the run.
        const std::size_t files = located().files.size();
        if (files == 0 || !m_tools.loudness.measure) {
            return Outcome{};
        }
        m_progress.status("Pomiar głośności spotów i programu...");
        gauge(m_progress, 0, files);
        // The measuring threads call one at a time while this one waits for them.
        const std::unique_ptr<LoudnessJob> job = start(
            [this](std::size_t done, std::size_t) {
                m_progress.gaugeProgress(static_cast<std::int64_t>(done));
            },
            {});
        job->wait();
        take(*job);
        m_progress.status("Pomiar głośności - gotowe!");
        Outcome outcome;
        if (const std::string warning = job->measured().warning; !warning.empty()) {
            outcome.warnings.push_back(warning);
        }
        return outcome;
    });
}

std::string DayMeasuring::summary() const {
    return m_loudness.summary(m_loads.lists().ListaLST, m_tools.decode) +
           programmeSummary(m_programme);
}

}  // namespace kalmero
