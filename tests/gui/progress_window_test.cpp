// The transfer's progress window with real widgets on the offscreen platform:
// its layout, its bar, and the Abort button through the main window's command
// dispatch.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <string>

#include "device/transfer.h"
#include "platform/progress.h"
#include "platform/qt/progress_qt.h"
#include "platform/qt/qt_shell.h"
#include "platform/window.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/main_window.h"
#include "shell/messages.h"
#include "support/gui_helpers.h"
#include "support/program_dir.h"

namespace fs = std::filesystem;

namespace {

using test::settle;

TEST(ProgressWindow, LaidOutFromTheTemplateAtTheTopLeftCorner) {
    QWidget parent;
    parent.resize(800, 578);
    QWidget* w = makeProgressWidget(&parent, QStringLiteral("Transferring data, please wait..."),
                                    QStringLiteral("Abort"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget(), &parent);
    EXPECT_EQ(w->pos(), QPoint(0, 0));
    EXPECT_FALSE(w->isWindow()) << "a child of the window, not a window of its own";

    auto* bar = w->findChild<QProgressBar*>(QStringLiteral("1000"));
    auto* text = w->findChild<QLabel*>(QStringLiteral("1033"));
    auto* button = w->findChild<QPushButton*>(QStringLiteral("1017"));
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(text, nullptr);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(text->text(), "Transferring data, please wait...");
    EXPECT_EQ(button->text(), "Abort");

    // 155 x 68 dialog units: wider than high, text above bar above button, all inside.
    EXPECT_GT(w->width(), w->height());
    EXPECT_LT(text->geometry().bottom(), bar->geometry().top());
    EXPECT_LT(bar->geometry().bottom(), button->geometry().top());
    EXPECT_TRUE(w->rect().contains(bar->geometry()));
    EXPECT_TRUE(w->rect().contains(button->geometry()));
    EXPECT_GT(bar->width(), button->width());
    // The bar and the button are centred alike (7 + 141/2 = 52 + 50/2 = 77.5 units).
    EXPECT_NEAR(bar->geometry().center().x(), button->geometry().center().x(), 2);
}

class ProgressInMainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        ASSERT_TRUE(startMainWindow());
        settle();
        ASSERT_NE(qtClientArea(), nullptr);
    }
    void TearDown() override {
        platform::destroyMainWindow();
        settle();
        resetGlobalStateForTests();
    }
    test::ProgramDir dir_;
    // COM1 leads nowhere here: confirms the start-up's port message.
    test::ModalAnswerer boxes_;
};

TEST_F(ProgressInMainWindow, BarFollowsTheSamplesAndAbortClosesTheWindowAtOnce) {
    gApp.progressDivisor = 60;  // 6,000 samples confirmed
    gApp.receiving = 1;
    gApp.transferOpen = 1;
    progressControl(ProgressAction::Create, 0);
    ASSERT_NE(gApp.progressWindow, nullptr);
    QPointer<QWidget> w = static_cast<QWidget*>(gApp.progressWindow);
    EXPECT_EQ(w->parentWidget(), qtClientArea());
    EXPECT_EQ(w->pos(), QPoint(0, 0));
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("1033"))->text(), messageTextPtr(27));

    progressControl(ProgressAction::Create, 0);  // a second create keeps the one window
    EXPECT_EQ(gApp.progressWindow, w.data());

    progressControl(ProgressAction::SetPosition, 3000);
    auto* bar = w->findChild<QProgressBar*>(QStringLiteral("1000"));
    EXPECT_EQ(bar->value(), 50);
    progressControl(ProgressAction::SetPosition, 7000);
    EXPECT_EQ(bar->value(), 100);

    w->findChild<QPushButton*>(QStringLiteral("1017"))->click();
    EXPECT_FALSE(w->isVisible()) << "gone as soon as Abort is pressed";
    EXPECT_EQ(gApp.receiving, 0);
    settle();  // command 10000 reaches the dispatch
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(gApp.progressWindow, nullptr);
    EXPECT_EQ(gApp.transferOpen, 0);
}

TEST_F(ProgressInMainWindow, DestroyedWithTheMainWindowItIsForgotten) {
    progressControl(ProgressAction::Create, 0);
    void* handle = gApp.progressWindow;
    ASSERT_NE(handle, nullptr);
    platform::destroyMainWindow();
    settle();
    // The window went with its parent; the stale handle is ignored.
    platform::setProgressPosition(handle, 10);
    platform::destroyProgressWindow(handle);
    EXPECT_EQ(platform::createProgressWindow("a", "b"), nullptr) << "no main window, no progress window";
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
