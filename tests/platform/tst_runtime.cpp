// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/calibration.h"
#include "analysis/options.h"
#include "calibration/kalibr.h"
#include "platform/errors.h"
#include "platform/vbrt.h"
#include "testenv.h"
#include "testraise.h"
#include "testregistry.h"

#include <QLineEdit>
#include <QLocale>
#include <QTest>
#include <cerrno>

class RuntimeTest : public QObject {
    Q_OBJECT
private slots:
    void roundsHalfToEven_data()
    {
        QTest::addColumn<double>("in");
        QTest::addColumn<int>("out");
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("-1.5") << -1.5 << -2;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("185.8") << 185.8 << 186;
        QTest::newRow("2.4999") << 2.4999 << 2;
    }
    void roundsHalfToEven()
    {
        QFETCH(double, in);
        QFETCH(int, out);
        QCOMPARE(int(vb::CInt(in)), out);
        QCOMPARE(int(vb::CLng(in)), out);
    }

    void integerOverflowRaisesSix()
    {
        auto number = [](auto f) { return RaisedNumber(f); };
        QCOMPARE(number([] { vb::CInt(32767.5); }), 6);     // rounds to 32768
        QCOMPARE(number([] { vb::CInt(-32768.5); }), 0);    // rounds to -32768, fits
        QCOMPARE(number([] { vb::CInt(-32769); }), 6);
        QCOMPARE(number([] { vb::CLng(2147483648.0); }), 6);
        QCOMPARE(number([] { vb::Add16(32767, 1); }), 6);
        QCOMPARE(number([] { vb::Mul16(-32768, -1); }), 6);
        QCOMPARE(number([] { vb::Mul32(65536, 32768); }), 6);
        QCOMPARE(number([] { vb::Sub32(-2147483647 - 1, 1); }), 6);
        QCOMPARE(number([] { vb::CInt(std::nan("")); }), 6);
        QCOMPARE(int(vb::Add16(32766, 1)), 32767);
        QCOMPARE(vb::Mul32(46340, 46340), 2147395600);
    }

    void parsesStoredTexts()
    {
        QCOMPARE(vb::ParseNumber(" 42 ").value(), 42.0);
        QCOMPARE(vb::ParseNumber("-120").value(), -120.0);
        QCOMPARE(vb::ParseNumber("2.5").value(), 2.5);
        QVERIFY(!vb::ParseNumber("").has_value());
        QVERIFY(!vb::ParseNumber("abc").has_value());
        QVERIFY(!vb::ParseNumber("1e999").has_value());
        QCOMPARE(vb::ParseBool("True").value(), true);
        QCOMPARE(vb::ParseBool("false").value(), false);
        QCOMPARE(vb::ParseBool("-1").value(), true);
        QCOMPARE(vb::ParseBool("0").value(), false);
        QVERIFY(!vb::ParseBool("yes please").has_value());
    }

    void formatsWithTheLocaleSeparator()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QCOMPARE(vb::FormatGeneral(0.1), QStringLiteral("0,1"));
        QCOMPARE(vb::FormatGeneral(0.0005), QStringLiteral("0,0005"));
        QCOMPARE(vb::FormatGeneral(12.0), QStringLiteral("12"));
        QCOMPARE(vb::FormatGeneral(-0.0), QStringLiteral("0"));
        QCOMPARE(vb::FormatGeneral(9510.0), QStringLiteral("9510"));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(vb::FormatGeneral(1.25), QStringLiteral("1.25"));
        QLocale::setDefault(saved);
    }

    // Whatever the program shows and reads back (the calibration dialog,
    // stored factors, trigger level, window positions) comes back as the
    // same number in a Russian locale and in C; digit grouping is never
    // read, so "1,234" is never a thousand times too large.
    void numbersShownAreReadBackExactlyInEveryLocale()
    {
        TestEnv::Reset();
        const QLocale saved;
        for (const char *name : {"ru_RU", "C", "en_US", "de_DE"}) {
            QLocale::setDefault(QLocale(QString::fromLatin1(name)));
            const QString dp = QLocale().decimalPoint();
            const QString tag = QString::fromLatin1(name);
            for (const double v : {1.234, -0.5, 0.0005, 1234.5, 9510.0, 1309.0909, 1e-4, 123456789.125}) {
                const QString shown = vb::FormatGeneral(v);
                QVERIFY2(vb::ParseShown(shown) == v, qPrintable(tag + ": " + shown));
                QVERIFY2(vb::ParseNumber(shown) == v, qPrintable(tag + ": " + shown));
                const QString single = vb::FormatSingle(v);
                QVERIFY2(float(vb::ParseNumber(single).value_or(0)) == float(v), qPrintable(tag + ": " + single));
            }
            // Typed with the locale's own separator, or with a point where
            // a point is not the locale's grouping; a grouped number is no
            // number, whatever the locale.
            QCOMPARE(vb::ParseShown(QStringLiteral("1") + dp + QStringLiteral("234")), 1.234);
            if (QLocale().groupSeparator() != QLatin1String("."))
                QCOMPARE(vb::ParseShown(QStringLiteral("2.5")), 2.5);
            for (const QString &grouped : {QStringLiteral("1") + QLocale().groupSeparator() + QStringLiteral("234"),
                                           QStringLiteral("1,234,567")}) {
                if (!grouped.contains(dp))
                    QVERIFY2(!vb::ParseShown(grouped).has_value(), qPrintable(tag + ": " + grouped));
            }
            // Stored texts are written with a point (or, for positions, the
            // locale's separator) and never grouped.
            QCOMPARE(vb::ParseNumber(QStringLiteral("1.234")), 1.234);
            QCOMPARE(vb::ParseNumber(QStringLiteral("-1e-05")), -1e-05);
            if (dp != QLatin1String(","))
                QVERIFY2(!vb::ParseNumber(QStringLiteral("1,234")).has_value(), qPrintable(tag));

            // The calibration dialog: a factor shown and taken back unedited
            // is the factor itself, not its six shown digits; a typed one is
            // read in the locale; OK stores it and it reads back the same.
            Kalibr k;
            k.SetChannel(1, 1.234, 0);
            k.SetChannel(2, 1.0 / 3.0, 0);
            QCOMPARE(k.Factor(1), 1.234);
            QCOMPARE(k.Factor(2), 1.0 / 3.0);
            k.FactorEdit[1]->setText(QStringLiteral("2") + dp + QStringLiteral("5"));
            QCOMPARE(k.Factor(2), 2.5);
            k.FactorEdit[0]->setText(k.FactorEdit[0]->text());
            QCOMPARE(k.Factor(1), 1.234);
            // Worked out from a known peak-to-peak typed in the locale.
            {
                ScriptedMessages box;
                k.SetChannel(1, 1.0, 1000);
                k.KnownEdit[0]->setText(QStringLiteral("0") + dp + QStringLiteral("5"));
                QVERIFY(k.FromKnown(1));
                QCOMPARE(k.Factor(1), Calibration::FactorFor(1000, 0.5).value());
                QVERIFY(box.Shown().empty());
            }
            for (const double f : {1.234, 1.0 / 3.0, 0.000123456789012}) {
                Calibration::StoreFactor(1, f);
                QCOMPARE(Calibration::StoredFactor(1), f);
            }
            Options::TriggerOptions t;
            t.levelVolts = -0.123456789012345;
            Options::SaveTrigger(t);
            QCOMPARE(Options::LoadTrigger().levelVolts, t.levelVolts);
        }
        // Stored under one locale, read under the other.
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        const QString ru = vb::FormatSingle(1309.0909);
        Calibration::StoreFactor(2, 1.25);
        QLocale::setDefault(QLocale::c());
        QCOMPARE(Calibration::StoredFactor(2), 1.25);
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QVERIFY2(float(vb::ParseNumber(ru).value_or(0)) == 1309.0909f, qPrintable(ru));
        QLocale::setDefault(saved);
    }

    void mapsSystemFailuresToErrorNumbers()
    {
        QCOMPARE(ErrorNumberFromErrno(ENOENT), 53);
        QCOMPARE(ErrorNumberFromErrno(EACCES), 70);
        QCOMPARE(ErrorNumberFromErrno(EROFS), 70);
        QCOMPARE(ErrorNumberFromErrno(ENOSPC), 61);
        QCOMPARE(ErrorNumberFromErrno(EIO), 57);
        QCOMPARE(ErrorNumberFromErrno(ENOTDIR), 76);
        QCOMPARE(ErrorNumberFromErrno(ENOMEM), 7);
        QCOMPARE(ErrorNumberFromErrno(EBUSY), 55);
        QCOMPARE(ErrorNumberFromFileError(QFileDevice::PermissionsError, 0), 70);
        QCOMPARE(ErrorNumberFromFileError(QFileDevice::OpenError, ENOENT), 53);
        QCOMPARE(ErrorNumberFromFileError(QFileDevice::NoError, 0), 0);
    }
};

SIGM_TEST(RuntimeTest)
#include "tst_runtime.moc"
