// tarvik-remote: drives a running Tarvik and reads its frames through the shared-memory
// blocks, for scripts and tests. It writes a command the way any client does (argument, then
// code) and waits until Tarvik has taken it; it never waits without a time-out.

#include "device/SharedMemory.h"
#include "scope/FrontEnd.h"
#include "scope/ScopeRemoteControl.h"
#include "scope/Timebase.h"

#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace tarvik;

namespace {

constexpr int kCommandTimeoutMs = 2000;
constexpr int kFrameTimeoutMs = 30000; // a frame at 500 ms/div takes 20 s

const char* const kUsage =
    "Usage: tarvik-remote [--timeout MS] COMMAND [ARGUMENTS]\n"
    "Drives a running Tarvik through its shared-memory blocks.\n"
    "\n"
    "  status                  the oscilloscope's controls, one name=value line each\n"
    "  send CODE [ARG]         remote-control command CODE (1..14) with ARG (default 0)\n"
    "  run, stop               press, release Run\n"
    "  single [off]            press (release) Single\n"
    "  range CH RANGE          CH 1 or 2; RANGE 5V 2V 1V 0.5V 0.2V 0.1V (per division)\n"
    "  timebase TIME           500ms 200ms 100ms 50ms 20ms 10ms 5ms 2ms 1ms 0.5ms 0.2ms\n"
    "                          0.1ms 50us 20us 10us 5us 2us (per division)\n"
    "  position CH VALUE       vertical position -128..127\n"
    "  trigger on|off\n"
    "  level VALUE             trigger level 0..254 (0 = top of the screen)\n"
    "  source ch1|ch2          trigger source\n"
    "  edge up|down            trigger edge\n"
    "  coupling CH ac|dc|gnd\n"
    "  show, hide              show or hide the oscilloscope window\n"
    "  frame [--csv]           wait for the next frame and print both channels\n"
    "\n"
    "--timeout MS  how long to wait for Tarvik (default 2000 ms; for frame 30000 ms).\n"
    "TARVIK_SHM_PREFIX selects the blocks of a Tarvik started with the same prefix.\n"
    "Exit status: 0 done, 1 Tarvik not running or not answering, 2 bad command line.\n";

struct Failure {
    int code;
    std::string message;
};

[[noreturn]] void fail(int code, const std::string& message) {
    throw Failure{code, message};
}

[[noreturn]] void usage(const std::string& message) {
    fail(2, message + " (tarvik-remote --help lists the commands)");
}

int toInt(const QString& text, const char* what) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok) usage(std::string("not a whole number for ") + what + ": \"" + text.toStdString() + "\"");
    return v;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

SharedMemoryBlock openBlock(const char* base, std::size_t size) {
    const std::string name = SharedBlocks::objectName(SharedBlocks::prefixFromEnvironment(), base);
    if (name.empty()) usage("TARVIK_SHM_PREFIX cannot be part of a shared-memory name");
    SharedMemoryBlock block;
    QString error;
    if (!block.open(name, size, &error)) {
        if (error.endsWith(QStringLiteral("does not exist")))
            fail(1, "Tarvik is not running (" + error.toStdString() + ")");
        fail(1, "cannot use Tarvik's shared memory: " + error.toStdString());
    }
    return block;
}

// Writes a command and waits until Tarvik has taken it (cleared slot 0).
void sendCommand(SharedMemoryBlock& q, int code, int argument, int timeoutMs) {
    if (!waitFor([&] { return q.slot(remote::kCommand) == 0; }, timeoutMs))
        fail(1, "Tarvik is not taking commands: an earlier command (" +
                    std::to_string(q.slot(remote::kCommand)) + ") still waits after " +
                    std::to_string(timeoutMs) + " ms. Is Tarvik running?");
    q.setSlot(remote::kArgument, argument);
    std::atomic_thread_fence(std::memory_order_release); // the argument before the code
    q.setSlot(remote::kCommand, code);
    if (!waitFor([&] { return q.slot(remote::kCommand) != code; }, timeoutMs)) {
        q.compareAndSetSlot(remote::kCommand, code, 0); // not left for a later Tarvik to run
        fail(1, "Tarvik did not take the command within " + std::to_string(timeoutMs) +
                    " ms. Is Tarvik running?");
    }
}

std::string captionOr(int value, const std::vector<const char*>& names) {
    if (value >= 0 && value < static_cast<int>(names.size())) return names[value];
    return std::to_string(value);
}

void printStatus(SharedMemoryBlock& q) {
    auto range = [&](int slot) {
        const int i = q.slot(slot);
        return i >= 0 && i < kRanges ? std::string(rangeTable()[i].caption) : std::to_string(i);
    };
    const int tb = q.slot(remote::kTimebase);
    std::string timebase;
    if (tb == remote::kTimebaseIndices - 1)
        timebase = "5us-or-faster";
    else if (const int row = remote::timebaseRowForIndex(tb); row >= 0)
        timebase = std::string(timebaseTable()[row].caption);
    else
        timebase = std::to_string(tb);
    const std::vector<const char*> coupling{"AC", "DC", "GND"};
    std::printf("ch1_range=%s\nch2_range=%s\ntimebase=%s\n", range(remote::kCh1Range).c_str(),
                range(remote::kCh2Range).c_str(), timebase.c_str());
    std::printf("ch1_position=%d\nch2_position=%d\n", q.slot(remote::kCh1Position),
                q.slot(remote::kCh2Position));
    std::printf("ch1_coupling=%s\nch2_coupling=%s\n",
                captionOr(q.slot(remote::kCh1Coupling), coupling).c_str(),
                captionOr(q.slot(remote::kCh2Coupling), coupling).c_str());
    std::printf("trigger=%s\ntrigger_source=%s\ntrigger_edge=%s\ntrigger_level=%d\n",
                captionOr(q.slot(remote::kTriggerOn), {"off", "on"}).c_str(),
                captionOr(q.slot(remote::kTriggerSource), {"ch1", "ch2", "ext"}).c_str(),
                captionOr(q.slot(remote::kTriggerEdge), {"down", "up"}).c_str(),
                q.slot(remote::kTriggerLevel));
}

void printFrame(const std::vector<std::int32_t>& f, bool csv) {
    using namespace remote;
    const int ch1 = kCh1Record, ch2 = kCh2Record;
    const std::string header = "sample_rate=" + std::to_string(f[ch2 + kRecordRate]) + (csv ? " " : "\n") +
                               "ch1_full_scale_mv=" + std::to_string(f[ch1 + kRecordFullScale]) +
                               (csv ? " " : "\n") + "ch1_zero_level=" + std::to_string(f[ch1 + kRecordZero]) +
                               (csv ? " " : "\n") +
                               "ch2_full_scale_mv=" + std::to_string(f[ch2 + kRecordFullScale]) +
                               (csv ? " " : "\n") + "ch2_zero_level=" + std::to_string(f[ch2 + kRecordZero]);
    if (csv) {
        std::printf("# %s\nsample,ch1,ch2\n", header.c_str());
        for (int i = 0; i < kSamples; ++i)
            std::printf("%d,%d,%d\n", i, f[ch1 + kRecordSamples + i], f[ch2 + kRecordSamples + i]);
        return;
    }
    std::printf("%s\n", header.c_str());
    for (const auto& [name, base] : {std::pair{"ch1", ch1}, std::pair{"ch2", ch2}}) {
        std::string line = std::string(name) + "=";
        for (int i = 0; i < kSamples; ++i)
            line += (i ? " " : "") + std::to_string(f[base + kRecordSamples + i]);
        std::printf("%s\n", line.c_str());
    }
}

int channelArgument(const QString& text) {
    const int ch = toInt(text, "the channel");
    if (ch != 1 && ch != 2) usage("the channel is 1 or 2");
    return ch - 1;
}

// The command and argument of a friendly verb; none for "status" and "frame".
std::optional<std::pair<int, int>> commandFor(const QStringList& a) {
    const QString verb = a.value(0).toLower();
    auto need = [&](int count) {
        if (a.size() != count + 1)
            usage("\"" + verb.toStdString() + "\" takes " + std::to_string(count) + " argument(s)");
    };
    auto word = [&](int i) { return a.value(i).trimmed().toLower(); };
    if (verb == QLatin1String("send")) {
        if (a.size() != 2 && a.size() != 3) usage("send takes CODE and an optional ARG");
        return std::pair{toInt(a[1], "CODE"), a.size() == 3 ? toInt(a[2], "ARG") : 0};
    }
    if (verb == QLatin1String("run") || verb == QLatin1String("stop")) {
        need(0);
        return std::pair{int(remote::Run), verb == QLatin1String("run") ? 1 : 0};
    }
    if (verb == QLatin1String("single")) {
        if (a.size() > 2 || (a.size() == 2 && word(1) != QLatin1String("off")))
            usage("single takes nothing or \"off\"");
        return std::pair{int(remote::Single), a.size() == 1 ? 1 : 0};
    }
    if (verb == QLatin1String("range")) {
        need(2);
        const int ch = channelArgument(a[1]);
        QString caption = a[2].trimmed();
        if (caption.endsWith(QLatin1Char('v'))) caption.back() = QLatin1Char('V');
        const int index = rangeIndexForCaption(caption.toStdString());
        if (index < 0) usage("no range \"" + a[2].toStdString() + "\" (5V 2V 1V 0.5V 0.2V 0.1V)");
        return std::pair{remote::Ch1Range + ch, index};
    }
    if (verb == QLatin1String("timebase")) {
        need(1);
        QString caption = word(1);
        caption.replace(QStringLiteral("µs"), QStringLiteral("us"));
        for (int i = 0; i < remote::kTimebaseIndices; ++i)
            if (QString::fromLatin1(timebaseTable()[remote::timebaseRowForIndex(i)].caption) == caption)
                return std::pair{int(remote::Timebase), i};
        usage("no time base \"" + a[1].toStdString() + "\" (500ms .. 5us, 2us)");
    }
    if (verb == QLatin1String("position")) {
        need(2);
        return std::pair{remote::Ch1Position + channelArgument(a[1]), toInt(a[2], "the position")};
    }
    if (verb == QLatin1String("trigger")) {
        need(1);
        if (word(1) != QLatin1String("on") && word(1) != QLatin1String("off")) usage("trigger on or off");
        return std::pair{int(remote::TriggerOn), word(1) == QLatin1String("on") ? 1 : 0};
    }
    if (verb == QLatin1String("level")) {
        need(1);
        return std::pair{int(remote::TriggerLevel), toInt(a[1], "the level")};
    }
    if (verb == QLatin1String("source")) {
        need(1);
        if (word(1) != QLatin1String("ch1") && word(1) != QLatin1String("ch2")) usage("source ch1 or ch2");
        return std::pair{int(remote::TriggerSource), word(1) == QLatin1String("ch2") ? 1 : 0};
    }
    if (verb == QLatin1String("edge")) {
        need(1);
        const QString e = word(1);
        if (e == QLatin1String("up") || e == QLatin1String("rising"))
            return std::pair{int(remote::TriggerEdge), 1};
        if (e == QLatin1String("down") || e == QLatin1String("dn") || e == QLatin1String("falling"))
            return std::pair{int(remote::TriggerEdge), 0};
        usage("edge up or down");
    }
    if (verb == QLatin1String("coupling")) {
        need(2);
        const int ch = channelArgument(a[1]);
        const int c =
            QStringList{QStringLiteral("ac"), QStringLiteral("dc"), QStringLiteral("gnd")}.indexOf(word(2));
        if (c < 0) usage("coupling ac, dc or gnd");
        return std::pair{remote::Ch1Coupling + ch, c};
    }
    if (verb == QLatin1String("show") || verb == QLatin1String("hide")) {
        need(0);
        return std::pair{int(remote::ShowWindow), verb == QLatin1String("show") ? 1 : 0};
    }
    if (verb == QLatin1String("status") || verb == QLatin1String("frame")) return std::nullopt;
    usage("unknown command \"" + a.value(0).toStdString() + "\"");
}

int run(QStringList args) {
    std::optional<int> timeout;
    bool csv = false;
    for (int i = 0; i < args.size();) {
        if (args[i] == QLatin1String("--help") || args[i] == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (args[i] == QLatin1String("--timeout")) {
            if (i + 1 >= args.size()) usage("--timeout needs milliseconds");
            timeout = toInt(args[i + 1], "--timeout");
            if (*timeout < 0) usage("--timeout cannot be negative");
            args.remove(i, 2);
        } else if (args[i] == QLatin1String("--csv")) {
            csv = true;
            args.removeAt(i);
        } else {
            ++i;
        }
    }
    if (args.isEmpty()) usage("no command given");
    const QString verb = args[0].toLower();
    if (csv && verb != QLatin1String("frame")) usage("--csv belongs to frame");
    const auto command = commandFor(args);
    if (verb == QLatin1String("status") || verb == QLatin1String("frame")) {
        if (args.size() != 1) usage("\"" + verb.toStdString() + "\" takes no arguments");
    }

    SharedMemoryBlock quorret = openBlock(SharedBlocks::kQuorretName, SharedBlocks::kQuorretSize);
    const int commandTimeout = timeout.value_or(kCommandTimeoutMs);
    if (command) {
        sendCommand(quorret, command->first, command->second, commandTimeout);
        return 0;
    }
    // Tarvik rewrites the state slots at every tick; a code no command has tells when it did.
    sendCommand(quorret, remote::kPing, 0, commandTimeout);
    if (verb == QLatin1String("status")) {
        printStatus(quorret);
        return 0;
    }

    SharedMemoryBlock dso = openBlock(SharedBlocks::kDsoName, SharedBlocks::kDsoSize);
    const int frameTimeout = timeout.value_or(kFrameTimeoutMs);
    dso.setSlot(remote::kFrameWritten, 0);
    if (!waitFor([&] { return dso.slot(remote::kFrameWritten) == 1; }, frameTimeout))
        fail(1, "no frame within " + std::to_string(frameTimeout) +
                    " ms: is the oscilloscope running? (tarvik-remote run)");
    std::atomic_thread_fence(std::memory_order_acquire); // the records were written before the flag
    std::vector<std::int32_t> frame(remote::kFrameWritten);
    for (int i = 0; i < remote::kFrameWritten; ++i) frame[i] = dso.slot(i);
    printFrame(frame, csv);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    try {
        return run(args);
    } catch (const Failure& f) {
        std::fprintf(stderr, "tarvik-remote: %s\n", f.message.c_str());
        return f.code;
    }
}
