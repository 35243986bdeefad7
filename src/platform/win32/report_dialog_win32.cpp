// The load report dialog of vantreldaq.exe, built in code: the options in a
// row at the top, the report page drawn through the GDI surface (at its
// design size, double-buffered) and Print…, Save…, Close below. The rules
// (what the options mean, where they are kept, the figures, printing, the
// HTML file and their messages) are the core's (report/report_window.h);
// the same content as the Qt dialog.
// clang-format off: windows.h must come first
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include <algorithm>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/dialogs_win32.h"
#include "platform/win32/gdi_surface.h"
#include "platform/win32/text_win32.h"
#include "report/report_window.h"
#include "shell/modal_scope.h"
#include "shell/ui_texts.h"

namespace platform::win32 {

namespace {

constexpr int kMargin = 10;
constexpr int kPageTop = 64;  // client y of the page's top edge
constexpr int kClientWidth = kReportPageWidth + 2 * kMargin;
constexpr int kClientHeight = kPageTop + kReportPageHeight + 44;

struct ReportDialog {
    UserPrefs prefs;
    ReportLook look;
    LoadReport report;
    HWND problem = nullptr;
    bool ready = false;  // EN_CHANGE while the fields are filled is no edit
};

std::wstring ui(UiText key) { return widen(uiText(key)); }

HWND control(HWND dialog, const wchar_t* cls, const std::wstring& text, DWORD style, int x, int y, int w,
             int h, int id) {
    HWND c = CreateWindowExW(cls == std::wstring(L"EDIT") ? WS_EX_CLIENTEDGE : 0, cls, text.c_str(),
                             WS_CHILD | WS_VISIBLE | style, x, y, w, h, dialog,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                             nullptr);
    SendMessageW(c, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
    return c;
}

std::string fieldText(HWND dialog, int id) {
    wchar_t buffer[256] = {};
    const int n = GetDlgItemTextW(dialog, id, buffer, 256);
    return narrow(buffer, n);
}

void build(HWND dialog, ReportDialog& d) {
    int x = kMargin;
    const auto labelled = [&](UiText label, int labelWidth, const wchar_t* cls, const std::wstring& text,
                              DWORD style, int width, int height, int id) {
        control(dialog, L"STATIC", ui(label), SS_RIGHT, x, 13, labelWidth, 16, id + 100);
        x += labelWidth + 4;
        control(dialog, cls, text, style | WS_TABSTOP, x, 10, width, height, id);
        x += width + 14;
    };
    labelled(UiText::ReportThresholds, 96, L"EDIT", widen(formatReportLevels(d.prefs.reportThresholds)),
             ES_AUTOHSCROLL, 130, 22, kReportIdThresholds);
    labelled(UiText::ReportDemand, 100, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 80, 200,
             kReportIdDemand);
    labelled(UiText::ReportRatedKw, 118, L"EDIT", widen(formatReportKw(d.prefs.reportRatedKw, d.look.german)),
             ES_AUTOHSCROLL, 70, 22, kReportIdRatedKw);
    HWND demand = GetDlgItem(dialog, kReportIdDemand);
    const int minutes = reportOptionsFromPrefs(d.prefs).demandMinutes;
    for (const int m : kDemandMinutes) {
        const auto at = SendMessageW(demand, CB_ADDSTRING, 0,
                                     reinterpret_cast<LPARAM>((std::to_wstring(m) + L" min").c_str()));
        SendMessageW(demand, CB_SETITEMDATA, static_cast<WPARAM>(at), m);
        if (m == minutes) SendMessageW(demand, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    }
    control(dialog, L"BUTTON", ui(UiText::ReportWhole), BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, kMargin,
            40, 170, 18, kReportIdWhole);
    control(dialog, L"BUTTON", ui(UiText::ReportShown), BS_AUTORADIOBUTTON, kMargin + 176, 40, 220, 18,
            kReportIdShown);
    CheckRadioButton(dialog, kReportIdWhole, kReportIdShown,
                     d.prefs.reportShownOnly ? kReportIdShown : kReportIdWhole);
    d.problem = control(dialog, L"STATIC", L"", SS_LEFT | WS_GROUP, kMargin + 410, 41,
                        kClientWidth - 420 - kMargin, 18, kReportIdProblem);

    const int buttons = kPageTop + kReportPageHeight + 10;
    control(dialog, L"BUTTON", ui(UiText::ReportPrint), BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, kMargin,
            buttons, 90, 26, kReportIdPrint);
    control(dialog, L"BUTTON", ui(UiText::ReportSave), BS_PUSHBUTTON | WS_TABSTOP, kMargin + 96, buttons, 90,
            26, kReportIdSave);
    control(dialog, L"BUTTON", ui(UiText::ReportClose), BS_DEFPUSHBUTTON | WS_TABSTOP,
            kClientWidth - kMargin - 90, buttons, 90, 26, IDCANCEL);
    SendMessageW(dialog, DM_SETDEFID, IDCANCEL, 0);
}

// Every valid change redraws the page at once; a text that cannot be used
// is named beside the scope and the page keeps the last figures.
void optionsEdited(HWND dialog, ReportDialog& d) {
    if (!d.ready) return;
    std::vector<int> levels;
    double kw = 0;
    std::wstring problem;
    if (!parseReportLevels(fieldText(dialog, kReportIdThresholds), levels))
        problem = ui(UiText::ReportLevelsInvalid);
    else if (!parseReportKw(fieldText(dialog, kReportIdRatedKw), kw))
        problem = ui(UiText::ReportKwInvalid);
    SetWindowTextW(d.problem, problem.c_str());
    if (!problem.empty()) return;
    d.prefs.reportThresholds = levels;
    d.prefs.reportRatedKw = kw;
    HWND demand = GetDlgItem(dialog, kReportIdDemand);
    const auto at = SendMessageW(demand, CB_GETCURSEL, 0, 0);
    if (at >= 0)
        d.prefs.reportDemandMinutes =
            static_cast<int>(SendMessageW(demand, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
    d.prefs.reportShownOnly = IsDlgButtonChecked(dialog, kReportIdShown) == BST_CHECKED;
    d.look = windowReportLook(d.prefs);
    computeWindowReport(d.prefs, d.report);
    const RECT page{kMargin, kPageTop, kMargin + kReportPageWidth, kPageTop + kReportPageHeight};
    InvalidateRect(dialog, &page, FALSE);
}

void paintPage(HWND dialog, const ReportDialog& d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, kReportPageWidth, kReportPageHeight);
    if (mem != nullptr && bitmap != nullptr) {
        HGDIOBJ old = SelectObject(mem, bitmap);
        const RECT all{0, 0, kReportPageWidth, kReportPageHeight};
        FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        {
            GdiSurface surface(mem);
            drawReportPage(surface, d.report, {0, 0, kReportPageWidth, kReportPageHeight}, d.look);
        }
        BitBlt(dc, kMargin, kPageTop, kReportPageWidth, kReportPageHeight, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (mem != nullptr) DeleteDC(mem);
    EndPaint(dialog, &ps);
}

INT_PTR CALLBACK reportDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<ReportDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG: {
            d = reinterpret_cast<ReportDialog*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            SetWindowTextW(dialog, widen(reportTitle(d->look)).c_str());
            RECT frame{0, 0, kClientWidth, kClientHeight};
            AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                               static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
            const int w = frame.right - frame.left, h = frame.bottom - frame.top;
            RECT owner{};
            HWND parent = GetWindow(dialog, GW_OWNER);
            if (parent == nullptr || !GetWindowRect(parent, &owner))
                SystemParametersInfoW(SPI_GETWORKAREA, 0, &owner, 0);
            SetWindowPos(dialog, nullptr, std::max(0L, (owner.left + owner.right - w) / 2),
                         std::max(0L, (owner.top + owner.bottom - h) / 2), w, h, SWP_NOZORDER);
            build(dialog, *d);
            d->ready = true;
            SetFocus(GetDlgItem(dialog, kReportIdThresholds));
            return FALSE;  // the focus is set
        }
        case WM_PAINT:
            if (d == nullptr) return FALSE;
            paintPage(dialog, *d);
            return TRUE;
        case WM_CTLCOLORSTATIC:
            if (d != nullptr && reinterpret_cast<HWND>(lParam) == d->problem) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, RGB(176, 0, 0));
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
            }
            return FALSE;
        case WM_COMMAND: {
            if (d == nullptr) return FALSE;
            const int id = LOWORD(wParam), code = HIWORD(wParam);
            switch (id) {
                case kReportIdThresholds:
                case kReportIdRatedKw:
                    if (code == EN_CHANGE) optionsEdited(dialog, *d);
                    return TRUE;
                case kReportIdDemand:
                    if (code == CBN_SELCHANGE) optionsEdited(dialog, *d);
                    return TRUE;
                case kReportIdWhole:
                case kReportIdShown:
                    if (code == BN_CLICKED) optionsEdited(dialog, *d);
                    return TRUE;
                case kReportIdPrint:
                    printLoadReport(d->report, d->look);
                    return TRUE;
                case kReportIdSave:
                    commandSaveLoadReport(d->report, d->look);
                    return TRUE;
                case IDOK:
                case IDCANCEL:
                    // The options are kept in the preferences file when the dialog closes.
                    keepReportOptions(d->prefs);
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                default:
                    return FALSE;
            }
        }
        default:
            return FALSE;
    }
}

}  // namespace

void runLoadReportDialogOver(HWND owner) {
    if (!loadReportAvailable()) return;
    auto d = std::make_unique<ReportDialog>();
    d->prefs = loadUserPrefs();
    d->look = windowReportLook(d->prefs);
    computeWindowReport(d->prefs, d->report);

    // An empty template (no controls; they are made in WM_INITDIALOG) in the
    // dialog font; the size is set in pixels once the dialog exists.
    std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* head = reinterpret_cast<DLGTEMPLATE*>(t.data());
    head->style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    head->cx = 400;
    head->cy = 300;
    t.push_back(0);  // no menu
    t.push_back(0);  // the standard dialog class
    t.push_back(0);  // title set later
    t.push_back(8);  // point size
    for (const wchar_t* f = L"MS Shell Dlg"; *f != L'\0'; ++f) t.push_back(static_cast<WORD>(*f));
    t.push_back(0);
    t.resize(t.size() + 2, 0);  // DWORD alignment is not needed with no items; a little slack
    initDialogControls();
    const ModalScope modal;
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(t.data()), owner,
                            reportDialogProc, reinterpret_cast<LPARAM>(d.get()));
}

}  // namespace platform::win32
