#include "monitoring/alarmplayer.h"

#include "alarms/alarmsound.h"

#include <QAudioDeviceInfo>
#include <QAudioFormat>
#include <QAudioOutput>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cstring>

// Reads one repetition period again and again, so the sound never runs dry.
class LoopingAudio : public QIODevice
{
public:
    explicit LoopingAudio(const QByteArray &bytes) : m_bytes(bytes) {}

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_bytes.size() + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_bytes.isEmpty())
            return 0;
        qint64 done = 0;
        while (done < maxSize) {
            const qint64 n = std::min<qint64>(maxSize - done, m_bytes.size() - m_position);
            std::memcpy(data + done, m_bytes.constData() + m_position, size_t(n));
            done += n;
            m_position = (m_position + n) % m_bytes.size();
        }
        return done;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_position = 0;
};

namespace {

QAudioFormat pcmFormat()
{
    QAudioFormat format;
    format.setSampleRate(AlarmSound::SampleRate);
    format.setChannelCount(1);
    format.setSampleSize(16);
    format.setCodec(QStringLiteral("audio/pcm"));
    format.setByteOrder(QAudioFormat::LittleEndian);
    format.setSampleType(QAudioFormat::SignedInt);
    return format;
}

} // namespace

AlarmPlayer::AlarmPlayer(QObject *parent)
    : QObject(parent)
{
    for (AlarmPriority priority : {AlarmPriority::Low, AlarmPriority::Medium, AlarmPriority::High}) {
        const std::vector<qint16> samples = AlarmSound::waveform(priority);
        QByteArray &bytes = m_sounds[size_t(priority)];
        bytes.resize(int(samples.size() * 2));
        for (size_t i = 0; i < samples.size(); ++i)
            qToLittleEndian(samples[i], bytes.data() + 2 * i);
    }
    const QAudioDeviceInfo device = QAudioDeviceInfo::defaultOutputDevice();
    m_hasSound = !device.isNull() && device.isFormatSupported(pcmFormat());
}

AlarmPlayer::~AlarmPlayer()
{
    if (m_output)
        m_output->stop();
}

void AlarmPlayer::play(AlarmPriority priority)
{
    // A sound that could not start is tried again.
    if (priority == m_playing && (m_output || priority == AlarmPriority::None))
        return;
    m_playing = priority;
    if (m_output) {
        m_output->stop();
        m_output.reset();
    }
    m_loop.reset();
    if (priority == AlarmPriority::None)
        return;
    const QAudioDeviceInfo device = QAudioDeviceInfo::defaultOutputDevice();
    if (device.isNull() || !device.isFormatSupported(pcmFormat())) {
        setHasSound(false);
        return;
    }
    m_loop = std::make_unique<LoopingAudio>(m_sounds[size_t(priority)]);
    m_loop->open(QIODevice::ReadOnly);
    m_output = std::make_unique<QAudioOutput>(device, pcmFormat());
    // A device that goes away while playing stops the output with an error.
    connect(m_output.get(), &QAudioOutput::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && m_output && m_output->error() != QAudio::NoError)
            setHasSound(false);
    });
    m_output->start(m_loop.get());
    setHasSound(m_output->error() == QAudio::NoError);
    if (!m_hasSound)
        m_output.reset();
}

void AlarmPlayer::setHasSound(bool available)
{
    if (available == m_hasSound)
        return;
    m_hasSound = available;
    emit soundAvailableChanged(available);
}
