// The main window's controls as the operator sees them laid out, and the window's start.
#include <QAction>
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
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeView>
#include <QValidator>
#include <algorithm>
#include <exception>

#include "compiler/placement_report.h"
#include "ui/day_view.h"
#include "ui/folder_chooser.h"
#include "ui/list_models.h"
#include "ui/main_window.h"
#include "ui/matrix_editor.h"
#include "ui/operator_dialogs.h"
#include "ui/pictures.h"
#include "ui/radio_group.h"
#include "ui/read_only_table.h"
#include "ui/window_progress.h"

namespace kalmero {

namespace {

constexpr int kClientWidth = 988;
constexpr int kClientHeight = 648;
constexpr int kTopHeight = 177;
constexpr int kBottomHeight = 56;
constexpr int kSideWidth = 350;

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

TForm1::TForm1(SessionFiles files, OperatorDialogs& dialogs, SessionTools tools,
               SpotMeasurerFactory newMeasurer, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_dialogs(dialogs),
      m_newMeasurer(std::move(newMeasurer)),
      m_progress(std::make_unique<WindowProgress>()),
      m_session(std::make_unique<Session>(std::move(files), *m_progress, std::move(tools))) {
    const Lists& lists = m_session->lists();
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
    // The stops the layout doesn't have: the day view's button where it sits, under
    // "Przelicz"; the notice after the layout's own.
    QWidget::setTabOrder(m_compileButton, m_dayButton);
    QWidget::setTabOrder(m_resultView, m_placementNotice);
    auto* noticeKey = new QShortcut(QKeySequence(kPlacementNoticeKey), this);
    connect(noticeKey, &QShortcut::activated, this, [this] {
        if (m_busy) {
            return;
        }
        if (m_placementNotice->isVisible()) {
            m_placementNotice->click();
        } else {
            m_status->setText(QStringLiteral("%1: lista uwag powstaje przy kompilacji; najpierw "
                                             "załaduj playlistę i naciśnij „Przelicz”.")
                                  .arg(QKeySequence(kPlacementNoticeKey).toString()));
        }
    });

    m_progress->attach({m_mixModel, m_lstModel, m_resultModel}, m_status, m_gauge);

    // The path map lives behind the form's context menu and a key, so the layout stays.
    auto* pathMap = new QAction(QStringLiteral("Mapa ścieżek spotów..."), this);
    pathMap->setObjectName(QStringLiteral("PathMapAction"));
    pathMap->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    pathMap->setShortcutContext(Qt::WindowShortcut);
    connect(pathMap, &QAction::triggered, this, &TForm1::editPathMap);
    addAction(pathMap);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

TForm1::~TForm1() {
    // Hidden while the session still holds the lists its views show: hiding lays them out.
    hide();
}

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
    connect(m_weekday, &QComboBox::currentIndexChanged, this, &TForm1::ComboBox1Change);

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
    QTreeView* view = new EmptyFocusView<QTreeView>(parent);
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
    m_status->installEventFilter(this);

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

}  // namespace kalmero
