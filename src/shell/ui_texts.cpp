#include "shell/ui_texts.h"

#include <array>
#include <cstdarg>
#include <cstddef>
#include <cstdio>

#include "shell/messages.h"

namespace {

struct UiTextPair {
    UiText key;
    const char* english;
    const char* german;
};

// In the order of the enum; checked below.
constexpr UiTextPair kUiTexts[] = {
    {UiText::SaveChangesQuestion, "The recording on show has not been saved.\nSave it first?",
        "Die angezeigte Aufzeichnung ist nicht gespeichert.\nZuerst speichern?"},
    {UiText::SaveChangesSave, "&Save", "&Speichern"},
    {UiText::SaveChangesDiscard, "&Discard", "&Verwerfen"},
    {UiText::SaveChangesCancel, "Cancel", "Abbrechen"},

    {UiText::TransferRunningOpenRefused, "A transfer is running: finish or abort it first.",
        "Eine Übertragung läuft: erst abwarten oder abbrechen."},
    {UiText::LoggerStoppedEarly, "The logger stopped sending early:\n%s of %s samples arrived.",
        "Der Logger hat vorzeitig aufgehört zu senden:\n%s von %s Werten sind angekommen."},
    {UiText::LoggerEndedEarly, "The logger ended the transfer early:\n%s of %s samples arrived.",
        "Der Logger hat die Übertragung vorzeitig beendet:\n%s von %s Werten sind angekommen."},
    {UiText::StoppedBeforeFirstSample,
        "The logger stopped sending before the first sample.\nThe recording on show is kept.",
        "Der Logger hat vor dem ersten Wert aufgehört zu senden.\nDie angezeigte Aufzeichnung bleibt erhalten."},
    {UiText::DamagedFramesDropped, "%s damaged frames were dropped.",
        "%s beschädigte Telegramme wurden verworfen."},
    {UiText::ProgressDetail, "%s of %s samples, %s left", "%s von %s Werten, noch %s"},
    {UiText::DurationAbout, "about %s", "etwa %s"},
    {UiText::DurationDaysHours, "%u d %u h", "%u T %u h"},
    {UiText::SpanFetchFull, "%s samples, %s to fetch", "%s Werte, Abruf %s"},
    {UiText::SpanFetchPartial,
        "The store takes %s samples: only the most recent %s\nof this span will come, %s to fetch.",
        "Der Speicher fasst %s Werte: nur die letzten %s\ndieser Spanne kommen, Abruf %s."},

    {UiText::ShowPeaks, "Show peaks", "Spitzen zeigen"},
    {UiText::CopyValue, "Copy value", "Wert kopieren"},
    {UiText::SavePicturePng, "Save picture as PNG…", "Bild als PNG speichern…"},
    {UiText::PngFilter, "PNG Image (*.png)", "PNG-Bild (*.png)"},
    {UiText::ReadoutValue, "Value", "Wert"},
    {UiText::ReadoutMarker, "Marker", "Markierung"},
    {UiText::ReadoutGap, "Gap (no reading)", "Lücke (kein Messwert)"},
    {UiText::ReadoutLowest, "Lowest", "Kleinster"},
    {UiText::ReadoutHighest, "Highest", "Größter"},
    {UiText::CsvTimeColumn, "Time", "Zeit"},
    {UiText::CsvValueColumn, "Value", "Wert"},

    {UiText::DamagedFramesKeptAsGaps, "%s damaged frames were kept as gaps (no reading) at their place.",
        "%s beschädigte Telegramme wurden an ihrer Stelle als Lücken (kein Messwert) behalten."},
    {UiText::LineNeverQuiet,
        "The logger kept sending after it was told to stop;\nthe line never went quiet. The transfer goes on.",
        "Der Logger hat nach der Aufforderung zum Anhalten weiter gesendet;\ndie Leitung wurde nicht ruhig. Die Übertragung wird fortgesetzt."},
    {UiText::StopTransferAndQuit, "A transfer is running. Stop it and quit?",
        "Eine Übertragung läuft. Abbrechen und beenden?"},
    {UiText::QuestionYes, "&Yes", "&Ja"},
    {UiText::QuestionNo, "&No", "&Nein"},
    {UiText::NoSampleTimeReported,
        "The logger answered but did not report its sample time.\nTransmission of data not possible!",
        "Der Logger hat geantwortet, aber keine Abtastzeit gemeldet.\nDatenübertragung nicht möglich!"},
    {UiText::SpanNeedsShorterSampleTime,
        "Not offered at the logger's sample time of %s s:\nthis span needs a sample time of %s s or less.",
        "Bei der Abtastzeit des Loggers von %s s nicht möglich:\ndiese Spanne braucht eine Abtastzeit von %s s oder weniger."},
    {UiText::SpanNeedsLongerSampleTime,
        "Not offered at the logger's sample time of %s s:\nthis span needs a sample time of %s s or more.",
        "Bei der Abtastzeit des Loggers von %s s nicht möglich:\ndiese Spanne braucht eine Abtastzeit von %s s oder mehr."},
    {UiText::SpanNeedsExactSampleTime,
        "Not offered at the logger's sample time of %s s:\nthis span needs a sample time of exactly %s s.",
        "Bei der Abtastzeit des Loggers von %s s nicht möglich:\ndiese Spanne braucht eine Abtastzeit von genau %s s."},
    {UiText::LoadReportItem, "Load report…", "Lastbericht…"},
    {UiText::ReportThresholds, "&Thresholds (%):", "&Schwellen (%):"},
    {UiText::ReportDemand, "&Demand interval:", "&Intervall:"},
    {UiText::ReportRatedKw, "&Rated power (kW):", "&Nennleistung (kW):"},
    {UiText::ReportWhole, "&Whole recording", "&Ganze Aufzeichnung"},
    {UiText::ReportShown, "What the &main chart shows", "Was das &Hauptdiagramm zeigt"},
    {UiText::ReportPrint, "&Print…", "&Drucken…"},
    {UiText::ReportSave, "Sa&ve…", "Spei&chern…"},
    {UiText::ReportClose, "Close", "Schließen"},
    {UiText::HtmlFilter, "HTML file (*.html)", "HTML-Datei (*.html)"},
    {UiText::ReportLevelsInvalid, "Thresholds: 1 to 254 %, at most 8, separated by commas.",
        "Schwellen: 1 bis 254 %, höchstens 8, durch Kommas getrennt."},
    {UiText::ReportKwInvalid, "Rated power: kW above 0 and up to 1000000, or empty.",
        "Nennleistung: kW über 0 und bis 1000000, oder leer."},
    {UiText::ReportSaveFailed, "The load report could not be saved as\n%s\n\n%s",
        "Der Lastbericht konnte nicht gespeichert werden als\n%s\n\n%s"},
};

constexpr bool inEnumOrder() {
    for (std::size_t i = 0; i < std::size(kUiTexts); ++i)
        if (static_cast<std::size_t>(kUiTexts[i].key) != i) return false;
    return std::size(kUiTexts) == static_cast<std::size_t>(UiText::Count_);
}
static_assert(inEnumOrder(), "kUiTexts must list every UiText once, in enum order");

}  // namespace

const char* uiText(UiText key) {
    const auto i = static_cast<std::size_t>(key);
    if (i >= std::size(kUiTexts)) return "";
    return effectiveLanguage() == German ? kUiTexts[i].german : kUiTexts[i].english;
}

std::string formatText(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return std::string();
    return std::string(buffer, static_cast<std::size_t>(n) < sizeof buffer ? static_cast<std::size_t>(n) : sizeof buffer - 1);
}

std::string groupedNumber(unsigned long long n) {
    const char separator = effectiveLanguage() == German ? '.' : ',';
    std::string digits = std::to_string(n);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) out.push_back(separator);
        out.push_back(digits[i]);
    }
    return out;
}
