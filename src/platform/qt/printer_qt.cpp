// Printing with QPrinter: the print dialog, the one-page document and the
// mapping of the main window's client area onto the printable area. The page is
// drawn through the same PainterSurface as the window, never by rendering a
// widget (which would rasterise a printer-sized bitmap).
#include "platform/qt/printer_qt.h"

#include <QAbstractPrintDialog>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

#include "platform/printer.h"
#include "platform/qt/painter_surface_qt.h"
#include "platform/qt/qt_shell.h"
#include "shell/modal_scope.h"

namespace {

PrinterChoice gChoice = PrinterChoice::Dialog;
QString gPdfPath;

struct PrintJob {
    QPrinter printer{QPrinter::HighResolution};
    QPainter painter;
    std::unique_ptr<PainterSurface> surface;
};

PrintJob* toJob(platform::PrinterHandle printer) { return static_cast<PrintJob*>(printer); }

// With no spooler running QPrinter quietly turns a native printer into PDF
// output without a file; such a printer would print nowhere.
bool usable(const QPrinter& printer) {
    if (!printer.isValid()) return false;
    if (printer.outputFormat() == QPrinter::PdfFormat) return !printer.outputFileName().isEmpty();
    return !printer.printerName().isEmpty();
}

void setLandscape(QPrinter& printer) { printer.setPageOrientation(QPageLayout::Landscape); }

}  // namespace

void qtSetPrinterChoice(PrinterChoice choice, const QString& pdfPath) {
    gChoice = choice;
    gPdfPath = pdfPath;
}

namespace platform {

int choosePrinter(PrinterHandle& printer) {
    printer = nullptr;
    auto job = std::make_unique<PrintJob>();
    switch (gChoice) {
    case PrinterChoice::PdfFile:
        if (gPdfPath.isEmpty()) return kPrintNoPrinter;
        job->printer.setOutputFormat(QPrinter::PdfFormat);
        job->printer.setOutputFileName(gPdfPath);
        setLandscape(job->printer);
        break;
    case PrinterChoice::DefaultPrinter: {
        // A query that finds no default printer must not be taken for one.
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull() || info.printerName().isEmpty()) return kPrintNoPrinter;
        job->printer.setPrinterName(info.printerName());
        if (job->printer.outputFormat() != QPrinter::NativeFormat) return kPrintNoPrinter;
        setLandscape(job->printer);
        break;
    }
    case PrinterChoice::Dialog: {
        // The dialog starts from landscape; what the user sets there (another
        // orientation in the printer's properties) is what prints.
        setLandscape(job->printer);
        QPrintDialog dialog(&job->printer, qtMainWindow());
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
        dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
        const ModalScope modal;
        if (dialog.exec() != QDialog::Accepted) return 0;  // cancelled: nothing printed
        break;
    }
    }
    job->printer.setFullPage(false);
    if (!usable(job->printer)) return kPrintNoPrinter;
    printer = job.release();
    return 0;
}

int startPrintPage(PrinterHandle printer, const char* documentName, int clientWidth, int clientHeight,
                   DrawingSurface*& page) {
    page = nullptr;
    PrintJob* job = toJob(printer);
    if (job == nullptr || clientWidth <= 0 || clientHeight <= 0) return kPrintStartFailed;
    job->printer.setDocName(QString::fromUtf8(documentName != nullptr ? documentName : ""));
    // Beginning the painter starts the document and its first page; a print
    // system may ask the user something on the way.
    const ModalScope modal;
    if (!job->painter.begin(&job->printer)) return kPrintStartFailed;
    const int width = job->printer.width();    // printable area, device pixels
    const int height = job->printer.height();
    if (width <= 0 || height <= 0) {
        job->printer.abort();
        job->painter.end();
        return kPrintStartFailed;
    }
    job->painter.setWindow(0, 0, clientWidth, clientHeight);
    job->painter.setViewport(0, 0, width, height);
    job->surface = std::make_unique<PainterSurface>(job->painter);
    page = job->surface.get();
    return 0;
}

int endPrintPage(PrinterHandle printer) {
    PrintJob* job = toJob(printer);
    if (job == nullptr || !job->painter.isActive()) return kPrintEndFailed;
    job->surface.reset();  // draws what it still holds
    const ModalScope modal;
    const bool ended = job->painter.end();
    if (!ended || job->printer.printerState() == QPrinter::Error) return kPrintEndFailed;
    return 0;
}

void releasePrinter(PrinterHandle printer) {
    PrintJob* job = toJob(printer);
    if (job == nullptr) return;
    if (job->painter.isActive()) {
        // A page still open here was never finished: drop the job.
        job->surface.reset();
        job->printer.abort();
        job->painter.end();
    }
    delete job;
}

}  // namespace platform
