// vantreldaq-cli on files: info, export and settime run as a user runs them
// (the built program, its exit code, stdout and stderr), checked against the
// window's own functions in this process; and the command-line helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <clocale>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "cli.h"
#include "fakes/fake_platform.h"
#include "recording/csv_export.h"
#include "recording/recording_file.h"
#include "recording/set_time.h"
#include "recording/store.h"
#include "recording/timestamps.h"
#include "report/report_html.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"
#include "shell/span_dialog.h"
#include "support/chart_recording.h"
#include "support/process_runner.h"
#include "support/recording_surface.h"
#include "support/report_reference.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ProcessResult;

std::vector<char*> argvOf(std::vector<std::string>& args) {
    std::vector<char*> v;
    for (std::string& a : args) v.push_back(a.data());
    v.push_back(nullptr);
    return v;
}

// ---- helpers ------------------------------------------------------------------------

TEST(CliArguments, OptionsWithValuesFlagsAliasesAndTheirMistakes) {
    const std::vector<cli::OptionSpec> options = {{"--output", "-o", true}, {"--from", nullptr, true},
                                                {"--quiet", "-q", false}};
    std::vector<std::string> a = {"export", "rec.udd", "-o", "x.csv", "--from=5", "-q", "--", "--from"};
    auto argv = argvOf(a);
    cli::ParsedArgs p = cli::parseArgs(static_cast<int>(a.size()), argv.data(), 1, options);
    EXPECT_EQ(p.error, "");
    EXPECT_EQ(p.positional, (std::vector<std::string>{"rec.udd", "--from"}));  // after "--" it is a name
    EXPECT_EQ(p.value("--output"), "x.csv");
    EXPECT_EQ(p.value("--from"), "5");
    EXPECT_TRUE(p.has("--quiet"));
    EXPECT_FALSE(p.help);

    for (const auto& [args, error] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"x", "--to", "3"}, "unknown option --to"},
             {{"x", "--from"}, "--from needs a value"},
             {{"x", "--quiet=yes"}, "--quiet takes no value"}}) {
        std::vector<std::string> copy = args;
        auto v = argvOf(copy);
        EXPECT_EQ(cli::parseArgs(static_cast<int>(copy.size()), v.data(), 1, options).error, error);
    }
    std::vector<std::string> h = {"x", "-h"};
    auto hv = argvOf(h);
    EXPECT_TRUE(cli::parseArgs(2, hv.data(), 1, options).help);

    std::uint64_t n = 0;
    EXPECT_TRUE(cli::parseUnsigned("4294967295", 0xFFFFFFFFu, n));
    EXPECT_EQ(n, 4294967295u);
    for (const char* bad : {"", "-1", "+1", " 1", "1 ", "4294967296", "1e3", "0x10", "99999999999999999999"})
        EXPECT_FALSE(cli::parseUnsigned(bad, 0xFFFFFFFFu, n)) << bad;
}

TEST(CliSpans, NamesInBothLanguagesOrIndexWhateverLanguageIsInForce) {
    resetGlobalStateForTests();
    for (const std::uint16_t language : {std::uint16_t{English}, std::uint16_t{German}}) {
        gSettings.language = language;
        EXPECT_EQ(cli::findSpan("2 minutes"), 0);
        EXPECT_EQ(cli::findSpan("12 Days"), 13);
        EXPECT_EQ(cli::findSpan("12days"), 13);
        EXPECT_EQ(cli::findSpan("5 Stunden"), 7);
        EXPECT_EQ(cli::findSpan("1 tag"), 10);
        EXPECT_EQ(cli::findSpan("1 Woche"), 12);
        EXPECT_EQ(cli::findSpan("7"), 7);
        EXPECT_EQ(cli::findSpan("13"), 13);
        EXPECT_EQ(cli::findSpan("14"), -1);
        EXPECT_EQ(cli::findSpan("3 hours"), -1);
        EXPECT_EQ(cli::findSpan(""), -1);
        EXPECT_EQ(gSettings.language, language) << "the lookup leaves the language as it was";
    }
    gSettings.language = German;
    EXPECT_EQ(cli::spanLabel(10), "1 Tag");
    resetGlobalStateForTests();
}

TEST(CliTimes, TheShapeIsCheckedHereTheNumbersAreLeftToTheDialogsChecks) {
    std::array<std::string, 6> f;
    ASSERT_TRUE(cli::splitTimeText("2008-03-01 00:00:00", f));
    EXPECT_EQ(f, (std::array<std::string, 6>{"2008", "03", "01", "00", "00", "00"}));
    ASSERT_TRUE(cli::splitTimeText("2008-3-1T7:5:9", f));
    EXPECT_EQ(f, (std::array<std::string, 6>{"2008", "3", "1", "7", "5", "9"}));
    ASSERT_TRUE(cli::splitTimeText("2008-13-01 24::00", f));  // shape fine; the checks refuse it
    EXPECT_EQ(f[3], "24");
    EXPECT_EQ(f[4], "");
    for (const char* bad : {"", "2008-03-01", "00:00:00", "2008/03/01 00:00:00", "2008-03-01-02 00:00:00",
                            "2008-03-01 00:00", "2008-03-01 00:00:00:00"})
        EXPECT_FALSE(cli::splitTimeText(bad, f)) << bad;
}

TEST(CliStatistics, ReadingsExcludeMarkersAndGaps) {
    SampleRecord r[7] = {};
    const std::uint8_t values[7] = {0, 201, 254, 255, 202, 149, 150};
    for (int i = 0; i < 7; ++i) r[i].value = values[i];
    const cli::ValueStats s = cli::valueStats(r, 7);
    EXPECT_EQ(s.readings, 4u);
    EXPECT_EQ(s.markers, 2u);
    EXPECT_EQ(s.gaps, 1u);
    EXPECT_EQ(s.minimum, 0);
    EXPECT_EQ(s.maximum, 254);
    EXPECT_DOUBLE_EQ(s.mean, (0 + 254 + 149 + 150) / 4.0);

    const cli::ValueStats none = cli::valueStats(r + 3, 2);  // a gap and a marker only
    EXPECT_EQ(none.readings, 0u);
    EXPECT_EQ(none.mean, 0.0);
}

TEST(CliProgress, BarFitsTheTerminalAndEstimatesTheTimeLeft) {
    for (const int width : {20, 40, 80, 200}) {
        const std::string bar = cli::progressBar(30000, 60000, 10.0, width);
        EXPECT_LT(bar.size(), static_cast<std::size_t>(width)) << width;
    }
    const std::string bar = cli::progressBar(30000, 60000, 10.0, 100);
    EXPECT_NE(bar.find(" 50% 30000/60000"), std::string::npos) << bar;
    EXPECT_NE(bar.find("about 10 s left"), std::string::npos) << bar;
    EXPECT_EQ(bar.front(), '[');
    // No estimate before anything arrived, nor after the end.
    EXPECT_EQ(cli::progressPlain(0, 60000, 5.0), "  0%  0 of 60000 samples");
    EXPECT_EQ(cli::progressPlain(60000, 60000, 5.0), "100%  60000 of 60000 samples");
    EXPECT_EQ(cli::progressPlain(1, 0, 5.0), "100%  1 of 0 samples");
    EXPECT_EQ(cli::formatDuration(3725), "1 h 02 min");
    EXPECT_EQ(cli::formatDuration(185), "3 min 05 s");
    EXPECT_EQ(cli::formatDuration(-1), "0 s");
}

// ---- the program on files ---------------------------------------------------------------

class CliOnFiles : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
        std::setlocale(LC_ALL, "C");
        saveLocaleEnv("LC_ALL");
        ::setenv("LC_ALL", "C", 1);
    }
    void TearDown() override {
        restoreLocaleEnv();
        std::setlocale(LC_ALL, "C");
        resetGlobalStateForTests();
    }

    ProcessResult cli(const std::vector<std::string>& args) {
        return testsupport::runProcess(VANTREL_CLI_PROGRAM, args, scratch_.path().string());
    }

    // A recording written by the window's writer; returns its path.
    std::string recording(const std::string& name, const test::RecordingSpec& shape) {
        test::fillRecording(shape);
        const std::string path = dir_.file(name);
        int code = 0;
        EXPECT_EQ(writeRecordingFile(path.c_str(), code), SaveStatus::Saved);
        return path;
    }

    static std::string csvOf(std::uint32_t first, std::uint32_t last, std::uint32_t step) {
        std::FILE* f = std::tmpfile();
        EXPECT_EQ(writeCsv(f, first, last, step), 0);
        std::rewind(f);
        std::string bytes;
        char buf[65536];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
        std::fclose(f);
        return bytes;
    }

    void saveLocaleEnv(const char* name) {
        const char* v = std::getenv(name);
        savedName_ = name;
        hadSaved_ = v != nullptr;
        saved_ = v != nullptr ? v : "";
    }
    void restoreLocaleEnv() {
        if (hadSaved_) ::setenv(savedName_.c_str(), saved_.c_str(), 1);
        else ::unsetenv(savedName_.c_str());
    }

    test::TempDir dir_;
    test::TempDir scratch_;
    std::string savedName_, saved_;
    bool hadSaved_ = false;
};

std::uint8_t mixedValue(std::uint32_t i) {
    static const std::uint8_t pattern[] = {0, 37, 149, 150, 201, 99, 255, 202, 254, 12, 100};
    return pattern[i % sizeof pattern];
}

TEST_F(CliOnFiles, InfoShowsTheHeaderTimesAndValueStatistics) {
    const std::string path = recording("day.udd", {.count = 11000, .sampleTime = 50, .spanIndex = 7,
                                                   .year = 2008, .month = 2, .day = 29, .hour = 23, .minute = 0,
                                                   .second = 0, .value = mixedValue});
    const ProcessResult r = cli({"info", path});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // 1000 rounds of the pattern: readings 0, 37, 149, 150, 99, 254, 12, 100.
    const std::string expected = "File:          " + path +
                                 "\n"
                                 "Sample time:   0.50 s\n"
                                 "Span:          5 hours (index 7)\n"
                                 "Records:       11000\n"
                                 "First sample:  2008-02-29 23:00:00.00\n"
                                 "Last sample:   " +
                                 cli::formatStamp(gStore[10999]) +
                                 "\n"
                                 "Readings:      8000 (min 0, max 254, mean 100.12)\n"
                                 "Markers:       2000\n"
                                 "Gaps:          1000\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(cli::formatStamp(gStore[10999]), "2008-03-01 00:31:39.50");

    const ProcessResult german = cli({"info", path, "--lang", "de"});
    EXPECT_NE(german.out.find("Span:          5 Stunden (index 7)"), std::string::npos) << german.out;
}

TEST_F(CliOnFiles, RefusedFilesAreRefusedAsTheWindowRefusesThem) {
    auto header = [](std::uint16_t sampleTime, std::uint32_t count) {
        RecordingHeader h{};
        h.sampleTime = sampleTime;
        h.recordCount = count;
        std::uint8_t raw[kHeaderBytes];
        encodeHeader(h, raw);
        return std::string(reinterpret_cast<const char*>(raw), kHeaderBytes);
    };
    const std::string record(9, '\x01');
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"empty.udd", "", "Error loading header from file!"},
        {"cut.udd", header(10, 1).substr(0, 19), "Error loading header from file!"},
        {"zero.udd", header(10, 0), "Error loading header from file!"},
        {"huge.udd", header(10, kStoreCapacity + 1) + record, "Error loading header from file!"},
        {"notime.udd", header(0, 1) + record, "Error loading header from file!"},
        {"short.udd", header(10, 3) + record + record, "Error loading data from file!"},
    };
    for (const Case& c : cases) {
        const std::string path = dir_.file(c.name);
        test::writeFileBytes(path, c.bytes);
        // The window's loader decides, here as in the Open command.
        int code = 0;
        EXPECT_NE(readRecordingFile(path.c_str(), code), LoadStatus::Loaded) << c.name;
        for (const char* command : {"info", "export", "settime"}) {
            std::vector<std::string> args = {command, path};
            if (std::string(command) == "settime") args.insert(args.end(), {"--start", "2008-01-01 00:00:00"});
            const ProcessResult r = cli(args);
            EXPECT_EQ(r.exitCode, 1) << command << " " << c.name;
            EXPECT_EQ(r.out, "") << command << " " << c.name;
            EXPECT_NE(r.err.find(path + ": " + c.message), std::string::npos) << r.err;
        }
        EXPECT_EQ(test::readFileBytes(path), c.bytes) << "settime leaves a refused file alone";
    }

    const ProcessResult missing = cli({"info", dir_.file("absent.udd")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("absent.udd: No such file or directory"), std::string::npos) << missing.err;

    // A longer file than its header counts is fine, as in the window.
    const std::string longer = dir_.file("longer.udd");
    test::writeFileBytes(longer, header(10, 1) + record + record);
    EXPECT_EQ(cli({"info", longer}).exitCode, 0);
}

TEST_F(CliOnFiles, ExportIsByteForByteTheWindowsExportOfItsThreeRanges) {
    const std::string path = recording("big.udd", {.count = 123457, .sampleTime = 20, .spanIndex = 8,
                                                   .value = mixedValue});
    // The view after opening the file, as the window shows it: the zoom and
    // main chart ranges come from a paint.
    int code = 0;
    ASSERT_EQ(readRecordingFile(path.c_str(), code), LoadStatus::Loaded);
    resetView();
    test::RecordingSurface surface;
    paintCharts(surface);
    struct Range {
        std::uint32_t first, last, step;
    };
    const Range ranges[] = {
        {gApp.zoomStart, static_cast<std::uint32_t>(gApp.zoomLast), gApp.samplesPerPixel / 10},  // command 2013
        {gApp.mainStart, static_cast<std::uint32_t>(gApp.mainLast), gApp.samplesPerPixel},       // command 2014
        {0, gHeader.recordCount - 1, 1},                                                         // command 2015
    };
    ASSERT_GT(ranges[0].step, 1u);

    for (const Range& range : ranges) {
        const std::string expected = csvOf(range.first, range.last, range.step);
        const std::vector<std::string> rangeArgs = {"--from", std::to_string(range.first), "--to",
                                                    std::to_string(range.last), "--step", std::to_string(range.step)};
        std::vector<std::string> toStdout = {"export", path};
        toStdout.insert(toStdout.end(), rangeArgs.begin(), rangeArgs.end());
        const ProcessResult r = cli(toStdout);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(r.out == expected) << "stdout differs for first " << range.first;

        const std::string csv = dir_.file("out.csv");
        std::vector<std::string> toFile = toStdout;
        toFile.insert(toFile.end(), {"-o", csv});
        ASSERT_EQ(cli(toFile).exitCode, 0);
        EXPECT_TRUE(test::readFileBytes(csv) == expected) << "file differs for first " << range.first;
    }

    // Texts in either language, date and time in the locale's formats (the
    // time made 24-hour), the same as the window's export.
    const struct {
        const char* locale;
        std::uint16_t language;
        const char* lang;
        const char* line2;
    } locales[] = {
        {"de_DE.UTF-8", German, "de", "Startzeit: 05.03.2006, 07:08:09\n"},
        {"en_US.UTF-8", English, "en", "Start time: 03/05/2006, 07:08:09\n"},
        {"fi_FI.UTF-8", English, "en", "Start time: 05.03.2006, 07.08.09\n"},
    };
    for (const auto& c : locales) {
        if (std::setlocale(LC_ALL, c.locale) == nullptr) {
            ADD_FAILURE() << "locale " << c.locale << " is not installed (scripts/setup.sh installs it)";
            continue;
        }
        gSettings.language = c.language;
        const std::string expected = csvOf(0, gHeader.recordCount - 1, 1);
        ::setenv("LC_ALL", c.locale, 1);
        const ProcessResult r = cli({"export", path, "--lang", c.lang});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(r.out == expected) << c.locale;
        EXPECT_NE(r.out.find(c.line2), std::string::npos) << r.out.substr(0, 120);
    }
}

TEST_F(CliOnFiles, ExportRefusesRangesItCannotWriteAndLeavesNoHalfFile) {
    const std::string path = recording("small.udd", {.count = 100});
    const std::string csv = dir_.file("x.csv");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--step", "0"},
             {"--from", "100"},  // one past the last record
             {"--from", "5", "--to", "4"},
             {"--from", "-1"},
             {"--lang", "fr"},
             {"--bogus"}}) {
        std::vector<std::string> all = {"export", path, "-o", csv};
        all.insert(all.end(), args.begin(), args.end());
        const ProcessResult r = cli(all);
        EXPECT_EQ(r.exitCode, 1) << args[0];
        EXPECT_FALSE(r.err.empty());
        EXPECT_FALSE(std::filesystem::exists(csv)) << args[0];
    }
    // A --to past the end stops at the last record, as the window's export does.
    ASSERT_EQ(cli({"export", path, "--from", "95", "--to", "4000000000"}).out, csvOf(95, 99, 1));

    // A folder that cannot take the file: an I/O failure, and no file.
    const ProcessResult r = cli({"export", path, "-o", dir_.file("no/such/folder/x.csv")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("no/such/folder/x.csv"), std::string::npos) << r.err;

    // Replacing an existing export leaves nothing beside it.
    test::writeFileBytes(csv, "old");
    ASSERT_EQ(cli({"export", path, "-o", csv}).exitCode, 0);
    EXPECT_EQ(test::readFileBytes(csv), csvOf(0, 99, 1));
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) files += e.path().extension() != ".udd";
    EXPECT_EQ(files, 1) << "only x.csv";
}

// A reader that stops early (`| head`) is no disc failure: the export and the
// other commands writing to stdout end quietly with 0.
TEST_F(CliOnFiles, AReaderThatStopsEarlyEndsTheOutputQuietly) {
    const std::string path = recording("big.udd", {.count = 300000, .sampleTime = 20, .spanIndex = 8});
    for (const std::string command : {"export", "info"}) {
        const std::string line = "'" + std::string(VANTREL_CLI_PROGRAM) + "' " + command + " '" + path +
                                 "' | head -c 1 >/dev/null; echo ${PIPESTATUS[0]}";
        const ProcessResult r = testsupport::runProcess("/bin/bash", {"-c", line}, scratch_.path().string());
        EXPECT_EQ(r.out, "0\n") << command << ": " << r.err;
        EXPECT_EQ(r.err, "") << command;
    }
    // A full disc is still a failure.
    const ProcessResult full = testsupport::runProcess(
        "/bin/bash", {"-c", "'" + std::string(VANTREL_CLI_PROGRAM) + "' export '" + path + "' >/dev/full"},
        scratch_.path().string());
    EXPECT_EQ(full.exitCode, 2);
    EXPECT_NE(full.err.find("No space left on device"), std::string::npos) << full.err;
}

// Times past 2099-12-31 23:59:59.99 are held there; settime says how many, on
// stderr, and still succeeds.
TEST_F(CliOnFiles, SetTimeWarnsWhenTimesAreHeldAtTheEndOfTheCentury) {
    const std::string path = recording("late.udd", {.count = 1000, .sampleTime = 100});
    // Above one second the stamps step one second, so the same holds at 2.5 s.
    const std::string slow = recording("slow.udd", {.count = 1000, .sampleTime = 250});
    const struct {
        const std::string& file;
        const char* flag;
        const char* time;
        const char* warning;  // null: none
    } cases[] = {
        {path, "--start", "2099-12-31 23:59:00", "940 records would lie after 2099-12-31 23:59:59.99"},
        {path, "--start", "2099-12-31 23:43:20", nullptr},  // the last record lands on 23:59:59
        {path, "--start", "2099-12-31 23:43:21", "1 record would lie after"},
        {path, "--end", "2005-01-01 00:00:00", nullptr},
        {slow, "--start", "2099-12-31 23:43:20", nullptr},
        {slow, "--start", "2099-12-31 23:43:21", "1 record would lie after"},
    };
    for (const auto& c : cases) {
        const ProcessResult r = cli({"settime", c.file, c.flag, c.time});
        EXPECT_EQ(r.exitCode, 0) << c.time << r.err;
        if (c.warning == nullptr) EXPECT_EQ(r.err, "") << c.time;
        else EXPECT_NE(r.err.find(c.warning), std::string::npos) << c.time << ": " << r.err;
    }
}

// The spreadsheet form: one "date time<sep>value" line per record after a
// header line; every reading's value written, markers and gaps empty; bad
// separators refused.
TEST_F(CliOnFiles, ExportWithTimeWritesOneStampedLinePerRecord) {
    const std::string path = recording("timed.udd", {.count = 5, .sampleTime = 25,
                                                      .value = [](std::uint32_t i) -> std::uint8_t {
                                                          const std::uint8_t v[] = {0, 149, 150, 201, 255};
                                                          return v[i];
                                                      }});
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"--with-time"},
         "Time,Value\n2006-03-05 07:08:09.00,0\n2006-03-05 07:08:09.25,149\n2006-03-05 07:08:09.50,150\n"
         "2006-03-05 07:08:09.75,\n2006-03-05 07:08:10.00,\n"},
        {{"--with-time", "--separator", ";", "--lang", "de", "--from", "1", "--step", "3"},
         "Zeit;Wert\n2006-03-05 07:08:09.25;149\n2006-03-05 07:08:10.00;\n"},
        {{"--with-time", "--separator", "tab", "--to", "0"}, "Time\tValue\n2006-03-05 07:08:09.00\t0\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> all = {"export", path};
        all.insert(all.end(), c.args.begin(), c.args.end());
        const ProcessResult r = cli(all);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.out);
    }
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--separator", ";"}, {"--with-time", "--separator", "."}, {"--with-time", "--separator", "5"},
             {"--with-time", "--separator", ";;"}, {"--with-time", "--separator", " "}}) {
        std::vector<std::string> all = {"export", path};
        all.insert(all.end(), args.begin(), args.end());
        const ProcessResult r = cli(all);
        EXPECT_EQ(r.exitCode, 1) << args.back();
        EXPECT_TRUE(r.out.empty()) << args.back();
    }
}

TEST_F(CliOnFiles, SetTimeRestampsAsTheDialogDoesAndRefusesWhatItRefuses) {
    const std::string path = recording("three.udd", {.count = 3, .sampleTime = 100});
    const std::string original = test::readFileBytes(path);

    // The worked example: 01/03-2008 00:00:00 as the end of three samples a second apart.
    const std::string out = dir_.file("out.udd");
    ProcessResult r = cli({"settime", path, "--end", "2008-03-01 00:00:00", "-o", out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    int code = 0;
    ASSERT_EQ(readRecordingFile(out.c_str(), code), LoadStatus::Loaded);
    EXPECT_EQ(cli::formatStamp(gStore[0]), "2008-02-29 23:59:58.00");
    EXPECT_EQ(cli::formatStamp(gStore[2]), "2008-03-01 00:00:00.00");
    EXPECT_EQ(test::readFileBytes(path), original) << "-o leaves the input alone";

    // In place, from the start; the same bytes as the window's forward stamping.
    r = cli({"settime", path, "--start", "2008-03-01T00:00:00"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(readRecordingFile(path.c_str(), code), LoadStatus::Loaded);
    assignTimesForward({2008, 3, 1, 0, 0, 0});
    ASSERT_EQ(writeRecordingFile(out.c_str(), code), SaveStatus::Saved);
    EXPECT_EQ(test::readFileBytes(path), test::readFileBytes(out));
    const std::string stamped = test::readFileBytes(path);

    // Each entry as the dialog's buttons judge it, typed into its six fields.
    const std::vector<std::string> entries = {
        "2008-02-29 12:00:00", "2009-02-29 12:00:00", "2009-04-31 00:00:00", "2009-04-30 23:59:59",
        "2009-00-10 00:00:00", "2009-13-10 00:00:00", "2004-06-01 00:00:00", "2100-06-01 00:00:00",
        "2005-01-01 00:00:00", "2099-12-31 23:59:59", "2009-06-01 24:00:00", "2009-06-01 00:60:00",
        "2009-06-01 00:00:60", "2009-06-01  :00:00",  "2009-06-01 0:0:0",    "2009-257-01 00:00:00",
        "2009-06-01 280:00:00", "2009-06-00 00:00:00", "2009-6-1 7:5:9",     "x009-06-01 00:00:00"};
    int refusals = 0;
    for (const std::string& entry : entries) {
        std::array<std::string, 6> fields;
        ASSERT_TRUE(cli::splitTimeText(entry, fields)) << entry;
        TimeEntryTexts texts;
        for (int i = 0; i < 6; ++i) texts[i] = fields[i].c_str();
        fake::reset();
        const bool dialogAccepts = setTimeDialogButton(kSetEndTimeButton, texts) == kSetEndTimeButton;

        test::writeFileBytes(path, stamped);
        r = cli({"settime", path, "--end", entry});
        if (dialogAccepts) {
            EXPECT_EQ(r.exitCode, 0) << entry << ": " << r.err;
        } else {
            ++refusals;
            EXPECT_EQ(r.exitCode, 1) << entry;
            EXPECT_NE(r.err.find(messageTextPtr(kMsgInvalidTime)), std::string::npos) << r.err;
            EXPECT_EQ(test::readFileBytes(path), stamped) << entry << " changed the file";
        }
    }
    EXPECT_EQ(refusals, 14);

    // Mistakes of the command line itself.
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"settime", path},
             {"settime", path, "--start", "2008-01-01 00:00:00", "--end", "2008-01-01 00:00:00"},
             {"settime", path, "--start", "yesterday"},
             {"settime", "--start", "2008-01-01 00:00:00"}}) {
        EXPECT_EQ(cli(args).exitCode, 1);
        EXPECT_EQ(test::readFileBytes(path), stamped);
    }
}

TEST_F(CliOnFiles, EveryCommandHasItsHelpAndMistakesSayWhereToLook) {
    for (const char* command : {"ports", "fetch", "info", "export", "settime", "report"}) {
        const ProcessResult r = cli({command, "--help"});
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_EQ(r.out.rfind(std::string("Usage: vantreldaq-cli ") + command, 0), 0u) << r.out;
        EXPECT_EQ(cli({"help", command}).out, r.out);
    }
    EXPECT_EQ(cli({"--help"}).exitCode, 0);
    const ProcessResult none = cli({});
    EXPECT_EQ(none.exitCode, 1);
    const ProcessResult unknown = cli({"fetchh"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("no command \"fetchh\""), std::string::npos);
    const ProcessResult bad = cli({"info", "a.udd", "--frobnicate"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("vantreldaq-cli info --help"), std::string::npos) << bad.err;
}

TEST_F(CliOnFiles, PortsListsEveryComNumberWithItsDevice) {
    const std::string previous3 = std::getenv("VANTREL_COM3") ? std::getenv("VANTREL_COM3") : "";
    const std::string previous4 = std::getenv("VANTREL_COM4") ? std::getenv("VANTREL_COM4") : "";
    ::setenv("VANTREL_COM3", "/dev/null", 1);
    ::setenv("VANTREL_COM4", dir_.file("gone").c_str(), 1);
    ::setenv("VANTREL_COM12", "/dev/null", 1);
    const ProcessResult r = cli({"ports"});
    ::unsetenv("VANTREL_COM12");
    if (previous3.empty()) ::unsetenv("VANTREL_COM3"); else ::setenv("VANTREL_COM3", previous3.c_str(), 1);
    if (previous4.empty()) ::unsetenv("VANTREL_COM4"); else ::setenv("VANTREL_COM4", previous4.c_str(), 1);
    ASSERT_EQ(r.exitCode, 0);
    std::vector<std::string> lines;
    for (std::size_t pos = 0, next; (next = r.out.find('\n', pos)) != std::string::npos; pos = next + 1)
        lines.push_back(r.out.substr(pos, next - pos));
    ASSERT_EQ(lines.size(), 9u) << "COM1..COM8, then the higher numbers that lead somewhere\n" << r.out;
    EXPECT_EQ(lines[8], "12  /dev/null         present  VANTREL_COM12");
    for (int n = 1; n <= 8; ++n) EXPECT_EQ(lines[n - 1].rfind(std::to_string(n) + "  ", 0), 0u) << lines[n - 1];
    EXPECT_EQ(lines[2], "3  /dev/null         present  VANTREL_COM3");
    EXPECT_EQ(lines[3].find("4  " + dir_.file("gone")), 0u);
    EXPECT_NE(lines[3].find("missing  VANTREL_COM4"), std::string::npos) << lines[3];
}

// ---- report -----------------------------------------------------------------------

// Just enough JSON to read the report back: numbers are kept as their text,
// so "87.50" is checked as written.
struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    std::string text;  // number or string
    bool flag = false;
    std::vector<Json> items;        // array items, or object values
    std::vector<std::string> keys;  // object keys, one per item

    const Json& operator[](const std::string& key) const {
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (keys[i] == key) return items[i];
        static const Json missing;
        ADD_FAILURE() << "no key " << key;
        return missing;
    }
    bool has(const std::string& key) const { return std::find(keys.begin(), keys.end(), key) != keys.end(); }
    std::uint64_t u() const { return std::stoull(text); }
};

bool parseJson(const std::string& s, std::size_t& i, Json& out) {
    auto skip = [&] {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\n')) ++i;
    };
    skip();
    if (i >= s.size()) return false;
    if (s[i] == '{' || s[i] == '[') {
        const bool object = s[i] == '{';
        out.kind = object ? Json::Object : Json::Array;
        ++i;
        skip();
        if (i < s.size() && s[i] == (object ? '}' : ']')) return ++i, true;
        for (;;) {
            std::string key;
            if (object) {
                Json k;
                if (!parseJson(s, i, k) || k.kind != Json::String) return false;
                skip();
                if (i >= s.size() || s[i++] != ':') return false;
                key = k.text;
            }
            Json v;
            if (!parseJson(s, i, v)) return false;
            if (object) out.keys.push_back(key);
            out.items.push_back(v);
            skip();
            if (i < s.size() && s[i] == ',') {
                ++i;
                continue;
            }
            return i < s.size() && s[i++] == (object ? '}' : ']');
        }
    }
    if (s[i] == '"') {
        out.kind = Json::String;
        for (++i; i < s.size() && s[i] != '"'; ++i) out.text += s[i];  // the report writes no escapes
        return i++ < s.size();
    }
    for (const char* word : {"true", "false", "null"}) {
        if (s.compare(i, std::strlen(word), word) == 0) {
            out.kind = word[0] == 'n' ? Json::Null : Json::Bool;
            out.flag = word[0] == 't';
            i += std::strlen(word);
            return true;
        }
    }
    out.kind = Json::Number;
    while (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.' || s[i] == '-'))
        out.text += s[i++];
    return !out.text.empty();
}

std::string isoStamp(const SampleRecord& r) {
    std::string t = cli::formatStamp(r);
    t[10] = 'T';
    return t;
}

// The JSON of the command, read back, against the brute-force reference over
// the recording written to the file.
TEST_F(CliOnFiles, ReportJsonReadsBackAsTheReferenceFigures) {
    static std::vector<std::uint8_t> values;
    std::mt19937 rng(21);
    values.assign(40000, 0);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const unsigned d = rng() % 100;
        values[i] = d < 2   ? 201
                    : d < 5 ? 255
                            : static_cast<std::uint8_t>(i / 500 % 2 ? 60 + rng() % 80 : rng() % 255);
        if (values[i] == 202) values[i] = 203;
    }
    const std::string path = recording("year.udd", {.count = 40000,
                                                    .sampleTime = 100,
                                                    .year = 2008,
                                                    .month = 12,
                                                    .day = 31,
                                                    .hour = 23,
                                                    .minute = 0,
                                                    .second = 0,
                                                    .value = [](std::uint32_t i) { return values[i]; }});
    const ProcessResult r = cli({"report", path, "--json", "--threshold", "120", "--threshold", "90",
                                 "--demand", "30", "--rated-kw", "7.5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Json j;
    std::size_t at = 0;
    ASSERT_TRUE(parseJson(r.out, at, j)) << r.out.substr(0, 200);
    EXPECT_EQ(r.out.substr(at), "\n");

    const std::uint32_t n = gHeader.recordCount;
    const test::RefReport ref = test::referenceReport(gStore, n, 100, {90, 120}, 30);
    EXPECT_EQ(j.keys, (std::vector<std::string>{
                          "records", "readings",   "markers",  "gaps",   "sample_time_s", "start",
                          "end",     "duration_s", "max",      "max_at", "min",           "min_at",
                          "mean",    "p50",        "p95",      "p99",    "thresholds",    "demand",
                          "days",    "energy_kwh", "histogram"}));
    EXPECT_EQ(j["records"].u(), n);
    EXPECT_EQ(j["readings"].u(), ref.readings);
    EXPECT_EQ(j["markers"].u(), ref.markers);
    EXPECT_EQ(j["gaps"].u(), ref.gaps);
    EXPECT_EQ(j["sample_time_s"].text, "1.00");
    EXPECT_EQ(j["start"].text, isoStamp(gStore[0]));
    EXPECT_EQ(j["end"].text, isoStamp(gStore[n - 1]));
    EXPECT_EQ(j["duration_s"].text, "40000.00");
    EXPECT_EQ(j["max"].u(), static_cast<std::uint64_t>(ref.max));
    EXPECT_EQ(j["max_at"].text, isoStamp(gStore[ref.maxAt]));
    EXPECT_EQ(j["min"].u(), static_cast<std::uint64_t>(ref.min));
    EXPECT_EQ(j["min_at"].text, isoStamp(gStore[ref.minAt]));
    EXPECT_EQ(j["mean"].text, test::refFixed2(ref.sum, ref.readings));
    EXPECT_EQ(j["p50"].u(), static_cast<std::uint64_t>(ref.p50));
    EXPECT_EQ(j["p95"].u(), static_cast<std::uint64_t>(ref.p95));
    EXPECT_EQ(j["p99"].u(), static_cast<std::uint64_t>(ref.p99));
    ASSERT_EQ(j["thresholds"].items.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        const Json& t = j["thresholds"].items[k];
        const test::RefThreshold& e = ref.thresholds[k];
        EXPECT_EQ(t["level"].u(), static_cast<std::uint64_t>(e.level));
        EXPECT_EQ(t["time_s"].text, std::to_string(e.count) + ".00");
        EXPECT_EQ(t["share"].text, test::refFixed2(e.count * 100, ref.readings));
        EXPECT_EQ(t["episodes"].u(), e.episodes);
        EXPECT_EQ(t["longest_s"].text, std::to_string(e.longest) + ".00");
        EXPECT_EQ(t["longest_start"].text, isoStamp(gStore[e.longestStart]));
    }
    const Json& demand = j["demand"];
    EXPECT_EQ(demand["interval_min"].u(), 30u);
    ASSERT_EQ(demand["intervals"].items.size(), ref.intervals.size());
    ASSERT_GE(ref.maxDemand, 0);
    const test::RefInterval& top = ref.intervals[static_cast<std::size_t>(ref.maxDemand)];
    EXPECT_EQ(demand["max_demand"].text, test::refFixed2(top.sum, top.n));
    EXPECT_FALSE(demand.has("max_demand_partial"));
    for (std::size_t k = 0; k < ref.intervals.size(); ++k) {
        const Json& iv = demand["intervals"].items[k];
        EXPECT_EQ(iv["mean"].text, test::refFixed2(ref.intervals[k].sum, ref.intervals[k].n)) << k;
        EXPECT_EQ(iv["whole"].flag, ref.intervals[k].whole) << k;
        if (static_cast<int>(k) == ref.maxDemand) {
            EXPECT_EQ(demand["max_demand_start"].text, iv["start"].text);
        }
    }
    EXPECT_EQ(demand["intervals"].items[0]["start"].text, "2008-12-31T23:00:00.00");
    EXPECT_EQ(demand["intervals"].items[2]["start"].text, "2009-01-01T00:00:00.00");
    ASSERT_EQ(j["days"].items.size(), ref.days.size());
    for (std::size_t k = 0; k < ref.days.size(); ++k) {
        const Json& d = j["days"].items[k];
        EXPECT_EQ(d["date"].text, ref.days[k].date);
        EXPECT_EQ(d["readings"].u(), ref.days[k].n);
        EXPECT_EQ(d["max"].u(), static_cast<std::uint64_t>(ref.days[k].max));
        EXPECT_EQ(d["mean"].text, test::refFixed2(ref.days[k].sum, ref.days[k].n));
    }
    // sum / 100 x 7.5 kW x 1 s / 3600 s/h.
    EXPECT_EQ(j["energy_kwh"].text, test::refFixed2(ref.sum * 75, 100 * 10 * 3600));
    std::map<int, std::uint64_t> histogram;
    const Json& bins = j["histogram"];
    for (std::size_t k = 0; k < bins.keys.size(); ++k) histogram[std::stoi(bins.keys[k])] = bins.items[k].u();
    EXPECT_EQ(histogram, ref.histogram);
}

// --html writes the window's file byte for byte in either language; a file
// it cannot write exits with 2 and leaves nothing behind.
TEST_F(CliOnFiles, ReportHtmlIsTheWindowsFile) {
    const std::string path =
        recording("h.udd", {.count = 5000, .sampleTime = 100, .value = [](std::uint32_t i) -> std::uint8_t {
                                return i % 97 == 0 ? 201 : static_cast<std::uint8_t>(i * 7 % 180);
                            }});
    LoadReport r;
    computeLoadReport(0, gHeader.recordCount - 1, {{90, 120}, 30, 7.5}, r);
    for (const bool german : {false, true}) {
        const std::string out = dir_.file(german ? "de.html" : "en.html");
        const ProcessResult p = cli({"report", path, "--html", out, "--threshold", "120", "--threshold", "90",
                                     "--demand", "30", "--rated-kw", "7.5", "--lang", german ? "de" : "en"});
        ASSERT_EQ(p.exitCode, 0) << p.err;
        EXPECT_EQ(test::readFileBytes(out), reportHtml(r, {german, false})) << german;
    }
    const std::string nowhere = dir_.file("missing-folder") + "/r.html";
    const ProcessResult bad = cli({"report", path, "--html", nowhere});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("cannot write " + nowhere), std::string::npos) << bad.err;
    EXPECT_FALSE(std::filesystem::exists(dir_.file("missing-folder")));
}

TEST_F(CliOnFiles, ReportRefusesBadArgumentsWithOneAndFilesWithTwo) {
    const std::string path = recording("r.udd", {.count = 100});
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--threshold", "0"},
                                               {"--threshold", "255"},
                                               {"--threshold", "8O"},
                                               {"--demand", "20"},
                                               {"--demand", "0"},
                                               {"--rated-kw", "-5"},
                                               {"--rated-kw", "0"},
                                               {"--rated-kw", "1e3"},
                                               {"--lang", "fr"},
                                               {"--json", "second.udd"}}) {
        std::vector<std::string> args = {"report", path};
        args.insert(args.end(), bad.begin(), bad.end());
        const ProcessResult r = cli(args);
        EXPECT_EQ(r.exitCode, 1) << bad[0] << " " << bad[1];
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("vantreldaq-cli report --help"), std::string::npos) << r.err;
    }
    EXPECT_EQ(cli({"report"}).exitCode, 1);
    EXPECT_EQ(cli({"report", path, "--rated-kw", "7,5", "--lang", "de"}).exitCode, 0);

    // The refusals and texts of info, with exit code 2.
    const std::string cut = dir_.file("cut.udd");
    test::writeFileBytes(cut, std::string(19, '\0'));
    const std::string missing = dir_.file("absent.udd");
    for (const std::string& file : {cut, missing}) {
        const ProcessResult info = cli({"info", file});
        const ProcessResult report = cli({"report", file, "--json"});
        EXPECT_EQ(report.exitCode, 2) << file;
        EXPECT_EQ(report.out, "");
        EXPECT_EQ(report.err, info.err);
    }
}

}  // namespace
