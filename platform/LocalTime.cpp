// Calendar arithmetic and time-zone conversion over the C library's clock.
#include "platform/LocalTime.h"

#include <cmath>
#include <ctime>
#include <time.h>

namespace platform {
namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;
// Days from 1970-01-01 back to the calendar's day zero, 1899-12-30.
constexpr std::int64_t kEpochOffsetDays = 25569;

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, CivilTime& fields) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    fields.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    fields.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    fields.year = static_cast<int>(yearOfEra + era * 400 + (fields.month <= 2 ? 1 : 0));
}

int WeekdayOfDays(std::int64_t daysSince1970) {
    // 1970-01-01 was a Thursday (4).
    const std::int64_t weekday = (daysSince1970 + 4) % 7;
    return static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
}

}  // namespace

DateTime LocalNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    CivilTime fields;
    fields.year = local.tm_year + 1900;
    fields.month = local.tm_mon + 1;
    fields.day = local.tm_mday;
    fields.hour = local.tm_hour;
    fields.minute = local.tm_min;
    fields.second = local.tm_sec;
    fields.millisecond = static_cast<int>(now.tv_nsec / 1'000'000);
    return EncodeDateTime(fields);
}

CivilTime DecodeDateTime(DateTime moment) {
    const auto totalMs = static_cast<std::int64_t>(std::llround(moment * static_cast<double>(kMillisecondsPerDay)));
    std::int64_t days = totalMs / kMillisecondsPerDay;
    std::int64_t msOfDay = totalMs % kMillisecondsPerDay;
    if (msOfDay < 0) {
        msOfDay += kMillisecondsPerDay;
        --days;
    }
    CivilTime fields;
    const std::int64_t daysSince1970 = days - kEpochOffsetDays;
    CivilFromDays(daysSince1970, fields);
    fields.weekday = WeekdayOfDays(daysSince1970);
    fields.hour = static_cast<int>(msOfDay / 3'600'000);
    fields.minute = static_cast<int>(msOfDay / 60'000 % 60);
    fields.second = static_cast<int>(msOfDay / 1000 % 60);
    fields.millisecond = static_cast<int>(msOfDay % 1000);
    return fields;
}

DateTime EncodeDateTime(const CivilTime& fields) {
    const std::int64_t days = DaysFromCivil(fields.year, fields.month, fields.day) + kEpochOffsetDays;
    const std::int64_t msOfDay =
        ((static_cast<std::int64_t>(fields.hour) * 60 + fields.minute) * 60 + fields.second) * 1000 +
        fields.millisecond;
    return static_cast<double>(days) + static_cast<double>(msOfDay) / static_cast<double>(kMillisecondsPerDay);
}

CivilTime LocalToUtc(const CivilTime& local) {
    tm broken{};
    broken.tm_year = local.year - 1900;
    broken.tm_mon = local.month - 1;
    broken.tm_mday = local.day;
    broken.tm_hour = local.hour;
    broken.tm_min = local.minute;
    broken.tm_sec = local.second;
    broken.tm_isdst = -1;  // let the zone's rules decide for that date
    const time_t instant = ::mktime(&broken);
    tm utc{};
    ::gmtime_r(&instant, &utc);
    CivilTime fields;
    fields.year = utc.tm_year + 1900;
    fields.month = utc.tm_mon + 1;
    fields.day = utc.tm_mday;
    fields.hour = utc.tm_hour;
    fields.minute = utc.tm_min;
    fields.second = utc.tm_sec;
    fields.millisecond = local.millisecond;
    fields.weekday = utc.tm_wday;
    return fields;
}

void ReloadTimeZone() { ::tzset(); }

}  // namespace platform
