// vantrel-logger-sim: plays the power logger on a pseudo-terminal that the
// program reaches as one of its COM ports.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "logger_sim.h"
#include "platform/serial.h"

namespace {

const char kUsage[] =
    "Usage: vantrel-logger-sim [options]\n"
    "\n"
    "Plays the power logger on a pseudo-terminal. By default it stands on COM1 by\n"
    "writing COM1=<its device> into the per-user port file and removing the line\n"
    "again when it ends (Ctrl-C). The logger answers pings with its sample time,\n"
    "confirms the count asked for (at most what it holds) and streams that many\n"
    "samples of its recording, oldest first; an abort stops the stream.\n"
    "\n"
    "Where it stands:\n"
    "  --com N                 stand on COM<N>, 1..8 (default 1)\n"
    "  --no-register           leave the port file alone; print the device and an\n"
    "                          export line for VANTREL_COM<N> instead\n"
    "  --list-ports            show what COM1..COM8 mean now, then exit\n"
    "\n"
    "The logger and its recording:\n"
    "  --sample-time T         sample time in 1/100 s, 0..100 (default 10 = 0.1 s);\n"
    "                          the logger offers 2, 5, 10, 20, 50, 100, any other works\n"
    "  --length N              samples it holds (default 1048576)\n"
    "  --profile P             load (default: a working day with markers 201/202\n"
    "                          and gaps 255), ramp (index mod 256), constant:V\n"
    "  --seed S                varies the load profile (default 1)\n"
    "  --pace real|fast        real: 5,760 bytes/s as at 57,600 baud (default);\n"
    "                          fast: as fast as the pseudo-terminal goes\n"
    "\n"
    "Faults:\n"
    "  --silent                answer nothing\n"
    "  --no-sample-time        answer a ping without the sample time\n"
    "  --confirm N             confirm N (0..6553599) whatever is asked\n"
    "  --confirm-offset K      confirm min(asked, held) + K (K may be negative)\n"
    "  --abort-after K         send an abort after K samples\n"
    "  --hangup-after K        hang up the line after K samples (the simulator ends)\n"
    "  --stop-after K          go quiet after K samples of a stream, without an abort\n"
    "  --bad-count-frame       send the low byte of each confirmed count with a wrong checksum\n"
    "  --stray-samples K       send K sample frames right behind each answer to a ping\n"
    "  --bad-checksum-every K  every K-th sample frame has a wrong checksum\n"
    "  --fill-ff K             a 0xFF fill byte after every K-th byte sent\n"
    "  --split[=US]            send each frame in two writes, US microseconds apart\n"
    "                          (default 1000)\n"
    "\n"
    "  --quiet                 print nothing but errors\n"
    "  --help                  this text\n";

sim::Simulator* gSim = nullptr;

void onSignal(int) {
    if (gSim != nullptr) sim::simRequestStop(gSim);
}

bool parseInt(const char* text, long long lo, long long hi, long long& out) {
    if (text == nullptr || *text == 0) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != 0 || v < lo || v > hi) return false;
    out = v;
    return true;
}

int usageError(const std::string& what) {
    std::fprintf(stderr, "vantrel-logger-sim: %s\nTry --help.\n", what.c_str());
    return 2;
}

void listPorts() {
    for (int n = platform::kFirstSerialPort; n <= platform::kLastMenuSerialPort; ++n) {
        const platform::SerialPortInfo info = platform::serialPortInfo(n);
        const std::string d = platform::serialPortDescription(n);
        std::printf("COM%d  %s%s\n", n, d.empty() ? "-" : d.c_str(),
                    info.path.empty() || info.present ? "" : "  (missing)");
    }
    std::printf("override file: %s\n", platform::serialOverrideFile().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    sim::Options o;
    int com = 1;
    bool registerPort = true;
    bool quiet = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long long v = 0;
        auto number = [&](long long lo, long long hi) {
            if (!parseInt(value, lo, hi, v)) return false;
            ++i;
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--list-ports") {
            listPorts();
            return 0;
        } else if (arg == "--com") {
            if (!number(platform::kFirstSerialPort, platform::kLastMenuSerialPort)) return usageError("--com needs 1..8");
            com = static_cast<int>(v);
        } else if (arg == "--no-register") {
            registerPort = false;
        } else if (arg == "--sample-time") {
            if (!number(0, 100)) return usageError("--sample-time needs 0..100");
            o.sampleTime = static_cast<int>(v);
        } else if (arg == "--length") {
            if (!number(0, 0xFFFFFFFFLL)) return usageError("--length needs a count");
            o.length = static_cast<std::uint32_t>(v);
        } else if (arg == "--profile") {
            const std::string p = value != nullptr ? value : "";
            ++i;
            if (p == "load") {
                o.profile = sim::Profile::Load;
            } else if (p == "ramp") {
                o.profile = sim::Profile::Ramp;
            } else if (p.rfind("constant:", 0) == 0 && parseInt(p.c_str() + 9, 0, 255, v)) {
                o.profile = sim::Profile::Constant;
                o.constantValue = static_cast<int>(v);
            } else {
                return usageError("--profile needs load, ramp or constant:V (V 0..255)");
            }
        } else if (arg == "--seed") {
            if (!number(0, 0xFFFFFFFFLL)) return usageError("--seed needs a number");
            o.seed = static_cast<std::uint32_t>(v);
        } else if (arg == "--pace") {
            const std::string p = value != nullptr ? value : "";
            ++i;
            if (p == "real") {
                o.pace = sim::Pace::Real;
            } else if (p == "fast") {
                o.pace = sim::Pace::Fast;
            } else {
                return usageError("--pace needs real or fast");
            }
        } else if (arg == "--silent") {
            o.silent = true;
        } else if (arg == "--no-sample-time") {
            o.noSampleTime = true;
        } else if (arg == "--confirm") {
            if (!number(0, sim::kMaxCount)) return usageError("--confirm needs 0..6553599");
            o.confirmFixed = v;
        } else if (arg == "--confirm-offset") {
            if (!number(-6553599, 6553599)) return usageError("--confirm-offset needs -6553599..6553599");
            o.confirmOffset = v;
        } else if (arg == "--abort-after") {
            if (!number(0, sim::kMaxCount)) return usageError("--abort-after needs a count");
            o.abortAfter = v;
        } else if (arg == "--stop-after") {
            if (!number(0, sim::kMaxCount)) return usageError("--stop-after needs a count");
            o.stopAfter = v;
        } else if (arg == "--bad-count-frame") {
            o.badCountFrame = true;
        } else if (arg == "--stray-samples") {
            if (!number(0, 1000)) return usageError("--stray-samples needs a count 0..1000");
            o.strayAfterAnswer = static_cast<std::uint32_t>(v);
        } else if (arg == "--hangup-after") {
            if (!number(0, sim::kMaxCount)) return usageError("--hangup-after needs a count");
            o.hangupAfter = v;
        } else if (arg == "--bad-checksum-every") {
            if (!number(1, 0xFFFFFFFFLL)) return usageError("--bad-checksum-every needs a count >= 1");
            o.badChecksumEvery = static_cast<std::uint32_t>(v);
        } else if (arg == "--fill-ff") {
            if (!number(1, 0xFFFFFFFFLL)) return usageError("--fill-ff needs a count >= 1");
            o.fillEvery = static_cast<std::uint32_t>(v);
        } else if (arg == "--split") {
            o.split = true;
        } else if (arg.rfind("--split=", 0) == 0) {
            if (!parseInt(arg.c_str() + 8, 0, 1000000, v)) return usageError("--split=US needs 0..1000000");
            o.split = true;
            o.splitGapUs = static_cast<int>(v);
        } else if (arg == "--quiet") {
            quiet = true;
        } else {
            return usageError("unknown option " + arg);
        }
    }

    std::string error;
    gSim = sim::simCreate(o, &error);
    if (gSim == nullptr) {
        std::fprintf(stderr, "vantrel-logger-sim: cannot make a pseudo-terminal: %s\n", error.c_str());
        return 1;
    }
    const std::string device = sim::simDevicePath(gSim);

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const std::string envName = "VANTREL_COM" + std::to_string(com);
    if (registerPort) {
        const int rc = platform::serialSetOverride(com, device);
        if (rc != 0) {
            std::fprintf(stderr, "vantrel-logger-sim: cannot write %s: %s\n", platform::serialOverrideFile().c_str(),
                         std::strerror(rc));
            sim::simDestroy(gSim);
            return 1;
        }
        if (!quiet) {
            std::printf("logger on COM%d = %s (registered in %s)\n", com, device.c_str(),
                        platform::serialOverrideFile().c_str());
        }
        if (std::getenv(envName.c_str()) != nullptr) {
            std::fprintf(stderr, "vantrel-logger-sim: note: %s is set here and wins over the port file "
                                 "for programs started from this shell\n", envName.c_str());
        }
    } else if (!quiet) {
        std::printf("logger on %s\nexport %s=%s\n", device.c_str(), envName.c_str(), device.c_str());
    }
    std::fflush(stdout);

    const int rc = sim::simRun(gSim);
    if (registerPort) platform::serialSetOverride(com, "", device);  // only if still ours

    const sim::Stats& st = sim::simStats(gSim);
    if (!quiet) {
        std::printf("pings %u, counts confirmed %u (last %u of %u asked), streams %u, aborts received %u, "
                    "samples sent %u%s\n",
                    st.pings.load(), st.confirmations.load(), st.countConfirmed.load(), st.countRequested.load(),
                    st.starts.load(), st.abortsReceived.load(), st.samplesSent.load(),
                    st.hungUp.load() ? ", line hung up" : "");
    }
    sim::Simulator* s = gSim;
    gSim = nullptr;
    sim::simDestroy(s);
    if (rc != 0) {
        std::fprintf(stderr, "vantrel-logger-sim: pseudo-terminal failed: %s\n", std::strerror(rc));
        return 1;
    }
    return 0;
}
