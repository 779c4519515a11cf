#pragma once

#include <string>

namespace kalmero::bench {

// Titles and performers as a station's playlist holds them: Polish letters in Windows-1250,
// so that the benchmarks carry the bytes a real day does.
inline std::string sampleTitle(int index) {
    static const char* const kTitles[] = {
        "Wiadomo\x9C"
        "ci z kraju",
        "Piosenka o mi\xB3o\x9C"
        "ci",
        "\xAF\xF3\xB3ta r\xF3\xBF"
        "a",
        "Ma\xB3y ksi\xB9\xBF\xEA",
        "Jesienne \x9Cwiat\xB3"
        "a",
        "Dziewczyna z Gda\xF1ska",
    };
    return std::string(kTitles[index % 6]) + " " + std::to_string(index % 397);
}

inline std::string samplePerformer(int index) {
    static const char* const kPerformers[] = {
        "Zesp\xF3\xB3 \xA3\xF3"
        "d\x9F",
        "Krzysztof \x8Cwik",
        "Ma\xB3gorzata W\xF3jcik",
        "Orkiestra Rozg\xB3o\x9Cni",
        "Kwartet \x8Cl\xB9ski",
    };
    return kPerformers[index % 5];
}

}  // namespace kalmero::bench
