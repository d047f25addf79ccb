// The portable date reader: which texts count as dates or times of day in each locale order.
#include <gtest/gtest.h>

#include "platform/date_text.h"

namespace orvabridge::platform {
namespace {

TEST(DateTextTest, NumericDatesFollowTheLocaleOrder) {
  struct Case {
    const char* text;
    DateOrder order;
    bool date;
  };
  const Case cases[] = {
      {"12/03/2024", DateOrder::kDayMonthYear, true},
      {"31.12.99", DateOrder::kDayMonthYear, true},
      {"1-2-2024", DateOrder::kDayMonthYear, true},
      {"32/01/2024", DateOrder::kDayMonthYear, false},
      {"12/13/2024", DateOrder::kDayMonthYear, false},
      {"12/13/2024", DateOrder::kMonthDayYear, true},
      {"13/12/2024", DateOrder::kMonthDayYear, false},
      {"24-03-12", DateOrder::kYearMonthDay, true},
      {"24-13-12", DateOrder::kYearMonthDay, false},
      // A four-digit first number is a year whatever the order.
      {"2024-03-12", DateOrder::kDayMonthYear, true},
      {"2024-13-01", DateOrder::kDayMonthYear, false},
      {"2024-13-01", DateOrder::kYearMonthDay, false},
      // Malformed numeric forms.
      {"12/03-2024", DateOrder::kDayMonthYear, false},
      {"12//2024", DateOrder::kDayMonthYear, false},
      {"12/03", DateOrder::kDayMonthYear, false},
      {"12/03/2024/1", DateOrder::kDayMonthYear, false},
      {"12/03/202", DateOrder::kDayMonthYear, false},
      {"12/03/20245", DateOrder::kDayMonthYear, false},
      {"012/03/2024", DateOrder::kDayMonthYear, false},
      {"0/03/2024", DateOrder::kDayMonthYear, false},
      {"12/00/2024", DateOrder::kDayMonthYear, false},
      {"12/03/0024", DateOrder::kDayMonthYear, false},
      {"2024", DateOrder::kDayMonthYear, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsDateText(c.text, c.order), c.date) << c.text;
  }
}

TEST(DateTextTest, DayMustExistInItsMonth) {
  EXPECT_TRUE(IsDateText("29/02/2024", DateOrder::kDayMonthYear));
  EXPECT_FALSE(IsDateText("29/02/2023", DateOrder::kDayMonthYear));
  EXPECT_TRUE(IsDateText("29/02/2000", DateOrder::kDayMonthYear));
  EXPECT_FALSE(IsDateText("29/02/1900", DateOrder::kDayMonthYear));
  EXPECT_TRUE(IsDateText("29/02/00", DateOrder::kDayMonthYear));
  EXPECT_FALSE(IsDateText("30/02/2024", DateOrder::kDayMonthYear));
  EXPECT_FALSE(IsDateText("31/04/2024", DateOrder::kDayMonthYear));
  EXPECT_TRUE(IsDateText("31/05/2024", DateOrder::kDayMonthYear));
}

TEST(DateTextTest, MonthNamesInEnglish) {
  for (const char* text : {"12 March 2024", "Mar 12, 2024", "march 12 2024", "12-Mar-24",
                           "12 SEPT 2024", "2024 Mar 12", "Mar. 12, 2024", "1 Feb 2024"}) {
    EXPECT_TRUE(IsDateText(text, DateOrder::kDayMonthYear)) << text;
  }
  for (const char* text : {"12 Marc 2024", "12 March", "March 2024", "30 February 2024",
                           "12 March 2024 March", "12 13 2024", "Mar Apr 2024"}) {
    EXPECT_FALSE(IsDateText(text, DateOrder::kDayMonthYear)) << text;
  }
}

TEST(DateTextTest, TimeOfDayAfterADateOrAlone) {
  for (const char* text : {"10:30", "10:30:15", "10:30 PM", "10:30pm", "10 PM", "0:00", "23:59:59",
                           "12/03/2024 10:30", "12 March 2024 10:30:15 am", "  10:30  "}) {
    EXPECT_TRUE(IsDateText(text, DateOrder::kDayMonthYear)) << text;
  }
  for (const char* text : {"24:00", "10:60", "10:30:60", "13:00 PM", "10", "PM", "10:30 XM",
                           "1:2:3:4", "12/03/2024 25:00", "32/03/2024 10:30", ":30"}) {
    EXPECT_FALSE(IsDateText(text, DateOrder::kDayMonthYear)) << text;
  }
}

TEST(DateTextTest, BlankAndForeignTextsAreNoDates) {
  for (const char* text : {"", " ", "\t", "abc", "#", "12/03/2024#", "-", "today"}) {
    EXPECT_FALSE(IsDateText(text, DateOrder::kDayMonthYear)) << '"' << text << '"';
  }
  EXPECT_TRUE(IsDateText("  12/03/2024 ", DateOrder::kDayMonthYear));
}

}  // namespace
}  // namespace orvabridge::platform
