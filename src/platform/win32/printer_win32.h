// Win32 side of the printer layer (platform/printer.h): a page on a device
// context the caller owns, for tests that look at the printed page's pixels
// without a print spooler.
#pragma once

#include <windows.h>

#include "platform/printer.h"

namespace platform::win32 {

// A printer handle over dc, whose printable area is pageWidth x pageHeight
// device pixels. startPrintPage and endPrintPage draw on dc with the page's
// mapping but start and end no document; releasePrinter leaves dc alone.
PrinterHandle printerOnDeviceContext(HDC dc, int pageWidth, int pageHeight);

}  // namespace platform::win32
