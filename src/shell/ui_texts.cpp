#include "shell/ui_texts.h"

#include <array>
#include <cstddef>

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
