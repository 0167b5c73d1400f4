// The Windows communications layer of ComPort.
#ifdef _WIN32

#include "acquisition/comport.h"

#include <windows.h>

namespace {

HANDLE toHandle(void *handle)
{
    return static_cast<HANDLE>(handle);
}

} // namespace

bool ComPort::isOpen() const
{
    return handle != nullptr;
}

bool ComPort::open(const std::string &portName, int baudRate)
{
    const std::string path = windowsDevicePath(portName);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "No se pudo abrir el puerto (CreateFile)";
        return false;
    }
    auto failWith = [&](const char *text) {
        CloseHandle(h);
        error = text;
        return false;
    };
    if (!SetupComm(h, QueueSize, QueueSize))
        return failWith("SetupComm failed");

    DCB dcb;
    ZeroMemory(&dcb, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb))
        return failWith("GetCommState failed");
    dcb.BaudRate = DWORD(baudRate);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    if (!SetCommState(h, &dcb))
        return failWith("SetCommState failed");

    COMMTIMEOUTS timeouts;
    if (!GetCommTimeouts(h, &timeouts))
        return failWith("GetCommTimeouts failed");
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = DWORD(readTimeoutMs);
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = WriteTimeoutMs;
    if (!SetCommTimeouts(h, &timeouts))
        return failWith("SetCommTimeouts failed");

    if (!PurgeComm(h, PURGE_TXCLEAR | PURGE_RXCLEAR))
        return failWith("PurgeComm failed");

    handle = h;
    return true;
}

void ComPort::close()
{
    if (handle) {
        CloseHandle(toHandle(handle));
        handle = nullptr;
    }
}

int ComPort::read(unsigned char *data, int count)
{
    DWORD done = 0;
    if (!handle || !ReadFile(toHandle(handle), data, DWORD(count), &done, nullptr))
        return -1;
    return int(done);
}

int ComPort::write(const unsigned char *data, int count)
{
    DWORD done = 0;
    if (!handle || !WriteFile(toHandle(handle), data, DWORD(count), &done, nullptr))
        return -1;
    return int(done);
}

void ComPort::purge()
{
    if (handle)
        PurgeComm(toHandle(handle), PURGE_TXCLEAR | PURGE_RXCLEAR);
}

#endif // _WIN32
