#include "ui/folder_chooser.h"

#include <QEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>
#include <exception>

#include "platform/encoding.h"
#include "session/disk_files.h"
#include "ui/operator_dialogs.h"
#include "ui/pictures.h"

namespace kalmero {

TFZmienFolder::TFZmienFolder(int tag, QLineEdit* edit, FolderStore store, OperatorDialogs& dialogs,
                             QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_edit(edit),
      m_store(std::move(store)),
      m_dialogs(dialogs),
      m_model(new QFileSystemModel(this)),
      m_tree(new QTreeView(this)),
      m_label(new QLabel(QStringLiteral("folder"), this)),
      m_ok(new QPushButton(okIcon(), QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("TFZmienFolder"));
    setWindowTitle(QStringLiteral("Zmień folder"));
    setFixedSize(411, 297);

    // Folders only, and no watching: the tree shows the disk as it was when opened.
    m_model->setOption(QFileSystemModel::DontWatchForChanges);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QStringLiteral("/"));
    m_model->setIconProvider(&m_icons);
    // The model reads folders in the background and sorts them after: each folder on the way
    // to the stored one appears only once read, and rows read later push it out of sight, so
    // the tree is opened and scrolled again whenever rows come or move, until the operator
    // takes over.
    m_reveal.setSingleShot(true);
    m_reveal.setInterval(0);
    connect(&m_reveal, &QTimer::timeout, this, [this] {
        if (!m_pending.isEmpty()) {
            revealPending();
        }
    });
    const auto again = [this] {
        if (!m_pending.isEmpty()) {
            m_reveal.start();
        }
    };
    connect(m_model, &QFileSystemModel::directoryLoaded, this, again);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, again);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, again);

    m_tree->setObjectName(QStringLiteral("ShellTreeView1"));
    m_tree->installEventFilter(this);
    m_tree->viewport()->installEventFilter(this);
    m_tree->verticalScrollBar()->installEventFilter(this);
    m_tree->setModel(m_model);
    for (int column = 1; column < m_model->columnCount(); ++column) {
        m_tree->hideColumn(column);
    }
    m_tree->header()->hide();
    m_tree->setIndentation(19);
    m_tree->setGeometry(0, 0, 411, 217);
    m_tree->expand(m_model->index(QStringLiteral("/")));
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TFZmienFolder::ShellTreeView1Change);
    // Taking the focus from the keyboard, a tree makes its first folder current by itself
    // unless one was set; OK must store nothing until the operator (or the opener) has
    // chosen one. The arrows start from the top all the same.
    m_tree->setCurrentIndex(QModelIndex());
    // The tree is where the keys work: arrows move in it, Enter is OK (the default button).
    m_tree->setFocus(Qt::OtherFocusReason);

    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setProperty("tag", tag);
    m_label->setGeometry(8, 232, 395, m_label->sizeHint().height());

    m_ok->setObjectName(QStringLiteral("BitBtn1"));
    m_ok->setGeometry(160, 264, 75, 25);
    connect(m_ok, &QPushButton::clicked, this, &TFZmienFolder::BitBtn1Click);
    m_ok->setDefault(true);
}

void TFZmienFolder::positionAt(const QString& folder) {
    m_label->setText(folder);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        // A folder that has gone since it was chosen: the tree opens unpositioned so that
        // another one can be picked.
        return;
    }
    m_pending = QFileInfo(folder).absoluteFilePath();
    if (m_pending.size() > 1 && m_pending.endsWith(QLatin1Char('/'))) {
        m_pending.chop(1);
    }
    revealPending();
}

void TFZmienFolder::revealPending() {
    const QModelIndex index = m_model->index(m_pending);
    if (!index.isValid()) {
        return;
    }
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
        m_tree->expand(parent);
    }
    if (m_tree->currentIndex() != index) {
        m_tree->setCurrentIndex(index);
    }
    m_tree->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    m_tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void TFZmienFolder::ShellTreeView1Change() {
    QString path = m_model->filePath(m_tree->currentIndex());
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    m_label->setText(path);
}

QString TFZmienFolder::chosenFolder() const { return m_label->text(); }

bool TFZmienFolder::eventFilter(QObject* watched, QEvent* event) {
    // A key, a click or the wheel in the tree is the operator's: the stored folder is no
    // longer brought back.
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress || type == QEvent::Wheel) {
        m_pending.clear();
    }
    return QDialog::eventFilter(watched, event);
}

void TFZmienFolder::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Laid out only now: the folder set before is brought into the middle of the view.
    if (m_tree->currentIndex().isValid()) {
        m_tree->scrollTo(m_tree->currentIndex(), QAbstractItemView::PositionAtCenter);
    }
}

void TFZmienFolder::BitBtn1Click() {
    const QString folder = m_label->text();
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
        try {
            m_store(pathToCp1250(folder.toStdString()));
        } catch (const std::exception& error) {
            showCommandError(m_dialogs, this, error.what());
            return;
        }
        m_edit->setText(folder);
    }
    accept();
}

void openFolderChooser(QWidget* parent, int tag, QLineEdit* edit, OperatorDialogs& dialogs,
                       FolderStore store) {
    TFZmienFolder chooser(tag, edit, std::move(store), dialogs, parent);
    chooser.positionAt(edit->text());
    chooser.exec();
}

}  // namespace kalmero
