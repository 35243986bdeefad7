// Qt side of the printer layer: how choosePrinter finds its printer. The
// program always asks the user; tests and the spooler check choose a printer
// without a dialog.
#pragma once

#include <QString>

enum class PrinterChoice {
    Dialog,          // the print dialog over the main window (the program)
    DefaultPrinter,  // the system's default printer, no dialog
    PdfFile,         // a PDF file at the given path, no dialog
};

// Sets how the next choosePrinter calls find their printer; pdfPath is used
// with PrinterChoice::PdfFile.
void qtSetPrinterChoice(PrinterChoice choice, const QString& pdfPath = QString());
