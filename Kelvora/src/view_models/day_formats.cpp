#include "view_models/day_formats.h"

#include <unicode/calendar.h>
#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <chrono>

namespace kelv::app {

namespace {

UDate toUDate(core::Date date) {
  return static_cast<UDate>(
      std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count());
}

// The start of the earliest day lies before the earliest representable date; clamp rather
// than overflow.
core::Date fromUDate(UDate millis) {
  using std::chrono::milliseconds;
  const auto lowest = std::chrono::ceil<milliseconds>(core::Date::min().time_since_epoch());
  const auto highest = std::chrono::floor<milliseconds>(core::Date::max().time_since_epoch());
  if (millis <= static_cast<UDate>(lowest.count())) return core::Date::min();
  if (millis >= static_cast<UDate>(highest.count())) return core::Date::max();
  return core::Date(std::chrono::duration_cast<core::Date::duration>(
      milliseconds(static_cast<long long>(millis))));
}

}  // namespace

struct DayFormats::Impl {
  icu::Locale locale;
  std::unique_ptr<icu::TimeZone> zone;
  std::unique_ptr<icu::Calendar> calendar;
  std::unique_ptr<icu::SimpleDateFormat> weekday, monthAndYear, timeOfDay, dayMonthTime, longDate;

  // The locale's best pattern for the fields of the skeleton; a pattern ICU can't build falls
  // back to the skeleton itself, which still formats every field.
  std::unique_ptr<icu::SimpleDateFormat> format(icu::DateTimePatternGenerator* generator,
                                                const char* skeleton) const {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString pattern(skeleton);
    if (generator != nullptr) {
      icu::UnicodeString best = generator->getBestPattern(pattern, status);
      if (U_SUCCESS(status)) pattern = best;
    }
    status = U_ZERO_ERROR;
    auto made = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
    if (U_FAILURE(status)) return nullptr;
    made->setTimeZone(*zone);
    return made;
  }

  static QString text(const icu::SimpleDateFormat* format, core::Date date) {
    if (format == nullptr) return {};
    icu::UnicodeString out;
    format->format(toUDate(date), out);
    return QString::fromUtf16(out.getBuffer(), out.length());
  }
};

DayFormats::DayFormats(const std::string& locale, const std::string& timeZone)
    : impl_(std::make_unique<Impl>()) {
  impl_->locale = locale.empty() ? icu::Locale::getDefault() : icu::Locale(locale.c_str());
  impl_->zone.reset(timeZone.empty()
                        ? icu::TimeZone::detectHostTimeZone()
                        : icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(timeZone)));
  UErrorCode status = U_ZERO_ERROR;
  impl_->calendar.reset(icu::Calendar::createInstance(*impl_->zone, impl_->locale, status));
  if (U_FAILURE(status)) impl_->calendar.reset();
  status = U_ZERO_ERROR;
  std::unique_ptr<icu::DateTimePatternGenerator> generator(
      icu::DateTimePatternGenerator::createInstance(impl_->locale, status));
  if (U_FAILURE(status)) generator.reset();
  impl_->weekday = impl_->format(generator.get(), "EEEE");
  impl_->monthAndYear = impl_->format(generator.get(), "yMMMM");
  impl_->timeOfDay = impl_->format(generator.get(), "jmm");
  impl_->dayMonthTime = impl_->format(generator.get(), "dMMMjmm");
  impl_->longDate = impl_->format(generator.get(), "EEEEdMMMMjmm");
}

DayFormats::~DayFormats() = default;

core::Date DayFormats::startOfDay(core::Date date, int days) const {
  icu::Calendar* calendar = impl_->calendar.get();
  if (calendar == nullptr) {
    const auto day = std::chrono::floor<std::chrono::days>(date);
    return core::Date(day + std::chrono::days(days));
  }
  UErrorCode status = U_ZERO_ERROR;
  calendar->setTime(toUDate(date), status);
  if (days != 0) calendar->add(UCAL_DATE, days, status);
  // Lenient fields: a midnight that a daylight-saving jump skips becomes the first real instant.
  calendar->set(UCAL_HOUR_OF_DAY, 0);
  calendar->set(UCAL_MINUTE, 0);
  calendar->set(UCAL_SECOND, 0);
  calendar->set(UCAL_MILLISECOND, 0);
  const UDate start = calendar->getTime(status);
  if (U_FAILURE(status)) return date;
  return fromUDate(start);
}

QString DayFormats::weekday(core::Date date) const {
  return Impl::text(impl_->weekday.get(), date);
}
QString DayFormats::monthAndYear(core::Date date) const {
  return Impl::text(impl_->monthAndYear.get(), date);
}
QString DayFormats::timeOfDay(core::Date date) const {
  return Impl::text(impl_->timeOfDay.get(), date);
}
QString DayFormats::dayMonthTime(core::Date date) const {
  return Impl::text(impl_->dayMonthTime.get(), date);
}
QString DayFormats::longDate(core::Date date) const {
  return Impl::text(impl_->longDate.get(), date);
}

}  // namespace kelv::app
