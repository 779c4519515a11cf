#include "ui/path_map_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/encoding.h"

namespace kalmero {

namespace {

QString fromCp1250(const std::string& bytes) { return QString::fromStdString(cp1250ToUtf8(bytes)); }

QString cellText(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item == nullptr ? QString() : item->text();
}

}  // namespace

PathMapDialog::PathMapDialog(const PathMap& map, const QStringList& notes, QWidget* parent)
    : QDialog(parent), m_map(map) {
    setObjectName(QStringLiteral("PathMapDialog"));
    setWindowTitle(QStringLiteral("Mapa ścieżek spotów"));

    auto* intro = new QLabel(
        QStringLiteral("Spoty, których ścieżki w liście reklam zaczynają się od prefiksu (np. "
                       "C:\\Radio lub \\\\SERWER\\reklamy), są mierzone z lokalnego folderu. "
                       "Ścieżki w pliku wynikowym pozostają bez zmian."),
        this);
    intro->setWordWrap(true);

    m_table = new QTableWidget(0, 2, this);
    m_table->setObjectName(QStringLiteral("PathMapTable"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("Prefiks"), QStringLiteral("Folder lokalny")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->resizeSection(0, 200);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setTabKeyNavigation(false);
    for (const PathMapLine& line : map.lines()) {
        appendRow(fromCp1250(line.prefix), fromCp1250(line.folder));
    }

    auto* add = new QPushButton(QStringLiteral("&Dodaj"), this);
    add->setObjectName(QStringLiteral("AddRow"));
    connect(add, &QPushButton::clicked, this, &PathMapDialog::addRow);
    auto* remove = new QPushButton(QStringLiteral("&Usuń"), this);
    remove->setObjectName(QStringLiteral("RemoveRow"));
    connect(remove, &QPushButton::clicked, this, &PathMapDialog::removeRow);
    auto* rowButtons = new QHBoxLayout;
    rowButtons->addWidget(add);
    rowButtons->addWidget(remove);
    rowButtons->addStretch();

    m_problems = new QLabel(notes.join(QStringLiteral("\n")), this);
    m_problems->setObjectName(QStringLiteral("PathMapProblems"));
    m_problems->setWordWrap(true);
    m_problems->setStyleSheet(QStringLiteral("color: #b00000;"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PathMapDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PathMapDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_table);
    layout->addLayout(rowButtons);
    layout->addWidget(m_problems);
    layout->addWidget(buttons);
    resize(640, 360);
}

void PathMapDialog::appendRow(const QString& prefix, const QString& folder) {
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    m_table->setItem(row, 0, new QTableWidgetItem(prefix));
    m_table->setItem(row, 1, new QTableWidgetItem(folder));
}

void PathMapDialog::addRow() {
    appendRow({}, {});
    const int row = m_table->rowCount() - 1;
    m_table->setCurrentCell(row, 0);
    m_table->setFocus();
    m_table->editItem(m_table->item(row, 0));
}

void PathMapDialog::removeRow() {
    if (const int row = m_table->currentRow(); row >= 0) {
        m_table->removeRow(row);
    }
}

void PathMapDialog::accept() {
    PathMap map;
    QStringList problems;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QString prefix = cellText(m_table, row, 0);
        const QString folder = cellText(m_table, row, 1);
        if (prefix.trimmed().isEmpty() && folder.trimmed().isEmpty()) {
            continue;
        }
        const auto prefixBytes = utf8ToCp1250(prefix.toStdString());
        const auto folderBytes = utf8ToCp1250(folder.toStdString());
        const PathMapRefusal refusal =
            prefixBytes && folderBytes
                ? map.add(*prefixBytes, *folderBytes)
                : PathMapRefusal("znak, którego plik ustawień (Windows-1250) nie zapisze");
        if (refusal) {
            problems << QStringLiteral("Wiersz %1 (%2=%3): %4")
                            .arg(row + 1)
                            .arg(prefix, folder, QString::fromStdString(*refusal));
        }
    }
    if (!problems.isEmpty()) {
        m_problems->setText(problems.join(QStringLiteral("\n")));
        return;
    }
    m_map = std::move(map);
    QDialog::accept();
}

}  // namespace kalmero
