#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formats/konfiguracja_file.h"
#include "model/lists.h"
#include "model/spot_loudness.h"
#include "platform/measure_cache.h"
#include "session/disk_files.h"
#include "support/session_probe.h"
#include "support/temp_folder.h"
#include "ui/main_window.h"
#include "ui/operator_dialogs.h"

namespace kalmero::test {

// The operator's answers, given in advance: open dialogs return the queued paths (an empty
// one, or none left, is Cancel); message boxes are recorded.
class FakeDialogs : public OperatorDialogs {
public:
    struct Open {
        QString folder;
        QString filter;
    };
    struct Message {
        QMessageBox::Icon icon;
        QString title;
        QString text;
    };

    std::optional<QString> openFile(QWidget*, const QString& folder,
                                    const QString& filter) override {
        opens.push_back({folder, filter});
        if (whileOpen) {
            whileOpen();
        }
        QString answer;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        if (answer.isEmpty()) {
            return std::nullopt;
        }
        return answer;
    }
    void message(QWidget*, QMessageBox::Icon icon, const QString& title,
                 const QString& text) override {
        messages.push_back({icon, title, text});
    }
    bool ask(QWidget*, const QString& title, const QString& text) override {
        questions.push_back({QMessageBox::Question, title, text});
        bool answer = true;
        if (!askAnswers.empty()) {
            answer = askAnswers.front();
            askAnswers.pop_front();
        }
        return answer;
    }

    std::deque<QString> answers;
    // Runs while the open dialog would be up, as a real one takes the desktop's focus.
    std::function<void()> whileOpen;
    std::vector<Open> opens;
    std::vector<Message> messages;
    // The yes-or-no questions asked, and the answers to give ("Tak" when none are left).
    std::vector<Message> questions;
    std::deque<bool> askAnswers;
};

// Runs `action` as soon as the event loop turns, e.g. inside a modal dialog's exec().
inline void whenModalOpens(std::function<void()> action) {
    QTimer::singleShot(0, qApp, std::move(action));
}

// A 30 s spot's figures: integrated -23 LUFS, its loudest 3 s and its peak as given.
inline SpotLoudness spotFigures(double maxShortTermLufs, double truePeakDbtp) {
    SpotLoudness spot;
    spot.decodedMs = 30'000;
    spot.integratedLufs = -23.0;
    spot.maxShortTermLufs = maxShortTermLufs;
    spot.truePeakDbtp = truePeakDbtp;
    return spot;
}

// A temporary program folder with its ini and matrix file, and a main window over it.
class FormTest : public testing::Test {
public:
    void SetUp() override { ASSERT_TRUE(m_tmp.isValid()); }

    std::string path(const char* name) const {
        return m_tmp.filePath(QString::fromUtf8(name)).toStdString();
    }
    // The temporary folder itself, ending in "/" as a chosen folder does.
    std::string folder() const { return m_tmp.path().toStdString() + "/"; }
    SessionFiles files() const { return {path("kalmero.ini"), path("matryca.dat")}; }

    // Builds the window and runs its start-up reading.
    TForm1& form() {
        if (!m_form) {
            m_form = std::make_unique<TForm1>(files(), dialogs, stationTools(m_cache),
                                              [this] { return measureSpot; });
            m_form->FormCreate();
        }
        return *m_form;
    }
    template <class T>
    T* control(const char* name) {
        T* found = form().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    std::int32_t iniInt(const char* section, const char* key, std::int32_t fallback = -999) {
        return iniReadInteger(files().ini, section, key, fallback);
    }

    // The window's lists and settings.
    Lists& lists() { return SessionProbe::lists(form().session()); }
    const StationSettings& formSettings() { return form().session().settings(); }
    // A session of its own, for the dialogs tested without the window.
    Session& ownSession() {
        if (!m_ownSession) {
            m_ownSession = std::make_unique<Session>(files(), m_ownProgress, SessionTools{});
        }
        return *m_ownSession;
    }

    QTemporaryDir m_tmp;
    MeasureCacheOnDemand m_cache{path("spoty.sqlite")};
    SilentProgress m_ownProgress;
    std::unique_ptr<Session> m_ownSession;
    FakeDialogs dialogs;
    // The spots' lengths, by path (Windows-1250); set before the window is built.
    SpotMeasurer measureSpot = [](std::string_view) { return SpotMeasure{}; };
    std::unique_ptr<TForm1> m_form;
};

}  // namespace kalmero::test
