// Shared set-up of the depreciation tests: a FakeHost with a fiscal year, the exercise table
// built from it, and the packing of amounts, rates and dates.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "depreciation/MImmoAmort.h"
#include "front/Front.h"
#include "front/MImmo.h"
#include "support/FakeHost.h"

namespace actifix::testing {

inline std::string PackAmount(double value) {
  std::string packed;
  HostConvert().PackDouble(value, packed);
  return packed;
}

inline double UnpackAmount(const std::string& packed) {
  double value = 0;
  HostConvert().UnpackDouble(packed, value);
  return value;
}

inline std::string PackRate(float rate) {
  std::string packed;
  HostConvert().PackSingle(rate, packed);
  return packed;
}

inline std::string PackDate(const std::string& text) {
  std::string packed;
  HostDates().PackDate(text, packed);
  return packed;
}

inline int32_t Day(const std::string& text) {
  int32_t day = 0;
  HostDates().DayNumber(text, day);
  return day;
}

inline std::string DateText(int32_t day) {
  std::string text;
  HostDates().DateOfDay(day, text);
  return text;
}

// What one call of the computation gives back.
struct Amort {
  double charge = 0;
  double cumulative = 0;
  float effectiveRate = 0;
};

class AmortTest : public ::testing::Test {
 protected:
  AmortTest() : scope_(host_) { UseYear("01/01/2005", "31/12/2005"); }

  // Entry 1 of the exercise table becomes this fiscal year; the index goes back to 1.
  void UseYear(const std::string& start, const std::string& end) {
    host_.SetYear(start, end);
    BuildExerciseTable();
  }

  // CalcAmort on the exercise `index` of the table.
  Amort Calc(const std::string& mode, double value, float rate, const std::string& acquired,
             const std::string& disposed = "", double cumulative = 0, bool recompute = false,
             int16_t index = 1) {
    MImmo().exerciseIndex = index;
    const std::string packedValue = PackAmount(value), packedRate = PackRate(rate);
    std::string packedCumulative = PackAmount(cumulative), packedCharge;
    const int16_t flag = recompute ? -1 : 0;
    CalcAmort(mode, packedValue, packedCumulative, flag, packedRate, acquired, disposed,
              packedCharge);
    return {UnpackAmount(packedCharge), UnpackAmount(packedCumulative), MImmo().effectiveRate};
  }

  FakeHost host_;

 private:
  FakeHostScope scope_;
};

}  // namespace actifix::testing
