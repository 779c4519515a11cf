#include <gtest/gtest.h>

#include <random>

#include "fixtures.h"

namespace kalmero {
namespace {

using namespace kalmero::test;

// The compile as plain scans over the lists, step by step as the rules read: the model the
// indexed compiler must match record for record.
class PlainCompile {
public:
    PlainCompile(Lists& lists, const CompileSettings& settings)
        : m_lists(lists), m_settings(settings), m_breakMs(settings.length.ms()) {}

    // Compiles with ListaBreak as it stands (the indexed side builds the same list).
    void run() {
        m_shift = 0;
        m_lists.ListaWynikowa.clear();
        const Lista& mix = m_lists.ListaMIX;
        for (std::size_t i = 0; i < mix.size(); ++i) {
            const TPozycja r = mix[i];
            m_current = i;
            if (r.line(Field::Typ) == "Typ=DJ_") {
                continue;
            }
            const std::int64_t start = r.CzasStart + m_shift;
            const std::int64_t end = start + r.CzasGrania;
            const int mode = breakModeIndex(m_settings.mode);
            const int b = (mode == 0 || mode == 1) && !m_lists.ListaBreak.empty()
                              ? check(m_lists.ListaBreak, start, end)
                              : 0;
            if (b == 0) {
                const int a = lst(start, end);
                if (a == 1) {
                    addLst(true, start, end);
                }
                addMix(r);
                if (a == 2) {
                    addLst(false, start, end);
                }
            } else if (mode == 0 && b == 1) {
                addBreaks(true, start, end);
                const std::int64_t ne = r.CzasStart + m_shift + r.CzasGrania;
                const int a = lst(start, ne);
                if (a == 1) {
                    addLst(true, start, ne);
                }
                addMix(r);
                if (a == 2) {
                    addLst(false, start, ne);
                }
            } else if (mode == 0) {
                addMix(r);
                addBreaks(false, start, end);
                const std::int64_t ne = r.CzasStart + m_shift + r.CzasGrania;
                if (lst(start, ne) != 0) {
                    addLst(false, start, ne);
                }
            } else {
                addMix(r);
                const std::int64_t hour = (end / 3'600'000) * 3'600'000;
                m_shift -= end - hour;
                addBreaks(true, hour, end);
                const std::int64_t ne = r.CzasStart + m_shift + r.CzasGrania;
                if (lst(hour, ne) != 0) {
                    addLst(false, hour, ne);
                }
            }
        }
    }

    static int check(const Lista& list, std::int64_t from, std::int64_t to) {
        int result = 0;
        for (const TPozycja& e : list) {
            const std::int64_t t = e.CzasStart;
            if (from <= t && t <= to) {
                result = 2 * (t - from) < (to - from) ? 1 : 2;
            }
        }
        return result;
    }

    std::int64_t shift() const { return m_shift; }

private:
    int lst(std::int64_t from, std::int64_t to) const {
        return m_lists.ListaLST.empty() ? 0 : check(m_lists.ListaLST, from, to);
    }

    void add(TPozycja r) { m_lists.ListaWynikowa.push_back(std::move(r)); }

    void addBreaks(bool before, std::int64_t from, std::int64_t to) {
        const std::int64_t stamp = before ? from : to;
        for (const TPozycja& e : m_lists.ListaBreak) {
            if (from <= e.CzasStart && e.CzasStart <= to) {
                TPozycja copy = e;
                copy.CzasStart = stamp;
                copy.set(Field::Emi, "Emi=" + CzasStartString(stamp));
                if (m_settings.mode == BreakMode::OnTheHour && m_settings.fade &&
                    !m_lists.ListaWynikowa.empty()) {
                    TPozycja& last = m_lists.ListaWynikowa.back();
                    last.CzasNwK = std::max<std::int64_t>(0, stamp - last.CzasStart);
                    last.CzasMix = std::max<std::int64_t>(0, last.CzasNwK - 3000);
                    last.CzasGrania = last.CzasNwK - last.CzasMix;
                    last.set(Field::Trw, "Trw=" + CzasTrwString(last.CzasNwK));
                    last.set(Field::NwK, "NwK=" + CzasTrwString(last.CzasNwK));
                    last.set(Field::Out, "Out=" + CzasTrwString(last.CzasMix));
                    last.set(Field::FOu, "FOu=" + CzasTrwString(last.CzasMix));
                    last.set(Field::Mix, "Mix=" + CzasTrwString(last.CzasMix));
                    last.set(Field::FOT, "FOT=0");
                }
                add(copy);
                m_shift += m_breakMs;
            }
        }
    }

    void addLst(bool before, std::int64_t from, std::int64_t to) {
        std::int64_t stamp = before ? from : to;
        for (const TPozycja& e : m_lists.ListaLST) {
            if (from <= e.CzasStart && e.CzasStart <= to) {
                TPozycja copy = e;
                copy.CzasStart = stamp;
                copy.set(Field::Emi, "Emi=" + CzasStartString(stamp));
                add(copy);
                stamp += e.CzasNwK;
                m_shift += e.CzasNwK;
            }
        }
    }

    void addMix(const TPozycja& r) {
        auto moved = [this](TPozycja copy) {
            copy.CzasStart += m_shift;
            copy.set(Field::Emi, "Emi=" + CzasStartString(copy.CzasStart));
            add(copy);
        };
        moved(r);
        const Lista& mix = m_lists.ListaMIX;
        if (m_current + 1 < mix.size() && mix[m_current + 1].line(Field::Typ) == "Typ=DJ_") {
            moved(mix[m_current + 1]);
        }
    }

    Lists& m_lists;
    CompileSettings m_settings;
    std::int64_t m_breakMs;
    std::int64_t m_shift = 0;
    std::size_t m_current = 0;
};

// Random lists crowded into a few hours so that windows overlap, share ends and hold many
// records; counts include zero, negative and out-of-order values.
struct RandomDay {
    explicit RandomDay(std::uint32_t seed) : rng(seed) {}

    std::int64_t pick(std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(rng);
    }

    // A time on a coarse grid (so equal times and exact window ends are common) or anywhere.
    std::int64_t time() {
        if (pick(0, 1) == 0) {
            return 9 * kHour + pick(0, 48) * 5 * kMinute;
        }
        return pick(8 * kHour, 14 * kHour);
    }

    Lista mix(std::size_t n) {
        Lista list;
        std::int64_t t = 9 * kHour + pick(-kHour, kHour);
        for (std::size_t i = 0; i < n; ++i) {
            const std::int64_t grania = pick(0, 9) == 0 ? pick(-kMinute, 0)
                                        : pick(0, 1)    ? 4 * kMinute
                                                        : pick(0, 20 * kMinute);
            const int kind = static_cast<int>(pick(0, 9));
            const std::string typ = kind < 3 ? "Typ=DJ_" : kind == 3 ? "Typ=dj_" : "Typ=SND";
            list.push_back(
                item("m" + std::to_string(i), pick(0, 4) == 0 ? time() : t, grania, typ));
            t += pick(0, 3) == 0 ? pick(-2 * kMinute, 10 * kMinute) : grania;
        }
        return list;
    }

    Lista spots(std::size_t n) {
        Lista list;
        for (std::size_t i = 0; i < n; ++i) {
            list.push_back(spot("s" + std::to_string(i), time(), pick(0, 3) * 10 * kSecond));
        }
        return list;
    }

    std::string matrixLine() {
        std::string line(static_cast<std::size_t>(pick(0, 120)), '0');
        for (auto& c : line) {
            if (pick(0, 3) == 0) {
                c = '1';
            }
        }
        return line;
    }

    std::mt19937 rng;
};

TEST(IndexedCompile, MatchesThePlainScans) {
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        RandomDay day(seed);
        Lists lists;
        lists.ListaMIX = day.mix(static_cast<std::size_t>(day.pick(1, 60)));
        lists.ListaLST = day.spots(static_cast<std::size_t>(day.pick(0, 40)));
        const std::int64_t seconds[] = {0, 10, 30, 3600, 2147483};
        const CompileSettings settings = settingsFor(breakModeFromIndex(day.pick(0, 2)),
                                                     seconds[day.pick(0, 4)], day.pick(0, 1) == 1);

        Compiler kompilator(lists, settings);
        kompilator.NowyMozg(day.matrixLine());
        const Lista indexed = lists.ListaWynikowa;

        PlainCompile plain(lists, settings);
        plain.run();
        ASSERT_EQ(indexed.size(), lists.ListaWynikowa.size()) << "seed " << seed;
        ASSERT_EQ(indexed, lists.ListaWynikowa) << "seed " << seed;
        ASSERT_EQ(kompilator.Przesuniecie, plain.shift()) << "seed " << seed;

        // Placed counts agree with the spots found in the result.
        std::size_t spotsInResult = 0;
        for (const TPozycja& r : indexed) {
            spotsInResult += r.line(Field::Typ) == "Typ=REK" ? 1 : 0;
        }
        std::size_t counted = 0;
        for (const int n : kompilator.placedCounts()) {
            counted += static_cast<std::size_t>(n);
        }
        ASSERT_EQ(counted, spotsInResult) << "seed " << seed;
    }
}

TEST(IndexedCompile, WindowTestsMatchThePlainScans) {
    RandomDay day(7);
    for (int round = 0; round < 50; ++round) {
        Lists lists;
        lists.ListaLST = day.spots(static_cast<std::size_t>(day.pick(0, 30)));
        lists.ListaBreak = day.spots(static_cast<std::size_t>(day.pick(0, 5)));
        Compiler kompilator(lists, CompileSettings{});
        kompilator.rebuildIndexes();
        for (int probe = 0; probe < 200; ++probe) {
            const std::int64_t from = day.time();
            const std::int64_t to = day.pick(0, 4) == 0 ? from - day.pick(0, kMinute)
                                                        : from + day.pick(0, 30 * kMinute);
            ASSERT_EQ(kompilator.CheckLST(from, to), PlainCompile::check(lists.ListaLST, from, to));
            ASSERT_EQ(kompilator.CheckBreak(from, to),
                      PlainCompile::check(lists.ListaBreak, from, to));
        }
    }
}

}  // namespace
}  // namespace kalmero
