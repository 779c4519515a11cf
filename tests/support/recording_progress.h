#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "session/progress.h"

namespace kalmero::test {

// Progress that keeps what it heard, to check what a front end would show.
class RecordingProgress : public Progress {
public:
    void status(std::string_view text) override { statuses.emplace_back(text); }
    // A new maximum starts a new run of the gauge.
    void gaugeMax(std::int64_t max) override {
        gaugeMaxValue = max;
        gaugeDone = 0;
    }
    void gaugeProgress(std::int64_t done) override {
        if (done < gaugeDone) {
            gaugeWentBack = true;
        }
        gaugeDone = done;
    }
    void breathe() override { ++breaths; }
    void listCleared(ListId list) override {
        cleared.push_back(list);
        rows[list] = 0;
    }
    void rowsAppended(ListId list, std::size_t rowCount) override {
        if (rowCount < rows[list]) {
            rowsWentBack = true;
        }
        rows[list] = rowCount;
    }

    std::vector<std::string> statuses;
    std::int64_t gaugeMaxValue = -1;
    std::int64_t gaugeDone = 0;
    bool gaugeWentBack = false;
    std::int64_t breaths = 0;
    std::vector<ListId> cleared;
    std::map<ListId, std::size_t> rows;
    bool rowsWentBack = false;
};

}  // namespace kalmero::test
