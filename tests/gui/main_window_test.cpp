// The real main window, its menus and the span and About dialogs on the
// offscreen platform. Modal boxes are answered by a timer that looks at the
// active modal widget; each test runs in a fresh working directory, where the
// settings file lives, with every COM number pointing at no device.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "device/transfer.h"
#include "platform/dialogs.h"
#include "platform/printer.h"
#include "platform/qt/chart_context_menu.h"
#include "platform/qt/printer_qt.h"
#include "platform/qt/qt_shell.h"
#include "platform/set_time_dialog.h"
#include "platform/window.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/main_window.h"
#include "shell/messages.h"
#include "shell/ui_texts.h"
#include "support/gui_helpers.h"
#include "support/program_dir.h"

namespace fs = std::filesystem;

namespace {

using test::readFileBytes;
using test::settingsBytes;
using test::settle;
using test::writeFileBytes;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
    }
    void TearDown() override {
        platform::destroyMainWindow();
        settle();
        resetGlobalStateForTests();
    }

    void start() {
        ASSERT_TRUE(startMainWindow());
        settle();
        ASSERT_NE(qtMainWindow(), nullptr);
    }

    template <class T>
    T* find(const char* name) {
        QWidget* w = qtMainWindow();
        return w ? w->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    }
    QAction* action(int id) { return find<QAction>(std::to_string(id).c_str()); }
    std::vector<int> checkedIds() {
        std::vector<int> ids;
        for (QAction* a : qtMainWindow()->findChildren<QAction*>())
            if (a->isChecked() && !a->objectName().isEmpty()) ids.push_back(a->objectName().toInt());
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    QStringList menuBarTitles() {
        QStringList titles;
        auto* bar = qtMainWindow()->findChild<QMenuBar*>();
        if (bar == nullptr) return titles;
        for (QAction* a : bar->actions()) titles << a->text();
        return titles;
    }

    fs::path settingsFile() const { return dir_.settingsFile(); }

    test::ProgramDir dir_;
    test::ModalAnswerer answerer_;
};

// ---- start-up and layout -------------------------------------------------------

TEST_F(MainWindowTest, FirstStartCreatesSettingsAndChecksCom1English) {
    start();
    EXPECT_EQ(readFileBytes(settingsFile()), settingsBytes(1, 0));
    EXPECT_EQ(menuBarTitles(), (QStringList{"&File", "&Communication", "&Data acquisition", "&Print",
                                            "&Language", "&About"}));
    EXPECT_EQ(checkedIds(), (std::vector<int>{2001, 2020}));
    ASSERT_NE(action(2001), nullptr);
    EXPECT_EQ(action(2001)->text(), "COM &1");
    EXPECT_EQ(action(2020)->text(), "&English");
    // COM1 resolves to no device here.
    EXPECT_EQ(answerer_.boxes(), (std::vector<std::string>{"Comm Port occupied or non-existing"}));
}

TEST_F(MainWindowTest, FixedWindowWithControlsInPlace) {
    start();
    QWidget* window = qtMainWindow();
    EXPECT_EQ(window->windowTitle(), "Vantrel Data Acquisition Software");
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    QWidget* client = qtClientArea();
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->size(), QSize(kClientWidth, kClientHeight));

    auto* combo = find<QComboBox>("100");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->geometry().topLeft(), QPoint(10, 330));
    EXPECT_EQ(combo->width(), 100);
    EXPECT_EQ(combo->count(), 14);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(combo->itemText(13), "12 days");

    auto* bar = find<QScrollBar>("200");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->geometry(), QRect(150, 555, 600, 20));
    EXPECT_FALSE(bar->isVisible());

    // The background shows where no chart is drawn.
    const QImage shot = client->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(5, 5)), QColor(195, 180, 160));
    EXPECT_EQ(QColor(shot.pixel(790, 570)), QColor(195, 180, 160));
}

TEST_F(MainWindowTest, MarkedPortStillChecksItsItem) {
    writeFileBytes(settingsFile(), settingsBytes(13, 0));
    start();
    EXPECT_EQ(checkedIds(), (std::vector<int>{2003, 2020}));
}

TEST_F(MainWindowTest, PortItemsTellTheirDevice) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string device = ptsname(master);
    setenv("VANTREL_COM3", device.c_str(), 1);
    start();
    // The texts stay "COM &n"; the tip names the device behind each number.
    for (int n = 1; n <= 8; ++n) {
        QAction* a = action(2000 + n);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QString("COM &%1").arg(n));
        EXPECT_FALSE(a->toolTip().isEmpty());
        EXPECT_EQ(a->toolTip(), a->statusTip());
    }
    EXPECT_TRUE(action(2003)->toolTip().contains(QString::fromStdString(device)));
    EXPECT_TRUE(action(2003)->toolTip().contains("VANTREL_COM3"));
    EXPECT_FALSE(action(2002)->toolTip().contains(QString::fromStdString(device)));
    // They survive a language switch.
    action(2120)->trigger();
    settle();
    EXPECT_TRUE(action(2003)->toolTip().contains(QString::fromStdString(device)));
    platform::destroyMainWindow();
    settle();
    close(master);
}

// ---- language --------------------------------------------------------------------

TEST_F(MainWindowTest, SwitchToGermanKeepsSelectionAndPort) {
    writeFileBytes(settingsFile(), settingsBytes(6, 0));
    start();
    auto* combo = find<QComboBox>("100");
    combo->setCurrentIndex(5);

    action(2120)->trigger();
    settle();
    EXPECT_EQ(menuBarTitles(), (QStringList{"&Datei", "&Kommunikation", "Da&ten", "&Drucken", "&Sprache",
                                            "&\xC3\x9C" "ber"}));
    EXPECT_EQ(checkedIds(), (std::vector<int>{2006, 2120}));
    EXPECT_EQ(action(2120)->text(), "&Deutsch");
    EXPECT_EQ(action(2016)->text(), "&\xC3\x9C" "bertragen");
    combo = find<QComboBox>("100");
    EXPECT_EQ(combo->currentIndex(), 5);
    EXPECT_EQ(combo->itemText(5), "1 Stunde");
    EXPECT_EQ(readFileBytes(settingsFile()), settingsBytes(6, 100));

    action(2020)->trigger();
    settle();
    EXPECT_EQ(menuBarTitles().first(), "&File");
    EXPECT_EQ(checkedIds(), (std::vector<int>{2006, 2020}));
    EXPECT_EQ(find<QComboBox>("100")->itemText(5), "1 hour");
    EXPECT_EQ(readFileBytes(settingsFile()), settingsBytes(6, 0));
}

// The menu bar as the user sees it: captions with mnemonics, command ids,
// order, separators and the Export popup, in both languages.
QStringList menuContents(QWidget* window) {
    QStringList out;
    std::function<void(const QList<QAction*>&, const QString&)> walk = [&](const QList<QAction*>& actions,
                                                                           const QString& indent) {
        for (QAction* a : actions) {
            if (a->isSeparator()) {
                out << indent + "-";
            } else if (a->menu() != nullptr) {
                out << indent + a->text() + " >";
                walk(a->menu()->actions(), indent + "  ");
            } else {
                out << indent + a->objectName() + " " + a->text();
            }
        }
    };
    if (auto* bar = window->findChild<QMenuBar*>()) walk(bar->actions(), "");
    return out;
}

TEST_F(MainWindowTest, BothMenusInFull) {
    const QStringList english = {
        "&File >", "  2009 &Save", "  2010 &Open", "  &Export >", "    2013 &Zoom window",
        "    2014 &Main window", "    2015 &All", "  -", "  105 &Exit",
        "&Communication >", "  2001 COM &1", "  2002 COM &2", "  2003 COM &3", "  2004 COM &4",
        "  2005 COM &5", "  2006 COM &6", "  2007 COM &7", "  2008 COM &8", "  -", "  2022 &Auto connect",
        "&Data acquisition >", "  2016 &Transfer", "  2017 &Set time",
        "&Print >", "  2018 &Screen dump", "  2019 &Printer",
        "&Language >", "  2020 &English", "  2120 &German",
        "103 &About"};
    const QStringList german = {
        "&Datei >", "  2009 &Sichern", "  2010 &Laden", "  &Export >", "    2013 &Zoom Fenster",
        "    2014 &Haupt Fenster", "    2015 &Alles", "  -", "  105 &Beenden",
        "&Kommunikation >", "  2001 COM &1", "  2002 COM &2", "  2003 COM &3", "  2004 COM &4",
        "  2005 COM &5", "  2006 COM &6", "  2007 COM &7", "  2008 COM &8", "  -", "  2022 &Auto Anschluss",
        "Da&ten >", "  2016 &\xC3\x9C" "bertragen", "  2017 &Zeit einstellen",
        "&Drucken >", "  2018 &Screen dump", "  2019 &Drucker",
        "&Sprache >", "  2020 &Englisch", "  2120 &Deutsch",
        "103 &\xC3\x9C" "ber"};
    start();
    EXPECT_EQ(menuContents(qtMainWindow()), english);
    action(2120)->trigger();
    settle();
    EXPECT_EQ(menuContents(qtMainWindow()), german);
    action(2020)->trigger();
    settle();
    EXPECT_EQ(menuContents(qtMainWindow()), english);
}

// Qt's own texts (standard buttons of message boxes and dialogs) follow the
// program's language, from the start and at every switch.
TEST_F(MainWindowTest, QtOwnTextsFollowTheLanguage) {
    const auto buttons = [] {
        QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Save | QDialogButtonBox::Close);
        return QStringList{box.button(QDialogButtonBox::Cancel)->text(), box.button(QDialogButtonBox::Save)->text(),
                           box.button(QDialogButtonBox::Close)->text()};
    };
    const QStringList english = {"Cancel", "Save", "Close"};
    const QStringList german = {"Abbrechen", "Speichern", "Schlie\xC3\x9F" "en"};
    writeFileBytes(settingsFile(), settingsBytes(1, German));
    start();
    EXPECT_EQ(buttons(), german);
    const std::pair<int, QStringList> steps[] = {{2020, english}, {2120, german}, {2020, english}};
    for (const auto& [id, texts] : steps) {
        action(id)->trigger();
        settle();
        EXPECT_EQ(buttons(), texts) << id;
    }
}

TEST_F(MainWindowTest, ClickingTheCheckedLanguageKeepsItsMark) {
    start();
    // A checkable item flips itself when triggered; the shell's mark stands.
    action(2020)->trigger();
    settle();
    EXPECT_EQ(checkedIds(), (std::vector<int>{2001, 2020}));
}

// ---- close and Exit -------------------------------------------------------------------

TEST_F(MainWindowTest, CloseWritesTheSettings) {
    start();
    fs::remove(settingsFile());
    qtMainWindow()->close();
    settle();
    EXPECT_EQ(qtMainWindow(), nullptr);
    EXPECT_EQ(readFileBytes(settingsFile()), settingsBytes(1, 0));
    EXPECT_FALSE(gApp.deviceAnswered.exists());
}

TEST_F(MainWindowTest, ExitDoesNotWriteTheSettings) {
    start();
    fs::remove(settingsFile());
    action(105)->trigger();
    settle();
    EXPECT_EQ(qtMainWindow(), nullptr);
    EXPECT_FALSE(fs::exists(settingsFile()));
    EXPECT_FALSE(gApp.countConfirmed.exists());
}

TEST_F(MainWindowTest, PostedCommandRunsLaterAndDiesWithTheWindow) {
    start();
    int aboutSeen = 0;
    auto answerAbout = [&](QWidget* w) {
        if (w->objectName() != "101") return false;
        ++aboutSeen;
        static_cast<QDialog*>(w)->reject();
        return true;
    };
    answerer_.expect(answerAbout);
    platform::postCommand(CmdAbout);
    EXPECT_EQ(aboutSeen, 0);  // posted, not run
    for (int i = 0; i < 200 && aboutSeen == 0; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(aboutSeen, 1);

    // A command posted to a window that is then destroyed never runs.
    answerer_.expect(answerAbout);
    platform::postCommand(CmdAbout);
    platform::destroyMainWindow();
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    settle();
    EXPECT_EQ(qtMainWindow(), nullptr);
    EXPECT_EQ(aboutSeen, 1);
}

// While a screen dump lets a closed menu leave the screen, neither our timers
// nor a posted command run (a transfer's tick could open a message box
// mid-dump); the command runs afterwards.
TEST_F(MainWindowTest, ScreenSettleRunsNoTimerOrCommandOfOurs) {
    start();
    int ticks = 0;
    for (QTimer* t : qtMainWindow()->findChildren<QTimer*>()) {
        if (!t->objectName().startsWith("timer")) continue;
        t->start(1);
        QObject::connect(t, &QTimer::timeout, [&ticks] { ++ticks; });
    }
    int aboutSeen = 0;
    answerer_.expect([&](QWidget* w) {
        if (w->objectName() != "101") return false;
        ++aboutSeen;
        static_cast<QDialog*>(w)->reject();
        return true;
    });
    platform::postCommand(CmdAbout);
    qtLetTheScreenSettle(60);
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(aboutSeen, 0);
    for (int i = 0; i < 200 && aboutSeen == 0; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(aboutSeen, 1);
    EXPECT_GT(ticks, 0);
}

// ---- modal loops of ours ------------------------------------------------------------

// Our timers tick inside every modal loop; each of our dialogs, boxes and
// menus counts itself while it is open, which is what holds a transfer's end
// back until the user has answered.
TEST_F(MainWindowTest, EveryDialogBoxAndMenuOfOursCountsWhileOpen) {
    start();
    settle();
    const struct {
        const char* shown;  // object name (or class) of the modal widget
        std::function<void()> run;
    } kinds[] = {
        {"messageBox", [] { platform::messageBox("text", "caption", platform::MessageIcon::Error); }},
        {"saveChangesBox", [] { platform::askSaveChanges("text", "caption", "Save", "Discard", "Cancel"); }},
        {"yesNoBox", [] { platform::askYesNo("text", "caption", "Yes", "No"); }},
        {"openFileDialog", [] { std::string p; platform::openFileDialog("UDD File (*.udd)", "udd", p); }},
        {"saveFileDialog", [] { std::string p; platform::saveFileDialog("Bitmap File (*.bmp)", "bmp", p); }},
        {"201", [] { platform::runSpanDialog(); }},
        {"101", [] { platform::runAboutDialog(); }},
        {"205", [] { platform::runSetTimeDialog(); }},
        {"QPrintDialog", [] {
             qtSetPrinterChoice(PrinterChoice::Dialog);
             platform::PrinterHandle printer = nullptr;
             platform::choosePrinter(printer);
             platform::releasePrinter(printer);
         }},
    };
    for (const auto& kind : kinds) {
        QString seen;
        int depthInside = -1;
        answerer_.expect([&](QWidget* w) {
            seen = w->inherits("QPrintDialog") ? QStringLiteral("QPrintDialog") : w->objectName();
            depthInside = gApp.modalDepth;
            static_cast<QDialog*>(w)->reject();
            return true;
        });
        kind.run();
        EXPECT_EQ(seen.toStdString(), kind.shown);
        EXPECT_EQ(depthInside, 1) << kind.shown;
        EXPECT_EQ(gApp.modalDepth, 0) << kind.shown;
    }
    EXPECT_TRUE(answerer_.idle());

    // Menus are popups, not modal loops: they count from showing to hiding,
    // also when one goes away while shown.
    QWidget* client = qtClientArea();
    QMenu* context = buildChartContextMenu(client, QPoint(300, 400));
    auto* fileMenu = qtMainWindow()->findChild<QMenu*>(QStringLiteral("popup0"));
    ASSERT_NE(fileMenu, nullptr);
    for (QMenu* menu : {fileMenu, context}) {
        menu->popup(client->mapToGlobal(QPoint(300, 400)));
        settle();
        EXPECT_EQ(gApp.modalDepth, 1) << menu->objectName().toStdString();
        menu->hide();
        settle();
        EXPECT_EQ(gApp.modalDepth, 0) << menu->objectName().toStdString();
    }
    context->popup(client->mapToGlobal(QPoint(300, 400)));
    settle();
    delete context;
    EXPECT_EQ(gApp.modalDepth, 0);
}

// The chart keys need no click first; Ctrl+O, Ctrl+S and Ctrl+P run Open,
// Save and Printer (without a recording the last two say so).
TEST_F(MainWindowTest, ChartsHaveTheFocusAndCtrlKeysRunTheirCommands) {
    start();
    QWidget* client = find<QWidget>("clientArea");
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(qtMainWindow()->focusWidget(), client);
    for (const auto& [key, want] : {std::pair{Qt::Key_S, "No data present"}, std::pair{Qt::Key_P, "No data present"},
                                    std::pair{Qt::Key_O, "file dialog"}}) {
        qtMainWindow()->activateWindow();  // a closed dialog leaves no active window here
        settle();
        QString seen;
        answerer_.expect([&seen](QWidget* w) {
            if (auto* d = qobject_cast<QFileDialog*>(w)) {
                seen = "file dialog";
                d->reject();
                return true;
            }
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box == nullptr) return false;
            seen = box->text().section('\n', 0, 0).remove(',');
            box->done(QMessageBox::Ok);
            return true;
        });
        QTest::keyClick(client, key, Qt::ControlModifier);
        settle();
        EXPECT_EQ(seen.toStdString(), want) << key;
    }
}

// Exit while a transfer runs asks first; No keeps the program and the
// transfer, Yes stops the transfer and ends the program.
TEST_F(MainWindowTest, ExitDuringATransferAsksYesOrNo) {
    start();
    settle();
    gApp.transferOpen = 1;
    gApp.receiving = 1;
    // A stream that still expects samples and has just had one: the progress
    // tick must not end it by itself while the test answers the question.
    gApp.expectedCount.store(1000);
    gApp.confirmedCount = 1000;
    gApp.lastArrivalMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count();
    struct Seen {
        QString text, yes, no, byDefault;
    } seen;
    for (const char* answer : {"no", "yes"}) {
        answerer_.expect([&seen, answer](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box == nullptr || box->objectName() != "yesNoBox") return false;
            seen = {box->text(), box->findChild<QPushButton*>("yes")->text(),
                    box->findChild<QPushButton*>("no")->text(), box->defaultButton()->objectName()};
            box->findChild<QPushButton*>(answer)->click();
            return true;
        });
        action(105)->trigger();
        settle();
        EXPECT_EQ(seen.text.toStdString(), uiText(UiText::StopTransferAndQuit));
        EXPECT_EQ(seen.yes, "&Yes");
        EXPECT_EQ(seen.no, "&No");
        EXPECT_EQ(seen.byDefault, "no");
        if (std::string(answer) == "no") {
            EXPECT_NE(qtMainWindow(), nullptr);
            EXPECT_TRUE(transferRunning());
        }
    }
    EXPECT_EQ(qtMainWindow(), nullptr);
    EXPECT_FALSE(transferRunning());
    EXPECT_EQ(gApp.modalDepth, 0);
}

// ---- span dialog --------------------------------------------------------------------

struct SpanDialogView {
    std::string enabled;  // '1'/'0' for buttons 1001..1014
    int checked = 0;      // id of the checked span button
    QString sampleTime;
    QString title, group, label, ok, cancel;
    QStringList tabChain;  // from the OK button, the widgets Tab can reach
    std::string firstTip;  // of "2 minutes"
};

SpanDialogView readSpanDialog(QWidget* dialog) {
    SpanDialogView v;
    for (int id = 1001; id <= 1014; ++id) {
        auto* b = dialog->findChild<QRadioButton*>(QString::number(id));
        v.enabled += (b && b->isEnabled()) ? '1' : '0';
        if (b && id == 1001) v.firstTip = b->toolTip().toStdString();
        if (b && b->isChecked()) v.checked = id;
    }
    if (auto* f = dialog->findChild<QLineEdit*>("1016")) v.sampleTime = f->text();
    v.title = dialog->windowTitle();
    if (auto* g = dialog->findChild<QGroupBox*>("1031")) v.group = g->title();
    if (auto* l = dialog->findChild<QLabel*>("1032")) v.label = l->text();
    if (auto* b = dialog->findChild<QPushButton*>("1")) v.ok = b->text();
    if (auto* b = dialog->findChild<QPushButton*>("2")) v.cancel = b->text();
    if (auto* ok = dialog->findChild<QPushButton*>("1"))
        for (QWidget* w = ok; v.tabChain.size() < 40; w = w->nextInFocusChain()) {
            if (w == ok && !v.tabChain.isEmpty()) break;
            if (w->focusPolicy() & Qt::TabFocus) v.tabChain << w->objectName();
        }
    return v;
}

void click(QWidget* dialog, int id) {
    auto* b = dialog->findChild<QAbstractButton*>(QString::number(id));
    ASSERT_NE(b, nullptr) << id;
    b->click();
}

TEST_F(MainWindowTest, SpanDialogEnablesByTheSampleTime) {
    start();
    const std::pair<std::uint16_t, std::pair<const char*, const char*>> cases[] = {
        {2, {"11111111000000", "0.02"}},  {5, {"01111111100000", "0.05"}},
        {10, {"00111111111000", "0.10"}}, {20, {"00011111111000", "0.20"}},
        {50, {"00001111111100", "0.50"}}, {100, {"00000011111111", "1.00"}},
    };
    for (const auto& [t, expected] : cases) {
        gApp.transferSampleTime = t;
        SpanDialogView view;
        answerer_.expect([&](QWidget* w) {
            if (w->objectName() != "201") return false;
            view = readSpanDialog(w);
            click(w, 1);
            return true;
        });
        EXPECT_EQ(platform::runSpanDialog(), 8) << t;  // OK untouched: "5 hours"
        EXPECT_EQ(view.enabled, expected.first) << t;
        EXPECT_EQ(view.sampleTime, expected.second) << t;
        EXPECT_EQ(view.checked, 1008) << t;
        EXPECT_EQ(view.firstTip, spanButtonTip(0, t)) << t;
        EXPECT_EQ(view.firstTip.find("Not offered") == 0, t != 2) << view.firstTip;
        // As the template orders them: the buttons, the spans from the first
        // (Tab enters their group at the checked one), the sample time.
        EXPECT_EQ(view.tabChain.join(' '),
                  "1 2 1001 1002 1003 1004 1005 1006 1007 1008 1009 1010 1011 1012 1013 1014 1016")
            << t;
    }
}

TEST_F(MainWindowTest, SpanDialogClicksCancelAndTexts) {
    start();
    gApp.transferSampleTime = 10;
    answerer_.expect([](QWidget* w) {
        if (w->objectName() != "201") return false;
        click(w, 1011);
        click(w, 1007);
        click(w, 1);
        return true;
    });
    EXPECT_EQ(platform::runSpanDialog(), 7);

    answerer_.expect([](QWidget* w) {
        if (w->objectName() != "201") return false;
        click(w, 1003);
        click(w, 2);
        return true;
    });
    EXPECT_EQ(platform::runSpanDialog(), 0);

    answerer_.expect([](QWidget* w) {
        if (w->objectName() != "201") return false;
        static_cast<QDialog*>(w)->reject();  // Esc or the close box
        return true;
    });
    EXPECT_EQ(platform::runSpanDialog(), 0);

    SpanDialogView english, german;
    answerer_.expect([&](QWidget* w) {
        if (w->objectName() != "201") return false;
        english = readSpanDialog(w);
        click(w, 2);
        return true;
    });
    platform::runSpanDialog();
    gSettings.language = German;
    answerer_.expect([&](QWidget* w) {
        if (w->objectName() != "201") return false;
        german = readSpanDialog(w);
        click(w, 2);
        return true;
    });
    platform::runSpanDialog();
    EXPECT_EQ(english.title, "Data acquisition");
    EXPECT_EQ(english.group, "Data amount");
    EXPECT_EQ(english.label, "Acquisition interval");
    EXPECT_EQ(english.ok, "Get");
    EXPECT_EQ(english.cancel, "Cancel");
    EXPECT_EQ(german.title, "Daten speichern");
    EXPECT_EQ(german.group, "Datenmenge");
    EXPECT_EQ(german.label, "Speicher Intervall");
    EXPECT_EQ(german.ok, "Get");
    EXPECT_EQ(german.cancel, "Abbrechen");
}

// Enter presses the focused button (Cancel cancels), elsewhere it means Get;
// Esc cancels.
TEST_F(MainWindowTest, SpanDialogKeyboard) {
    start();
    storeSampleTime(10);
    const struct {
        int focus;
        Qt::Key key;
        int result;
    } cases[] = {
        {2, Qt::Key_Return, 0}, {2, Qt::Key_Enter, 0}, {1, Qt::Key_Return, 8},
        {1008, Qt::Key_Return, 8}, {1007, Qt::Key_Enter, 8}, {2, Qt::Key_Escape, 0},
    };
    for (const auto& c : cases) {
        answerer_.expect([&](QWidget* w) {
            if (w->objectName() != "201") return false;
            auto* target = w->findChild<QWidget*>(QString::number(c.focus));
            target->setFocus();
            QTest::keyClick(target, c.key);
            return true;
        });
        EXPECT_EQ(platform::runSpanDialog(), c.result) << c.focus << " key " << c.key;
    }
}

TEST_F(MainWindowTest, AboutDialogShowsNameVersionAndLogo) {
    start();
    QString title;
    QStringList texts;
    QSize logo;
    gSettings.language = German;
    answerer_.expect([&](QWidget* w) {
        if (w->objectName() != "101") return false;
        title = w->windowTitle();
        for (QLabel* l : w->findChildren<QLabel*>()) {
            if (!l->pixmap().isNull()) logo = l->pixmap().size();
            else texts << l->text();
        }
        click(w, 1);
        return true;
    });
    action(103)->trigger();
    EXPECT_EQ(title, "\xC3\x9C" "ber");
    EXPECT_TRUE(texts.contains("VantrelDAQ"));
    EXPECT_TRUE(texts.contains("Version: 1.2"));
    EXPECT_EQ(logo, QSize(64, 64));
}

// ---- scroll bar --------------------------------------------------------------------------

TEST_F(MainWindowTest, ScrollBarRangeCountsThePage) {
    start();
    auto* bar = find<QScrollBar>("200");
    platform::setScrollBar(89400, 596, 80460);
    platform::showScrollBar(true);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 89400 - 596 + 1);
    EXPECT_EQ(bar->pageStep(), 596);
    EXPECT_EQ(bar->value(), 80460);
    // Positions beyond 16 bits stay whole.
    platform::setScrollBar(1048576, 10, 70000);
    EXPECT_EQ(bar->value(), 70000);
    platform::setScrollPosition(100000);
    EXPECT_EQ(bar->value(), 100000);
    platform::showScrollBar(false);
    EXPECT_FALSE(bar->isVisible());
}

// The combo box as the user works it: through its list, by keyboard or by the
// wheel without the list. A refused span returns to the span on show.
TEST_F(MainWindowTest, SpanComboThroughListKeyboardAndWheel) {
    start();
    auto* combo = find<QComboBox>("100");
    const auto fiveHours = [] {
        gHeader.sampleTime = 2;
        gHeader.spanIndex = 7;
        gHeader.recordCount = 900000;
        resetView();
    };
    enum How { List, Key, Wheel };
    // 5 hours at 0.02 s: the next span down ("12 hours") does not fit, the
    // next up ("2 hours") does.
    const struct {
        How how;
        bool down;
        int selection;
        std::uint32_t spp;
    } cases[] = {
        {Key, true, 7, 1500}, {Wheel, true, 7, 1500}, {List, true, 7, 1500},
        {Key, false, 6, 600}, {Wheel, false, 6, 600}, {List, false, 6, 600},
    };
    for (const auto& c : cases) {
        fiveHours();
        ASSERT_EQ(combo->currentIndex(), 7);
        const Qt::Key key = c.down ? Qt::Key_Down : Qt::Key_Up;
        switch (c.how) {
        case List:
            combo->showPopup();
            QTest::keyClick(combo->view(), key);
            QTest::keyClick(combo->view(), Qt::Key_Return);
            break;
        case Key:
            QTest::keyClick(combo, key);
            break;
        case Wheel: {
            const QPoint at = combo->rect().center();
            QWheelEvent wheel(at, combo->mapToGlobal(at), QPoint(), QPoint(0, c.down ? -120 : 120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(combo, &wheel);
            break;
        }
        }
        settle();
        EXPECT_EQ(combo->currentIndex(), c.selection) << c.how << c.down;
        EXPECT_EQ(gApp.samplesPerPixel, c.spp) << c.how << c.down;
    }
}

// The scroll bar as the user works it: a click beside the thumb pages by 32
// positions; dragging the thumb moves the chart as it goes and where it is
// released.
TEST_F(MainWindowTest, ScrollBarPageClickThumbDragAndRelease) {
    start();
    gHeader.sampleTime = 2;
    gHeader.spanIndex = 7;
    gHeader.recordCount = 900000;
    resetView();
    auto* combo = find<QComboBox>("100");
    combo->setCurrentIndex(0);  // "2 minutes": max 89,400, page 596
    dispatchCommand(100, 9);
    settle();
    auto* bar = find<QScrollBar>("200");
    ASSERT_TRUE(bar->isVisible());
    const auto startOf = [](std::uint32_t pos) {
        return std::min<std::uint32_t>(static_cast<std::uint32_t>(std::uint64_t{pos} * 900000 / 89400), 894000);
    };
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.orientation = Qt::Horizontal;
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = opt.sliderValue = bar->value();
    opt.pageStep = bar->pageStep();
    opt.singleStep = bar->singleStep();
    const QRect thumb = bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, bar);
    ASSERT_TRUE(thumb.isValid());

    // Page steps beside the thumb: 32 positions each, whatever the page size.
    const QPoint besideThumb(thumb.right() + 40, thumb.center().y());
    QTest::mouseClick(bar, Qt::LeftButton, {}, besideThumb);
    settle();
    EXPECT_EQ(gApp.scrollPos, 32u);
    EXPECT_EQ(bar->value(), 32);
    EXPECT_EQ(gApp.mainStart, startOf(32));

    // The thumb dragged and released.
    opt.sliderPosition = opt.sliderValue = bar->value();
    const QRect moved = bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, bar);
    QTest::mousePress(bar, Qt::LeftButton, {}, moved.center());
    QTest::mouseMove(bar, moved.center() + QPoint(150, 0));
    settle();
    const std::uint32_t during = gApp.scrollPos;
    EXPECT_GT(during, 1000u);
    EXPECT_EQ(bar->sliderPosition(), static_cast<int>(during));
    EXPECT_EQ(gApp.mainStart, startOf(during));
    QTest::mouseMove(bar, moved.center() + QPoint(250, 0));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, moved.center() + QPoint(250, 0));
    settle();
    EXPECT_GT(gApp.scrollPos, during);
    EXPECT_EQ(bar->value(), static_cast<int>(gApp.scrollPos));
    EXPECT_EQ(gApp.mainStart, startOf(gApp.scrollPos));
}

// ---- mouse -----------------------------------------------------------------------------

TEST_F(MainWindowTest, CursorDragFollowsTheLeftButtonOnly) {
    start();
    gHeader.sampleTime = 10;
    gHeader.recordCount = 600000;
    for (std::uint32_t i = 0; i < gHeader.recordCount; ++i) gStore[i].value = static_cast<std::uint8_t>(i % 100);
    resetView();
    QWidget* client = qtClientArea();
    ASSERT_EQ(gApp.cursorX, 0);

    // The right button does not take the band.
    QTest::mousePress(client, Qt::RightButton, {}, QPoint(170, 400));
    QTest::mouseMove(client, QPoint(230, 400));
    QTest::mouseRelease(client, Qt::RightButton, {}, QPoint(230, 400));
    EXPECT_EQ(gApp.cursorX, 0);

    QTest::mousePress(client, Qt::LeftButton, {}, QPoint(170, 400));
    QTest::mouseMove(client, QPoint(270, 400));
    EXPECT_EQ(gApp.cursorX, 100);
    // Released far outside the window: the drag is over all the same.
    QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(-300, 900));
    EXPECT_FALSE(gApp.dragging);
    QTest::mouseMove(client, QPoint(320, 400));
    EXPECT_EQ(gApp.cursorX, 100);
}

// Started with the desktop entry's flag, the program runs in the per-user
// folder (made when needed) and the flag leaves the arguments, a file named
// after it keeping its place; without it the current folder stays.
TEST(UserFolder, DesktopFlagEntersThePerUserFolder) {
    const fs::path home = fs::temp_directory_path() / ("vantrel-xdg-" + std::to_string(::getpid()));
    fs::remove_all(home);
    const std::string saved = qEnvironmentVariable("XDG_DATA_HOME").toStdString();
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    const fs::path here = fs::current_path();
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> left;
        bool entered;
    } cases[] = {
        {{"vantreldaq"}, {"vantreldaq"}, false},
        {{"vantreldaq", "site.udd"}, {"vantreldaq", "site.udd"}, false},
        {{"vantreldaq", "--user-folder"}, {"vantreldaq"}, true},
        {{"vantreldaq", "--user-folder", "/data/site.udd"}, {"vantreldaq", "/data/site.udd"}, true},
        {{"vantreldaq", "--", "--user-folder"}, {"vantreldaq", "--", "--user-folder"}, false},
    };
    for (const auto& c : cases) {
        fs::current_path(here);
        std::vector<std::string> storage = c.args;
        std::vector<char*> argv;
        for (std::string& a : storage) argv.push_back(a.data());
        argv.push_back(nullptr);
        int argc = static_cast<int>(c.args.size());
        EXPECT_TRUE(qtEnterSettingsFolder(argc, argv.data()));
        EXPECT_EQ(std::vector<std::string>(argv.data(), argv.data() + argc), c.left);
        EXPECT_EQ(argv[static_cast<std::size_t>(argc)], nullptr);
        EXPECT_EQ(fs::current_path(), c.entered ? home / "vantreldaq" : here) << c.args.size();
    }
    fs::current_path(here);
    if (saved.empty()) ::unsetenv("XDG_DATA_HOME");
    else ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    fs::remove_all(home);
}

}  // namespace

int main(int argc, char** argv) {
    // Also when listed for test discovery, which runs without the test's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
