// Reading the charts in the real main window: the context menu in both
// languages, peaks on screen, the readout beside the pointer, wheel and keys,
// the PNG picture and dropped recording files, through Qt's own events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>
#include <memory>

#include "chart/envelope.h"
#include "platform/qt/chart_context_menu.h"
#include "platform/qt/qt_shell.h"
#include "platform/screen.h"
#include "platform/window.h"
#include "recording/recording_file.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/main_window.h"
#include "shell/user_prefs.h"
#include "support/chart_recording.h"
#include "support/gui_helpers.h"
#include "support/program_dir.h"

namespace {

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A quiet line with one short peak per 1,500 samples that the plain trace at
// "5 hours" steps over.
std::uint8_t hiddenPeaks(std::uint32_t i) { return i % 1500 == 700 ? 180 : 20; }

class ChartReadingWindow : public testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        ASSERT_TRUE(startMainWindow());
        settle();
        client_ = qtClientArea();
        ASSERT_NE(client_, nullptr);
    }
    void TearDown() override {
        platform::destroyMainWindow();
        settle();
        resetGlobalStateForTests();
    }
    QImage grab() {
        settle();
        return client_->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    static int blueIn(const QImage& im, int top, int bottom) {
        int n = 0;
        for (int x = 151; x < 749; ++x)
            for (int y = top; y <= bottom; ++y) n += im.pixel(x, y) == qRgb(0, 0, 255);
        return n;
    }
    void mouseMove(QPoint p) {
        QMouseEvent e(QEvent::MouseMove, p, client_->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(client_, &e);
    }
    void drop(const QString& path) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QWidget* window = qtMainWindow();
        QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        accepted_ = enter.isAccepted();
        QDropEvent dropped(QPointF(400, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &dropped);
        settle();
    }

    test::ProgramDir dir_;
    test::ModalAnswerer answer_;
    QWidget* client_ = nullptr;
    bool accepted_ = false;
};

TEST_F(ChartReadingWindow, ContextMenuTurnsPeaksOnInBothLanguages) {
    test::showRecording({.count = 900000, .sampleTime = 2, .spanIndex = 7, .value = hiddenPeaks});
    const QImage plain = grab();
    EXPECT_EQ(blueIn(plain, 331, 470), 0);  // the plain trace steps over every peak

    for (const auto& [command, texts] :
         std::vector<std::pair<int, QStringList>>{{CmdEnglish, {"Show peaks", "Copy value", "Save picture as PNG…", "Load report…"}},
                                                  {CmdGerman,
                                                   {"Spitzen zeigen", "Wert kopieren", "Bild als PNG speichern…", "Lastbericht…"}}}) {
        dispatchCommand(command);
        std::unique_ptr<QMenu> menu(buildChartContextMenu(client_, QPoint(300, 400)));
        QStringList shown;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) shown << a->text();
        EXPECT_EQ(shown, texts);
        EXPECT_TRUE(menu->findChild<QAction*>(QStringLiteral("copyValue"))->isEnabled());
    }
    std::unique_ptr<QMenu> menu(buildChartContextMenu(client_, QPoint(300, 400)));
    QAction* peaks = menu->findChild<QAction*>(QStringLiteral("showPeaks"));
    ASSERT_TRUE(peaks->isCheckable());
    EXPECT_FALSE(peaks->isChecked());
    peaks->trigger();
    EXPECT_TRUE(peaksShown());
    EXPECT_TRUE(loadUserPrefs().showPeaks);
    const QImage withPeaks = grab();
    // Every column of the main chart reaches up to the peak's 180, held on its
    // top edge, which carries the red over-top mark; nothing reaches above it.
    EXPECT_EQ(withPeaks.pixel(400, 331), qRgb(0, 0, 255));
    EXPECT_EQ(withPeaks.pixel(400, 330), qRgb(255, 0, 0));
    EXPECT_EQ(withPeaks.pixel(400, 329), qRgb(195, 180, 160));
    EXPECT_EQ(withPeaks.pixel(400, 250 - 2 * 20), qRgb(0, 0, 255));
    EXPECT_GT(blueIn(withPeaks, 331, 470), 500);
    // Nothing is outside the plot areas; the menu's own clipboard action
    // without a readout is disabled.
    std::unique_ptr<QMenu> outside(buildChartContextMenu(client_, QPoint(40, 40)));
    EXPECT_FALSE(outside->findChild<QAction*>(QStringLiteral("copyValue"))->isEnabled());

    // The Menu key opens the menu where the pointer is, also when it came
    // back from a menu without moving (an Enter, no move).
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(client_, &leave);
    QEnterEvent enter(QPointF(310, 420), client_->mapToGlobal(QPointF(310, 420)), client_->mapToGlobal(QPointF(310, 420)));
    QApplication::sendEvent(client_, &enter);
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0), client_->mapToGlobal(QPoint(0, 0)), Qt::NoModifier);
    QApplication::sendEvent(client_, &key);
    settle();
    QMenu* popup = nullptr;
    for (QMenu* m : client_->findChildren<QMenu*>(QStringLiteral("chartContextMenu")))
        if (m->isVisible()) popup = m;
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->pos(), client_->mapToGlobal(QPoint(310, 420)));
    popup->close();
}

TEST_F(ChartReadingWindow, ReadoutFollowsThePointerAndWheelAndKeysNavigate) {
    auto* readout = client_->findChild<QLabel*>(QStringLiteral("readout"));
    ASSERT_NE(readout, nullptr);
    mouseMove(QPoint(300, 400));
    EXPECT_FALSE(readout->isVisible());  // no recording

    test::showRecording({.count = 900000, .sampleTime = 2, .spanIndex = 7});
    mouseMove(QPoint(300, 400));
    ASSERT_TRUE(readout->isVisible());
    EXPECT_TRUE(readout->text().startsWith(QStringLiteral("2006-03-05 ")));
    EXPECT_TRUE(readout->text().contains(QStringLiteral("\nValue: "))) << readout->text().toStdString();
    EXPECT_TRUE(readout->geometry().contains(QPoint(320, 420)));
    mouseMove(QPoint(300, 300));  // between the charts
    EXPECT_FALSE(readout->isVisible());

    // The PNG picture is drawn, not grabbed, and leaves the readout out.
    mouseMove(QPoint(300, 400));
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(platform::renderClientAreaPng(png));
    QImage picture;
    ASSERT_TRUE(picture.loadFromData(png.data(), static_cast<int>(png.size()), "PNG"));
    EXPECT_EQ(picture.size(), QSize(kClientWidth, kClientHeight));
    const QImage screen = grab();
    const QImage drawn = picture.convertToFormat(QImage::Format_RGB32);
    int differ = 0;
    for (int y = 0; y < kClientHeight; ++y)
        for (int x = 0; x < kClientWidth; ++x)
            differ += !readout->geometry().contains(x, y) && drawn.pixel(x, y) != screen.pixel(x, y);
    EXPECT_EQ(differ, 0);
    EXPECT_NE(drawn.pixel(readout->geometry().center()), qRgb(255, 255, 225));
    EXPECT_TRUE(readout->isVisible());

    // Ctrl+wheel down a notch: "12 hours" does not fit 900,000 samples; up: "2 hours".
    auto wheel = [this](int delta, Qt::KeyboardModifiers mods) {
        QWheelEvent e(QPointF(400, 400), client_->mapToGlobal(QPointF(400, 400)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(client_, &e);
        settle();
    };
    wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(gApp.samplesPerPixel, 1500u);
    wheel(120, Qt::ControlModifier);
    EXPECT_EQ(gApp.samplesPerPixel, 600u);
    auto* bar = qtMainWindow()->findChild<QScrollBar*>(QStringLiteral("200"));
    ASSERT_TRUE(bar->isVisible());
    wheel(-60, {});  // half a notch: nothing yet
    EXPECT_EQ(gApp.scrollPos, 0u);
    wheel(-60, {});
    EXPECT_EQ(gApp.scrollPos, 1u);
    EXPECT_EQ(bar->value(), 1);

    client_->setFocus();
    QTest::keyClick(client_, Qt::Key_End);
    EXPECT_EQ(gApp.mainStart, 900000u - 600u * 600u);
    EXPECT_EQ(bar->value(), static_cast<int>(gApp.scrollPos));
    QTest::keyClick(client_, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(gApp.cursorX, 10);
    QTest::keyClick(client_, Qt::Key_Home);
    EXPECT_EQ(gApp.mainStart, 0u);
}

TEST_F(ChartReadingWindow, DroppedRecordingsOpenAsFileOpenWouldOpenThem) {
    test::fillRecording({.count = 6000, .sampleTime = 10});
    const std::string good = dir_.file("dropped.udd");
    int code = 0;
    ASSERT_EQ(writeRecordingFile(good.c_str(), code), SaveStatus::Saved);
    const std::string bad = dir_.file("cut.udd");
    test::writeFileBytes(bad, "short");
    test::writeFileBytes(dir_.file("notes.txt"), "text");
    resetRecordingForTests();

    const std::size_t boxes = answer_.boxes().size();  // the missing port's at start-up
    drop(QString::fromStdString(dir_.file("notes.txt")));
    EXPECT_FALSE(accepted_);
    drop(QString::fromStdString(bad));
    EXPECT_TRUE(accepted_);
    ASSERT_EQ(answer_.boxes().size(), boxes + 1);
    EXPECT_EQ(answer_.boxes().back(), "Error loading header from file!");
    EXPECT_EQ(gApp.dataPresent, 0);
    EXPECT_NE(qtMainWindow(), nullptr);

    drop(QString::fromStdString(good));
    EXPECT_EQ(gApp.dataPresent, 1);
    EXPECT_EQ(gHeader.recordCount, 6000u);
    EXPECT_EQ(answer_.boxes().size(), boxes + 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
