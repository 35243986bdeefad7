// Printing over the Win32 API: the page setup dialog (which carries the
// "Printer..." choice), a printer device context made from what the dialog
// returns, and one page whose logical units are the main window's client
// pixels stretched over the printable area.
#include "platform/win32/printer_win32.h"

#include <windows.h>
#include <commdlg.h>
#include <winspool.h>

#include <memory>
#include <string>

#include "platform/printer.h"
#include "platform/win32/gdi_surface.h"
#include "platform/win32/main_window_win32.h"
#include "platform/win32/text_win32.h"
#include "shell/modal_scope.h"

namespace {

struct PrintJob {
    HDC dc = nullptr;
    bool spooled = true;    // false: a caller's own device context, no document calls
    int pageWidth = 0;      // printable area of a caller's device context
    int pageHeight = 0;
    bool documentOpen = false;
    int savedState = 0;     // SaveDC's level before the page's mapping
    std::unique_ptr<platform::win32::GdiSurface> surface;
};

PrintJob* toJob(platform::PrinterHandle printer) { return static_cast<PrintJob*>(printer); }

void freeBlock(HGLOBAL& block) {
    if (block != nullptr) GlobalFree(block);
    block = nullptr;
}

// Whether any printer, local or connected, is installed. Without one the page
// setup dialog has nothing to offer.
bool anyPrinter() {
    DWORD needed = 0;
    DWORD count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
    return needed > 0;
}

// Turns the device mode the dialog starts from to landscape; the user may
// turn it back there, and what the dialog returns is what prints.
void preselectLandscape(HGLOBAL devMode) {
    auto* mode = static_cast<DEVMODEW*>(devMode != nullptr ? GlobalLock(devMode) : nullptr);
    if (mode == nullptr) return;
    mode->dmOrientation = DMORIENT_LANDSCAPE;
    mode->dmFields |= DM_ORIENTATION;
    GlobalUnlock(devMode);
}

// A printer device context for the device named in the dialog's device names
// block, with its device mode; null when either block cannot be read.
HDC createPrinterDc(HGLOBAL devNames, HGLOBAL devMode) {
    auto* names = static_cast<const DEVNAMES*>(devNames != nullptr ? GlobalLock(devNames) : nullptr);
    if (names == nullptr) return nullptr;
    // The offsets count characters from the block's start.
    const auto* text = reinterpret_cast<const wchar_t*>(names);
    const std::wstring driver = text + names->wDriverOffset;
    const std::wstring device = text + names->wDeviceOffset;
    GlobalUnlock(devNames);
    auto* mode = static_cast<const DEVMODEW*>(devMode != nullptr ? GlobalLock(devMode) : nullptr);
    const HDC dc = CreateDCW(driver.empty() ? nullptr : driver.c_str(), device.c_str(), nullptr, mode);
    if (mode != nullptr) GlobalUnlock(devMode);
    return dc;
}

// The errors with which a document's start reports that the user said Cancel
// (the spooler's file-name question says ERROR_CANCELLED; some drivers the
// print-specific code).
bool isCancel(DWORD error) { return error == ERROR_CANCELLED || error == ERROR_PRINT_CANCELLED; }

}  // namespace

namespace platform::win32 {

PrinterHandle printerOnDeviceContext(HDC dc, int pageWidth, int pageHeight) {
    auto job = std::make_unique<PrintJob>();
    job->dc = dc;
    job->spooled = false;
    job->pageWidth = pageWidth;
    job->pageHeight = pageHeight;
    return job.release();
}

}  // namespace platform::win32

namespace platform {

int choosePrinter(PrinterHandle& printer) {
    printer = nullptr;
    // Asked first: without a printer even the default query stops at a
    // warning box under Wine.
    if (!anyPrinter()) return kPrintNoPrinter;
    PAGESETUPDLGW setup{};
    setup.lStructSize = sizeof setup;
    setup.hwndOwner = win32::mainWindowHandle();
    // The default printer's settings, turned to landscape, are where the
    // dialog starts. With no default there are still printers to pick.
    setup.Flags = PSD_RETURNDEFAULT | PSD_NOWARNING;
    if (PageSetupDlgW(&setup)) {
        preselectLandscape(setup.hDevMode);
    } else {
        freeBlock(setup.hDevMode);
        freeBlock(setup.hDevNames);
    }
    setup.Flags = PSD_NONETWORKBUTTON;
    BOOL chosen = FALSE;
    {
        const ModalScope modal;
        chosen = PageSetupDlgW(&setup);
    }
    if (!chosen) {
        const DWORD error = CommDlgExtendedError();
        freeBlock(setup.hDevMode);
        freeBlock(setup.hDevNames);
        return error == 0 ? 0 : kPrintNoPrinter;  // 0: the user cancelled
    }
    const HDC dc = createPrinterDc(setup.hDevNames, setup.hDevMode);
    freeBlock(setup.hDevMode);
    freeBlock(setup.hDevNames);
    // The user chose a printer and confirmed: one that cannot be opened is a
    // failure to report, not a cancel.
    if (dc == nullptr) return kPrintNoPrinter;
    auto job = std::make_unique<PrintJob>();
    job->dc = dc;
    printer = job.release();
    return 0;
}

int startPrintPage(PrinterHandle printer, const char* documentName, int clientWidth, int clientHeight,
                   DrawingSurface*& page) {
    page = nullptr;
    PrintJob* job = toJob(printer);
    if (job == nullptr || job->dc == nullptr || job->surface != nullptr || clientWidth <= 0 || clientHeight <= 0)
        return kPrintStartFailed;
    int width = job->pageWidth;
    int height = job->pageHeight;
    if (job->spooled) {
        const std::wstring name = win32::widen(documentName != nullptr ? documentName : "");
        DOCINFOW doc{};
        doc.cbSize = sizeof doc;
        doc.lpszDocName = name.c_str();
        int started = 0;
        DWORD error = 0;
        {
            // A printer driver may ask here: a print-to-PDF or XPS driver for
            // the file's name, whose Cancel fails the call with ERROR_CANCELLED.
            const ModalScope modal;
            SetLastError(0);
            started = StartDocW(job->dc, &doc);
            error = GetLastError();
        }
        if (started <= 0) return isCancel(error) ? kPrintCancelled : kPrintStartFailed;
        job->documentOpen = true;
        if (StartPage(job->dc) <= 0) {
            AbortDoc(job->dc);
            job->documentOpen = false;
            return kPrintStartFailed;
        }
        width = GetDeviceCaps(job->dc, HORZRES);  // printable area, device pixels
        height = GetDeviceCaps(job->dc, VERTRES);
    }
    if (width <= 0 || height <= 0) {
        if (job->documentOpen) AbortDoc(job->dc);
        job->documentOpen = false;
        return kPrintStartFailed;
    }
    // Each direction scaled on its own: fonts, given in logical units, take
    // the vertical factor, pens of width 1 the horizontal one.
    job->savedState = SaveDC(job->dc);
    SetMapMode(job->dc, MM_ANISOTROPIC);
    SetWindowExtEx(job->dc, clientWidth, clientHeight, nullptr);
    SetViewportExtEx(job->dc, width, height, nullptr);
    SetViewportOrgEx(job->dc, 0, 0, nullptr);
    job->surface = std::make_unique<win32::GdiSurface>(job->dc);
    page = job->surface.get();
    return 0;
}

int endPrintPage(PrinterHandle printer) {
    PrintJob* job = toJob(printer);
    if (job == nullptr || job->surface == nullptr) return kPrintEndFailed;
    job->surface.reset();
    RestoreDC(job->dc, job->savedState);
    if (!job->spooled) {
        GdiFlush();
        return 0;
    }
    const ModalScope modal;  // the driver may show its own progress or questions
    if (EndPage(job->dc) <= 0) {
        // A page that did not end cannot make a document: drop it.
        AbortDoc(job->dc);
        job->documentOpen = false;
        return kPrintEndFailed;
    }
    job->documentOpen = false;
    return EndDoc(job->dc) > 0 ? 0 : kPrintEndFailed;
}

void releasePrinter(PrinterHandle printer) {
    PrintJob* job = toJob(printer);
    if (job == nullptr) return;
    if (job->surface != nullptr) {
        // A page still open here was never finished: drop the job.
        job->surface.reset();
        RestoreDC(job->dc, job->savedState);
    }
    if (job->spooled) {
        if (job->documentOpen) AbortDoc(job->dc);
        DeleteDC(job->dc);
    }
    delete job;
}

}  // namespace platform
