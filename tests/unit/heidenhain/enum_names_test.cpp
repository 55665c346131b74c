#include "heidenhain/text/enum_names.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "dnc/result.h"

namespace heidenhain {
namespace {

using dnc::code;
using testing::StrEq;
using testing::ThrowsMessage;

TEST(ErrorTexts, KnownCodesGiveTheirExactTexts) {
    EXPECT_EQ(errorText(code(0x80070005)), "General access-denied error");
    EXPECT_EQ(errorText(code(0x80040262)), "MillPlus communication failure");
    EXPECT_EQ(errorText(code(0x800406CC)), "Connection to the CNC is lost");
    EXPECT_EQ(errorText(code(0x8004026E)), "Data to be transfered is invalid");
    EXPECT_EQ(errorText(code(0x800402C9)), "Unable to insert a record in the table.");
    EXPECT_EQ(errorText(code(0x800406B3)), "DNC32_E_NOT_HANDLE");
    EXPECT_EQ(errorText(code(0x800406C6)), "Socket initialization failed");
}

TEST(ErrorTexts, UnknownCodeIsEmptyAndNotInserted) {
    EXPECT_EQ(errorText(code(0x80040300)), "");
    EXPECT_EQ(errorText(0), "");
    EXPECT_EQ(errorTextMap().size(), 109u);
}

TEST(NumberNames, StateAndEventNumbersDiffer) {
    EXPECT_EQ(nameOf(machineStateMap(), 4), "dnc_is_available");
    EXPECT_EQ(nameOf(machineEventMap(), 3), "dnc_available");
    EXPECT_EQ(nameOf(machineEventMap(), 4), "machine_booted");
    EXPECT_EQ(nameOf(machineStateMap(), 1), "host_not_available");
    EXPECT_EQ(nameOf(machineEventMap(), 0), "host_not_available");
    EXPECT_EQ(nameOf(machineEventMap(), 10), "connection_lost");
}

TEST(NumberNames, NumbersOutsideTheTablesAreEmptyAndNotInserted) {
    EXPECT_EQ(nameOf(programStatusMap(), 6), "not_selected");
    EXPECT_EQ(nameOf(programStatusMap(), 7), "");
    EXPECT_EQ(nameOf(programStatusMap(), -1), "");
    EXPECT_EQ(nameOf(machineStateMap(), 12), "");
    EXPECT_EQ(nameOf(dncModeMap(), 2), "");
    EXPECT_EQ(programStatusMap().size(), 7u);
}

TEST(NameNumbers, UnknownNamesGiveZeroAndAreNotInserted) {
    EXPECT_EQ(numberOf(execModeMap(), "handwheel"), 7);
    EXPECT_EQ(numberOf(execModeMap(), "manual"), 0);
    EXPECT_EQ(numberOf(execModeMap(), "exec_manual"), 0);
    EXPECT_EQ(execModeMap().count("exec_manual"), 0u);
    EXPECT_EQ(numberOf(cncTypeMap(), "millpus"), 2);
    EXPECT_EQ(numberOf(cncTypeMap(), "millplus"), 0);
    EXPECT_EQ(numberOf(protocolMap(), "rpc"), 5);
}

TEST(NameNumbers, ControllerTypesCarryCncTypeAndProtocol) {
    const auto& map = controllerTypeMap();
    ASSERT_EQ(map.size(), 3u);
    EXPECT_EQ(map.at("itnc530").cncType, 1);
    EXPECT_EQ(map.at("itnc530").protocol, 2);
    EXPECT_EQ(map.at("tnc426").cncType, 1);
    EXPECT_EQ(map.at("tnc426").protocol, 2);
    EXPECT_EQ(map.at("tnc640").cncType, 10);
    EXPECT_EQ(map.at("tnc640").protocol, 5);
    EXPECT_EQ(map.count("itnc"), 0u);
}

TEST(AccessModes, KnownNamesAndTheSdkConstants) {
    EXPECT_EQ(accessModeNumber("default"), 0);
    EXPECT_EQ(accessModeNumber("sys"), 3);
    EXPECT_EQ(accessModeNumber("usr"), 7);
    EXPECT_EQ(accessModeNumber("tabledataaccess"), 23);
    EXPECT_EQ(accessModeNumber("plcdataaccess"), 24);
    EXPECT_EQ(accessModeNumber("cfgdataaccess"), 26);
}

TEST(AccessModes, UnknownNameFailsWithTheMapAccessText) {
    EXPECT_THAT([] { accessModeNumber("SYS"); },
                ThrowsMessage<std::out_of_range>(StrEq("invalid unordered_map<K, T> key")));
    EXPECT_THAT([] { accessModeNumber(""); }, ThrowsMessage<std::out_of_range>(
                                                  StrEq("invalid unordered_map<K, T> key")));
    EXPECT_EQ(accessModeMap().count("SYS"), 0u);
}

// The numbers without a name must stay without one: clients rely on 0 for
// "unknown" and the SDK rejects the gaps.
TEST(Tables, SizesAndGaps) {
    EXPECT_EQ(machineStateMap().size(), 12u);
    EXPECT_EQ(machineEventMap().size(), 12u);
    EXPECT_EQ(programEventMap().size(), 10u);
    EXPECT_EQ(dncModeMap().size(), 2u);
    EXPECT_EQ(execModeMap().size(), 8u);
    EXPECT_EQ(cncTypeMap().size(), 14u);
    EXPECT_EQ(protocolMap().size(), 4u);
    EXPECT_EQ(accessModeMap().size(), 25u);
    for (const auto& [name, number] : cncTypeMap()) EXPECT_NE(number, 0) << name;
    for (const auto& [name, number] : protocolMap()) EXPECT_NE(number, 3) << name;
    for (const auto& [name, number] : accessModeMap()) {
        EXPECT_NE(number, 13) << name;
        EXPECT_NE(number, 14) << name;
    }
}

}  // namespace
}  // namespace heidenhain
