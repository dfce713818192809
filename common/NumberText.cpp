#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace {

bool isSkippedBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The characters that can take part in a number, blanks removed, in ASCII.
// Scanning stops at the first character that cannot, so a line of megabytes
// costs no more than its leading number.
std::string numberCandidate(QStringView text)
{
    std::string candidate;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (isSkippedBlank(c))
            continue;
        const bool usable = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.' ||
                            c == u'&' || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        if (!usable || candidate.size() > 1100)
            break;
        candidate.push_back(static_cast<char>(c));
    }
    return candidate;
}

double radixNumber(const std::string &s, std::size_t pos, int radix)
{
    double value = 0;
    for (; pos < s.size(); ++pos) {
        int digit = -1;
        const char c = s[pos];
        if (isDigit(c))
            digit = c - '0';
        else if (radix == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (radix == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0 || digit >= radix)
            break;
        value = value * radix + digit;
    }
    return value;
}

double decimalNumber(const std::string &s)
{
    std::size_t pos = 0;
    bool negative = false;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-'))
        negative = s[pos++] == '-';
    std::string normal;
    int integerDigits = 0;
    bool anyDigit = false;
    bool leadingZeros = true;
    for (; pos < s.size() && isDigit(s[pos]); ++pos) {
        normal.push_back(s[pos]);
        anyDigit = true;
        leadingZeros = leadingZeros && s[pos] == '0';
        if (!leadingZeros)
            ++integerDigits;
    }
    if (pos < s.size() && s[pos] == '.') {
        normal.push_back('.');
        for (++pos; pos < s.size() && isDigit(s[pos]); ++pos) {
            normal.push_back(s[pos]);
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0;
    long exponent = 0;
    if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E' || s[pos] == 'd' || s[pos] == 'D')) {
        std::size_t e = pos + 1;
        bool negativeExponent = false;
        if (e < s.size() && (s[e] == '+' || s[e] == '-'))
            negativeExponent = s[e++] == '-';
        if (e < s.size() && isDigit(s[e])) {
            for (; e < s.size() && isDigit(s[e]); ++e)
                exponent = std::min(exponent * 10 + (s[e] - '0'), 100000L);
            if (negativeExponent)
                exponent = -exponent;
            normal += 'e' + std::to_string(exponent);
        }
    }
    double value = 0;
    const auto result = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        value = integerDigits + exponent > 0 ? std::numeric_limits<double>::max() : 0.0;
    return negative ? -value : value;
}

// Decimal digits and exponent of |value| with 15 significant digits,
// trailing zeros removed: 1234.5 gives "12345" and 3.
void significantDigits(double value, std::string &digits, int &exponent)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    const std::string text(buffer);
    const std::size_t e = text.find('e');
    digits = text.substr(0, 1) + text.substr(2, e - 2);
    exponent = std::stoi(text.substr(e + 1));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
}

} // namespace

double NumberText::leadingNumber(QStringView text)
{
    const std::string s = numberCandidate(text);
    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'h' || s[1] == 'H')
            return radixNumber(s, 2, 16);
        if (s[1] == 'o' || s[1] == 'O')
            return radixNumber(s, 2, 8);
        return radixNumber(s, 1, 8);
    }
    return decimalNumber(s);
}

QString NumberText::display(double value)
{
    if (std::isnan(value))
        return QStringLiteral(" NaN");
    const QString sign =
        std::signbit(value) && value != 0 ? QStringLiteral("-") : QStringLiteral(" ");
    if (std::isinf(value))
        return sign + QStringLiteral("Inf");
    if (value == 0)
        return QStringLiteral(" 0");
    // Whole numbers below 10^15 keep all their digits (the meter's codes, counts).
    if (const double magnitude = std::fabs(value);
        magnitude < 1e15 && magnitude == std::trunc(magnitude))
        return sign + QString::number(static_cast<qint64>(magnitude));

    std::string digits;
    int exponent = 0;
    significantDigits(value, digits, exponent);

    std::string body;
    if (exponent >= 15 || exponent < -4) {
        body = digits.substr(0, 1);
        if (digits.size() > 1)
            body += '.' + digits.substr(1);
        char exponentText[16];
        std::snprintf(exponentText, sizeof exponentText, "E%c%02d", exponent < 0 ? '-' : '+',
                      std::abs(exponent));
        body += exponentText;
    } else if (exponent >= 0) {
        const auto integerLength = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= integerLength) {
            body = digits + std::string(integerLength - digits.size(), '0');
        } else {
            body = digits.substr(0, integerLength) + '.' + digits.substr(integerLength);
        }
    } else {
        body = '.' + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    return sign + QString::fromLatin1(body.data(), static_cast<qsizetype>(body.size()));
}

QString NumberText::plain(double value)
{
    return QString::number(value, 'g', 15);
}

QString NumberText::fixedTwoDecimals(double value)
{
    if (!std::isfinite(value))
        return plain(value);
    // Round the shortest decimal form of the value, not its binary neighbour,
    // so that 0.345 gives 0.35 as a person reading it would expect.
    std::string text(1200, '\0');
    const auto result = std::to_chars(text.data(), text.data() + text.size(), std::fabs(value),
                                      std::chars_format::fixed);
    text.resize(static_cast<std::size_t>(result.ptr - text.data()));
    const std::size_t point = text.find('.');
    std::string integer = point == std::string::npos ? text : text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
    fraction.resize(std::max<std::size_t>(fraction.size(), 3), '0');
    std::string kept = integer + fraction.substr(0, 2);
    if (fraction[2] >= '5') {
        std::size_t i = kept.size();
        while (i > 0) {
            --i;
            if (kept[i] == '9') {
                kept[i] = '0';
            } else {
                ++kept[i];
                break;
            }
            if (i == 0)
                kept.insert(kept.begin(), '1');
        }
    }
    std::string body = kept.substr(0, kept.size() - 2) + '.' + kept.substr(kept.size() - 2);
    if (body[0] == '.')
        body.insert(body.begin(), '0');
    const bool zero = body.find_first_not_of("0.") == std::string::npos;
    if (value < 0 && !zero)
        body.insert(body.begin(), '-');
    return QString::fromLatin1(body.data(), static_cast<qsizetype>(body.size()));
}

QString NumberText::atLeastTwoDigits(double value)
{
    if (!std::isfinite(value))
        return plain(value);
    const double rounded = std::round(value);
    const double magnitude = std::min(std::fabs(rounded), 9.0e15);
    QString digits = QString::number(static_cast<qint64>(magnitude));
    if (digits.size() < 2)
        digits.prepend(QChar(u'0'));
    return rounded < 0 ? QChar(u'-') + digits : digits;
}

qint16 NumberText::roundToInt16(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 32767.0)
        return 32767;
    if (value <= -32768.0)
        return -32768;
    double whole = std::floor(value);
    const double rest = value - whole;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    return static_cast<qint16>(whole);
}
