#include "report/report_html.h"

#include <cerrno>
#include <cstdio>

#include "chart/svg_surface.h"
#include "recording/replace_file.h"
#include "report/report_texts.h"

namespace {

constexpr const char* kStyle =
    "body{font-family:'DejaVu Sans',Verdana,Arial,sans-serif;font-size:14px;margin:24px;color:#000;"
    "background:#fff}\n"
    "h1{font-size:22px;margin:0 0 4px}\n"
    "p.span{margin:0 0 16px}\n"
    "table{border-collapse:collapse;margin:0 0 20px}\n"
    "th,td{padding:2px 12px 2px 0;text-align:left;vertical-align:top}\n"
    "thead th{border-bottom:1px solid #000}\n"
    ".n{text-align:right}\n"
    "svg{display:block;margin:0 0 20px}\n";

// One table; numeric[c] right-aligns column c.
void table(std::string& o, const ReportTable& rows, const std::vector<bool>& numeric) {
    if (rows.empty()) return;
    const auto cell = [&](const char* tag, std::size_t c, const std::string& text) {
        o += '<';
        o += tag;
        if (c < numeric.size() && numeric[c]) o += " class=\"n\"";
        o += '>';
        o += xmlEscaped(text);
        o += "</";
        o += tag;
        o += '>';
    };
    o += "<table>\n<thead><tr>";
    for (std::size_t c = 0; c < rows[0].size(); ++c) cell("th", c, rows[0][c]);
    o += "</tr></thead>\n<tbody>\n";
    for (std::size_t i = 1; i < rows.size(); ++i) {
        o += "<tr>";
        for (std::size_t c = 0; c < rows[i].size(); ++c) cell("td", c, rows[i][c]);
        o += "</tr>\n";
    }
    o += "</tbody>\n</table>\n";
}

}  // namespace

std::string reportHtml(const LoadReport& r, const ReportLook& look) {
    const std::string title = reportTitle(look);
    std::string o;
    o.reserve(64 * 1024 + r.days.size() * 128);
    o += "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"";
    o += look.german ? "de" : "en";
    o += "\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>" + xmlEscaped(title) + "</title>\n<style>\n";
    o += kStyle;
    o += "</style>\n</head>\n<body>\n<h1>" + xmlEscaped(title) + "</h1>\n";
    o += "<p class=\"span\">" + xmlEscaped(reportSubtitle(r, look)) + "</p>\n";

    o += "<table>\n<tbody>\n";
    for (const ReportRow& row : reportFigureRows(r, look))
        o += "<tr><th>" + xmlEscaped(row.label) + "</th><td>" + xmlEscaped(row.value) + "</td></tr>\n";
    o += "</tbody>\n</table>\n";
    table(o, reportThresholdTable(r, look), {true, true, true, true, true, false});

    const ReportRect plot{0, 0, kReportHtmlPlotWidth, kReportHtmlPlotHeight};
    SvgSurface curve(plot.width(), plot.height());
    drawLoadDurationCurve(curve, r, plot, look);
    o += curve.finish() + "\n";
    SvgSurface bars(plot.width(), plot.height());
    drawDemandBars(bars, r, plot, look);
    o += bars.finish() + "\n";

    table(o, reportDayTable(r, look), {false, true, true, true});
    o += "</body>\n</html>\n";
    return o;
}

int writeReportHtml(const std::string& utf8Path, const LoadReport& r, const ReportLook& look) {
    const std::string text = reportHtml(r, look);
    ReplaceFile out;
    int rc = replaceFileOpen(out, utf8Path, ".~");
    if (rc != 0) return rc;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), out.file) != text.size()) rc = errno != 0 ? errno : EIO;
    if (rc == 0) rc = replaceFileFinish(out);
    if (rc == 0) rc = replaceFileInstall(out);
    if (rc != 0) replaceFileDiscard(out);
    return rc;
}
