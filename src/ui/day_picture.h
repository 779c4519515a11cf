#pragma once

#include <QByteArray>
#include <QColor>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "compiler/day_report.h"
#include "model/lists.h"
#include "session/picture_kind.h"

class QPainter;
class QPoint;

namespace kalmero {

// The compiled day drawn as one row per clock hour (the empty hours before 06:00 folded into
// one thin row, so the day starts near the top), each record a bar in its type's colour
// from its start to its end (continued on the next row when it crosses the hour), with the
// advert blocks' booked times and drifts, the breaks and the checks' findings marked, under a
// header naming the day, its files and its findings. Uses
// Qt Gui only, so the batch command can draw it offscreen. Holds copies of what it draws:
// the lists it was made from may change afterwards.
class DayPicture {
public:
    // `louderThanProgramme`: the spots of the blocks louder than their programme, known with
    // the day's loudness, marked as loud ones are.
    DayPicture(const Lista& result, const std::vector<AdvertBlock>& blocks, const DayChecks& checks,
               const DayTitle& title = {}, const std::vector<RecordMark>& louderThanProgramme = {});

    // Where the keyboard's cursor goes from one record.
    enum class Step { Previous, Next, RowAbove, RowBelow };

    // The picture's size in pixels (at 1:1, as paint draws it).
    QSize size() const;
    // Lays the picture out `width` pixels wide (582 at the least, 2082 at the most;
    // 1122 when never set): the hour's track narrows or widens, the header and the legend
    // wrap. Bars and rows move with it.
    void setWidth(int width);
    // Draws the whole picture with its top left corner at the painter's origin.
    void paint(QPainter& painter) const;
    // The result index of the record whose bar holds `point`; the one drawn last (the
    // later record) when bars overlap.
    std::optional<std::size_t> itemAt(QPoint point) const;
    // The first segment of the record's bar; an empty rectangle for an index out of range
    // or a record that lies outside the drawn rows.
    QRect barRect(std::size_t resultIndex) const;
    // The number of hour rows: 24, more when the day runs past midnight; folded ones count.
    int rowCount() const { return m_rows; }
    // The hours from 00 folded into one thin row: 0, or 2 to 6 when they hold nothing.
    int foldedRows() const { return m_folded; }
    // The record the cursor reaches from `from` (nullopt: none there): the one before or
    // after it in its hour's row, or the one nearest its start in the next row above or
    // below that holds any. Without `from`, the first record drawn.
    std::optional<std::size_t> step(std::optional<std::size_t> from, Step step) const;
    // The window's name for the day: "Plan dnia – wtorek, 8 grudnia 2026 – dzien.mix,
    // reklamy.lst" with what is known.
    QString title() const;
    // What a person hovering over a record is told: its times, performer – title, and for
    // an advert spot its block's booked time and drift.
    QString describe(std::size_t resultIndex) const;

    // Marks a record as an advert spot above the loudness targets or silent, or of a block
    // louder than its programme, `why` in its description (after what an earlier mark
    // said).
    void markLoud(std::size_t resultIndex, const QString& why);
    // Marks a record as an advert spot airing its lowered copy, `how` (the gain and the copy)
    // in its description.
    void markCorrected(std::size_t resultIndex, const QString& how);

    // A record outlined as selected (nullopt: none).
    void setHighlighted(std::optional<std::size_t> resultIndex) { m_highlighted = resultIndex; }
    // The keyboard's cursor, framed apart from the selection (nullopt: none).
    void setCurrent(std::optional<std::size_t> resultIndex) { m_current = resultIndex; }
    std::optional<std::size_t> current() const { return m_current; }

private:
    struct Item {
        std::int64_t start = 0;
        std::int64_t end = 0;
        QColor colour;
        QString label;  // performer – title, UTF-16
        bool newsBreak = false;
        bool farBreak = false;
        QString loud;                      // why it is too loud; empty when it isn't
        QString corrected;                 // how it was lowered; empty when it wasn't
        std::optional<std::size_t> block;  // the advert block it is a copy from
        int row = -1;                      // the hour row of its first segment
        std::vector<QRect> segments;
    };
    struct Tick {
        std::int64_t booked = 0;
        std::optional<std::int64_t> aired;
        bool flagged = false;
    };

    enum class LegendEntry { Swatch, Block, Break };
    // Where a legend entry goes, its top left relative to the legend's first line.
    using LegendStep = std::function<void(LegendEntry, QPoint, const QString&)>;

    void nameTheDay(const DayTitle& title, const DayChecks& checks);
    // Places the bars and wraps the texts for the width set.
    void layOut();
    QString headerTitle() const;
    QString headerCount() const;
    int headerCountWidth() const;
    QString aboutText() const;
    // Height the wrapped header takes beyond its one-line form.
    int headerExtra() const;
    // Walks the legend's entries as they are laid out; gives the number of lines.
    int walkLegend(const LegendStep& place) const;
    int scaleTop() const;
    int rowTop(int row) const;
    int xAt(std::int64_t msInHour) const;
    QRect segmentRect(int row, std::int64_t from, std::int64_t to) const;
    void paintHeader(QPainter& painter) const;
    void paintRows(QPainter& painter) const;
    void paintItems(QPainter& painter) const;
    void paintMarks(QPainter& painter) const;
    void paintBlockTicks(QPainter& painter) const;
    void paintLegend(QPainter& painter) const;

    std::vector<Item> m_items;
    std::vector<Tick> m_ticks;
    std::vector<std::int64_t> m_hourContent;  // per row, ms
    std::vector<bool> m_hourFlagged;          // per row: over 60 minutes or short
    int m_rows = 24;
    int m_trackWidth = 960;
    int m_titleLines = 1;
    int m_aboutLines = 1;
    int m_legendLines = 1;
    std::int64_t m_dayStart = 0;
    std::int64_t m_dayEnd = 0;
    DayCheckLimits m_limits;
    std::optional<std::size_t> m_highlighted;
    std::optional<std::size_t> m_current;
    int m_folded = 0;
    QString m_dayName;             // weekday and date, or empty
    QString m_files;               // the playlist's and advert list's names, or empty
    std::vector<QString> m_found;  // the checks' findings in words
};

// The picture as the bytes of a PNG or PDF file; the PDF holds it on one A4 page. Throws
// std::runtime_error with a Polish message when it can't be drawn.
QByteArray renderPicture(const DayPicture& picture, PictureKind kind);

}  // namespace kalmero
