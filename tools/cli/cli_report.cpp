// vantreldaq-cli report: the load report of a recording file, as a readable
// summary or as JSON for scripts. The figures and both texts come from the
// core (src/report); this file only reads the arguments and the file.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli.h"
#include "recording/store.h"
#include "report/load_report.h"
#include "report/report_format.h"
#include "report/report_html.h"
#include "shell/app_state.h"
#include "shell/messages.h"

namespace cli {

namespace {

const char kReportHelp[] =
    "Usage: vantreldaq-cli report FILE.udd [--threshold P]... [--demand MIN]\n"
    "                                      [--rated-kw X] [--json] [--html OUT.html]\n"
    "                                      [--lang en|de]\n"
    "\n"
    "The load report of a recording: records, readings, markers and gaps; start,\n"
    "end and duration; maximum and minimum (with the first time each occurs),\n"
    "mean and the percentiles p50, p95, p99 (nearest rank); for each threshold\n"
    "the time and share of the readings at or above it, its episodes (runs of\n"
    "consecutive readings at or above it; a marker or gap ends a run) and the\n"
    "longest; the demand (mean of the readings) per clock interval and its\n"
    "highest value; day by day the readings, maximum and mean; the energy.\n"
    "Readings are the values 0..254 other than the markers 201 and 202 and the\n"
    "gap 255, in percent of rated power. Times are the records' own stamps;\n"
    "durations are record counts times the sample time.\n"
    "\n"
    "  --threshold P   a level in percent, 1..254; give it again for more levels\n"
    "                  (default: 80 and 100)\n"
    "  --demand MIN    demand interval in minutes: 1, 5, 10, 15, 30 or 60\n"
    "                  (default 15). Intervals start on the clock (hh:00, hh:15,\n"
    "                  ...). The highest demand is taken over the whole intervals:\n"
    "                  those the recording covers from their start to their last\n"
    "                  sample; when none is whole, over the partial ones (JSON:\n"
    "                  max_demand_partial true)\n"
    "  --rated-kw X    rated power in kW (e.g. 55 or 7.5): adds the energy in kWh\n"
    "  --json          one JSON object instead of the summary, for scripts\n"
    "  --html OUT.html also writes the report page as one HTML file: the figures\n"
    "                  as tables, the load-duration curve and the demand per\n"
    "                  interval as inline SVG; no scripts, no other files. The\n"
    "                  same bytes as the window's Save... of the whole recording\n"
    "                  in the same language. Written beside OUT.html and renamed\n"
    "                  into place when complete\n"
    "  --lang en|de    language and number format of the summary and the HTML\n"
    "                  file (default en)\n"
    "\n"
    "Exit codes: 0 success; 1 bad arguments; 2 a file it cannot read or refuses\n"
    "(cut header, record count 0 or above 1048576, sample time 0, fewer records\n"
    "than the header counts), or an HTML file it cannot write.\n";

int reportUsage(const std::string& what) {
    complain("report: %s (see vantreldaq-cli report --help)", what.c_str());
    return ExitUser;
}

// A positive decimal number with '.' or ',' before at most a few decimals;
// never through the C locale.
bool parseKw(const std::string& text, double& out) {
    if (text.empty() || text.size() > 20) return false;
    double value = 0.0;
    double scale = 0.0;  // 0 before the decimal point
    bool digits = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digits = true;
            if (scale == 0.0) {
                value = value * 10 + (c - '0');
            } else {
                value += (c - '0') * scale;
                scale /= 10;
            }
        } else if ((c == '.' || c == ',') && scale == 0.0) {
            scale = 0.1;
        } else {
            return false;
        }
    }
    if (!digits || !(value > 0.0) || value > 1e6) return false;
    out = value;
    return true;
}

}  // namespace

int commandReport(int argc, char** argv) {
    const ParsedArgs args = parseArgs(argc, argv, 1,
                                      {{"--threshold", nullptr, true},
                                       {"--demand", nullptr, true},
                                       {"--rated-kw", nullptr, true},
                                       {"--json", nullptr, false},
                                       {"--html", nullptr, true},
                                       {"--lang", nullptr, true}});
    if (args.help) {
        emit(stdout, kReportHelp);
        return finishStdout();
    }
    if (!args.error.empty()) return reportUsage(args.error);
    if (args.positional.size() != 1)
        return reportUsage(args.positional.empty() ? "which recording file?"
                                                   : "one recording file at a time");
    const std::string path = args.positional[0];

    ReportOptions options;
    if (args.has("--threshold")) {
        options.thresholds.clear();
        for (const auto& [name, value] : args.options) {
            if (name != "--threshold") continue;
            std::uint64_t level = 0;
            if (!parseUnsigned(value, 254, level) || level == 0)
                return reportUsage("--threshold needs a level of 1..254 percent, not \"" + value + "\"");
            options.thresholds.push_back(static_cast<std::uint8_t>(level));
        }
    }
    if (args.has("--demand")) {
        std::uint64_t minutes = 0;
        const std::string value = args.value("--demand");
        if (!parseUnsigned(value, 60, minutes)) minutes = 0;
        options.demandMinutes = static_cast<int>(minutes);
        if (!reportOptionsValid(ReportOptions{{80}, options.demandMinutes, 0.0}))
            return reportUsage("--demand needs 1, 5, 10, 15, 30 or 60 minutes, not \"" + value + "\"");
    }
    if (args.has("--rated-kw") && !parseKw(args.value("--rated-kw"), options.ratedKw))
        return reportUsage("--rated-kw needs a power in kW above 0 and up to 1000000, not \"" +
                           args.value("--rated-kw") + "\"");
    if (!reportOptionsValid(options))
        return reportUsage("at most " + std::to_string(kMaxReportThresholds) + " different thresholds");
    std::uint16_t language = English;
    if (args.has("--lang") && !parseLanguage(args.value("--lang"), language))
        return reportUsage("--lang needs en or de, not \"" + args.value("--lang") + "\"");
    gSettings.language = language;

    // The same checks and messages as info; a file that cannot be reported on
    // is told apart from a mistake in the arguments.
    if (loadForCommand(path) != ExitOk) return ExitFailure;

    LoadReport report;
    computeLoadReport(0, gHeader.recordCount - 1, options, report);
    if (args.has("--html")) {
        const std::string out = args.value("--html");
        const int rc = writeReportHtml(out, report, ReportLook{language == German, false});
        if (rc != 0) {
            complain("report: cannot write %s: %s", out.c_str(), std::strerror(rc));
            return ExitFailure;
        }
    }
    const std::string text =
        args.has("--json") ? reportJson(report) : reportSummary(report, path, language == German);
    emit(stdout, text);
    return finishStdout();
}

}  // namespace cli
