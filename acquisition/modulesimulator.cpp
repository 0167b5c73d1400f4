#ifndef _WIN32

#include "acquisition/modulesimulator.h"

#include "acquisition/comport.h"
#include "acquisition/frameparser.h"
#include "acquisition/modulereader.h"

#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

ModuleSimulator::ModuleSimulator(const ModuleSimulatorOptions &options)
    : options(options)
{
}

ModuleSimulator::~ModuleSimulator()
{
    stop();
    closeTerminal();
}

bool ModuleSimulator::open(QString *error)
{
    auto fail = [&](const char *what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(strerror(errno)));
        closeTerminal();
        return false;
    };
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        return fail("posix_openpt");
    if (grantpt(master) != 0 || unlockpt(master) != 0)
        return fail("grantpt");
    const char *name = ptsname(master);
    if (!name)
        return fail("ptsname");
    path = QString::fromLocal8Bit(name);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    // Holding the terminal open keeps the link alive between the host's
    // openings, and raw mode keeps the line discipline from echoing bytes.
    slaveKeeper = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveKeeper < 0)
        return fail("open terminal");
    termios settings{};
    if (tcgetattr(slaveKeeper, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(slaveKeeper, TCSANOW, &settings);
    }
    return true;
}

void ModuleSimulator::closeTerminal()
{
    streaming = false;
    if (slaveKeeper >= 0) {
        ::close(slaveKeeper);
        slaveKeeper = -1;
    }
    if (master >= 0) {
        ::close(master);
        master = -1;
    }
}

void ModuleSimulator::start()
{
    stop();
    quitWorker = false;
    worker = std::thread([this] { serve(quitWorker); });
}

void ModuleSimulator::stop()
{
    quitWorker = true;
    if (worker.joinable())
        worker.join();
}

void ModuleSimulator::encodeFrame(short sample, double batteryVolts, unsigned char frame[6])
{
    // The module's input saturates at its +-6 mV range.
    const int value = std::clamp(sample + 256, 0, FrameParser::MaxValue);
    frame[0] = ModuleReader::FrameSync;
    frame[1] = static_cast<unsigned char>(value >> 8);
    frame[2] = static_cast<unsigned char>(value & 0xff);
    frame[3] = static_cast<unsigned char>(std::clamp(int(std::lround(batteryVolts / 0.013)), 0, 255));
    frame[4] = 0;
    frame[5] = 0;
}

void ModuleSimulator::handleCommand(unsigned char command)
{
    switch (command) {
    case ComPort::CommandStart:
        ++starts;
        streaming = true;
        streamFrames = 0;
        streamStartNs = nowNs();
        if (options.playOnce)
            ecgPosition = 0;
        if (hangupStartNs < 0)
            hangupStartNs = streamStartNs;
        break;
    case ComPort::CommandStop:
        ++stops;
        streaming = false;
        break;
    case ComPort::CommandKeepAlive:
        ++keepAlives;
        break;
    case ComPort::CommandIdentify:
        ++identifications;
        pendingIdentification = true;
        break;
    default:
        break;
    }
}

bool ModuleSimulator::writeAll(const unsigned char *data, int count, const std::atomic<bool> &quit)
{
    int done = 0;
    while (done < count && !quit && master >= 0) {
        const ssize_t n = ::write(master, data + done, size_t(count - done));
        if (n > 0) {
            done += int(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        // Full: take commands meanwhile so that a stop is not missed.
        pollfd p{master, POLLOUT | POLLIN, 0};
        poll(&p, 1, 20);
        if (p.revents & POLLIN) {
            unsigned char commands[64];
            const ssize_t r = ::read(master, commands, sizeof commands);
            for (ssize_t i = 0; i < r; ++i)
                handleCommand(commands[i]);
        }
    }
    return done == count;
}

void ModuleSimulator::serve(const std::atomic<bool> &quit)
{
    std::vector<unsigned char> chunk;
    while (!quit && master >= 0) {
        pollfd p{master, POLLIN, 0};
        const bool sending = streaming && options.fast;
        poll(&p, 1, sending ? 0 : (streaming ? 4 : 20));
        if (p.revents & POLLIN) {
            unsigned char commands[64];
            const ssize_t r = ::read(master, commands, sizeof commands);
            for (ssize_t i = 0; i < r; ++i)
                handleCommand(commands[i]);
        }
        if (pendingIdentification) {
            pendingIdentification = false;
            QByteArray id = options.name.left(ComPort::IdentificationSize);
            id.append(QByteArray(ComPort::IdentificationSize - id.size(), '\0'));
            writeAll(reinterpret_cast<const unsigned char *>(id.constData()), id.size(), quit);
        }
        if (!streaming)
            continue;

        const double seconds = (nowNs() - streamStartNs) * 1e-9;
        if (options.hangupAfter >= 0 && (nowNs() - hangupStartNs) * 1e-9 >= options.hangupAfter) {
            closeTerminal();
            break;
        }
        if (options.stallAfter >= 0 && !stalledOnce && seconds >= options.stallAfter) {
            stalledOnce = true;
            streaming = false;
            continue;
        }
        const double streamSeconds = seconds - options.streamDelayMs * 0.001;
        if (streamSeconds < 0)
            continue;
        long due = options.fast ? streamFrames + 256 : long(streamSeconds * 250.0);
        if (options.frameLimit > 0)
            due = std::min(due, options.frameLimit);
        chunk.clear();
        const long first = streamFrames;
        while (streamFrames < due) {
            if (options.playOnce && ecgPosition >= options.ecg.size()) {
                streaming = false;
                ++endsReached;
                break;
            }
            const short sample = options.ecg.empty() ? short(0) : options.ecg[ecgPosition];
            if (options.playOnce)
                ++ecgPosition;
            else if (!options.ecg.empty())
                ecgPosition = (ecgPosition + 1) % options.ecg.size();
            unsigned char frame[6];
            encodeFrame(sample, options.batteryVolts, frame);
            chunk.insert(chunk.end(), frame, frame + 6);
            if (options.garbage) {
                garbageState = garbageState * 1103515245u + 12345u;
                const unsigned int extra = (garbageState >> 16) % 4;
                for (unsigned int i = 0; i < extra; ++i) {
                    garbageState = garbageState * 1103515245u + 12345u;
                    const unsigned int r = garbageState >> 16;
                    chunk.push_back(r % 5 == 0 ? ModuleReader::FrameSync : static_cast<unsigned char>(r));
                }
            }
            ++streamFrames;
        }
        const long count = streamFrames - first;
        if (!chunk.empty() && !writeAll(chunk.data(), int(chunk.size()), quit)) {
            closeTerminal();
            break;
        }
        frames += count;
    }
}

#endif // !_WIN32
