#include "acquisition/comport.h"

#include <cstdio>

ComPort::ComPort(const std::string &portName, int baudRate, int readTimeoutMs)
    : readTimeoutMs(readTimeoutMs)
{
    open(portName, baudRate);
}

ComPort::~ComPort()
{
    close();
}

bool ComPort::sendCommand(unsigned char command)
{
    return write(&command, 1) == 1;
}

bool ComPort::sendStart()
{
    purge();
    return sendCommand(CommandStart);
}

std::string ComPort::identification()
{
    if (!isOpen() || !sendCommand(CommandIdentify))
        return std::string();
    unsigned char answer[IdentificationSize];
    if (read(answer, IdentificationSize) != IdentificationSize)
        return std::string();
    return std::string(reinterpret_cast<const char *>(answer), IdentificationSize);
}

std::string ComPort::windowsDevicePath(const std::string &portName)
{
    // "\\.\" and at most the first eight characters of the name.
    char path[16];
    std::snprintf(path, sizeof path, "\\\\.\\%.8s", portName.c_str());
    return path;
}

std::string ComPort::posixDevicePath(const std::string &portName)
{
    // A bare name such as rfcomm0 or ttyUSB0 is a device under /dev.
    if (portName.find('/') != std::string::npos)
        return portName;
    return "/dev/" + portName;
}
