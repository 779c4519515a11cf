#include "nightly/night_marks.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace kalmero {

namespace {

constexpr int kMarkYears = 10;

std::pair<std::string, std::string> split(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// The names in `folder` that start with "." and end with ".niepewny".
std::set<std::string> markNames(const std::string& folder) {
    std::set<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name.starts_with('.') && name.ends_with(".niepewny")) {
            names.emplace(name);
        }
    }
    return names;
}

std::string pastMarkText(const Day& day) {
    return "Po dniu emisji każde uruchomienie zgłasza go w dzienniku jako błąd, dopóki technik "
           "nie potwierdzi: kalmero-nightly --acknowledge " +
           isoText(day) + "\n";
}

}  // namespace

bool present(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::string DayFiles::result(const Day& day) const {
    return m_folder + "/" + expandDay(m_pattern, day);
}

std::string DayFiles::mark(const Day& day) const {
    const auto [folder, name] = split(result(day));
    return folder + "." + name + ".niepewny";
}

std::vector<Day> DayFiles::markedDays(const Day& today, const Day& target) const {
    const std::vector<Day> targetOnly =
        present(mark(target)) ? std::vector<Day>{target} : std::vector<Day>{};
    // One listing per folder: a pattern may put each month in a folder of its own.
    std::map<std::string, std::set<std::string>> listed;
    std::set<std::string> names;
    std::vector<Day> days;
    const int span = kMarkYears * 366;
    for (int offset = -span; offset <= span; ++offset) {
        const Day day = addDays(today, offset);
        const std::string path = mark(day);
        if (!names.insert(path).second) {
            // A name without the whole date ("%a.mix", "dzien.mix") is shared by many days:
            // its mark can only be the target's.
            return targetOnly;
        }
        const auto [folder, name] = split(path);
        auto found = listed.find(folder);
        if (found == listed.end()) {
            found = listed.emplace(folder, markNames(folder)).first;
        }
        if (found->second.contains(name)) {
            days.push_back(day);
        }
    }
    // A target named by its date may lie beyond the years looked at.
    if (std::find(days.begin(), days.end(), target) == days.end() && !targetOnly.empty()) {
        days.push_back(target);
    }
    return days;
}

std::string markText(const Day& day, const std::string& written, const std::string& spots) {
    return "Dzień " + isoText(day) + " zapisany przez kalmero-nightly " + written +
           " z kodem 3: nie każdy zamówiony spot poszedł dokładnie raz ze zmierzoną długością.\n" +
           spots + "\n" +
           "Dopóki dzień trwa albo jest przed nami, każde uruchomienie kalmero-nightly kompiluje "
           "go ponownie (--strict) i zastępuje wynik tylko wtedy, gdy każdy spot się zgadza; "
           "wtedy ten plik znika.\n" +
           pastMarkText(day);
}

std::string missingResultText(const Day& day, const std::string& tried, int code) {
    return "Dzień " + isoText(day) + " nie ma wyniku: kalmero-nightly nie mógł go zapisać " +
           tried + ", gdy dzień już trwał (kod " + std::to_string(code) +
           "; przyczyna w dzienniku z tej chwili).\n" +
           "Dopóki dzień trwa, każde uruchomienie kalmero-nightly próbuje go skompilować; gdy "
           "się uda, ten plik znika.\n" +
           pastMarkText(day);
}

}  // namespace kalmero
