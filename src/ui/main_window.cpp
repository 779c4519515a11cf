#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>
#include <QValidator>
#include <algorithm>
#include <exception>

#include "compiler/placement_report.h"
#include "platform/encoding.h"
#include "ui/day_view.h"
#include "ui/folder_chooser.h"
#include "ui/list_models.h"
#include "ui/loudness_page.h"
#include "ui/matrix_editor.h"
#include "ui/operator_dialogs.h"
#include "ui/path_map_dialog.h"
#include "ui/pictures.h"
#include "ui/radio_group.h"
#include "ui/window_progress.h"

namespace kalmero {

namespace {

QString fromCp1250(const std::string& bytes) { return QString::fromStdString(cp1250ToUtf8(bytes)); }

// The spots and lines a save question names; the rest are behind the notice.
constexpr std::size_t kNamedInQuestion = 5;

// What the status line says a command left undone, before why.
const QString kPlaylistNotLoaded = QStringLiteral("Nie wczytano pliku MIX");
const QString kAdvertsNotLoaded = QStringLiteral("Nie wczytano pliku LST");
const QString kResultNotSaved = QStringLiteral("Nie zapisano wynikowego pliku MIX");

}  // namespace

void TForm1::FormCreate() {
    const StoredBreak stored = m_session->readSettings(
        [](const std::string& folder) { return QFileInfo(fromCp1250(folder)).isDir(); });
    // Each control set as the operator's change would, so its handler writes back a value
    // the field can't show as stored.
    m_radioGroup->setItemIndex(breakModeIndex(stored.mode));
    m_fade->setChecked(stored.fade);
    m_seconds->setText(QString::number(stored.seconds));
    for (int i = 0; i < 3; ++i) {
        m_folderEdits[i]->setText(fromCp1250(m_session->settings().folders[i]));
    }
    showSettingsNote(QString());
}

void TForm1::showSettingsNote(const QString& note) {
    // The lines the start-up reading passed over stay in view with the note.
    QStringList lines;
    if (!note.isEmpty()) {
        lines << note;
    }
    for (const std::string& warning : m_session->settingsWarnings()) {
        lines << QString::fromStdString(warning);
    }
    m_status->setText(lines.join(QStringLiteral(" ")));
}

bool TForm1::report(const Outcome& outcome, const QString& notDone) {
    if (!outcome.done()) {
        // The line tells this command's end, not a step it never reached or an older command.
        m_progress->status(
            (notDone + QStringLiteral(": ") + QString::fromStdString(outcome.message).simplified())
                .toStdString());
    }
    if (outcome.kind == Outcome::Kind::Failed) {
        showCommandError(m_dialogs, this, outcome.message.c_str());
        return false;
    }
    if (outcome.kind == Outcome::Kind::Refused) {
        // Refusals of a missing name or result are errors; the rest, information.
        const bool error = *outcome.refusal == Refusal::EmptyResultName ||
                           *outcome.refusal == Refusal::NothingToSave;
        m_dialogs.message(this, error ? QMessageBox::Critical : QMessageBox::Information,
                          *outcome.refusal == Refusal::EmptyResultName
                              ? QStringLiteral("Błąd")
                              : QStringLiteral("Informacja"),
                          QString::fromStdString(outcome.message));
        return false;
    }
    if (!outcome.warnings.empty()) {
        QStringList lines;
        for (const std::string& warning : outcome.warnings) {
            lines << QString::fromStdString(warning);
        }
        m_status->setText(m_status->text() + QStringLiteral(" ") + lines.join(QStringLiteral(" ")));
    }
    return true;
}

void TForm1::runCommand(const std::function<void()>& command) {
    if (m_busy) {
        return;
    }
    m_busy = true;
    QWidget* const controls[] = {m_loadPlaylist,   m_loadAdverts,    m_compileButton,
                                 m_saveButton,     m_matrixButton,   m_radioGroup,
                                 m_fade,           m_seconds,        m_weekday,
                                 m_folderEdits[0], m_folderEdits[1], m_folderEdits[2]};
    // Disabling takes the focus away; it goes back where it was when the command is done.
    // The window's own focus, which it keeps also while a dialog that just closed still
    // holds the desktop's.
    const QPointer<QWidget> focused = focusWidget();
    std::vector<std::pair<QWidget*, bool>> enabled;
    for (QWidget* control : controls) {
        enabled.emplace_back(control, control->isEnabled());
        control->setEnabled(false);
    }
    m_progress->resetClearedViews();
    m_progress->status({});
    guarded(command);
    m_progress->flush();
    for (const auto& [control, wasEnabled] : enabled) {
        control->setEnabled(wasEnabled);
    }
    if (focused != nullptr && focused->isEnabled()) {
        focused->setFocus(Qt::OtherFocusReason);
    }
    m_busy = false;
    if (m_closeRequested) {
        close();
    }
}

void TForm1::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        showCommandError(m_dialogs, this, error.what());
    }
    // Every command and setting passes here: a change the result doesn't show is told.
    showResultState();
}

void TForm1::openAndLoad(QAbstractButton* opener, const std::string& folder, const QString& filter,
                         ListId list, const std::vector<QLineEdit*>& nameEdits,
                         const std::function<Outcome(const std::string&)>& load) {
    if (m_busy) {
        return;
    }
    const auto path = m_dialogs.openFile(this, fromCp1250(folder), filter);
    // The keyboard goes on from the button that asked, whatever the dialog left focused.
    const QPointer<QAbstractButton> back = opener;
    const auto refocus = qScopeGuard([&back] {
        if (back != nullptr && back->isEnabled()) {
            back->setFocus(Qt::OtherFocusReason);
        }
    });
    if (!path) {
        return;
    }
    runCommand([&] {
        std::vector<QString> previous;
        for (QLineEdit* edit : nameEdits) {
            previous.push_back(edit->text());
            edit->setText(QFileInfo(*path).completeBaseName());
        }
        const Outcome outcome = load(path->toStdString());
        // A load that failed before touching its list leaves the names with that list.
        if (!outcome.done() && !m_progress->wasCleared(list)) {
            for (std::size_t i = 0; i < nameEdits.size(); ++i) {
                nameEdits[i]->setText(previous[i]);
            }
        }
        report(outcome, list == ListId::Playlist ? kPlaylistNotLoaded : kAdvertsNotLoaded);
    });
}

namespace {

// Keeps the name of the file a load read, for the day's title; a load that emptied its list
// without reading it leaves none.
Outcome keepFileName(const std::string& path, std::string& name, const Outcome& outcome) {
    if (outcome.done()) {
        name = QFileInfo(QString::fromStdString(path)).fileName().toStdString();
    } else if (outcome.kind == Outcome::Kind::Failed) {
        name.clear();
    }
    return outcome;
}

}  // namespace

void TForm1::BitBtn4Click() {
    openAndLoad(m_loadPlaylist, m_session->settings().folder(Folder::Playlists),
                QStringLiteral("Pliki playlist (*.mix)"), ListId::Playlist, {m_playlistName},
                [this](const std::string& path) {
                    // The programme around the blocks is measured with the spots.
                    m_loudness.reset();
                    Outcome outcome =
                        keepFileName(path, m_playlistFile, m_session->otworzPlikMIX(path));
                    startLoudness();
                    return outcome;
                });
}

void TForm1::BitBtn5Click() {
    openAndLoad(m_loadAdverts, m_session->settings().folder(Folder::AdvertLists),
                QStringLiteral("Pliki list reklamych (*.lst)"), ListId::Adverts,
                {m_advertName, m_resultName},
                [this](const std::string& path) { return loadAdverts(path); });
}

Outcome TForm1::loadAdverts(const std::string& path) {
    m_loudness.reset();
    Outcome outcome = keepFileName(
        path, m_advertFile,
        m_session->OtworzPlikLST(path, m_newMeasurer ? m_newMeasurer() : SpotMeasurer{}));
    if (outcome.done()) {
        m_advertPath = path;
    } else if (outcome.kind == Outcome::Kind::Failed) {
        m_advertPath.clear();
    }
    // Counted once: the measuring's every step shows it.
    m_unmeasured = m_session->unmeasuredSpots().size();
    if (outcome.done()) {
        startLoudness();
    }
    return outcome;
}

void TForm1::setLoudnessTools(LoudnessTools tools) { m_session->useLoudness(std::move(tools)); }

void TForm1::startLoudness() {
    m_loudness.reset();
    const std::uint64_t run = ++m_loudnessRun;
    // Both are called on the measuring's threads; the window hears of them on its own.
    m_loudness = m_session->startLoudness(
        [this, run](std::size_t done, std::size_t total) {
            QMetaObject::invokeMethod(
                this,
                [this, run, done, total] {
                    if (run == m_loudnessRun) {
                        showLoudnessProgress(done, total);
                    }
                },
                Qt::QueuedConnection);
        },
        [this, run] {
            QMetaObject::invokeMethod(
                this,
                [this, run] {
                    if (run == m_loudnessRun) {
                        takeLoudness();
                    }
                },
                Qt::QueuedConnection);
        });
}

void TForm1::showLoudnessProgress(std::size_t done, std::size_t total) {
    // A command's own status and gauge come first; the measuring shows again after it.
    if (m_busy) {
        return;
    }
    // The spots without a length stay in sight while the others are measured.
    m_progress->status(
        (QStringLiteral("Pomiar głośności: %1 z %2").arg(done).arg(total) + unmeasuredNote())
            .toStdString());
    m_progress->gaugeMax(static_cast<std::int64_t>(total));
    m_progress->gaugeProgress(static_cast<std::int64_t>(done));
    showResultState();
    m_progress->flush();
}

void TForm1::takeLoudness() {
    if (m_loudness == nullptr || !m_loudness->finished()) {
        return;
    }
    if (m_busy) {
        // A command is running (its gauge lets events through): the figures wait for its end.
        QTimer::singleShot(50, this, [this, run = m_loudnessRun] {
            if (run == m_loudnessRun) {
                takeLoudness();
            }
        });
        return;
    }
    const std::unique_ptr<LoudnessJob> job = std::move(m_loudness);
    if (!m_session->takeLoudness(*job)) {
        return;
    }
    const std::size_t loud = m_session->loudness().loudSpots().size();
    const std::size_t loudBlocks = static_cast<std::size_t>(
        std::count_if(m_session->programmeChecks().begin(), m_session->programmeChecks().end(),
                      [](const BlockAgainstProgramme& block) { return block.tooLoud; }));
    QString text = loud == 0
                       ? QStringLiteral("Pomiar głośności - gotowe!")
                       : QStringLiteral("Pomiar głośności - gotowe; za głośne spoty: %1").arg(loud);
    if (loudBlocks > 0) {
        text += QStringLiteral("; bloki głośniejsze od programu: %1").arg(loudBlocks);
    }
    text += unmeasuredNote();
    const std::string warning = job->measured().warning;
    if (!warning.empty() && !m_cacheWarned) {
        m_cacheWarned = true;
        text += QStringLiteral(" ") + QString::fromStdString(warning);
    }
    m_progress->status(text.toStdString());
    showResultState();
    m_progress->flush();
    // A result of another list keeps its own notice and picture.
    if (!m_session->lists().ListaWynikowa.empty() && m_session->resultCurrent()) {
        if (m_dayView != nullptr) {
            m_dayView->setPicture(dayPicture());
        }
        showPlacementReport();
    }
}

QString TForm1::unmeasuredNote() const {
    return m_unmeasured == 0 ? QString()
                             : QStringLiteral(" — Niezmierzone spoty: %1").arg(m_unmeasured);
}

void TForm1::showResultState() {
    if (m_session == nullptr || m_placementNotice == nullptr ||
        m_session->lists().ListaWynikowa.empty() || m_session->resultCurrent()) {
        return;
    }
    const QString stale = QString::fromUtf8(refusalText(Refusal::StaleResult).data());
    if (!m_status->text().contains(stale)) {
        m_status->setText(m_status->text() + QStringLiteral(" ") + stale + QLatin1Char('.'));
    }
    // The notice speaks of the result on screen, which is no longer what the lists give.
    m_noticeHeadline = stale;
    setNoticeHeadline(m_placementNotice, stale, false);
    m_placementNotice->setToolTip(stale);
}

void TForm1::BitBtn3Click() {
    runCommand([this] {
        // The notice would speak of a result on its way out; a compile that leaves the old
        // result standing (refused, or failed before emptying it) brings it back.
        const bool hadNotice = !m_placementNotice->isHidden();
        m_placementNotice->hide();
        const Outcome outcome = m_session->compile(m_weekday->currentIndex());
        if (!outcome.done()) {
            m_placementNotice->setVisible(hadNotice && !m_progress->wasCleared(ListId::Result));
            report(outcome, QStringLiteral("Nie skompilowano list"));
            return;
        }
        m_dayButton->setEnabled(true);
        // The day as compiled, not as the controls and loads stand when it is looked at.
        m_compiledDay = DayTitle{{}, m_weekday->currentIndex(), m_playlistFile, m_advertFile};
        if (m_dayView != nullptr) {
            m_dayView->setPicture(dayPicture());
        }
        showPlacementReport();
    });
}

void TForm1::correctLoudness() {
    const QString where =
        m_session->settings().corrections.folder.empty()
            ? QStringLiteral("obok oryginałów")
            : QStringLiteral("w folderze ") +
                  QString::fromStdString(cp1250ToUtf8(m_session->settings().corrections.folder));
    const auto answer = QMessageBox::question(
        this, QStringLiteral("Popraw głośność"),
        QStringLiteral("Zapisać obniżone kopie głośnych spotów %1 i wstawić je do wyniku "
                       "zamiast oryginałów? Oryginały pozostaną bez zmian.")
            .arg(where),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        return;
    }
    runCommand([this] {
        const Outcome outcome = m_session->correctLoudness();
        if (!outcome.done()) {
            report(outcome, QStringLiteral("Nie poprawiono głośności"));
            return;
        }
        const auto corrected =
            std::count_if(m_session->corrections().begin(), m_session->corrections().end(),
                          [](const SpotCorrection& correction) { return correction.used; });
        m_progress->status(QStringLiteral("Poprawianie głośności - gotowe; poprawione spoty: %1")
                               .arg(corrected)
                               .toStdString());
        if (m_dayView != nullptr) {
            m_dayView->setPicture(dayPicture());
        }
        showPlacementReport();
    });
}

DayPicture TForm1::dayPicture() const {
    const CompileRecord& compiled = m_session->lastCompile();
    DayTitle title = m_compiledDay;
    // A result the lists no longer give is told as such, not by findings of other lists.
    title.findings = m_session->resultCurrent()
                         ? findingTexts(m_session->findings())
                         : std::vector<std::string>{std::string(refusalText(Refusal::StaleResult))};
    DayPicture picture(m_session->lists().ListaWynikowa, compiled.blocks, compiled.checks, title,
                       m_session->louderThanProgramme());
    markLoudSpots(picture, compiled.origins, m_session->loudness());
    markCorrectedSpots(picture, compiled.origins, m_session->corrections());
    return picture;
}

void TForm1::showPlacementReport() {
    const PlacementReport report = m_session->placementReport();
    const std::vector<Finding> found = m_session->findings();
    // The measuring problem with where the file was looked for, so the operator can tell a
    // missing map line from a missing file.
    std::vector<std::string> problems;
    for (const SpotMeasure& measure : m_session->spotMeasures()) {
        problems.push_back(measure.kind == SpotProblem::NoMap ? measure.problem + kSetPathMap
                           : measure.ms > 0 || measure.localPath.empty()
                               ? measure.problem
                               : measure.problem + " (szukano: " + measure.localPath + ")");
    }
    m_placementEntries = placementEntries(report, problems, m_session->unaccountedSpots());
    // Also a clean day has its notice: its list shows every block booked against aired.
    m_noticeHeadline = noticeHeadline(found);
    const bool quiet = found.empty();
    const QString keyTip = QStringLiteral("%1: lista spotów, bloków reklam i kontroli dnia")
                               .arg(QKeySequence(kPlacementNoticeKey).toString());
    setNoticeHeadline(m_placementNotice, m_noticeHeadline, quiet);
    m_placementNotice->setToolTip(m_noticeHeadline + QLatin1Char('\n') + keyTip);
    // A long headline leaves the status line's start in sight; the whole of it is in the tip.
    const int widest = m_gauge->width() * 3 / 5;
    QSize size = m_placementNotice->sizeHint();
    if (size.width() > widest) {
        const int text = m_placementNotice->fontMetrics().horizontalAdvance(m_noticeHeadline);
        m_placementNotice->setText(m_placementNotice->fontMetrics().elidedText(
            m_noticeHeadline, Qt::ElideRight, text - (size.width() - widest)));
        size = m_placementNotice->sizeHint();
    }
    // Right-aligned with the gauge, centred on the status line and clear of the gauge.
    const QRect line = m_status->geometry();
    const int height = std::min(size.height(), m_gauge->y() - 2 - 2);
    const int top = std::clamp(line.center().y() - height / 2, 2, m_gauge->y() - 2 - height);
    m_placementNotice->setGeometry(m_gauge->geometry().right() + 1 - size.width(), top,
                                   size.width(), height);
    m_placementNotice->show();
    m_placementNotice->raise();
}

void TForm1::showPlacementList() {
    // Rows are decoded only now: a hostile list can leave millions of spots behind.
    const CompileRecord& compiled = m_session->lastCompile();
    PlacementList list{m_noticeHeadline,
                       placementRows(m_placementEntries),
                       blockRows(compiled.blocks, compiled.checks.limits),
                       QString::fromStdString(dayChecksSummary(compiled.checks)),
                       compiled.checks.clean(),
                       loudnessRows(m_session->lists().ListaLST, m_session->loudness()),
                       programmeRows(m_session->programmeChecks())};
    PlacementListDialog dialog(
        list, this, [this] { showDayView(); }, [this] { correctLoudness(); });
    dialog.exec();
}

void TForm1::selectResultRow(std::size_t row) {
    const QModelIndex index = m_resultModel->index(static_cast<int>(row), 0);
    if (!index.isValid()) {
        return;
    }
    m_resultView->setCurrentIndex(index);
    m_resultView->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void TForm1::storeDayViewPlace(const WindowPlace& place) {
    try {
        m_session->storeDayViewPlace(place);
    } catch (const std::exception& error) {
        // Not worth a box at every move: the window works on, where it stands.
        m_status->setText(QStringLiteral("Nie zapamiętano miejsca okna „Podgląd dnia”: ") +
                          QString::fromUtf8(error.what()));
    }
}

void TForm1::showDayView() {
    if (m_dayView == nullptr) {
        m_dayView = new DayView(this);
        m_dayView->setObjectName(QStringLiteral("DayView"));
        connect(m_dayView, &DayView::itemClicked, this, &TForm1::selectResultRow);
        connect(m_dayView, &DayView::mainWindowWanted, this, [this] {
            raise();
            activateWindow();
            m_resultView->setFocus(Qt::OtherFocusReason);
        });
        connect(m_dayView, &DayView::placeChanged, this, &TForm1::storeDayViewPlace);
        connect(m_resultView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex& current) {
                    if (m_dayView != nullptr && current.isValid()) {
                        m_dayView->showItem(static_cast<std::size_t>(current.row()));
                    }
                });
    }
    m_dayView->setPicture(dayPicture());
    if (m_dayView->isVisible()) {
        m_dayView->bringForward();
        return;
    }
    // The result list, where a chosen record shows, and the commands above it stay in sight.
    QRect keepClear(m_resultView->mapToGlobal(QPoint(0, 0)), m_resultView->size());
    keepClear |= QRect(m_compileButton->mapToGlobal(QPoint(0, 0)), m_compileButton->size());
    m_dayView->showBeside(*this, keepClear, m_session->settings().dayViewPlace);
}

void TForm1::editPathMap() {
    if (m_busy) {
        return;
    }
    QStringList notes;
    for (const std::string& warning : m_session->settingsWarnings()) {
        notes << QString::fromStdString(warning);
    }
    PathMapDialog dialog(m_session->settings().pathMap, notes, this);
    if (dialog.exec() == QDialog::Accepted) {
        const bool changed = !(dialog.pathMap() == m_session->settings().pathMap);
        // Spots are found when their list is read: a loaded list is read again, so that what
        // the window shows and compiles is what the new map finds. The load's own status says
        // how many spots are still without a length.
        const bool reread =
            changed && !m_advertPath.empty() && !m_session->lists().ListaLST.empty();
        guarded([this, &dialog, changed, reread] {
            m_session->storePathMap(dialog.pathMap());
            if (!changed) {
                m_status->setText(QStringLiteral("Mapa ścieżek zapisana bez zmian."));
            } else if (!reread) {
                m_status->setText(QStringLiteral(
                    "Mapa ścieżek zapisana; działa od następnego ładowania listy reklam."));
            }
        });
        if (reread) {
            runCommand([this] { report(loadAdverts(m_advertPath), kAdvertsNotLoaded); });
        }
    }
}

void TForm1::BitBtn1Click() {
    runCommand([this] {
        const std::string name = m_resultName->text().toStdString();
        // Asked only of a result the session would write: its own refusals come first.
        const bool savable = !isBlankResultName(name) &&
                             !m_session->lists().ListaWynikowa.empty() &&
                             m_session->resultCurrent();
        const DayVerdict verdict = m_session->verdict();
        const QString unaccounted =
            QString::fromStdString(m_session->verdictText(kNamedInQuestion));
        if (savable && !verdict.accounted() &&
            !m_dialogs.ask(this, QStringLiteral("Pytanie"),
                           QStringLiteral("Wynik nie rozlicza wszystkich zamówionych spotów: ") +
                               unaccounted + QStringLiteral("\n\nZapisać go mimo to?"))) {
            m_progress->status(kResultNotSaved.toStdString() +
                               ": odpowiedź „Nie” — wynik nie rozlicza wszystkich zamówionych "
                               "spotów.");
            return;
        }
        const QString path = QString::fromStdString(m_session->resultPath(name));
        const bool replacing = QFileInfo::exists(path);
        const Outcome outcome = m_session->save(name);
        m_progress->flush();
        if (!report(outcome, kResultNotSaved)) {
            return;
        }
        const QString saved = replacing
                                  ? QStringLiteral("Playlista %1 została zastąpiona nową").arg(path)
                                  : QStringLiteral("Nowa playlista %1 została zapisana").arg(path);
        m_dialogs.message(
            this, verdict.accounted() ? QMessageBox::Information : QMessageBox::Warning,
            QStringLiteral("Informacja"),
            verdict.accounted()
                ? saved + QLatin1Char('.')
                : saved + QStringLiteral(", choć nie rozlicza wszystkich zamówionych spotów: ") +
                      unaccounted);
    });
}

void TForm1::BitBtn2Click() {
    guarded([this] {
        TFMatryca editor(*m_session, m_dialogs, this);
        editor.FormShow();
        editor.exec();
    });
}

void TForm1::LabeledEdit1Click(int tag) {
    if (tag < 1 || tag > 3 || m_busy) {
        return;
    }
    guarded([this, tag] {
        const auto folder = static_cast<Folder>(tag - 1);
        openFolderChooser(
            this, tag, m_folderEdits[tag - 1], m_dialogs,
            [this, folder](const std::string& chosen) { m_session->storeFolder(folder, chosen); });
    });
}

void TForm1::RadioGroup1Click(int index) {
    guarded([this, index] {
        m_session->storeBreakMode(breakModeFromIndex(index));
        m_fade->setEnabled(index == 1);
    });
}

void TForm1::CheckBox1Click(bool checked) {
    guarded([this, checked] { m_session->storeFade(checked); });
}

void TForm1::LabeledEdit7Change(const QString& text) {
    guarded([this, &text] {
        const BreakLength::FieldReading reading = BreakLength::fromFieldText(text.toStdString());
        m_session->storeBreakLength(reading.length);
        if (reading.correction) {
            // Runs this handler again, which writes the key from the correction.
            m_seconds->setText(QString::fromStdString(*reading.correction));
        }
    });
}

void TForm1::ComboBox1Change(int index) {
    guarded([this, index] { m_session->chooseWeekday(index); });
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    if (pressFocusedButton(this, event)) {
        return;
    }
    QWidget::keyPressEvent(event);
}

QString TForm1::statusTip() const {
    // Made when asked, so it always tells what the line says now, also where the line is
    // cut off; wrapped as rich text, since a status can run long.
    QString tip = QStringLiteral("<p>") + m_status->text().toHtmlEscaped() + QStringLiteral("</p>");
    if (m_placementNotice->isVisible()) {
        tip += QStringLiteral("<p>%1: lista spotów, bloków reklam i kontroli dnia</p>")
                   .arg(QKeySequence(kPlacementNoticeKey).toString());
    }
    return m_status->text().isEmpty() && !m_placementNotice->isVisible() ? QString() : tip;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_status && event->type() == QEvent::ToolTip) {
        const QString tip = statusTip();
        if (tip.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, m_status);
        }
        return true;
    }
    if (watched == m_seconds && event->type() == QEvent::KeyPress) {
        // Typed characters other than the digits are dropped; backspace and the editing
        // keys (which type no printable character) work as usual.
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        if (typed.size() == 1 && typed[0].isPrint() &&
            (typed[0] < QLatin1Char('0') || typed[0] > QLatin1Char('9'))) {
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        // Enter or Space on a folder field does what a click does.
        const int key = static_cast<QKeyEvent*>(event)->key();
        for (QLineEdit* edit : m_folderEdits) {
            if (watched == edit &&
                (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
                LabeledEdit1Click(edit->property("tag").toInt());
                return true;
            }
        }
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        for (QLineEdit* edit : m_folderEdits) {
            if (watched == edit && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                LabeledEdit1Click(edit->property("tag").toInt());
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (m_busy) {
        // The lists are being filled: close once the running command has finished.
        m_closeRequested = true;
        m_progress->setClosingNote(QStringLiteral(" (okno zamknie się po zakończeniu tej pracy)"));
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
    // The windows that belong to this one go with it: the day view has no parent, and a
    // dialog still open would keep its own loop running.
    if (m_dayView != nullptr) {
        m_dayView->close();
    }
    for (QDialog* dialog : findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) {
        dialog->reject();
    }
}

void TForm1::FormClose() {
    m_loudness.reset();
    m_session->clear();
}

}  // namespace kalmero
