// Calendar moments as the system keeps them: a local date and time counted in
// days since 30 December 1899 (the fraction is the time of day), its civil
// fields, and the conversion of a local moment to Greenwich time.
#pragma once

#include <cstdint>

namespace platform {

/// Days since 30 December 1899, 00:00 local time; the fraction is the time of day.
using DateTime = double;

/// The fields of a calendar moment.
struct CivilTime {
    int year = 1899;
    int month = 12;  ///< 1..12
    int day = 30;    ///< 1..31
    int hour = 0;    ///< 0..23
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int weekday = 6;  ///< 0 = Sunday .. 6 = Saturday (derived, ignored by EncodeDateTime)
};

/// The present moment in local time.
DateTime LocalNow();

/// Splits a moment into its fields (rounded to the millisecond).
CivilTime DecodeDateTime(DateTime moment);

/// Joins fields into a moment; the weekday field is not read.
DateTime EncodeDateTime(const CivilTime& fields);

/// The Greenwich (UTC) fields of a local moment, by the time-zone rules in
/// force at that moment (standard or daylight time as the date falls).
CivilTime LocalToUtc(const CivilTime& local);

/// Re-reads the time-zone setting (the TZ variable) after it was changed.
void ReloadTimeZone();

}  // namespace platform
