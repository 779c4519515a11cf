#include "ui/day_picture.h"

#include <QBuffer>
#include <QDate>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPoint>
#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "model/czas.h"
#include "platform/encoding.h"

namespace kalmero {
namespace {

constexpr int kMargin = 14;
constexpr int kLabelWidth = 58;
constexpr int kTrackWidth = 960;  // 16 px a minute, unless fitted to a narrower window
// How far a window may narrow the hour's track: about 7 px a minute still shows a spot.
constexpr int kMinTrackWidth = 420;
constexpr int kMaxTrackWidth = 1920;
constexpr int kContentWidth = 76;
// The day's name, its files and times, and on a day with findings a line naming them.
constexpr int kTitleHeight = 44;
constexpr int kTitleLineHeight = 22;
constexpr int kAboutLineHeight = 18;
constexpr int kFindingsHeight = 18;
constexpr int kFoldHeight = 16;  // the empty early hours, folded
// The hours that may fold: a station's night runs on its own until 06:00.
constexpr int kFoldableRows = 6;
constexpr int kScaleHeight = 20;
constexpr int kRowHeight = 34;
constexpr int kMarkHeight = 12;  // the strip above a bar: advert ticks and drifts
constexpr int kBarHeight = 15;
constexpr int kLegendHeight = 34;
constexpr int kLegendLineHeight = 18;
// A day reads at most two days of rows: a senseless time far beyond midnight is cut off
// rather than drawn on hundreds of rows.
constexpr int kMaxRows = 48;
constexpr int kMinBarWidth = 2;

const QColor kInk(40, 40, 40);
const QColor kFaint(120, 120, 120);
const QColor kGrid(215, 215, 215);
const QColor kAlarm(200, 0, 0);
const QColor kCorrected(0, 140, 60);
const QColor kAfterMidnight(253, 236, 236);
const QColor kOddRow(246, 246, 246);
const QColor kHighlight(255, 200, 0);
const QColor kCursor(20, 80, 200);

struct TypeStyle {
    const char* typ;
    QColor colour;
    const char* name;
};

// The colours of the list views, so a bar reads like the row it stands for.
const TypeStyle kTypeStyles[] = {
    {"Typ=SND", QColor(0, 0, 128), "muzyka"},     {"Typ=JNG", QColor(0, 128, 128), "dżingiel"},
    {"Typ=REK", QColor(255, 0, 0), "reklama"},    {"Typ=DJ_", QColor(0, 0, 255), "zapowiedź"},
    {"Typ=BRK", QColor(0, 128, 0), "wiadomości"},
};
const QColor kUnknownType(128, 128, 128);
const QColor kBreakColour(0, 128, 0);

QColor typeColour(const TPozycja& r) {
    if (isNewsBreak(r)) {
        return kBreakColour;
    }
    for (const TypeStyle& style : kTypeStyles) {
        if (r.line(Field::Typ) == style.typ) {
            return style.colour;
        }
    }
    return kUnknownType;
}

QString fromRecord(std::string_view text) { return QString::fromStdString(cp1250ToUtf8(text)); }

QString timeText(std::int64_t ms) { return QString::fromStdString(clockText(ms)); }

QString driftLabel(std::int64_t ms) { return QString::fromStdString(driftText(ms)); }

// Hours before 0 have no row: a start before midnight of the day (an unreadable time)
// is drawn from 00:00.
std::int64_t clampToDay(std::int64_t ms, int rows) {
    return std::clamp<std::int64_t>(ms, 0, rows * kHourMs);
}

QFont font(int pixels, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// How many lines `text` takes wrapped at word breaks within `width` pixels.
int wrappedLines(const QFont& f, int width, const QString& text) {
    const QFontMetrics metrics(f);
    const QRect box =
        metrics.boundingRect(QRect(0, 0, std::max(width, 1), 1 << 20), Qt::TextWordWrap, text);
    return 1 + std::max(0, box.height() - metrics.height() + metrics.lineSpacing() / 2) /
                   metrics.lineSpacing();
}

QString hourRowLabel(int row) { return QStringLiteral("%1").arg(row % 24, 2, 10, QChar('0')); }

QString minutesLabel(std::int64_t ms) { return QString::fromStdString(minutesText(ms)); }

}  // namespace

DayPicture::DayPicture(const Lista& result, const std::vector<AdvertBlock>& blocks,
                       const DayChecks& checks, const DayTitle& title,
                       const std::vector<RecordMark>& louderThanProgramme)
    : m_dayStart(checks.dayStart), m_dayEnd(checks.dayEnd), m_limits(checks.limits) {
    std::int64_t lastEnd = 0;
    for (std::size_t i = 0; i < result.size(); ++i) {
        lastEnd = std::max(lastEnd, itemEnd(result, i));
    }
    const std::int64_t lastHour = lastEnd > 0 ? (lastEnd - 1) / kHourMs : 0;
    m_rows = static_cast<int>(std::clamp<std::int64_t>(lastHour + 1, 24, kMaxRows));
    nameTheDay(title, checks);

    // The early hours fold when nothing is drawn in them: no record, no block booked or aired.
    std::vector<bool> occupied(kFoldableRows, false);
    const auto occupy = [&](std::int64_t from, std::int64_t to) {
        for (std::int64_t h = std::max<std::int64_t>(from, 0) / kHourMs;
             h < kFoldableRows && h * kHourMs <= std::max(from, to - 1); ++h) {
            occupied[static_cast<std::size_t>(h)] = true;
        }
    };
    for (std::size_t i = 0; i < result.size(); ++i) {
        occupy(result[i].CzasStart, std::max(itemEnd(result, i), result[i].CzasStart));
    }
    for (const AdvertBlock& block : blocks) {
        occupy(block.booked, block.booked);
        if (block.aired) {
            occupy(*block.aired, *block.aired);
        }
    }
    m_folded =
        static_cast<int>(std::find(occupied.begin(), occupied.end(), true) - occupied.begin());
    m_folded = m_folded >= 2 ? m_folded : 0;

    m_items.reserve(result.size());
    for (std::size_t i = 0; i < result.size(); ++i) {
        const TPozycja& r = result[i];
        Item item;
        item.start = r.CzasStart;
        item.end = std::max(itemEnd(result, i), r.CzasStart);
        item.colour = typeColour(r);
        item.label = fromRecord(r.value(Field::Wyk)) + QStringLiteral(" – ") +
                     fromRecord(r.value(Field::Tyt));
        item.newsBreak = isNewsBreak(r);

        if (item.start < m_rows * kHourMs) {
            item.row = static_cast<int>(
                std::min<std::int64_t>(clampToDay(item.start, m_rows) / kHourMs, m_rows - 1));
        }
        m_items.push_back(std::move(item));
    }
    for (const BreakOffset& b : checks.farBreaks) {
        if (b.resultIndex < m_items.size()) {
            m_items[b.resultIndex].farBreak = true;
        }
    }
    // Drawn as a loud spot's is, in the window and the night's picture alike.
    for (const RecordMark& mark : louderThanProgramme) {
        markLoud(mark.resultIndex, QString::fromStdString(mark.why));
    }

    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const AdvertBlock& block = blocks[b];
        const std::optional<std::int64_t> drift = block.drift();
        m_ticks.push_back({block.booked, block.aired, !drift || m_limits.driftTooFar(*drift)});
        for (const std::vector<std::size_t>& placed : block.placements) {
            for (const std::size_t r : placed) {
                if (r < m_items.size()) {
                    m_items[r].block = b;
                }
            }
        }
    }

    m_hourContent.assign(static_cast<std::size_t>(m_rows), -1);
    m_hourFlagged.assign(static_cast<std::size_t>(m_rows), false);
    for (const HourContent& h : checks.hours) {
        if (h.hour < m_rows && h.contentMs > 0) {
            m_hourContent[static_cast<std::size_t>(h.hour)] = h.contentMs;
        }
    }
    for (const auto* flagged : {&checks.overfullHours, &checks.shortHours}) {
        for (const HourContent& h : *flagged) {
            if (h.hour < m_rows) {
                m_hourFlagged[static_cast<std::size_t>(h.hour)] = true;
                m_hourContent[static_cast<std::size_t>(h.hour)] = h.contentMs;
            }
        }
    }
    layOut();
}

void DayPicture::setWidth(int width) {
    const int track = std::clamp(width - (2 * kMargin + kLabelWidth + kContentWidth),
                                 kMinTrackWidth, kMaxTrackWidth);
    if (track != m_trackWidth) {
        m_trackWidth = track;
        layOut();
    }
}

void DayPicture::layOut() {
    const int width = m_trackWidth + kContentWidth;
    m_titleLines = wrappedLines(font(15, true), width - headerCountWidth() - 12, headerTitle());
    m_aboutLines = wrappedLines(font(12), width, aboutText());
    m_legendLines = walkLegend({});
    for (Item& item : m_items) {
        item.segments.clear();
        if (item.row < 0) {
            continue;
        }
        const std::int64_t from = clampToDay(item.start, m_rows);
        const std::int64_t to = clampToDay(item.end, m_rows);
        const int lastRow =
            to > from ? static_cast<int>(std::min<std::int64_t>((to - 1) / kHourMs, m_rows - 1))
                      : item.row;
        for (int row = item.row; row <= lastRow; ++row) {
            const std::int64_t rowStart = row * kHourMs;
            item.segments.push_back(segmentRect(row, std::max(from, rowStart) - rowStart,
                                                std::min(to, rowStart + kHourMs) - rowStart));
        }
    }
}

void DayPicture::nameTheDay(const DayTitle& title, const DayChecks& checks) {
    const QLocale polish(QLocale::Polish, QLocale::Poland);
    const QDate date = QDate::fromString(QString::fromStdString(title.date), Qt::ISODate);
    const int weekday = title.weekday >= 0 && title.weekday < 7 ? title.weekday
                        : date.isValid()                        ? date.dayOfWeek() - 1
                                                                : -1;
    QStringList day;
    if (weekday >= 0) {
        day << QString::fromUtf8(kWeekdayNames[weekday]);
    }
    if (date.isValid()) {
        day << polish.toString(date, QStringLiteral("d MMMM yyyy"));
    }
    m_dayName = day.join(QStringLiteral(", "));
    QStringList files;
    for (const std::string* name : {&title.playlist, &title.adverts}) {
        if (!name->empty()) {
            files << QString::fromStdString(*name);
        }
    }
    m_files = files.join(QStringLiteral(", "));
    for (const std::string& finding :
         title.findings.empty() ? dayFindings(checks) : title.findings) {
        m_found.push_back(QString::fromStdString(finding));
    }
}

QString DayPicture::title() const {
    QString text = QStringLiteral("Plan dnia");
    for (const QString* part : {&m_dayName, &m_files}) {
        if (!part->isEmpty()) {
            text += QStringLiteral(" – ") + *part;
        }
    }
    return text;
}

int DayPicture::headerExtra() const {
    return (m_titleLines - 1) * kTitleLineHeight + (m_aboutLines - 1) * kAboutLineHeight;
}

int DayPicture::scaleTop() const {
    return kMargin + kTitleHeight + headerExtra() + (m_found.empty() ? 0 : kFindingsHeight);
}

QSize DayPicture::size() const {
    return {kMargin + kLabelWidth + m_trackWidth + kContentWidth + kMargin,
            rowTop(m_rows) + kLegendHeight + (m_legendLines - 1) * kLegendLineHeight + kMargin};
}

int DayPicture::rowTop(int row) const {
    const int first = scaleTop() + kScaleHeight;
    if (m_folded == 0) {
        return first + row * kRowHeight;
    }
    return row < m_folded ? first : first + kFoldHeight + (row - m_folded) * kRowHeight;
}

std::optional<std::size_t> DayPicture::step(std::optional<std::size_t> from, Step step) const {
    const auto drawn = [this](std::size_t i) { return !m_items[i].segments.empty(); };
    if (!from || *from >= m_items.size() || !drawn(*from)) {
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            if (drawn(i)) {
                return i;
            }
        }
        return std::nullopt;
    }
    const Item& here = m_items[*from];
    const auto key = [this](std::size_t i) {
        return std::pair(m_items[i].segments.front().left(), i);
    };
    std::optional<std::size_t> best;
    if (step == Step::Previous || step == Step::Next) {
        const bool next = step == Step::Next;
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            if (!drawn(i) || m_items[i].row != here.row || i == *from) {
                continue;
            }
            const bool beyond = next ? key(i) > key(*from) : key(i) < key(*from);
            if (beyond && (!best || (next ? key(i) < key(*best) : key(i) > key(*best)))) {
                best = i;
            }
        }
        return best;
    }
    // The nearest row in that direction holding any record, then the record nearest in time.
    const bool up = step == Step::RowAbove;
    int row = -1;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const int r = m_items[i].row;
        if (drawn(i) && (up ? r < here.row : r > here.row) &&
            (row < 0 || (up ? r > row : r < row))) {
            row = r;
        }
    }
    const int x = here.segments.front().left();
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (drawn(i) && m_items[i].row == row &&
            (!best || std::abs(key(i).first - x) < std::abs(key(*best).first - x))) {
            best = i;
        }
    }
    return best;
}

int DayPicture::xAt(std::int64_t msInHour) const {
    return kMargin + kLabelWidth + static_cast<int>(msInHour * m_trackWidth / kHourMs);
}

QRect DayPicture::segmentRect(int row, std::int64_t from, std::int64_t to) const {
    const int left = xAt(from);
    const int width = std::max(xAt(to) - left, kMinBarWidth);
    return {left, rowTop(row) + kMarkHeight, width, kBarHeight};
}

std::optional<std::size_t> DayPicture::itemAt(QPoint point) const {
    for (std::size_t i = m_items.size(); i-- > 0;) {
        for (const QRect& segment : m_items[i].segments) {
            if (segment.contains(point)) {
                return i;
            }
        }
    }
    return std::nullopt;
}

QRect DayPicture::barRect(std::size_t resultIndex) const {
    if (resultIndex >= m_items.size() || m_items[resultIndex].segments.empty()) {
        return {};
    }
    return m_items[resultIndex].segments.front();
}

QString DayPicture::describe(std::size_t resultIndex) const {
    if (resultIndex >= m_items.size()) {
        return {};
    }
    const Item& item = m_items[resultIndex];
    QString text = timeText(item.start) + QStringLiteral(" – ") + timeText(item.end) +
                   QStringLiteral("  (") + minutesLabel(item.end - item.start) +
                   QStringLiteral(")\n") + item.label;
    if (item.block) {
        const Tick& tick = m_ticks[*item.block];
        text += QStringLiteral("\nBlok reklam zamówiony na ") + timeText(tick.booked);
        if (tick.aired) {
            text += QStringLiteral(", przesunięcie ") + driftLabel(*tick.aired - tick.booked);
        }
    }
    if (!item.loud.isEmpty()) {
        // The reasons name how: "za głośny: …", "cisza: …", "… głośniejszy od programu …".
        text += QStringLiteral("\nGłośność: ") + item.loud;
    }
    if (!item.corrected.isEmpty()) {
        text += QStringLiteral("\nPoprawiony: ") + item.corrected;
    }
    return text;
}

void DayPicture::markLoud(std::size_t resultIndex, const QString& why) {
    if (resultIndex < m_items.size()) {
        QString& loud = m_items[resultIndex].loud;
        loud = loud.isEmpty() || loud == why ? why : loud + QStringLiteral("; ") + why;
    }
}

void DayPicture::markCorrected(std::size_t resultIndex, const QString& how) {
    if (resultIndex < m_items.size()) {
        m_items[resultIndex].corrected = how;
    }
}

void DayPicture::paint(QPainter& painter) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.fillRect(QRect(QPoint(0, 0), size()), Qt::white);
    paintHeader(painter);
    paintRows(painter);
    paintItems(painter);
    paintMarks(painter);
    paintLegend(painter);
    painter.restore();
}

QString DayPicture::headerTitle() const {
    return m_dayName.isEmpty() ? QStringLiteral("Plan dnia")
                               : QStringLiteral("Plan dnia – ") + m_dayName;
}

QString DayPicture::headerCount() const {
    return m_found.empty() ? QStringLiteral("Bez uwag")
                           : QStringLiteral("Do sprawdzenia: %1").arg(m_found.size());
}

int DayPicture::headerCountWidth() const {
    return QFontMetrics(font(12, true)).horizontalAdvance(headerCount());
}

QString DayPicture::aboutText() const {
    QStringList about;
    if (!m_files.isEmpty()) {
        about << m_files;
    }
    if (!m_items.empty()) {
        // Whole seconds: the milliseconds are for the list, not for a person reading this.
        about << QStringLiteral("emisja ") + QString::fromStdString(clockText(m_dayStart, false)) +
                     QStringLiteral(" – ") + QString::fromStdString(clockText(m_dayEnd, false));
    }
    return about.join(QStringLiteral("   ·   "));
}

void DayPicture::paintHeader(QPainter& painter) const {
    const int left = kMargin + kLabelWidth;
    const int width = m_trackWidth + kContentWidth;
    // A narrow window wraps the day's name and its files rather than cutting them.
    const int titleHeight = kTitleLineHeight + (m_titleLines - 1) * kTitleLineHeight;
    const QRect title(left, kMargin, width - headerCountWidth() - 12, titleHeight);
    painter.setPen(kInk);
    painter.setFont(font(15, true));
    painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, headerTitle());
    painter.setFont(font(12, true));
    painter.setPen(m_found.empty() ? kBreakColour : kAlarm);
    painter.drawText(QRect(left, kMargin, width, kTitleLineHeight),
                     Qt::AlignRight | Qt::AlignVCenter, headerCount());

    painter.setFont(font(12));
    painter.setPen(kFaint);
    const int aboutTop = kMargin + titleHeight;
    painter.drawText(
        QRect(left, aboutTop, width, kAboutLineHeight + (m_aboutLines - 1) * kAboutLineHeight),
        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, aboutText());

    // What the count above stands for, as many as the line holds.
    if (!m_found.empty()) {
        painter.setFont(font(11, true));
        painter.setPen(kAlarm);
        const QFontMetrics metrics(painter.font());
        QString line;
        for (std::size_t i = 0; i < m_found.size(); ++i) {
            const QString next =
                (line.isEmpty() ? QString() : line + QStringLiteral("   ·   ")) + m_found[i];
            const std::size_t rest = m_found.size() - i - 1;
            const QString more =
                rest > 0 ? QStringLiteral("   ·   i jeszcze %1").arg(rest) : QString();
            if (!line.isEmpty() && metrics.horizontalAdvance(next + more) > width) {
                line += QStringLiteral("   ·   i jeszcze %1").arg(rest + 1);
                break;
            }
            line = next;
        }
        painter.drawText(QRect(left, kMargin + 40 + headerExtra(), width, 16),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(line, Qt::ElideRight, width));
    }

    painter.setFont(font(11));
    painter.setPen(kFaint);
    const int scaleTop = this->scaleTop();
    for (int minute = 0; minute < 60; minute += 15) {
        const int x = xAt(std::int64_t{minute} * 60'000);
        painter.drawText(QRect(x - 20, scaleTop, 40, kScaleHeight - 4), Qt::AlignCenter,
                         minute == 0 ? QStringLiteral("0 min") : QString::number(minute));
    }
    painter.drawText(QRect(xAt(kHourMs) + 8, scaleTop, kContentWidth - 8, kScaleHeight - 4),
                     Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("w godzinie"));
}

void DayPicture::paintRows(QPainter& painter) const {
    const int left = kMargin;
    const int width = kLabelWidth + m_trackWidth + kContentWidth;
    if (m_folded > 0) {
        const int top = rowTop(0);
        painter.fillRect(left, top, width, kFoldHeight, kOddRow);
        painter.setPen(kFaint);
        painter.setFont(font(11, true));
        painter.drawText(QRect(left, top, kLabelWidth + 200, kFoldHeight),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("00–%1").arg(m_folded - 1, 2, 10, QChar('0')));
        painter.setFont(font(11));
        painter.drawText(QRect(xAt(0) + 6, top, m_trackWidth, kFoldHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("bez pozycji"));
    }
    for (int row = m_folded; row < m_rows; ++row) {
        const int top = rowTop(row);
        const bool nextDay = row >= 24;
        if (nextDay) {
            painter.fillRect(left, top, width, kRowHeight, kAfterMidnight);
        } else if (row % 2 == 1) {
            painter.fillRect(left, top, width, kRowHeight, kOddRow);
        }
        const QRect label(left, top + kMarkHeight - 2, kLabelWidth - 10, kBarHeight + 4);
        painter.setPen(nextDay ? kAlarm : kInk);
        painter.setFont(font(13, true));
        painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, hourRowLabel(row));
        if (nextDay) {
            painter.setFont(font(10, true));
            painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter,
                             QStringLiteral("+%1 d").arg(row / 24));
        }

        const std::int64_t content = m_hourContent[static_cast<std::size_t>(row)];
        if (content >= 0) {
            const bool flagged = m_hourFlagged[static_cast<std::size_t>(row)];
            painter.setPen(flagged ? kAlarm : kFaint);
            painter.setFont(font(12, flagged));
            painter.drawText(
                QRect(xAt(kHourMs) + 8, top + kMarkHeight - 2, kContentWidth - 8, kBarHeight + 4),
                Qt::AlignRight | Qt::AlignVCenter,
                (flagged ? QStringLiteral("! ") : QString()) + minutesLabel(content));
        }
    }

    const int top = rowTop(0);
    const int bottom = rowTop(m_rows);
    painter.setPen(kGrid);
    for (int minute = 0; minute <= 60; minute += 15) {
        const int x = xAt(std::int64_t{minute} * 60'000);
        painter.drawLine(x, top, x, bottom);
    }
    painter.drawLine(left, bottom, left + width, bottom);
}

void DayPicture::paintItems(QPainter& painter) const {
    painter.setFont(font(10));
    const QFontMetrics metrics(painter.font());
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const Item& item = m_items[i];
        for (const QRect& segment : item.segments) {
            painter.fillRect(segment, item.colour);
            // A white hairline where each record starts tells back-to-back bars apart.
            if (segment.width() > 3) {
                painter.fillRect(segment.left(), segment.top(), 1, segment.height(), Qt::white);
            }
            if (segment.width() >= 44) {
                const QRect text = segment.adjusted(4, 0, -2, 0);
                painter.setPen(Qt::white);
                painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                                 metrics.elidedText(item.label, Qt::ElideRight, text.width()));
            }
        }
    }
}

void DayPicture::paintMarks(QPainter& painter) const {
    painter.setRenderHint(QPainter::Antialiasing, true);

    // Breaks: a triangle under the bar where the break starts, red when it lies too far
    // from the full hour.
    for (const Item& item : m_items) {
        if (!item.newsBreak || item.segments.empty()) {
            continue;
        }
        const QRect& bar = item.segments.front();
        const QColor colour = item.farBreak ? kAlarm : kBreakColour;
        const int x = bar.left();
        const int y = bar.bottom() + 1;
        QPainterPath triangle;
        triangle.moveTo(x, y);
        triangle.lineTo(x - 5, y + 7);
        triangle.lineTo(x + 5, y + 7);
        triangle.closeSubpath();
        painter.fillPath(triangle, colour);
        if (item.farBreak) {
            const std::int64_t hour = (item.start + kHourMs / 2) / kHourMs * kHourMs;
            painter.setPen(kAlarm);
            painter.setFont(font(10, true));
            painter.drawText(QRect(x + 7, y, 80, 8), Qt::AlignLeft | Qt::AlignVCenter,
                             QStringLiteral("break ") + driftLabel(item.start - hour));
        }
    }

    paintBlockTicks(painter);

    // A spot above the loudness targets or silent: a red dot with a white rim over its bar's
    // start.
    // A spot airing its lowered copy: a green ring, so the eye tells it from a loud one.
    for (const Item& item : m_items) {
        if ((item.loud.isEmpty() && item.corrected.isEmpty()) || item.segments.empty()) {
            continue;
        }
        const QRect& bar = item.segments.front();
        const QPoint centre(bar.left() + std::min(bar.width() / 2, 5), bar.top());
        if (item.loud.isEmpty()) {
            painter.setPen(QPen(kCorrected, 2));
            painter.setBrush(Qt::white);
        } else {
            painter.setPen(QPen(Qt::white, 1));
            painter.setBrush(kAlarm);
        }
        painter.drawEllipse(centre, 4, 4);
    }

    painter.setBrush(Qt::NoBrush);
    if (m_highlighted && *m_highlighted < m_items.size()) {
        painter.setPen(QPen(kHighlight, 3));
        for (const QRect& segment : m_items[*m_highlighted].segments) {
            painter.drawRect(segment.adjusted(-2, -2, 2, 2));
        }
    }
    if (m_current && *m_current < m_items.size()) {
        painter.setPen(QPen(kCursor, 2, Qt::DashLine));
        for (const QRect& segment : m_items[*m_current].segments) {
            painter.drawRect(segment.adjusted(-4, -4, 4, 4));
        }
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void DayPicture::paintBlockTicks(QPainter& painter) const {
    // Advert blocks: a tick at the booked time with the drift beside it; a thin line runs
    // from the tick to where the block went on air, across rows when it went in another hour
    // (before its hour, or long after), where its spots are named with the block's time.
    for (const Tick& tick : m_ticks) {
        if (tick.booked < 0 || tick.booked >= m_rows * kHourMs) {
            continue;
        }
        const int row = static_cast<int>(tick.booked / kHourMs);
        const int top = rowTop(row) + 1;
        const int x = xAt(tick.booked % kHourMs);
        const QColor colour = tick.flagged ? kAlarm : kInk;
        if (tick.aired && *tick.aired >= 0 && *tick.aired < m_rows * kHourMs) {
            const int airedRow = static_cast<int>(*tick.aired / kHourMs);
            const int airedX = xAt(*tick.aired % kHourMs);
            const int airedY = rowTop(airedRow) + kMarkHeight - 3;
            painter.setPen(QPen(colour, 1, Qt::DotLine));
            if (airedRow == row) {
                painter.drawLine(x, top + kMarkHeight - 4, airedX, airedY);
            } else {
                painter.drawLine(x, airedRow < row ? top : top + kMarkHeight + kBarHeight, airedX,
                                 airedY);
                painter.setPen(colour);
                painter.setFont(font(10, true));
                const QRect tag(airedX + 3, rowTop(airedRow) - 1, 120, kMarkHeight);
                painter.drawText(
                    tag, Qt::AlignLeft | Qt::AlignVCenter,
                    QStringLiteral("blok ") + QString::fromStdString(shortClockText(tick.booked)));
            }
        }
        QPainterPath head;
        head.moveTo(x - 4, top);
        head.lineTo(x + 4, top);
        head.lineTo(x, top + 6);
        head.closeSubpath();
        painter.fillPath(head, colour);
        painter.setPen(QPen(colour, 1.5));
        painter.drawLine(x, top + 5, x, top + kMarkHeight + kBarHeight - 1);
        painter.setFont(font(10, tick.flagged));
        painter.setPen(colour);
        const QString label =
            tick.aired ? driftLabel(*tick.aired - tick.booked) : QStringLiteral("nienadany");
        painter.drawText(QRect(x + 6, top - 2, 90, kMarkHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         label);
    }
}

int DayPicture::walkLegend(const LegendStep& place) const {
    const QFontMetrics metrics(font(11));
    const int left = kMargin + kLabelWidth;
    const int right = left + m_trackWidth + kContentWidth;
    int x = left;
    int y = 0;
    int lines = 1;
    // Each entry: its mark's width before the text, and the text.
    const auto entry = [&](LegendEntry which, int markWidth, const QString& text) {
        const int width = markWidth + metrics.horizontalAdvance(text);
        // An entry that would run past the track starts a line of its own.
        if (x > left && x + width > right) {
            x = left;
            y += kLegendLineHeight;
            ++lines;
        }
        if (place) {
            place(which, QPoint(x, y), text);
        }
        x += width + 16;
    };
    for (const TypeStyle& style : kTypeStyles) {
        entry(LegendEntry::Swatch, 21, QString::fromUtf8(style.name));
    }
    entry(LegendEntry::Swatch, 21, QStringLiteral("inne"));
    entry(LegendEntry::Block, 14,
          QStringLiteral("blok reklam: czas zamówiony, przesunięcie i miejsce nadania"));
    entry(LegendEntry::Break, 15, QStringLiteral("break"));
    return lines;
}

void DayPicture::paintLegend(QPainter& painter) const {
    const int top = rowTop(m_rows) + 12;
    painter.setFont(font(11));
    std::size_t swatch = 0;
    walkLegend([&](LegendEntry which, QPoint at, const QString& text) {
        const int x = at.x();
        const int y = top + at.y();
        painter.setRenderHint(QPainter::Antialiasing, which != LegendEntry::Swatch);
        switch (which) {
            case LegendEntry::Swatch: {
                const QColor colour =
                    swatch < std::size(kTypeStyles) ? kTypeStyles[swatch].colour : kUnknownType;
                ++swatch;
                painter.fillRect(x, y + 2, 16, 10, colour);
                painter.setPen(kInk);
                painter.drawText(x + 21, y + 11, text);
                break;
            }
            case LegendEntry::Block: {
                QPainterPath head;
                head.moveTo(x, y);
                head.lineTo(x + 8, y);
                head.lineTo(x + 4, y + 6);
                head.closeSubpath();
                painter.fillPath(head, kInk);
                painter.setPen(QPen(kInk, 1.5));
                painter.drawLine(x + 4, y + 5, x + 4, y + 13);
                painter.setPen(kInk);
                painter.drawText(x + 14, y + 11, text);
                break;
            }
            case LegendEntry::Break: {
                QPainterPath triangle;
                triangle.moveTo(x + 5, y + 4);
                triangle.lineTo(x, y + 11);
                triangle.lineTo(x + 10, y + 11);
                triangle.closeSubpath();
                painter.fillPath(triangle, kBreakColour);
                painter.setPen(kInk);
                painter.drawText(x + 15, y + 11, text);
                break;
            }
        }
    });
    painter.setRenderHint(QPainter::Antialiasing, false);
}

QByteArray renderPicture(const DayPicture& picture, PictureKind kind) {
    const auto failed = [](const QString& reason) {
        return std::runtime_error("Nie można narysować obrazu dnia. " + reason.toStdString());
    };
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (kind == PictureKind::Png) {
        QImage image(picture.size(), QImage::Format_RGB32);
        if (image.isNull()) {
            throw failed(QStringLiteral("Za mało pamięci na obraz."));
        }
        image.fill(Qt::white);
        QPainter painter(&image);
        picture.paint(painter);
        painter.end();
        if (!image.save(&buffer, "PNG")) {
            throw failed(buffer.errorString());
        }
        return bytes;
    }
    QPdfWriter writer(&buffer);
    writer.setTitle(QStringLiteral("Plan dnia"));
    writer.setCreator(QStringLiteral("Kalmero"));
    const QSizeF pictureSize = picture.size();
    // The orientation that shows the picture larger on the page.
    const QPageLayout::Orientation orientation = pictureSize.width() >= pictureSize.height()
                                                     ? QPageLayout::Landscape
                                                     : QPageLayout::Portrait;
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), orientation,
                                     QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer)) {
        throw failed(buffer.errorString());
    }
    const double scale =
        std::min(writer.width() / pictureSize.width(), writer.height() / pictureSize.height());
    painter.scale(scale, scale);
    picture.paint(painter);
    painter.end();
    return bytes;
}

}  // namespace kalmero
