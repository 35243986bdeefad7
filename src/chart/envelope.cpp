#include "chart/envelope.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <vector>

#include "chart/renderer.h"
#include "recording/store.h"

namespace {

// Records per table entry. Short stretches are read directly; a column of
// 1,728 records ("12 days" at one second) reads 27 entries and at most 126
// records at its two ragged ends.
constexpr std::uint32_t kBlock = 64;

struct BlockEntry {
    std::uint8_t low;
    std::uint8_t high;
    std::uint8_t flags;  // kReading | kMarker
};
constexpr std::uint8_t kReading = 1;
constexpr std::uint8_t kMarker = 2;

struct EnvelopeTable {
    std::vector<BlockEntry> blocks;
    std::uint32_t records = 0;     // records the table was built over
    std::uint64_t generation = 0;  // recording it was built for
    bool built = false;
};

EnvelopeTable gTable;
std::uint64_t gGeneration = 1;  // bumped for every recording shown
bool gPeaksShown = false;

// During a transfer the reader thread writes value bytes that a paint may
// read; a relaxed atomic byte load keeps that well-defined and costs nothing.
std::uint8_t valueAt(std::uint32_t i) {
    return std::atomic_ref<std::uint8_t>(gStore[i].value).load(std::memory_order_relaxed);
}

void add(ColumnEnvelope& e, std::uint8_t v) {
    if (isMarker(v)) {
        e.hasMarker = true;
    } else if (!isGap(v)) {
        if (!e.hasReading) {
            e.low = e.high = v;
            e.hasReading = true;
        } else {
            e.low = std::min(e.low, v);
            e.high = std::max(e.high, v);
        }
    }
}

void addScan(ColumnEnvelope& e, std::uint32_t first, std::uint32_t end) {
    for (std::uint32_t i = first; i < end; ++i) add(e, valueAt(i));
}

void addBlock(ColumnEnvelope& e, const BlockEntry& b) {
    if (b.flags & kMarker) e.hasMarker = true;
    if (!(b.flags & kReading)) return;
    if (!e.hasReading) {
        e.low = b.low;
        e.high = b.high;
        e.hasReading = true;
    } else {
        e.low = std::min(e.low, b.low);
        e.high = std::max(e.high, b.high);
    }
}

const EnvelopeTable& table() {
    const std::uint32_t count = shownRecordCount();
    if (gTable.built && gTable.generation == gGeneration && gTable.records == count) return gTable;
    gTable.blocks.assign(count / kBlock, BlockEntry{});
    for (std::uint32_t b = 0; b < gTable.blocks.size(); ++b) {
        ColumnEnvelope e;
        addScan(e, b * kBlock, (b + 1) * kBlock);
        gTable.blocks[b] = {e.low, e.high,
                            static_cast<std::uint8_t>((e.hasReading ? kReading : 0) | (e.hasMarker ? kMarker : 0))};
    }
    gTable.records = count;
    gTable.generation = gGeneration;
    gTable.built = true;
    return gTable;
}

}  // namespace

ColumnEnvelope envelopeOf(std::uint32_t first, std::uint32_t end) {
    ColumnEnvelope e;
    end = std::min(end, shownRecordCount());
    if (first >= end) return e;
    const std::uint32_t firstBlock = (first + kBlock - 1) / kBlock;
    const std::uint32_t endBlock = end / kBlock;
    if (endBlock <= firstBlock + 1) {
        addScan(e, first, end);  // short: no whole block worth looking up
        return e;
    }
    const EnvelopeTable& t = table();
    addScan(e, first, firstBlock * kBlock);
    for (std::uint32_t b = firstBlock; b < endBlock; ++b) addBlock(e, t.blocks[b]);
    addScan(e, endBlock * kBlock, end);
    return e;
}

void invalidateEnvelope() {
    ++gGeneration;
    gTable.built = false;
}

namespace {
// End (exclusive) of the records the column at offset `column` covers: up to
// where the stepping goes next, at least one record, and for the last column
// the recording's end when the chart reaches it in exact arithmetic, so the
// sample the "End:" label names is in it.
std::uint32_t columnEnd(std::uint32_t start, float increment, int column, std::uint32_t index, std::uint32_t next) {
    std::uint32_t end = std::max(next, index + 1);
    if (column == kChartColumns - 1) {
        const std::uint32_t limit = shownRecordCount();
        const std::int32_t last = traceEndRecord(start, increment, next, limit);
        if (last >= 0) end = std::max(end, static_cast<std::uint32_t>(last) + 1);
    }
    return end;
}
}  // namespace

ColumnRange columnRange(std::uint32_t start, float increment, int column) {
    float acc = 0.0f;
    std::uint32_t index = start;
    ColumnRange r;
    for (int x = 0; x <= column; ++x) {
        // The same stepping as drawTrace: the index follows the exact sum, the
        // accumulator keeps it rounded to single precision.
        const double sum = static_cast<double>(acc) + static_cast<double>(increment);
        const std::uint32_t next = start + static_cast<std::uint32_t>(sum);
        acc = static_cast<float>(sum);
        r = {index, columnEnd(start, increment, x, index, next)};
        index = next;
    }
    return r;
}

std::int32_t drawPeaks(DrawingSurface& s, int baseY, std::uint32_t start, float increment) {
    const std::uint32_t limit = shownRecordCount();
    const PenId oldPen = s.selectPen(PenId::Trace);
    bool broken = true;
    int lastY = 0;  // where the line stands after the previous column
    OverTopColumns overTop;
    float acc = 0.0f;
    std::uint32_t index = start;
    for (int x = kChartLeft; x < kChartLeft + kChartColumns; ++x) {
        if (index >= limit) break;
        const double sum = static_cast<double>(acc) + static_cast<double>(increment);
        const std::uint32_t next = start + static_cast<std::uint32_t>(sum);
        acc = static_cast<float>(sum);
        const ColumnEnvelope e = envelopeOf(index, columnEnd(start, increment, x - kChartLeft, index, next));
        index = next;

        if (e.hasReading) {
            const int yLow = readingY(baseY, e.low);
            const int yHigh = readingY(baseY, e.high);
            if (e.high > kFullScale) overTop.note(x);
            // Enter the column at the end nearer the previous column's, so the
            // join stays short, then run to the other end.
            int enter = yLow;
            int leave = yHigh;
            if (!broken && std::abs(yHigh - lastY) < std::abs(yLow - lastY)) std::swap(enter, leave);
            if (broken) {
                s.moveTo(x, enter);
            } else {
                s.lineTo(x, enter);
            }
            if (leave != enter) s.lineTo(x, leave);
            lastY = leave;
            broken = false;
        } else {
            broken = true;  // only gaps (and markers): the line breaks as the trace's does
        }
        if (e.hasMarker) {
            s.selectPen(PenId::Marker);
            s.moveTo(x, baseY);
            s.lineTo(x, baseY - 200);
            s.selectPen(PenId::Trace);
            broken = true;
        }
    }
    overTop.draw(s, baseY);
    s.selectPen(oldPen);
    return traceEndRecord(start, increment, index, limit);
}

std::int32_t drawChartTrace(DrawingSurface& s, int baseY, std::uint32_t start, float increment) {
    return gPeaksShown ? drawPeaks(s, baseY, start, increment) : drawTrace(s, baseY, start, increment);
}

bool peaksShown() { return gPeaksShown; }

void restorePeaksShown(bool shown) { gPeaksShown = shown; }

