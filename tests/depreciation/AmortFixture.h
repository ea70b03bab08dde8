// Shared set-up of the depreciation tests: a company of our host with a fiscal year, the
// exercise table built from it, the packing of amounts, rates and dates, and the card print's
// nature and asset buffer.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "depreciation/MImmoAmort.h"
#include "front/Front.h"
#include "front/MImmo.h"
#include "front/NvImmo.h"
#include "host/Cp1252.h"
#include "support/TestCompany.h"

namespace actifix::testing {

// The packed forms of amounts, rates and dates, and day numbers.
inline std::string PackAmount(double v) {
  std::string p;
  HostConvert().PackDouble(v, p);
  return p;
}
inline double UnpackAmount(const std::string& p) {
  double v = 0;
  HostConvert().UnpackDouble(p, v);
  return v;
}
inline std::string PackRate(float v) {
  std::string p;
  HostConvert().PackSingle(v, p);
  return p;
}
inline std::string PackDate(const std::string& text) {
  std::string p;
  HostDates().PackDate(text, p);
  return p;
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

// The module's files open, with the nature MAT, for the card prints.
class CardTest : public AmortTest {
 protected:
  CardTest() {
    component_.OuvImmo();
    MImmoState& m = MImmo();
    m.nature.CODNAT = "MAT";
    m.nature.LIBNAT = "Matériel de bureau"_w;
    int32_t number = 0;
    KeyedFile().Insert(m.kNature, m.nature.CODNAT.str(), m.fNature, number);
    m.nature = NatureRecord();
    session_->Commit();
  }

  // Puts an asset of nature MAT into the asset record buffer.
  void SetAsset(const std::string& mode, double value, float rate, const std::string& acquired,
                double cumulative, double charge, const std::string& disposed = "") {
    AssetRecord& a = MImmo().immo;
    a = AssetRecord();
    a.CODNATI = "MAT";
    a.NUMNATI = "00001";
    a.DATACQ = PackDate(acquired);
    a.NOMFRN = "Bureau Vallée"_w;
    a.MODAMO = mode;
    a.VALACQ = PackAmount(value);
    a.TAUX = PackRate(rate);
    a.CUMAMO = PackAmount(cumulative);
    a.DOTAMO = PackAmount(charge);
    a.DATCES = PackDate(disposed);
    a.MTCESS = PackAmount(0);
  }

  NvImmo component_;
};

}  // namespace actifix::testing
