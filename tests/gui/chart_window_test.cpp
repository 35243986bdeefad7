// The charts in the real main window: a recording shown, zoomed, scrolled and
// dragged through Qt's own controls and mouse events, checked on the grabbed
// client area. With VANTREL_CHART_SHOTS=<dir> the grabs are also written there
// as PNG files for a look by eye.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <string>

#include "platform/qt/qt_shell.h"
#include "platform/window.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/main_window.h"
#include "support/chart_recording.h"
#include "support/gui_helpers.h"
#include "support/program_dir.h"

namespace fs = std::filesystem;

namespace {

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Values with a marker and a gap, so every drawing class shows.
std::uint8_t demoValue(std::uint32_t i) {
    if (i % 150000 == 75000) return 201;
    if (i % 150000 >= 120000 && i % 150000 < 121000) return 255;
    const std::uint32_t phase = i % 3000;
    return static_cast<std::uint8_t>(40 + (phase < 1500 ? phase : 3000 - phase) / 30);
}

class ChartWindow : public testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        ASSERT_TRUE(startMainWindow());
        settle();
        client_ = qtClientArea();
        ASSERT_NE(client_, nullptr);
        combo_ = qtMainWindow()->findChild<QComboBox*>(QStringLiteral("100"));
        bar_ = qtMainWindow()->findChild<QScrollBar*>(QStringLiteral("200"));
        ASSERT_NE(combo_, nullptr);
        ASSERT_NE(bar_, nullptr);
    }
    void TearDown() override {
        platform::destroyMainWindow();
        settle();
        resetGlobalStateForTests();
    }

    QImage grab(const char* name) {
        settle();
        QImage image = client_->grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (const char* shots = std::getenv("VANTREL_CHART_SHOTS")) {
            image.save(QString::fromUtf8(shots) + QStringLiteral("/") + QString::fromLatin1(name) +
                       QStringLiteral(".png"));
            qtMainWindow()->grab().save(QString::fromUtf8(shots) + QStringLiteral("/") +
                                        QString::fromLatin1(name) + QStringLiteral("-window.png"));
        }
        return image;
    }

    test::ProgramDir dir_;
    // The configured port does not exist here; confirms whatever box says so.
    test::ModalAnswerer answer_;
    QWidget* client_ = nullptr;
    QComboBox* combo_ = nullptr;
    QScrollBar* bar_ = nullptr;
};

TEST_F(ChartWindow, RecordingShownZoomedScrolledAndDraggedThroughTheWindow) {
    const QRgb band = qRgb(220, 210, 195), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255);
    QImage empty = grab("no-data-en");
    EXPECT_EQ(empty.pixel(300, 400), white);

    test::showRecording({.count = 900000, .sampleTime = 2, .spanIndex = 7, .value = demoValue});
    QImage whole = grab("whole-en");
    EXPECT_EQ(combo_->currentIndex(), 7);
    EXPECT_FALSE(bar_->isVisible());
    EXPECT_EQ(whole.pixel(152, 331), band);
    EXPECT_EQ(whole.pixel(190, 529), band);
    // The marker at record 75,000 is column 50: red from the base line up to,
    // not including, y = 330.
    EXPECT_EQ(whole.pixel(150 + 50, 530), qRgb(255, 0, 0));
    EXPECT_EQ(whole.pixel(150 + 50, 331), qRgb(255, 0, 0));
    EXPECT_EQ(whole.pixel(150 + 50, 330), band);

    // Drag the band to the right end with real mouse events.
    QTest::mousePress(client_, Qt::LeftButton, {}, QPoint(155, 400));
    QTest::mouseMove(client_, QPoint(155 + 540, 400));
    QTest::mouseRelease(client_, Qt::LeftButton, {}, QPoint(155 + 540, 400));
    EXPECT_EQ(gApp.cursorX, 540);
    QImage dragged = grab("dragged-en");
    EXPECT_EQ(dragged.pixel(540 + 152, 331), band);
    EXPECT_EQ(dragged.pixel(152, 331), white);

    // "2 minutes" from the list: the view zooms in at the cursor and the bar appears.
    spanComboNotification(7);
    combo_->setCurrentIndex(0);
    emit combo_->activated(0);
    settle();
    EXPECT_EQ(gApp.samplesPerPixel, 10u);
    EXPECT_EQ(gApp.mainStart, 810000u);
    EXPECT_TRUE(bar_->isVisible());
    EXPECT_EQ(bar_->value(), 80460);
    QImage zoomed = grab("zoomed-en");
    int blueInMain = 0;
    for (int x = 151; x < 749; ++x)
        for (int y = 331; y < 530; ++y) blueInMain += zoomed.pixel(x, y) == blue;
    EXPECT_GT(blueInMain, 300);

    // The bar's own arrow: one position right.
    bar_->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    settle();
    EXPECT_EQ(bar_->value(), 80461);
    EXPECT_EQ(gApp.mainStart, 810010u);

    // The same view in German.
    dispatchCommand(CmdGerman);
    settle();
    QImage german = grab("zoomed-de");
    EXPECT_EQ(combo_->currentIndex(), 0);
    EXPECT_EQ(combo_->currentText(), QStringLiteral("2 Minuten"));
    // "Anfang:" is wider than "Start:": the caption rows differ in ink.
    auto ink = [](const QImage& im, int y0, int y1) {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = 10; x < 140; ++x) n += qGray(im.pixel(x, y)) < 100;
        return n;
    };
    EXPECT_NE(ink(german, 416, 429), ink(zoomed, 416, 429));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
