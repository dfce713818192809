#include "NumberText.h"
#include "TeskCommonPart.h"

#include <QTest>

#include <limits>

class NumberTextTest : public QObject
{
    Q_OBJECT

private slots:
    void leadingNumberIsReadFromTheStartOfTheText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("blanks tabs and line feeds anywhere") << " 1\t2\n3 .5" << 123.5;
        QTest::newRow("sign and exponent") << "-1.5E2x" << -150.0;
        QTest::newRow("D exponent") << "2D-1" << 0.2;
        QTest::newRow("exponent without digits is not read") << "3e" << 3.0;
        QTest::newRow("second point ends it") << "1.2.3" << 1.2;
        QTest::newRow("hexadecimal") << "&HFF" << 255.0;
        QTest::newRow("overflow") << "1e999" << std::numeric_limits<double>::max();
        QTest::newRow("underflow") << "1e-999" << 0.0;
        QTest::newRow("not a digit outside ASCII") << QString::fromUtf8("\xd9\xa3") << 0.0;
    }

    void leadingNumberIsReadFromTheStartOfTheText()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(NumberText::leadingNumber(text), value);
    }

    void displayTextReadsBackAsTheSameNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("fraction") << 0.2 << " .2";
        QTest::newRow("negative fraction") << -0.5 << "-.5";
        QTest::newRow("zero") << 0.0 << " 0";
        QTest::newRow("fifteen digits") << 123456789012345.0 << " 123456789012345";
        QTest::newRow("rounded to fifteen digits") << 0.1 + 0.2 << " .3";
        QTest::newRow("large") << 1e16 << " 1E+16";
        QTest::newRow("small") << 0.00001 << " 1E-05";
        QTest::newRow("ten thousandth") << 0.0001 << " .0001";
    }

    void displayTextReadsBackAsTheSameNumber()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(NumberText::display(value), text);
        QCOMPARE(NumberText::leadingNumber(text), value);
    }

    // Texts round half up and never show a negative zero; whole numbers round half to even.
    void roundingOfTextsAndOfWholeNumbers()
    {
        QCOMPARE(NumberText::fixedTwoDecimals(99.995), QStringLiteral("100.00"));
        QCOMPARE(NumberText::fixedTwoDecimals(-0.004), QStringLiteral("0.00"));
        QCOMPARE(NumberText::fixedTwoDecimals(-1.5), QStringLiteral("-1.50"));
        QCOMPARE(NumberText::atLeastTwoDigits(2.5), QStringLiteral("03"));
        QCOMPARE(NumberText::roundToInt16(2.5), qint16(2));
        QCOMPARE(NumberText::roundToInt16(3.5), qint16(4));
        QCOMPARE(NumberText::roundToInt16(40000), qint16(32767));
        QCOMPARE(NumberText::roundToInt16(-1e300), qint16(-32768));
        QCOMPARE(NumberText::roundToInt16(std::numeric_limits<double>::quiet_NaN()), qint16(0));
    }

    void settingTextEndsAtTheFirstNull()
    {
        QCOMPARE(TeskCommonPart::TrimAtNull(QStringLiteral("ab\0cd")), QStringLiteral("ab"));
    }
};

QTEST_GUILESS_MAIN(NumberTextTest)
#include "tst_number_text.moc"
