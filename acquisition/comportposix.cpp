// The POSIX (termios) layer of ComPort. It keeps the line settings and the
// time-outs of the Windows layer; read and write time-outs are made with
// poll() on a non-blocking descriptor.
#ifndef _WIN32

#include "acquisition/comport.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

speed_t speedFor(int baudRate)
{
    switch (baudRate) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 230400: return B230400;
    default: return B115200;
    }
}

} // namespace

bool ComPort::isOpen() const
{
    return fd >= 0;
}

bool ComPort::open(const std::string &portName, int baudRate)
{
    const std::string path = posixDevicePath(portName);
    const int f = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (f < 0) {
        error = "No se pudo abrir el puerto (CreateFile)";
        return false;
    }
    auto failWith = [&](const char *text) {
        ::close(f);
        error = text;
        return false;
    };
    // No sharing: a second opener of the same terminal is refused.
    if (isatty(f) && ioctl(f, TIOCEXCL) != 0)
        return failWith("No se pudo abrir el puerto (CreateFile)");

    termios settings{};
    if (tcgetattr(f, &settings) != 0)
        return failWith("GetCommState failed");
    cfmakeraw(&settings);
    cfsetispeed(&settings, speedFor(baudRate));
    cfsetospeed(&settings, speedFor(baudRate));
    settings.c_cflag &= ~tcflag_t(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    // VMIN 1 makes an empty non-blocking read give EAGAIN rather than 0 (end of file).
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (tcsetattr(f, TCSANOW, &settings) != 0)
        return failWith("SetCommState failed");
    // DTR and RTS off. Pseudo-terminals and some adapters have no modem
    // lines; their refusal is not an error.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(f, TIOCMBIC, &lines);

    if (tcflush(f, TCIOFLUSH) != 0)
        return failWith("PurgeComm failed");
    fd = f;
    return true;
}

void ComPort::close()
{
    if (fd >= 0) {
        // Give up the exclusive use so that the port can be opened again.
        if (isatty(fd))
            ioctl(fd, TIOCNXCL);
        ::close(fd);
        fd = -1;
    }
}

int ComPort::read(unsigned char *data, int count)
{
    if (fd < 0)
        return -1;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(readTimeoutMs);
    int done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd, data + done, size_t(count - done));
        if (n > 0) {
            done += int(n);
            continue;
        }
        if (n == 0)
            return done > 0 ? done : -1;   // the other end hung up
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return done > 0 ? done : -1;
        const int wait = millisecondsLeft(deadline);
        if (wait == 0)
            break;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, wait);
        if (ready < 0 && errno != EINTR)
            return done > 0 ? done : -1;
        if (ready > 0 && (p.revents & (POLLERR | POLLNVAL)))
            return done > 0 ? done : -1;
        if (ready > 0 && (p.revents & POLLHUP) && !(p.revents & POLLIN))
            return done > 0 ? done : -1;
    }
    return done;
}

int ComPort::write(const unsigned char *data, int count)
{
    if (fd < 0)
        return -1;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(WriteTimeoutMs);
    int done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, data + done, size_t(count - done));
        if (n > 0) {
            done += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return done > 0 ? done : -1;
        const int wait = millisecondsLeft(deadline);
        if (wait == 0)
            break;
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, wait) < 0 && errno != EINTR)
            return done > 0 ? done : -1;
    }
    return done;
}

void ComPort::purge()
{
    if (fd >= 0)
        tcflush(fd, TCIOFLUSH);
}

#endif // !_WIN32
