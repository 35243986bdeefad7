// The screen dump and the printout with the real main window and QPrinter on
// the offscreen platform: the bitmap read back by Qt's own reader, the PDF page
// checked with poppler's tools.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractPrintDialog>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QPointer>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/printer_qt.h"
#include "platform/qt/qt_shell.h"
#include "platform/window.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/main_window.h"
#include "shell/messages.h"

namespace {

// Answers every modal widget that shows up while a command runs: message
// boxes are recorded and closed, anything else goes to the current handler
// (which returns false to leave it open a little longer).
class ModalAnswerer {
public:
    ModalAnswerer() {
        timer_.setInterval(15);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }
    std::function<bool(QWidget*)> handler;
    std::vector<QString> messages;

private:
    // The answer runs from its own zero timer: an answer may open the next
    // modal widget, whose loop must find this poll free to fire again.
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == answering_) return;
        answering_ = modal;
        QTimer::singleShot(0, [this, modal = QPointer<QWidget>(modal)] {
            if (modal) answer(modal);
            answering_ = nullptr;
        });
    }
    void answer(QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (box->objectName() == QLatin1String("messageBox")) {
                messages.push_back(box->windowTitle() + QStringLiteral("|") + box->text());
                box->done(QMessageBox::Ok);
                return;
            }
        }
        if (handler) handler(modal);
    }
    QWidget* answering_ = nullptr;
    QTimer timer_;
};

ModalAnswerer* gAnswerer = nullptr;

// A recording with a recognisable trace: a slow ramp with a marker every
// 10,000 samples, dated from 25 December 2006, 14:05:09 on.
void loadRecording(std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        SampleRecord& r = gStore[i];
        r = SampleRecord{};
        r.year = 6;
        r.month = 12;
        r.day = 25;
        r.hour = 14;
        r.minute = 5;
        r.second = 9;
        r.value = static_cast<std::uint8_t>(i % 10000 == 5000 ? 201 : 20 + (i / 1000) % 60);
    }
    gHeader.recordCount = count;
    gHeader.sampleTime = 2;
    resetView();
}

std::vector<std::uint8_t> readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray all = f.readAll();
    return std::vector<std::uint8_t>(all.begin(), all.end());
}
std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) | (std::uint32_t{b[at + 2]} << 16) |
           (std::uint32_t{b[at + 3]} << 24);
}

bool haveTool(const char* name) {
    return QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("command -v %1 >/dev/null").arg(QLatin1String(name))}) == 0;
}
QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Pixels of a colour within a rectangle of an image.
int count(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& match) {
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (match(image.pixel(x, y))) ++n;
    return n;
}
// Equal within tolerance in every channel (a 16-bit screen keeps 5 or 6 bits).
bool close(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}
bool dark(QRgb p) { return qRed(p) < 100 && qGreen(p) < 100 && qBlue(p) < 100; }
bool blueish(QRgb p) { return qBlue(p) > 180 && qRed(p) < 120 && qGreen(p) < 120; }
bool band(QRgb p) { return std::abs(qRed(p) - 220) < 8 && std::abs(qGreen(p) - 210) < 8 && std::abs(qBlue(p) - 195) < 8; }

class OutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        gAnswerer->handler = nullptr;
        gAnswerer->messages.clear();
        gSettings.language = English;
        loadRecording(1048576);
        QWidget* window = qtMainWindow();
        ASSERT_NE(window, nullptr);
        platform::invalidate(true);
        QApplication::processEvents();
    }
    void TearDown() override { qtSetPrinterChoice(PrinterChoice::Dialog); }

    QString path(const QString& name) const { return dir.filePath(name); }
    // The next save dialog takes this file name; asked whether to replace it,
    // the answer is confirmOverwrite, and a "no" then cancels the dialog.
    void answerSaveDialog(const QString& file, bool confirmOverwrite = true) {
        auto declined = std::make_shared<bool>(false);
        gAnswerer->handler = [file, confirmOverwrite, declined](QWidget* modal) {
            if (auto* d = qobject_cast<QFileDialog*>(modal)) {
                if (*declined) {
                    d->reject();
                } else {
                    // Typed into the dialog's own name field, as a user would.
                    auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                    if (name == nullptr) return false;
                    name->setText(file);
                    static_cast<QDialog*>(d)->accept();  // QFileDialog's own accept, with its checks
                }
                return true;
            }
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {  // "replace it?"
                overwriteAsked = true;
                *declined = !confirmOverwrite;
                QAbstractButton* button = box->button(confirmOverwrite ? QMessageBox::Yes : QMessageBox::No);
                if (button == nullptr) return false;
                button->click();
                return true;
            }
            return false;
        };
    }

    static inline bool overwriteAsked = false;
    QTemporaryDir dir;
};

TEST_F(OutputTest, ScreenDumpHoldsTheWindowAsShown) {
    const QString file = path(QStringLiteral("window.bmp"));
    answerSaveDialog(file);
    commandScreenDump();
    EXPECT_TRUE(gAnswerer->messages.empty());

    // What the window looks like now, drawn by itself. Where the screen can be
    // read (X11) the file holds the frame rectangle with the window inside it;
    // on the offscreen platform the window's own drawing.
    QWidget* window = qtMainWindow();
    const QImage expected = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const bool exact = QGuiApplication::platformName() == QLatin1String("offscreen");
    const QPoint inset = exact ? QPoint(0, 0) : window->geometry().topLeft() - window->frameGeometry().topLeft();
    QImage image(file);
    ASSERT_FALSE(image.isNull());
    const QImage got = image.convertToFormat(QImage::Format_RGB32);
    ASSERT_GE(got.width(), inset.x() + expected.width());
    ASSERT_GE(got.height(), inset.y() + expected.height());
    int differing = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (!close(got.pixel(inset.x() + x, inset.y() + y), expected.pixel(x, y), exact ? 0 : 8)) ++differing;
    // A screen of fewer colours rounds them; the window's own drawing is exact.
    if (exact) {
        EXPECT_EQ(got.size(), expected.size());
        EXPECT_EQ(differing, 0);
    } else {
        EXPECT_LT(differing, expected.width() * expected.height() / 100);
    }

    // The header as the screen's depth gives it.
    const std::vector<std::uint8_t> b = readBytes(file);
    ASSERT_GE(b.size(), 54u);
    const int bits = b[28];
    const std::uint32_t offset = bits == 16 ? 262198u : 54u;
    EXPECT_EQ(le32(b, 10), offset);
    const std::uint32_t stride = ((static_cast<std::uint32_t>(bits * got.width()) + 31) & ~31u) / 8;
    EXPECT_EQ(le32(b, 2), offset + stride * static_cast<std::uint32_t>(got.height()));
    EXPECT_EQ(b.size(), le32(b, 2));
    if (exact) {
        EXPECT_EQ(bits, 32);
    }

    // The charts are in it: the window's background, the cursor band and the trace.
    const QImage client = got.copy(QRect(inset + QPoint(0, expected.height() - kClientHeight),
                                         QSize(kClientWidth, kClientHeight)));
    auto near = [](QRgb p, int r, int g, int b) {
        return std::abs(qRed(p) - r) < 10 && std::abs(qGreen(p) - g) < 10 && std::abs(qBlue(p) - b) < 10;
    };
    EXPECT_TRUE(near(client.pixel(5, 5), 195, 180, 160));
    EXPECT_GT(count(client, QRect(151, 330, 60, 200), [&](QRgb p) { return near(p, 220, 210, 195); }), 1000);
    EXPECT_GT(count(client, QRect(150, 330, 600, 200), blueish), 300);
}

TEST_F(OutputTest, ScreenDumpAsksBeforeReplacingAFile) {
    const QString file = path(QStringLiteral("existing.bmp"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    overwriteAsked = false;
    answerSaveDialog(file, false);
    commandScreenDump();
    EXPECT_TRUE(overwriteAsked);
    EXPECT_EQ(QFileInfo(file).size(), 3);
    EXPECT_TRUE(gAnswerer->messages.empty());

    overwriteAsked = false;
    answerSaveDialog(file, true);
    commandScreenDump();
    EXPECT_TRUE(overwriteAsked);
    EXPECT_GT(QFileInfo(file).size(), 1000000);
    EXPECT_FALSE(QImage(file).isNull());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // no temporary left
}

TEST_F(OutputTest, PrintsOneLandscapePageToAPdfFile) {
    const QString pdf = path(QStringLiteral("page.pdf"));
    qtSetPrinterChoice(PrinterChoice::PdfFile, pdf);
    const std::int32_t mainLast = gApp.mainLast;
    const std::int32_t zoomLast = gApp.zoomLast;
    commandPrinter();
    EXPECT_TRUE(gAnswerer->messages.empty());
    EXPECT_EQ(gApp.mainLast, mainLast);
    EXPECT_EQ(gApp.zoomLast, zoomLast);
    ASSERT_TRUE(QFileInfo::exists(pdf));

    if (!haveTool("pdfinfo") || !haveTool("pdftoppm")) GTEST_SKIP() << "poppler-utils not installed";
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n")))) << info.toStdString();
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+)")).match(info);
    ASSERT_TRUE(size.hasMatch()) << info.toStdString();
    EXPECT_GT(size.captured(1).toDouble(), size.captured(2).toDouble());  // landscape
    EXPECT_TRUE(info.contains(QStringLiteral("Vantrel Data Acquisition Software"))) << info.toStdString();

    const QString png = path(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-png"),
                                     QStringLiteral("-singlefile"), pdf, png});
    const QImage page(png + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(page.width(), page.height());
    const int w = page.width(), h = page.height();
    // Title at the top left, date at the top right, nothing in the top middle.
    EXPECT_GT(count(page, QRect(0, 0, w * 3 / 10, h / 10), dark), 20);
    EXPECT_GT(count(page, QRect(w * 6 / 10, 0, w * 4 / 10, h / 10), dark), 20);
    EXPECT_EQ(count(page, QRect(w * 4 / 10, 0, w / 10, h / 10), dark), 0);
    // The traces are blue, the cursor band in the main chart's half.
    EXPECT_GT(count(page, QRect(0, h / 2, w, h / 2), blueish), 100);
    EXPECT_GT(count(page, QRect(0, 0, w, h / 2), blueish), 100);
    EXPECT_GT(count(page, QRect(0, h / 2, w, h / 2), band), 200);
    EXPECT_EQ(count(page, QRect(0, 0, w, h * 4 / 10), band), 0);
}

TEST_F(OutputTest, CancellingThePrintDialogPrintsNothing) {
    bool dialogShown = false;
    gAnswerer->handler = [&dialogShown](QWidget* modal) {
        if (auto* d = qobject_cast<QPrintDialog*>(modal)) {
            dialogShown = true;
            // Starts in landscape.
            EXPECT_EQ(d->printer()->pageLayout().orientation(), QPageLayout::Landscape);
            d->reject();
            return true;
        }
        return false;
    };
    commandPrinter();
    EXPECT_TRUE(dialogShown);
    EXPECT_TRUE(gAnswerer->messages.empty());
}

// The dialog's own "Print to File (PDF)" choice, as a user without a printer
// would print: landscape unless the user picks another orientation in the
// printer's properties, which the page then keeps.
TEST_F(OutputTest, PrintingToAFileChosenInTheDialog) {
    const struct {
        const char* orientation;  // radio button of the properties' page setup; null: untouched
        bool landscape;
    } cases[] = {{nullptr, true}, {"portrait", false}, {"landscape", true}};
    int n = 0;
    for (const auto& c : cases) {
        const QString pdf = path(QStringLiteral("chosen%1.pdf").arg(n++));
        bool chosen = false;
        bool picked = false;
        gAnswerer->handler = [&](QWidget* modal) {
            auto* d = qobject_cast<QPrintDialog*>(modal);
            if (d == nullptr && c.orientation != nullptr) {
                // The printer's properties, opened from the print dialog.
                auto* pick = modal->findChild<QRadioButton*>(QString::fromLatin1(c.orientation));
                if (pick == nullptr) return false;
                pick->click();
                picked = true;
                static_cast<QDialog*>(modal)->accept();
                return true;
            }
            if (d == nullptr) return false;
            auto* printers = d->findChild<QComboBox*>(QStringLiteral("printers"));
            auto* name = d->findChild<QLineEdit*>(QStringLiteral("filename"));
            if (printers == nullptr || name == nullptr) {
                ADD_FAILURE() << "the print dialog has no printer list or file name field";
                d->reject();
                return true;
            }
            printers->setCurrentIndex(printers->count() - 1);  // "Print to File (PDF)" comes last
            name->setText(pdf);
            if (c.orientation != nullptr) {
                auto* properties = d->findChild<QPushButton*>(QStringLiteral("properties"));
                if (properties == nullptr) ADD_FAILURE() << "the print dialog has no Properties button";
                else properties->click();  // runs the properties dialog, answered above
                EXPECT_TRUE(picked) << c.orientation;
            }
            chosen = true;
            d->accept();
            return true;
        };
        commandPrinter();
        EXPECT_TRUE(chosen);
        EXPECT_TRUE(gAnswerer->messages.empty());
        EXPECT_GT(QFileInfo(pdf).size(), 1000);
        if (!haveTool("pdfinfo")) continue;
        const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+)"))
                                                 .match(run(QStringLiteral("pdfinfo"), {pdf}));
        ASSERT_TRUE(size.hasMatch());
        EXPECT_EQ(size.captured(1).toDouble() > size.captured(2).toDouble(), c.landscape)
            << (c.orientation ? c.orientation : "untouched");
    }
}

TEST_F(OutputTest, NoDefaultPrinterIsReportedNotPrintedTo) {
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a default printer exists here";
    qtSetPrinterChoice(PrinterChoice::DefaultPrinter);
    commandPrinter();
    ASSERT_EQ(gAnswerer->messages.size(), 1u);
    EXPECT_EQ(gAnswerer->messages[0], QStringLiteral("Error:|Unable to open printer"));
}

TEST_F(OutputTest, APdfFileThatCannotBeWrittenIsAnError) {
    qtSetPrinterChoice(PrinterChoice::PdfFile, path(QStringLiteral("missing/folder/page.pdf")));
    commandPrinter();
    ASSERT_EQ(gAnswerer->messages.size(), 1u);
    EXPECT_EQ(gAnswerer->messages[0], QStringLiteral("Error:|Error printing...: 30011"));
}

// Run by scripts/test_spooler.sh against a CUPS daemon with a cups-pdf
// printer as the default; the script checks the PDF the spooler produces.
class SpoolerTest : public OutputTest {};

TEST_F(SpoolerTest, PrintsOnePageOnTheDefaultPrinter) {
    if (qgetenv("VANTREL_SPOOLER_TEST") != "1") GTEST_SKIP() << "needs the spooler set up by scripts/test_spooler.sh";
    qtSetPrinterChoice(PrinterChoice::DefaultPrinter);
    commandPrinter();
    EXPECT_TRUE(gAnswerer->messages.empty()) << gAnswerer->messages.front().toStdString();
}

}  // namespace

int main(int argc, char** argv) {
    // Ports that cannot exist, so the window's start-up opens none.
    for (int n = 1; n <= 8; ++n) setenv(("VANTREL_COM" + std::to_string(n)).c_str(), "/nonexistent/vantrel-port", 1);
    // Without a display the tests run on the offscreen platform.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    QTemporaryDir work;
    QDir::setCurrent(work.path());  // the settings file goes here
    resetGlobalStateForTests();
    ModalAnswerer answerer;
    gAnswerer = &answerer;
    std::snprintf(gApp.windowTitle, sizeof gApp.windowTitle, "Vantrel Data Acquisition Software");
    gApp.mainWindow = platform::createMainWindow(gApp.windowTitle);
    if (gApp.mainWindow == nullptr) return 1;
    platform::showMainWindow();
    // On a real X server the window manager frames the window shortly after it
    // is shown; the dump should see the frame.
    if (QTest::qWaitForWindowExposed(qtMainWindow())) QTest::qWait(200);
    QApplication::processEvents();
    const int rc = RUN_ALL_TESTS();
    platform::destroyMainWindow();
    return rc;
}
