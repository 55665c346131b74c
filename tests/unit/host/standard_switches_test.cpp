#include "host/standard_switches.h"

#include <gtest/gtest.h>

namespace heidenhain {
namespace {

TEST(StandardSwitches, RecognisedWithEitherLeadAndInAnyCase) {
    EXPECT_EQ(findStandardSwitch("agent.exe /Service host"), StandardSwitch::Service);
    EXPECT_EQ(findStandardSwitch("agent.exe -service"), StandardSwitch::Service);
    EXPECT_EQ(findStandardSwitch("agent.exe /unregserver"), StandardSwitch::UnregServer);
    EXPECT_EQ(findStandardSwitch("agent.exe\t-REGSERVER"), StandardSwitch::RegServer);
    EXPECT_EQ(findStandardSwitch("agent.exe /RegServerPerUser"), StandardSwitch::RegServerPerUser);
    EXPECT_EQ(findStandardSwitch("agent.exe /UnregServerPerUser"),
              StandardSwitch::UnregServerPerUser);
}

TEST(StandardSwitches, WholeWordsAtTheStartOfAnArgumentOnly) {
    EXPECT_EQ(findStandardSwitch(""), StandardSwitch::None);
    EXPECT_EQ(findStandardSwitch("agent.exe -d edge.orvane -a heidenhain-pc"), StandardSwitch::None);
    EXPECT_EQ(findStandardSwitch("agent.exe /Services"), StandardSwitch::None);
    EXPECT_EQ(findStandardSwitch("agent.exe x/Service"), StandardSwitch::None);
    EXPECT_EQ(findStandardSwitch("agent.exe Service"), StandardSwitch::None);
    EXPECT_EQ(findStandardSwitch("agent.exe //Service"), StandardSwitch::None);
}

TEST(StandardSwitches, FirstSwitchWins) {
    EXPECT_EQ(findStandardSwitch("agent.exe /RegServer /Service"), StandardSwitch::RegServer);
}

}  // namespace
}  // namespace heidenhain
