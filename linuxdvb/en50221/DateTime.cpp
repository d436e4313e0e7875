#include "linuxdvb/en50221/DateTime.h"

namespace linuxdvb::en50221 {
namespace {

std::uint8_t Bcd(int value) {
    return static_cast<std::uint8_t>(value / 10 << 4 | value % 10);
}

}  // namespace

Bytes DateTimeBody(std::time_t utc, int offsetMinutes) {
    std::tm t{};
    gmtime_r(&utc, &t);
    // Days since 1858-11-17: the modified Julian date, from the civil date.
    const int year = t.tm_year;  // since 1900
    const int month = t.tm_mon + 1;
    const int l = month <= 2 ? 1 : 0;
    const int mjd = 14956 + t.tm_mday + static_cast<int>((year - l) * 365.25) +
                    static_cast<int>((month + 1 + l * 12) * 30.6001);
    Bytes body;
    AppendBe16(body, static_cast<std::uint16_t>(mjd));
    body.push_back(Bcd(t.tm_hour));
    body.push_back(Bcd(t.tm_min));
    body.push_back(Bcd(t.tm_sec));
    AppendBe16(body, static_cast<std::uint16_t>(static_cast<std::int16_t>(offsetMinutes)));
    return body;
}

Bytes DateTimeBodyNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DateTimeBody(now, static_cast<int>(local.tm_gmtoff / 60));
}

}  // namespace linuxdvb::en50221
