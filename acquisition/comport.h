#pragma once

// Plain C++ on purpose (no Qt): the Windows port layer is compile-checked on
// its own with a cross compiler.
#include <string>

// The owner of one open serial link to an acquisition module: 115200 8N1,
// no flow control, DTR and RTS off, a read time-out (10 s by default) and a
// 3-s write time-out, both buffers purged on opening.
class ComPort
{
public:
    static constexpr int DefaultReadTimeoutMs = 10000;
    static constexpr int WriteTimeoutMs = 3000;
    static constexpr int QueueSize = 32768;
    static constexpr int IdentificationSize = 10;

    // Module commands.
    static constexpr unsigned char CommandStart = 0x01;
    static constexpr unsigned char CommandStop = 0x02;
    static constexpr unsigned char CommandKeepAlive = 0x09;
    static constexpr unsigned char CommandIdentify = 0x0C;

    // Opens and configures the port; on failure isOpen() is false and
    // errorText() tells why.
    ComPort(const std::string &portName, int baudRate, int readTimeoutMs = DefaultReadTimeoutMs);
    ~ComPort();
    ComPort(const ComPort &) = delete;
    ComPort &operator=(const ComPort &) = delete;

    bool isOpen() const;
    const std::string &errorText() const { return error; }

    // Sends one byte; true when exactly that byte was written.
    bool sendCommand(unsigned char command);
    // Reads up to count bytes, returning once all are there or the read time-out
    // has passed; gives the number read, or -1 when the read call fails.
    int read(unsigned char *data, int count);
    // Purges both buffers, then sends the start command.
    bool sendStart();
    // Sends the identification request and gives the 10-byte answer, or an
    // empty string when the module does not answer in full.
    std::string identification();

    // The device path a port name is opened under on each platform.
    static std::string windowsDevicePath(const std::string &portName);
    static std::string posixDevicePath(const std::string &portName);

private:
    bool open(const std::string &portName, int baudRate);
    void close();
    int write(const unsigned char *data, int count);
    void purge();

    int readTimeoutMs;
    std::string error;
#ifdef _WIN32
    void *handle = nullptr;
#else
    int fd = -1;
#endif
};
