// The reports' rhythm texts: figures of a session with AF, one without, one
// too noisy to judge and one recorded before the rhythm was judged, and where
// the strip of the first onset starts.

#include "reports/sessionreportrhythm.h"

#include <QtTest>

using namespace reportvalues;

Q_DECLARE_METATYPE(RhythmEpisode)

class TestReportRhythm : public QObject
{
    Q_OBJECT

private slots:
    void values_data()
    {
        QTest::addColumn<bool>("analysed");
        QTest::addColumn<QVector<RhythmEpisode>>("episodes");
        QTest::addColumn<QStringList>("texts");   // burden, episodes, longest, mean HR, strip label
        QTest::addColumn<QString>("burdenCell");
        QTest::addColumn<double>("stripStart");
        QTest::addColumn<QString>("summary");
        const QVector<RhythmEpisode> af{{0, 5000, RhythmLabel::Other},
                                        {5000, 20000, RhythmLabel::AtrialFibrillation},
                                        {20000, 22500, RhythmLabel::Unanalysable},
                                        {22500, 25000, RhythmLabel::AtrialFibrillation}};
        QTest::newRow("AF") << true << af
                            << QStringList{"77.8 %", "2", "1:00", "110 lpm", "Inicio de la primera FA: 10:00:20"}
                            << "78 %" << 17.0
                            << "Fibrilación auricular: carga 77.8 %, 2 episodio(s), el más largo 1:00, FC media en FA 110 lpm";
        QTest::newRow("no AF") << true << QVector<RhythmEpisode>{{0, 25000, RhythmLabel::Other}}
                               << QStringList{"0.0 %", "0", "---", "---", "Sin fibrilación auricular."} << "0 %"
                               << -1.0 << "Fibrilación auricular: carga 0.0 %, 0 episodio(s)";
        QTest::newRow("too noisy") << true << QVector<RhythmEpisode>{{0, 25000, RhythmLabel::Unanalysable}}
                                   << QStringList{"---", "---", "---", "---", "ECG insuficiente para analizar el ritmo."}
                                   << "---" << -1.0 << "Fibrilación auricular: ---";
        QTest::newRow("not analysed") << false << QVector<RhythmEpisode>()
                                      << QStringList{"---", "---", "---", "---", "El ritmo de esta sesión no se analizó."}
                                      << "---" << -1.0 << "Fibrilación auricular: ---";
    }
    void values()
    {
        QFETCH(bool, analysed);
        QFETCH(QVector<RhythmEpisode>, episodes);
        QFETCH(QStringList, texts);
        const QVector<int> hr(100, 110);
        const QMap<QString, QString> v =
            rhythmValues(analysed, episodes, hr, QDateTime(QDate(2026, 3, 2), QTime(10, 0, 0)));
        QCOMPARE((QStringList{v["afBurden"], v["afEpisodes"], v["afLongest"], v["afMeanHr"], v["afStripLabel"]}), texts);
        QTEST(v["afSummary"], "summary");
        QTEST(afBurdenText(analysed, episodes), "burdenCell");
        QTEST(firstAfStripStart(episodes), "stripStart");
    }
};

QTEST_GUILESS_MAIN(TestReportRhythm)
#include "tst_reportrhythm.moc"
