// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/errors.h"
#include "platform/vbrt.h"
#include "testraise.h"
#include "testregistry.h"

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
