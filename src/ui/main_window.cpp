#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeView>
#include <QValidator>
#include <algorithm>
#include <exception>

#include "compiler/placement_report.h"
#include "platform/encoding.h"
#include "ui/day_view.h"
#include "ui/folder_chooser.h"
#include "ui/form_port.h"
#include "ui/list_models.h"
#include "ui/matrix_editor.h"
#include "ui/operator_dialogs.h"
#include "ui/pictures.h"
#include "ui/radio_group.h"

namespace kalmero {

namespace {

constexpr int kClientWidth = 988;
constexpr int kClientHeight = 648;
constexpr int kTopHeight = 177;
constexpr int kBottomHeight = 56;
constexpr int kSideWidth = 350;

QString fromCp1250(const std::string& bytes) { return QString::fromStdString(cp1250ToUtf8(bytes)); }

// Refuses any text of digits alone whose value passes the longest break, so that neither a
// keystroke nor a paste can put one in. Other text passes: the change handler turns it
// into "0".
class SecondsValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        if (input.isEmpty()) {
            return Acceptable;
        }
        for (const QChar c : input) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                return Acceptable;
            }
        }
        return BreakLength::digitsFit(input.toStdString()) ? Acceptable : Invalid;
    }
};

QFrame* makePanel(QWidget* parent, const char* name, const QRect& geometry) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setGeometry(geometry);
    return panel;
}

enum class LabelSide { Above, Left };

// An edit with its label, the label named "<edit>SubLabel".
QLineEdit* makeLabeledEdit(QWidget* parent, const char* name, const QString& caption,
                           const QRect& geometry, LabelSide side) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(geometry);
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name) + QStringLiteral("SubLabel"));
    label->setBuddy(edit);
    label->adjustSize();
    if (side == LabelSide::Above) {
        label->move(geometry.left(), geometry.top() - label->height() - 3);
    } else {
        label->move(geometry.left() - label->width() - 3,
                    geometry.top() + (geometry.height() - label->height()) / 2);
    }
    return edit;
}

QToolButton* makeBigButton(QWidget* parent, const char* name, const QString& caption,
                           const QIcon& icon, const QRect& geometry) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setIcon(icon);
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setGeometry(geometry);
    return button;
}

// Report rows a little taller than the text, as the desktop's list views draw them; the
// accents above capitals (Ż, Ó) would be cut off in rows of the bare text height.
class ReportRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), option.fontMetrics.height() + 4));
        return size;
    }
};

QPushButton* makePictureButton(QWidget* parent, const char* name, const QString& hint,
                               const QRect& geometry) {
    auto* button = new QPushButton(folderOpenIcon(), QString(), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setGeometry(geometry);
    return button;
}

}  // namespace

TForm1::TForm1(SessionFiles files, OperatorDialogs& dialogs, SpotMeasurerFactory newMeasurer,
               QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_dialogs(dialogs),
      m_newMeasurer(std::move(newMeasurer)),
      m_port(std::make_unique<FormPort>()),
      m_session(std::make_unique<Session>(std::move(files), *m_port, [](std::string_view folder) {
          return fromCp1250(std::string(folder)).toStdString();
      })) {
    Lists& lists = m_session->lists();
    m_mixModel = new ListModel(ListId::Playlist, lists.ListaMIX, this);
    m_lstModel = new ListModel(ListId::Adverts, lists.ListaLST, this);
    m_resultModel = new ListModel(ListId::Result, lists.ListaWynikowa, this);
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Kalmero v1.75"));
    setFixedSize(kClientWidth, kClientHeight);

    const int middleHeight = kClientHeight - kTopHeight - kBottomHeight;
    QFrame* top = makePanel(this, "Panel1", QRect(0, 0, kClientWidth, kTopHeight));
    QFrame* left = makePanel(this, "Panel3", QRect(0, kTopHeight, kSideWidth, middleHeight));
    QFrame* middle = makePanel(
        this, "Panel4", QRect(kSideWidth, kTopHeight, kClientWidth - 2 * kSideWidth, middleHeight));
    QFrame* right = makePanel(
        this, "Panel5", QRect(kClientWidth - kSideWidth, kTopHeight, kSideWidth, middleHeight));
    QFrame* bottom = makePanel(
        this, "Panel2", QRect(0, kClientHeight - kBottomHeight, kClientWidth, kBottomHeight));
    buildTopPanel(top);
    buildListPanels(left, middle, right);
    buildBottomPanel(bottom);

    m_port->attach({m_mixModel, m_lstModel, m_resultModel}, m_status, m_gauge);
}

TForm1::~TForm1() = default;

void TForm1::buildTopPanel(QWidget* panel) {
    auto* image = new StudioBanner(panel);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(panel->contentsRect());

    const char* folderNames[3] = {"LabeledEdit1", "LabeledEdit2", "LabeledEdit3"};
    const QString folderCaptions[3] = {QStringLiteral("Folder playlist:"),
                                       QStringLiteral("Folder list reklamowych:"),
                                       QStringLiteral("Folder wynikowy:")};
    for (int i = 0; i < 3; ++i) {
        QLineEdit* edit = makeLabeledEdit(panel, folderNames[i], folderCaptions[i],
                                          QRect(16, 24 + 48 * i, 273, 21), LabelSide::Above);
        edit->setReadOnly(true);
        edit->setProperty("tag", i + 1);
        edit->installEventFilter(this);
        m_folderEdits[i] = edit;
    }

    m_radioGroup =
        new RadioGroup(QStringLiteral("Break wiadomości"),
                       {QStringLiteral("najbliżej pełnej"), QStringLiteral("równo o pełnej"),
                        QStringLiteral("nie wstawiaj")},
                       120, panel);
    m_radioGroup->setObjectName(QStringLiteral("RadioGroup1"));
    m_radioGroup->setGeometry(310, 8, 305, 133);
    // The caption sits on the frame's top line, as the layout expects.
    m_radioGroup->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid #a0a0a0; border-radius: 2px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0 2px; }"));
    m_radioGroup->setItemIndex(0);
    connect(m_radioGroup, &RadioGroup::itemIndexChanged, this, &TForm1::RadioGroup1Click);

    m_seconds = makeLabeledEdit(panel, "LabeledEdit7", QStringLiteral("Czas (s):"),
                                QRect(440, 33, 49, 21), LabelSide::Above);
    m_seconds->setText(QStringLiteral("0"));
    m_seconds->setValidator(new SecondsValidator(m_seconds));
    m_seconds->installEventFilter(this);
    connect(m_seconds, &QLineEdit::textChanged, this, &TForm1::LabeledEdit7Change);

    auto* dayLabel = new QLabel(QStringLiteral("Dzień tygodnia:"), panel);
    dayLabel->setObjectName(QStringLiteral("Label2"));
    dayLabel->adjustSize();
    dayLabel->move(496, 18);

    m_weekday = new QComboBox(panel);
    m_weekday->setObjectName(QStringLiteral("ComboBox1"));
    m_weekday->addItems({QStringLiteral("poniedziałek"), QStringLiteral("wtorek"),
                         QStringLiteral("środa"), QStringLiteral("czwartek"),
                         QStringLiteral("piątek"), QStringLiteral("sobota"),
                         QStringLiteral("niedziela")});
    m_weekday->setCurrentIndex(0);
    m_weekday->setGeometry(495, 33, 88, 21);

    m_fade = new QCheckBox(QStringLiteral("wycisz nachodzącą pozycję"), panel);
    m_fade->setObjectName(QStringLiteral("CheckBox1"));
    m_fade->setGeometry(440, 70, 161, 17);
    m_fade->setEnabled(false);
    connect(m_fade, &QCheckBox::toggled, this, &TForm1::CheckBox1Click);

    auto* matrix = new QPushButton(matrixIcon(), QStringLiteral("Matryca breaków"), panel);
    matrix->setObjectName(QStringLiteral("BitBtn2"));
    matrix->setGeometry(440, 100, 143, 25);
    connect(matrix, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    m_matrixButton = matrix;

    m_compileButton = makeBigButton(panel, "BitBtn3", QStringLiteral("Przelicz"), compileIcon(),
                                    QRect(734, 8, 116, 71));
    connect(m_compileButton, &QAbstractButton::clicked, this, &TForm1::BitBtn3Click);
    m_saveButton = makeBigButton(panel, "BitBtn1", QStringLiteral("Zapisz plik wynikowy"),
                                 saveIcon(), QRect(856, 8, 116, 71));
    connect(m_saveButton, &QAbstractButton::clicked, this, &TForm1::BitBtn1Click);

    m_dayButton = new QPushButton(QStringLiteral("Podgląd dnia"), panel);
    m_dayButton->setObjectName(QStringLiteral("DayViewButton"));
    m_dayButton->setToolTip(QStringLiteral("Skompilowany dzień godzina po godzinie"));
    m_dayButton->setGeometry(734, 86, 238, 25);
    m_dayButton->setEnabled(false);
    connect(m_dayButton, &QPushButton::clicked, this, &TForm1::showDayView);
}

QTreeView* TForm1::makeListView(QWidget* parent, const char* name, ListModel* model,
                                int secondColumnWidth) {
    auto* view = new QTreeView(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setModel(model);
    view->setItemDelegate(new ReportRowDelegate(view));
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setTextElideMode(Qt::ElideRight);
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setMinimumSectionSize(std::min(100, secondColumnWidth));
    header->resizeSection(0, 100);
    header->resizeSection(1, secondColumnWidth);
    // Each column keeps its first width as its least.
    const int minimums[2] = {100, secondColumnWidth};
    connect(header, &QHeaderView::sectionResized, header,
            [header, minimums](int section, int, int newSize) {
                if (section < 2 && newSize < minimums[section]) {
                    header->resizeSection(section, minimums[section]);
                }
            });
    return view;
}

void TForm1::buildListPanels(QWidget* left, QWidget* middle, QWidget* right) {
    m_playlistName = makeLabeledEdit(left, "LabeledEdit4", QStringLiteral("Playlista:"),
                                     QRect(80, 6, 153, 21), LabelSide::Left);
    m_playlistName->setReadOnly(true);
    m_loadPlaylist = makePictureButton(left, "BitBtn4", QStringLiteral("Załaduj playlistę"),
                                       QRect(239, 5, 26, 25));
    connect(m_loadPlaylist, &QAbstractButton::clicked, this, &TForm1::BitBtn4Click);
    makeListView(left, "ListView1", m_mixModel, 180)->setGeometry(12, 33, 322, 368);

    m_advertName = makeLabeledEdit(middle, "LabeledEdit5", QStringLiteral("Lista reklam:"),
                                   QRect(80, 6, 153, 21), LabelSide::Left);
    m_advertName->setReadOnly(true);
    m_loadAdverts = makePictureButton(middle, "BitBtn5", QStringLiteral("Załaduj listę reklam"),
                                      QRect(239, 5, 26, 25));
    connect(m_loadAdverts, &QAbstractButton::clicked, this, &TForm1::BitBtn5Click);
    makeListView(middle, "ListView2", m_lstModel, 120)->setGeometry(14, 33, 259, 368);

    m_resultName = makeLabeledEdit(right, "LabeledEdit6", QStringLiteral("Lista wynikowa:"),
                                   QRect(120, 6, 153, 21), LabelSide::Left);
    m_resultView = makeListView(right, "ListView3", m_resultModel, 180);
    m_resultView->setGeometry(12, 33, 322, 368);
}

void TForm1::buildBottomPanel(QWidget* panel) {
    m_status = new QLabel(panel);
    m_status->setObjectName(QStringLiteral("Label1"));
    QFont bold = m_status->font();
    bold.setBold(true);
    m_status->setFont(bold);
    m_status->setGeometry(16, 13, 956, m_status->fontMetrics().height());

    m_gauge = new QProgressBar(panel);
    m_gauge->setObjectName(QStringLiteral("Gauge1"));
    m_gauge->setGeometry(12, 32, 960, 16);
    m_gauge->setRange(0, 1);
    m_gauge->setValue(0);
    m_gauge->setTextVisible(true);
    m_gauge->setAlignment(Qt::AlignCenter);
    m_gauge->setFormat(QStringLiteral("%p%"));
    m_gauge->setStyleSheet(QStringLiteral(
        "QProgressBar { border: 1px solid #808080; background: white; color: black; }"
        "QProgressBar::chunk { background: #ff0000; }"));

    m_placementNotice = makePlacementNotice(panel);
    connect(m_placementNotice, &QPushButton::clicked, this, &TForm1::showPlacementList);
}

void TForm1::FormCreate() {
    const StoredSettings stored = m_session->readSettings(
        [](const std::string& folder) { return QFileInfo(fromCp1250(folder)).isDir(); });
    // Each control set as the operator's change would, so its handler writes back a value
    // the field can't show as stored.
    m_radioGroup->setItemIndex(breakModeIndex(stored.mode));
    m_fade->setChecked(stored.fade);
    m_seconds->setText(QString::number(stored.seconds));
    m_driftLimitMs = stored.driftLimitMs;
    const Konfiguracja& k = m_session->konfiguracja();
    const std::string* folders[3] = {&k.FolderMIX, &k.FolderLST, &k.FolderWynikowy};
    for (int i = 0; i < 3; ++i) {
        m_folderEdits[i]->setText(fromCp1250(*folders[i]));
    }
}

void TForm1::showSettingsNote(const QString& note) {
    m_status->setText(note);
    m_status->setToolTip(note);
}

CompileSettings TForm1::compileSettings() const {
    CompileSettings settings;
    settings.mode = breakModeFromIndex(m_radioGroup->itemIndex());
    settings.fade = m_fade->isChecked();
    settings.length = BreakLength::fromFieldText(m_seconds->text().toStdString()).length;
    settings.weekday = m_weekday->currentIndex();
    settings.sound = m_session->storedBreakSound();
    return settings;
}

bool TForm1::report(const Outcome& outcome) {
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
        m_status->setToolTip(lines.join(QStringLiteral("\n")));
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
    const QPointer<QWidget> focused = QApplication::focusWidget();
    std::vector<std::pair<QWidget*, bool>> enabled;
    for (QWidget* control : controls) {
        enabled.emplace_back(control, control->isEnabled());
        control->setEnabled(false);
    }
    m_port->resetClearedViews();
    guarded(command);
    m_port->flush();
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
}

void TForm1::openAndLoad(const std::string& folder, const QString& filter, ListId list,
                         const std::vector<QLineEdit*>& nameEdits,
                         const std::function<Outcome(const std::string&)>& load) {
    if (m_busy) {
        return;
    }
    const auto path = m_dialogs.openFile(this, fromCp1250(folder), filter);
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
        if (!outcome.done() && !m_port->wasCleared(list)) {
            for (std::size_t i = 0; i < nameEdits.size(); ++i) {
                nameEdits[i]->setText(previous[i]);
            }
        }
        report(outcome);
    });
}

void TForm1::BitBtn4Click() {
    openAndLoad(m_session->konfiguracja().FolderMIX, QStringLiteral("Pliki playlist (*.mix)"),
                ListId::Playlist, {m_playlistName},
                [this](const std::string& path) { return m_session->otworzPlikMIX(path); });
}

void TForm1::BitBtn5Click() {
    openAndLoad(m_session->konfiguracja().FolderLST, QStringLiteral("Pliki list reklamych (*.lst)"),
                ListId::Adverts, {m_advertName, m_resultName}, [this](const std::string& path) {
                    return m_session->OtworzPlikLST(path, m_newMeasurer());
                });
}

void TForm1::BitBtn3Click() {
    runCommand([this] {
        // The notice would speak of a result on its way out; a compile that leaves the old
        // result standing (refused, or failed before emptying it) brings it back.
        const bool hadNotice = !m_placementNotice->isHidden();
        m_placementNotice->hide();
        const Outcome outcome = m_session->compile(compileSettings());
        if (!outcome.done()) {
            m_placementNotice->setVisible(hadNotice && !m_port->wasCleared(ListId::Result));
            report(outcome);
            return;
        }
        m_blocks = m_session->advertBlocks();
        DayCheckLimits limits;
        limits.driftMs = m_driftLimitMs;
        m_checks = m_session->dayChecks(m_blocks, limits);
        m_dayButton->setEnabled(true);
        if (m_dayView != nullptr) {
            m_dayView->setPicture(DayPicture(m_session->lists().ListaWynikowa, m_blocks, m_checks));
        }
        showPlacementReport(m_session->placementReport());
    });
}

void TForm1::showPlacementReport(const PlacementReport& report) {
    m_placementEntries = placementEntries(report, m_session->spotProblems());
    if (m_placementEntries.empty() && m_checks.clean()) {
        m_placementNotice->hide();
        return;
    }
    QString text = placementNoticeText(report.counts());
    if (!m_checks.clean()) {
        text += QStringLiteral("; kontrola dnia: uwagi");
    }
    m_placementNotice->setText(text);
    // Right-aligned with the gauge, centred on the status line and clear of the gauge.
    const QRect line = m_status->geometry();
    const QSize size = m_placementNotice->sizeHint();
    const int height = std::min(size.height(), m_gauge->y() - 2 - 2);
    const int top = std::clamp(line.center().y() - height / 2, 2, m_gauge->y() - 2 - height);
    m_placementNotice->setGeometry(m_gauge->geometry().right() + 1 - size.width(), top,
                                   size.width(), height);
    m_placementNotice->show();
    m_placementNotice->raise();
}

void TForm1::showPlacementList() {
    // Rows are decoded only now: a hostile list can leave millions of spots behind.
    PlacementListDialog dialog(m_placementNotice->text(), placementRows(m_placementEntries), this,
                               blockRows(m_blocks, m_driftLimitMs),
                               QString::fromStdString(dayChecksSummary(m_checks)),
                               [this] { showDayView(); });
    dialog.exec();
}

void TForm1::showDayView() {
    if (m_dayView == nullptr) {
        m_dayView = new DayView(this);
        m_dayView->setObjectName(QStringLiteral("DayView"));
        connect(m_dayView, &DayView::itemClicked, this, [this](std::size_t index) {
            const QModelIndex row = m_resultModel->index(static_cast<int>(index), 0);
            m_resultView->setCurrentIndex(row);
            m_resultView->scrollTo(row, QAbstractItemView::PositionAtCenter);
        });
        connect(m_resultView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex& current) {
                    if (m_dayView != nullptr && current.isValid()) {
                        m_dayView->showItem(static_cast<std::size_t>(current.row()));
                    }
                });
    }
    const bool first = !m_dayView->isVisible() && m_dayView->property("shown").isNull();
    DayPicture picture(m_session->lists().ListaWynikowa, m_blocks, m_checks);
    const QSize wanted = picture.size() + QSize(48, 96);
    m_dayView->setPicture(std::move(picture));
    if (first) {
        // As wide as the day's picture where the screen allows, so no hour is cut.
        const QRect screen = this->screen()->availableGeometry();
        m_dayView->resize(std::min(wanted.width(), screen.width() - 40),
                          std::min(wanted.height(), screen.height() - 80));
        m_dayView->setProperty("shown", true);
    }
    m_dayView->show();
    m_dayView->raise();
    m_dayView->activateWindow();
}

void TForm1::BitBtn1Click() {
    runCommand([this] {
        const Outcome outcome = m_session->save(m_resultName->text().toStdString());
        m_port->flush();
        if (!report(outcome)) {
            return;
        }
        const QString path = fromCp1250(m_session->konfiguracja().FolderWynikowy) +
                             m_resultName->text() + QStringLiteral(".mix");
        m_dialogs.message(this, QMessageBox::Information, QStringLiteral("Informacja"),
                          QStringLiteral("Nowa playlista %1 została zapisana.").arg(path));
    });
}

void TForm1::BitBtn2Click() {
    guarded([this] {
        TFMatryca editor(m_session->konfiguracja(), m_session->files().ini,
                         m_session->files().matrix, m_dialogs, this);
        editor.FormShow();
        editor.exec();
    });
}

void TForm1::LabeledEdit1Click(int tag) {
    if (tag < 1 || tag > 3 || m_busy) {
        return;
    }
    guarded([this, tag] {
        openFolderChooser(this, tag, m_folderEdits[tag - 1], m_session->konfiguracja(),
                          m_session->files().ini, m_dialogs);
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

void TForm1::keyPressEvent(QKeyEvent* event) {
    // Enter presses the focused button, as Space does; buttons pass it on to the window.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QAbstractButton*>(focusWidget());
            button != nullptr && button->isEnabled()) {
            button->animateClick();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_seconds && event->type() == QEvent::KeyPress) {
        // Typed characters other than the digits are dropped; backspace and the editing
        // keys (which type no printable character) work as usual.
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        if (typed.size() == 1 && typed[0].isPrint() &&
            (typed[0] < QLatin1Char('0') || typed[0] > QLatin1Char('9'))) {
            return true;
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
        m_port->setClosingNote(QStringLiteral(" (okno zamknie się po zakończeniu tej pracy)"));
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TForm1::FormClose() { m_session->clear(); }

}  // namespace kalmero
