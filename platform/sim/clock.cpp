#include "platform/sim/clock.h"

namespace platform::sim {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

}  // namespace

Clock::Clock() {
  Set(DateTime{2022, 6, 9, 14, 30, 5, 0});
}

void Clock::Set(const DateTime& localTime) {
  now_ = ToMilliseconds(localTime);
}

DateTime Clock::Now() const {
  return FromMilliseconds(now_);
}

std::int64_t Clock::ToMilliseconds(const DateTime& t) {
  return DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) *
             kMsPerDay +
         ((t.hour * 60LL + t.minute) * 60LL + t.second) * 1000LL + t.millisecond;
}

DateTime Clock::FromMilliseconds(std::int64_t ms) {
  std::int64_t days = ms / kMsPerDay;
  std::int64_t rest = ms % kMsPerDay;
  if (rest < 0) {
    rest += kMsPerDay;
    --days;
  }
  DateTime t;
  CivilFromDays(days, t.year, t.month, t.day);
  t.hour = static_cast<int>(rest / 3'600'000);
  t.minute = static_cast<int>(rest / 60'000 % 60);
  t.second = static_cast<int>(rest / 1000 % 60);
  t.millisecond = static_cast<int>(rest % 1000);
  return t;
}

}  // namespace platform::sim
