#pragma once

#include <deque>
#include <vector>

// A deviation of the ST level from its reference that has to be held for a
// while to count, and that ends once the level has been back within the
// limit for a while: both an ST episode and the ST alarm are such a thing.
struct TStDeviationSettings
{
    double limitUv = 100.0;   // 0: never active
    double holdS = 30.0;
    double releaseS = 30.0;
};

class TStDeviationTracker
{
public:
    using Settings = TStDeviationSettings;
    explicit TStDeviationTracker(const Settings &settings = Settings()) : m_settings(settings) {}

    // The deviation from the reference at `timeS` (seconds, increasing).
    // Returns true when the tracker became active or ended at this call.
    bool update(double timeS, double deviationUv);

    bool active() const { return m_active; }
    int sign() const { return m_sign; }        // +1 elevation, -1 depression
    double startS() const { return m_startS; } // when the deviation began (active or pending)
    double endS() const { return m_endS; }     // when the level came back within (after an end)
    const Settings &settings() const { return m_settings; }

private:
    Settings m_settings;
    bool m_active = false;
    bool m_pending = false;
    bool m_returning = false;
    int m_sign = 0;
    double m_startS = 0.0;
    double m_endS = 0.0;
};

// One point of the ST trend: the median ST level of the beats measured in a
// block of the session, in microvolts.
struct TStTrendPoint
{
    double timeS = 0.0;     // end of the block
    double stUv = 0.0;
};

struct TStEpisode
{
    double startS = 0.0;
    double endS = 0.0;
    int sign = 0;           // +1 elevation, -1 depression
};

// The ST level of one session over time: its reference, its current level
// (median of the last few seconds' beats, so one odd beat moves nothing), a
// trend point per block and the deviations from the reference.
//
// The reference is the median over the first minute that holds enough
// measured beats; setReference() takes the last minute's instead.
class TStTrend
{
public:
    static constexpr double ReferenceS = 60.0;
    static constexpr int ReferenceBeats = 30;
    static constexpr double LevelS = 10.0;
    static constexpr double BlockS = 10.0;

    explicit TStTrend(const TStDeviationSettings &deviation = TStDeviationSettings());

    // A measured beat at `timeS` (seconds from the start, increasing), with
    // the height and duration of its QRS when known (0: not known).
    // Returns true when the deviation became active or ended.
    bool addBeat(double timeS, double stUv, double qrsUv = 0.0, int qrsMs = 0);
    // Closes blocks and deviations up to `timeS` even without beats.
    bool advance(double timeS);

    bool hasReference() const { return m_hasReference; }
    double referenceUv() const { return m_referenceUv; }
    double referenceTimeS() const { return m_referenceTimeS; }
    // Takes the median of the last minute's beats as the reference; false
    // (and the old reference kept) when too few beats were measured.
    bool setReference();
    void setReference(double referenceUv, double timeS);

    // An ST level is compared with the reference only while the QRS keeps
    // roughly its height at the reference: a QRS grown or shrunk by half
    // again or more means the heart's axis or the electrode's position has
    // changed (the patient turned, leaned or moved an electrode), which
    // shifts the ST level without ischaemia. Nor while the QRS is much wider
    // or narrower than at the reference: a bundle branch block or
    // pre-excitation that comes and goes brings its own ST segment.
    static constexpr double QrsChangeLimit = 1.5;
    static constexpr int QrsWidthChangeMs = 24;
    bool comparable() const;

    bool hasLevel() const { return m_hasLevel; }
    double levelUv() const { return m_levelUv; }
    double changeUv() const { return m_levelUv - m_referenceUv; }

    const TStDeviationTracker &deviation() const { return m_deviation; }
    void setDeviationSettings(const TStDeviationTracker::Settings &settings);
    const std::vector<TStTrendPoint> &trend() const { return m_trend; }
    const std::vector<TStEpisode> &episodes() const { return m_episodes; }
    // Ends an open episode at `timeS` (end of the recording).
    void finish(double timeS);

private:
    struct Beat
    {
        double timeS;
        double stUv;
        double qrsUv;
        int qrsMs;
    };
    static double median(std::vector<double> &values);
    bool track(double timeS);

    std::deque<Beat> m_recent;         // the last minute
    std::vector<double> m_scratch;
    double m_collectFromS = -1.0;      // start of the minute the reference is being taken over
    bool m_hasReference = false;
    double m_referenceUv = 0.0;
    double m_referenceTimeS = 0.0;
    double m_referenceQrsUv = 0.0;     // 0: not known
    int m_referenceQrsMs = 0;
    bool m_hasLevel = false;
    double m_levelUv = 0.0;
    double m_levelQrsUv = 0.0;
    int m_levelQrsMs = 0;
    double m_blockEndS = BlockS;
    std::vector<double> m_block;
    std::vector<TStTrendPoint> m_trend;
    TStDeviationTracker m_deviation;
    std::vector<TStEpisode> m_episodes;
};
