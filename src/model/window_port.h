#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kalmero {

// The three list views of the main window.
enum class View {
    Playlist,  // ListView1, rows of ListaMIX
    Adverts,   // ListView2, rows of ListaLST
    Result,    // ListView3, rows of ListaWynikowa
};

// The break settings as the main window's controls hold them at the moment they are read.
struct BreakSettings {
    int mode = 0;                 // RadioGroup1: 0, 1, 2, or -1 when nothing is selected
    bool fade = false;            // CheckBox1
    std::string seconds = "10";   // LabeledEdit7's text, ASCII digits when typed
    int weekday = 0;              // ComboBox1: 0 Monday .. 6 Sunday
};

// All that the readers, the compiler and the writer touch of a window. The desktop window,
// the batch command and the tests each implement it.
class WindowPort {
public:
    virtual ~WindowPort() = default;

    // Removes every row of a view.
    virtual void clearRows(View view) = 0;
    // Appends row `index` (always the current row count) with its two cell texts, in
    // Windows-1250 bytes as they stand in the record.
    virtual void appendRow(View view, std::size_t index, std::string_view caption,
                           std::string_view subItem) = 0;
    // Label1's text, UTF-8.
    virtual void setStatus(std::string_view text) = 0;
    virtual void setGaugeMax(std::int64_t max) = 0;
    virtual void setGaugeProgress(std::int64_t progress) = 0;
    // A chance for the window to repaint and take its events; may do nothing.
    virtual void processEvents() = 0;
    virtual BreakSettings breakSettings() const = 0;
};

// A port that shows nothing: for tests and for work done without a window.
class NullWindowPort : public WindowPort {
public:
    void clearRows(View) override {}
    void appendRow(View, std::size_t, std::string_view, std::string_view) override {}
    void setStatus(std::string_view) override {}
    void setGaugeMax(std::int64_t) override {}
    void setGaugeProgress(std::int64_t) override {}
    void processEvents() override {}
    BreakSettings breakSettings() const override { return settings; }

    BreakSettings settings;
};

}  // namespace kalmero

namespace kalmero {

// The longest break the window's field accepts, so that seconds × 1000 fits in 32 bits.
inline constexpr std::int64_t kMaxBreakSeconds = 2'147'483;

// The break length in ms from the "Czas (s):" text: its integer value, 10 s when the text
// is not an integer, kept within 0 .. kMaxBreakSeconds.
std::int64_t breakLengthMs(const BreakSettings& settings);

}  // namespace kalmero
