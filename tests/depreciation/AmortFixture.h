// The depreciation tests' company of our host, with the exercise table of its fiscal year.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "depreciation/MImmoAmort.h"
#include "front/Front.h"
#include "state/MImmo.h"
#include "support/TestCompany.h"
#include "support/TestRegister.h"

namespace actifix::testing {

// The date text of a day number.
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
  AmortTest() : company_("01/01/2005", "31/12/2005") { Reopen(); }

  // Entry 1 of the exercise table becomes this fiscal year; the index goes back to 1.
  void UseYear(const std::string& start, const std::string& end) {
    session_->SetYear(start, end);
    BuildExerciseTable();
  }

  // The anomalies reported in this session.
  const std::vector<platform::Anomaly>& Reports() const { return session_->anomalies(); }

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

  // A new session on the company, with the exercise table of its year.
  void Reopen(long interruptAfter = -1) {
    session_.reset();
    session_ = company_.Open("", interruptAfter);
    BuildExerciseTable();
  }

  TestCompany company_;
  std::unique_ptr<platform::Session> session_;
};

}  // namespace actifix::testing
