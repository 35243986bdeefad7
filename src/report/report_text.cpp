#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "report/report_format.h"
#include "report/report_texts.h"

namespace {

constexpr ReportTexts kEnglish = {
    "Load report",
    "Records",
    "readings",
    "markers",
    "gaps",
    "Sample time",
    "Start",
    "End",
    "Duration",
    "Maximum",
    "Minimum",
    "at",
    "Mean",
    "p50 / p95 / p99",
    "Energy",
    "rated",
    "Demand",
    "from",
    "intervals",
    "whole",
    "no interval is whole; highest partial one",
    "No readings: the records are markers and gaps only.",
    "Threshold",
    "Time",
    "Share",
    "Episodes",
    "Longest",
    "Day",
    "Readings",
    "Max",
    "Mean",
    "Intervals",
    "Markers",
    "Gaps",
    "Load-duration curve",
    "share of time",
    "Demand per interval",
    "No readings",
    "… and %s more",
    "Whole recording",
    "Shown part: records %s to %s",
};

constexpr ReportTexts kGerman = {
    "Lastbericht",
    "Datensätze",
    "Messwerte",
    "Marken",
    "Lücken",
    "Abtastzeit",
    "Beginn",
    "Ende",
    "Dauer",
    "Höchstwert",
    "Tiefstwert",
    "am",
    "Mittelwert",
    "p50 / p95 / p99",
    "Energie",
    "Nennleistung",
    "Lastspitze",
    "ab",
    "Intervalle",
    "vollständig",
    "kein Intervall ist vollständig; höchstes Teilintervall",
    "Keine Messwerte: die Datensätze sind nur Marken und Lücken.",
    "Schwelle",
    "Zeit",
    "Anteil",
    "Episoden",
    "Längste",
    "Tag",
    "Messwerte",
    "Max",
    "Mittel",
    "Intervalle",
    "Marken",
    "Lücken",
    "Lastdauerlinie",
    "Anteil der Zeit",
    "Mittlere Last je Intervall",
    "Keine Messwerte",
    "… und %s weitere",
    "Ganze Aufzeichnung",
    "Angezeigter Teil: Datensätze %s bis %s",
};

// Display width of UTF-8 text: one column per character.
std::size_t columns(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string padRight(const std::string& s, std::size_t width) {
    const std::size_t w = columns(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}

std::string padLeft(const std::string& s, std::size_t width) {
    const std::size_t w = columns(s);
    return w >= width ? s : std::string(width - w, ' ') + s;
}

struct NumberFormat {
    char decimal;
    char thousands;
};

std::string integer(std::uint64_t v, NumberFormat f) {
    std::string digits = std::to_string(v);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += f.thousands;
        out += digits[i];
    }
    return out;
}

// Hundredths with two decimals: 123456 -> "1,234.56" / "1.234,56".
std::string fixed2(std::uint64_t h, NumberFormat f) {
    std::string s = integer(h / 100, f);
    s += f.decimal;
    s += static_cast<char>('0' + h / 10 % 10);
    s += static_cast<char>('0' + h % 10);
    return s;
}

// A duration in hundredths as H:MM:SS.hh (hours not wrapped at a day).
std::string duration(std::uint64_t h, NumberFormat f) {
    const std::uint64_t s = h / 100;
    char text[48];
    std::snprintf(text, sizeof text, "%llu:%02u:%02u%c%02u", static_cast<unsigned long long>(s / 3600),
                  static_cast<unsigned>(s / 60 % 60), static_cast<unsigned>(s % 60), f.decimal,
                  static_cast<unsigned>(h % 100));
    return text;
}

std::string stamp(const ReportStamp& s) {
    std::string t = reportStampText(s);
    t[10] = ' ';
    return t;
}

}  // namespace

const ReportTexts& reportTexts(bool german) { return german ? kGerman : kEnglish; }

std::string reportInteger(std::uint64_t v, bool german) {
    return integer(v, german ? NumberFormat{',', '.'} : NumberFormat{'.', ','});
}
std::string reportFixed2(std::uint64_t hundredths, bool german) {
    return fixed2(hundredths, german ? NumberFormat{',', '.'} : NumberFormat{'.', ','});
}
std::string reportDuration(std::uint64_t hundredths, bool german) {
    return duration(hundredths, german ? NumberFormat{',', '.'} : NumberFormat{'.', ','});
}
std::string reportStampShown(const ReportStamp& s) { return stamp(s); }

std::string reportSummary(const LoadReport& r, const std::string& name, bool german) {
    const ReportTexts& t = reportTexts(german);
    const NumberFormat f = german ? NumberFormat{',', '.'} : NumberFormat{'.', ','};
    const std::string demandLabel = std::string(t.demand) + " (" + std::to_string(r.demandMinutes) + " min)";
    const std::size_t labelWidth = 22;
    std::string o = std::string(t.title) + ": " + name + "\n";
    auto line = [&](const std::string& label, const std::string& value) {
        o += padRight(label, labelWidth) + value + "\n";
    };
    line(t.records, integer(r.records, f) + "  (" + t.readings + " " + integer(r.readings, f) + ", " +
                        t.markers + " " + integer(r.markers, f) + ", " + t.gaps + " " + integer(r.gaps, f) +
                        ")");
    line(t.sampleTime, fixed2(r.sampleTime, f) + " s");
    if (r.records > 0) {
        line(t.start, stamp(r.start));
        line(t.end, stamp(r.end));
    }
    line(t.duration, duration(reportHundredths(r, r.records), f));
    if (r.readings == 0) {
        o += std::string(t.noReadings) + "\n";
        return o;
    }
    line(t.maximum, std::to_string(r.max) + " %  " + t.at + " " + stamp(r.maxAtStamp));
    line(t.minimum, std::to_string(r.min) + " %  " + t.at + " " + stamp(r.minAtStamp));
    line(t.mean, fixed2(meanHundredths(r.sum, r.readings), f) + " %");
    line(t.percentiles,
         std::to_string(r.p50) + " % / " + std::to_string(r.p95) + " % / " + std::to_string(r.p99) + " %");
    if (r.ratedKw > 0) {
        const auto rated = static_cast<std::uint64_t>(std::llround(r.ratedKw * 100));
        line(t.energy,
             fixed2(energyHundredthsKwh(r), f) + " kWh  (" + t.rated + " " + fixed2(rated, f) + " kW)");
    }
    if (r.maxDemand >= 0) {
        std::size_t whole = 0;
        for (const DemandInterval& iv : r.intervals) whole += iv.whole ? 1 : 0;
        const DemandInterval& top = r.intervals[static_cast<std::size_t>(r.maxDemand)];
        std::string value = fixed2(meanHundredths(top.sum, top.readings), f) + " %  " + t.from + " " +
                            stamp(top.start) + "  (" + integer(r.intervals.size(), f) + " " + t.intervals +
                            ", " + integer(whole, f) + " " + t.whole;
        if (r.demandPartial) value += "; " + std::string(t.partial);
        line(demandLabel, value + ")");
    }

    // Thresholds: one row per level, columns right-aligned under their heads.
    const std::vector<std::size_t> w = {9, 14, 10, 10, 14};
    o += "\n" + padLeft(t.threshold, w[0]) + padLeft(t.time, w[1]) + padLeft(t.share, w[2]) +
         padLeft(t.episodes, w[3]) + padLeft(t.longest, w[4]) + "  " + t.from + "\n";
    for (const ThresholdFigures& th : r.thresholds) {
        std::string row = padLeft(std::to_string(th.level) + " %", w[0]) +
                          padLeft(duration(reportHundredths(r, th.readings), f), w[1]) +
                          padLeft(fixed2(shareHundredths(th.readings, r.readings), f) + " %", w[2]) +
                          padLeft(integer(th.episodes, f), w[3]);
        if (th.longestRecords > 0)
            row += padLeft(duration(reportHundredths(r, th.longestRecords), f), w[4]) + "  " +
                   stamp(th.longestStartStamp);
        else
            row += padLeft("-", w[4]);
        o += row + "\n";
    }

    // Days.
    o += "\n" + padRight(t.day, 10) + padLeft(t.dayReadings, 13) + padLeft(t.dayMax, 8) +
         padLeft(t.dayMean, 11) + "\n";
    for (const DayFigures& d : r.days) {
        char date[16];
        std::snprintf(date, sizeof date, "%04u-%02u-%02u", 2000u + d.year, unsigned{d.month},
                      unsigned{d.day});
        std::string row = padRight(date, 10) + padLeft(integer(d.readings, f), 13);
        if (d.readings > 0)
            row += padLeft(std::to_string(d.max) + " %", 8) +
                   padLeft(fixed2(meanHundredths(d.sum, d.readings), f) + " %", 11);
        else
            row += padLeft("-", 8) + padLeft("-", 11);
        o += row + "\n";
    }
    return o;
}
