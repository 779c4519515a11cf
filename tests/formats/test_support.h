#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/window_port.h"

namespace kalmero::test {

// A fresh folder for one test, removed with everything in it afterwards. Its path ends in "/".
class TempFolder {
public:
    TempFolder() {
        const char* base = std::getenv("KALMERO_TEST_TMP");
        std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/kalmero-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        m_path = pattern + "/";
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(std::string_view name) const { return m_path + std::string(name); }

    // Names of everything in the folder, hidden files included.
    std::set<std::string> entries() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

private:
    std::string m_path;
};

inline void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Row {
    View view;
    std::size_t index;
    std::string caption;
    std::string subItem;
    friend bool operator==(const Row&, const Row&) = default;
};

// A window that keeps what it was told, to check the readers' and writer's effects.
class RecordingWindow : public WindowPort {
public:
    void clearRows(View view) override {
        ++clears;
        std::erase_if(rows, [view](const Row& row) { return row.view == view; });
    }
    void appendRow(View view, std::size_t index, std::string_view caption,
                   std::string_view subItem) override {
        rows.push_back({view, index, std::string(caption), std::string(subItem)});
    }
    void setStatus(std::string_view text) override { statuses.emplace_back(text); }
    void setGaugeMax(std::int64_t max) override { gaugeMax = max; }
    void setGaugeProgress(std::int64_t progress) override {
        // The gauge only moves forward during one run.
        if (progress < gaugeProgress) {
            gaugeWentBack = true;
        }
        gaugeProgress = progress;
    }
    void processEvents() override { ++eventTurns; }
    BreakSettings breakSettings() const override { return settings; }

    std::vector<Row> rows;
    std::vector<std::string> statuses;
    std::int64_t gaugeMax = -1;
    std::int64_t gaugeProgress = 0;
    bool gaugeWentBack = false;
    int clears = 0;
    std::int64_t eventTurns = 0;
    BreakSettings settings;
};

}  // namespace kalmero::test
