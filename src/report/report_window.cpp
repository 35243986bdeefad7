#include "report/report_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/dialogs.h"
#include "platform/printer.h"
#include "platform/window.h"
#include "recording/store.h"
#include "report/report_html.h"
#include "shell/app_state.h"
#include "shell/messages.h"
#include "shell/ui_texts.h"
#include "shell/file_places.h"

namespace {

constexpr MessageId kCaptionError = 43;    // "Error:"
constexpr MessageId kMsgNoPrinter = 79;    // "Unable to open printer"
constexpr MessageId kMsgPrintFailed = 83;  // "Error printing..."

bool separator(char c) { return c == ',' || c == ';' || c == ' ' || c == '\t'; }

}  // namespace

bool parseReportLevels(const std::string& text, std::vector<int>& levels) {
    std::vector<int> out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (separator(text[i])) {
            ++i;
            continue;
        }
        int level = 0;
        std::size_t digits = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
            level = level * 10 + (text[i] - '0');
            if (level > 254) return false;
        }
        if (digits == 0 || level < 1) return false;  // a sign, a letter, "0"
        out.push_back(level);
    }
    if (out.empty() || out.size() > static_cast<std::size_t>(kMaxDialogThresholds)) return false;
    levels = out;
    return true;
}

std::string formatReportLevels(const std::vector<int>& levels) {
    std::string text;
    for (const int level : levels) text += (text.empty() ? "" : ", ") + std::to_string(level);
    return text;
}

bool parseReportKw(const std::string& text, double& kw) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        kw = 0;
        return true;
    }
    const std::string t = text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (t.size() > 20) return false;
    std::uint64_t whole = 0, fraction = 0, scale = 1;
    bool point = false, digits = false;
    for (const char c : t) {
        if (c >= '0' && c <= '9') {
            digits = true;
            if (point) {
                if (scale < 1000000)
                    fraction = fraction * 10 + static_cast<std::uint64_t>(c - '0'), scale *= 10;
            } else {
                whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
                if (whole > 1000000) return false;
            }
        } else if ((c == '.' || c == ',') && !point) {
            point = true;
        } else {
            return false;
        }
    }
    const double value =
        static_cast<double>(whole) + static_cast<double>(fraction) / static_cast<double>(scale);
    if (!digits || !(value > 0) || value > 1e6) return false;
    kw = value;
    return true;
}

std::string formatReportKw(double kw, bool german) {
    if (!(kw > 0)) return {};
    char text[40];
    std::snprintf(text, sizeof text, "%.3f", kw);  // digits and '.', whatever the C locale says
    std::string s = text;
    for (char& c : s)
        if (c == ',') c = '.';
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (german) std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

ReportOptions reportOptionsFromPrefs(const UserPrefs& prefs) {
    ReportOptions o;
    std::vector<std::uint8_t> levels;
    for (const int level : prefs.reportThresholds)
        if (level >= 1 && level <= 254) levels.push_back(static_cast<std::uint8_t>(level));
    if (!levels.empty() && levels.size() <= static_cast<std::size_t>(kMaxDialogThresholds))
        o.thresholds = levels;
    if (std::find(kDemandMinutes.begin(), kDemandMinutes.end(), prefs.reportDemandMinutes) !=
        kDemandMinutes.end())
        o.demandMinutes = prefs.reportDemandMinutes;
    if (prefs.reportRatedKw > 0 && prefs.reportRatedKw <= 1e6) o.ratedKw = prefs.reportRatedKw;
    return o;
}

ReportLook windowReportLook(const UserPrefs& prefs) {
    return {effectiveLanguage() == German, prefs.reportShownOnly};
}

bool loadReportAvailable() { return gApp.dataPresent != 0 && gHeader.recordCount > 0 && !transferRunning(); }

void commandLoadReport() {
    if (loadReportAvailable()) platform::runLoadReportDialog();
}

bool computeWindowReport(const UserPrefs& prefs, LoadReport& out) {
    out = LoadReport{};
    if (gApp.dataPresent == 0 || gHeader.recordCount == 0) return false;
    std::uint32_t first = 0, last = gHeader.recordCount - 1;
    if (prefs.reportShownOnly && gApp.mainLast >= 0) {
        first = std::min(gApp.mainStart, last);
        last = std::clamp(static_cast<std::uint32_t>(gApp.mainLast), first, last);
    }
    computeLoadReport(first, last, reportOptionsFromPrefs(prefs), out);
    return true;
}

int printLoadReport(const LoadReport& r, const ReportLook& look) {
    platform::PrinterHandle printer = nullptr;
    int rc = platform::choosePrinter(printer);
    if (rc != 0) {
        showMessage(kMsgNoPrinter, kCaptionError, 0);
        platform::releasePrinter(printer);
        return rc;
    }
    if (printer == nullptr) return 0;  // cancelled
    DrawingSurface* page = nullptr;
    rc = platform::startPrintPage(printer, reportTitle(look).c_str(), kReportPageWidth, kReportPageHeight,
                                  page);
    if (rc == 0 && page == nullptr) rc = platform::kPrintStartFailed;
    if (rc == 0) {
        drawReportPage(*page, r, {0, 0, kReportPageWidth, kReportPageHeight}, look);
        rc = platform::endPrintPage(printer);
    }
    if (rc != 0) showMessage(kMsgPrintFailed, kCaptionError, rc);
    platform::releasePrinter(printer);
    return rc;
}

int saveLoadReport(const std::string& utf8Path, const LoadReport& r, const ReportLook& look) {
    const int rc = writeReportHtml(utf8Path, r, look);
    if (rc != 0) {
        const std::string reason = std::string(std::strerror(rc)) + " (" + std::to_string(rc) + ")";
        const std::string text =
            formatText(uiText(UiText::ReportSaveFailed), utf8Path.c_str(), reason.c_str());
        platform::messageBox(text.c_str(), messageTextPtr(kCaptionError), platform::MessageIcon::Error);
    }
    return rc;
}

void commandSaveLoadReport(const LoadReport& r, const ReportLook& look) {
    std::string path = fileDialogStart(FileKind::Picture, "html");
    if (!platform::saveFileDialog(uiText(UiText::HtmlFilter), "html", path)) return;
    rememberFileFolder(FileKind::Picture, path);
    (void)saveLoadReport(path, r, look);
}

void keepReportOptions(const UserPrefs& chosen) {
    UserPrefs prefs = loadUserPrefs();
    prefs.reportThresholds = chosen.reportThresholds;
    prefs.reportDemandMinutes = chosen.reportDemandMinutes;
    prefs.reportRatedKw = chosen.reportRatedKw;
    prefs.reportShownOnly = chosen.reportShownOnly;
    // Options that cannot be kept hold for this run; not worth a message.
    (void)saveUserPrefs(prefs);
}
