#include "ui/translations.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QTreeView>
#include <algorithm>
#include <optional>

namespace kalmero {

namespace {

// An environment variable as it was, put back on destruction.
class SavedVariable {
public:
    explicit SavedVariable(const char* name) : m_name(name) {
        if (qEnvironmentVariableIsSet(name)) {
            m_value = qgetenv(name);
        }
    }
    ~SavedVariable() {
        if (m_value) {
            qputenv(m_name, *m_value);
        } else {
            qunsetenv(m_name);
        }
    }
    SavedVariable(const SavedVariable&) = delete;
    SavedVariable& operator=(const SavedVariable&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_value;
};

}  // namespace

void installPolishTranslations(QCoreApplication& app) {
    const QLocale polish(QLocale::Polish, QLocale::Poland);
    QLocale::setDefault(polish);

    auto* translator = new QTranslator(&app);
    if (translator->load(polish, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

void preferPolishSystemDates() {
    // Qt's file list formats dates and sizes with the system locale, not the default one, and reads
    // that locale's categories from the environment once, at first use. So it is read here
    // with LC_TIME naming Polish; the C library, set up later by the QApplication, sees the
    // environment as it was, and pl_PL need not be installed for it.
    const SavedVariable all("LC_ALL");
    const SavedVariable time("LC_TIME");
    const SavedVariable numbers("LC_NUMERIC");
    const SavedVariable lang("LANG");
    if (qEnvironmentVariableIsSet("LC_ALL")) {
        // LC_ALL would win over LC_TIME; it stands for the other categories meanwhile.
        qputenv("LANG", qgetenv("LC_ALL"));
        qunsetenv("LC_ALL");
    }
    qputenv("LC_TIME", "pl_PL.UTF-8");
    qputenv("LC_NUMERIC", "pl_PL.UTF-8");  // the file sizes: "78,02 KiB", "524 bajty"
    (void)QLocale::system().name();
}

void fitFileDialogColumns(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    for (auto* view : dialog.findChildren<QTreeView*>()) {
        QHeaderView* header = view->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column) {
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
    }
    dialog.resize(std::max(dialog.width(), 820), std::max(dialog.height(), 480));
}

}  // namespace kalmero
