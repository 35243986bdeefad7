// The printer: choosing one and printing one page on it. The Qt
// implementation lives in platform/qt/printer_qt.cpp, a scripted fake in
// tests/fakes/. User-interface thread only. No Qt or POSIX types here.
#pragma once

class DrawingSurface;

namespace platform {

// A chosen printer with its page settings; null: none.
using PrinterHandle = void*;

// Result codes of the printer operations other than 0 (success). They sit
// beside the program's own codes 30002..30005.
inline constexpr int kPrintNoPrinter = 30010;    // no printer that could take the job
inline constexpr int kPrintStartFailed = 30011;  // the document and its page could not be started
inline constexpr int kPrintEndFailed = 30012;    // the page or the document could not be finished
inline constexpr int kPrintCancelled = 30013;    // the user cancelled the printer driver's own question

// Lets the user pick a printer (the print dialog, over the main window), with
// landscape preselected; the orientation the user sets there is kept.
// Returns 0 and a printer; 0 and no printer when the user cancelled;
// or a non-zero code when no usable printer is there (kPrintNoPrinter).
int choosePrinter(PrinterHandle& printer);

// Starts a one-page document named documentName on the printer and hands out
// the page's drawing surface. The surface works in the main window's client
// coordinates: the client area, clientWidth x clientHeight, is mapped onto the
// printable area, each direction scaled on its own, so font heights follow the
// vertical scale. Returns 0 and the surface (valid until endPrintPage), or a
// non-zero code with nothing started: kPrintCancelled when the user cancelled
// what the printer's driver asked on the way (a print-to-file driver's file
// name), a cancel like the print dialog's, not a failure.
int startPrintPage(PrinterHandle printer, const char* documentName, int clientWidth, int clientHeight,
                   DrawingSurface*& page);

// Ends the page and the document and hands the job over. 0, or a non-zero code
// when the job could not be completed.
int endPrintPage(PrinterHandle printer);

// Gives the printer back; null is allowed.
void releasePrinter(PrinterHandle printer);

}  // namespace platform
