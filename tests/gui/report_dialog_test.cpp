// The load report dialog in the real main window: opened from the chart's
// context menu, an option typed, the page printed to a PDF file and saved as
// HTML, which must be the core writer's bytes and parse as XML.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QXmlStreamReader>
#include <memory>

#include "platform/qt/chart_context_menu.h"
#include "platform/qt/printer_qt.h"
#include "platform/qt/qt_shell.h"
#include "platform/window.h"
#include "report/report_html.h"
#include "report/report_window.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/main_window.h"
#include "shell/user_prefs.h"
#include "support/chart_recording.h"
#include "support/gui_helpers.h"
#include "support/program_dir.h"

namespace {

std::uint8_t shifts(std::uint32_t i) { return i % 3000 < 1200 ? static_cast<std::uint8_t>(60 + i % 70) : 30; }

// Clicks a button of the dialog from the message loop, so the answerer's own
// timer is not held while the click runs a modal loop of its own.
void clickLater(QWidget* dialog, const char* name) {
    auto* b = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(b, nullptr) << name;
    QMetaObject::invokeMethod(b, &QPushButton::click, Qt::QueuedConnection);
}

class ReportDialogWindow : public testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        ASSERT_TRUE(startMainWindow());
        test::settle();
    }
    void TearDown() override {
        qtSetPrinterChoice(PrinterChoice::Dialog);
        platform::destroyMainWindow();
        test::settle();
        resetGlobalStateForTests();
    }
    test::ProgramDir dir_;
    test::ModalAnswerer answer_;
};

TEST_F(ReportDialogWindow, OpensFromTheContextMenuPrintsAndSavesTheHtmlFile) {
    test::showRecording({.count = 20000, .sampleTime = 100, .spanIndex = 7, .value = shifts});
    dispatchCommand(CmdGerman);
    const std::string html = dir_.file("bericht.html");
    const QString pdf = QString::fromStdString(dir_.file("bericht.pdf"));
    qtSetPrinterChoice(PrinterChoice::PdfFile, pdf);

    bool sawDialog = false, sawSaved = false;
    answer_.expect([&](QWidget* modal) {
        if (modal->objectName() != QStringLiteral("reportDialog")) return false;
        sawDialog = true;
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Lastbericht"));
        EXPECT_NE(modal->findChild<QWidget*>(QStringLiteral("reportPage")), nullptr);
        EXPECT_TRUE(modal->findChild<QRadioButton*>(QStringLiteral("reportWhole"))->isChecked());
        auto* levels = modal->findChild<QLineEdit*>(QStringLiteral("reportThresholds"));
        EXPECT_EQ(levels->text(), QStringLiteral("80, 100"));
        auto* problem = modal->findChild<QLabel*>(QStringLiteral("reportProblem"));
        levels->selectAll();
        QTest::keyClicks(levels, QStringLiteral("90, 300"));
        EXPECT_FALSE(problem->text().isEmpty());  // 300 is refused and named
        for (int i = 0; i < 3; ++i) QTest::keyClick(levels, Qt::Key_Backspace);
        QTest::keyClicks(levels, QStringLiteral("120"));
        EXPECT_TRUE(problem->text().isEmpty()) << problem->text().toStdString();
        clickLater(modal, "reportPrint");
        clickLater(modal, "reportSave");
        return true;
    });
    answer_.expect([&](QWidget* modal) {
        auto* files = qobject_cast<QFileDialog*>(modal);
        if (files == nullptr || files->objectName() != QStringLiteral("saveFileDialog")) return false;
        files->selectFile(QString::fromStdString(html));
        static_cast<QDialog*>(files)->accept();
        return true;
    });
    answer_.expect([&](QWidget* modal) {
        if (modal->objectName() != QStringLiteral("reportDialog")) return false;
        sawSaved = QFile::exists(QString::fromStdString(html));
        clickLater(modal, "reportClose");
        return true;
    });

    QWidget* client = qtClientArea();
    std::unique_ptr<QMenu> menu(buildChartContextMenu(client, QPoint(300, 400)));
    QAction* item = menu->findChild<QAction*>(QStringLiteral("loadReport"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("Lastbericht…"));
    ASSERT_TRUE(item->isEnabled());
    item->trigger();
    for (int i = 0; i < 400 && !answer_.idle(); ++i) QTest::qWait(10);
    test::settle();
    ASSERT_TRUE(answer_.idle());
    EXPECT_TRUE(sawDialog);
    EXPECT_TRUE(sawSaved);
    EXPECT_TRUE(answer_.boxes().empty() || answer_.boxes().size() == 1u);  // at most the start-up's port box

    // The file is the core writer's, for the options typed, and reads as XML.
    const UserPrefs kept = loadUserPrefs();
    EXPECT_EQ(kept.reportThresholds, (std::vector<int>{90, 120}));
    EXPECT_EQ(kept.picturesFolder, dir_.path().string());
    LoadReport r;
    ASSERT_TRUE(computeWindowReport(kept, r));
    const std::string bytes = test::readFileBytes(html);
    EXPECT_EQ(bytes, reportHtml(r, {true, false}));
    QXmlStreamReader xml(QByteArray::fromStdString(bytes));
    int svgs = 0, cells = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QStringLiteral("svg")) ++svgs;
        if (xml.isStartElement() && xml.name() == QStringLiteral("td")) ++cells;
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " at line " << xml.lineNumber();
    EXPECT_EQ(svgs, 2);
    EXPECT_GT(cells, 20);

    // One printed page.
    QFile printed(pdf);
    ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
    const QByteArray pdfBytes = printed.readAll();
    EXPECT_TRUE(pdfBytes.startsWith("%PDF"));
    EXPECT_EQ(
        pdfBytes.count("/Type /Page\n") + pdfBytes.count("/Type /Page\r") + pdfBytes.count("/Type /Page "),
        1);

    // While a transfer fills the store the item is greyed.
    gApp.receiving = 1;
    std::unique_ptr<QMenu> busy(buildChartContextMenu(client, QPoint(300, 400)));
    EXPECT_FALSE(busy->findChild<QAction*>(QStringLiteral("loadReport"))->isEnabled());
    gApp.receiving = 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
