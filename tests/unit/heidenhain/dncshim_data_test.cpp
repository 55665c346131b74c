// Data values, PLC data and access modes against the simulated controls.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>

#include "heidenhain/text/enum_names.h"
#include "tests/unit/heidenhain/data_fixture.h"

namespace heidenhain {
namespace {

using namespace std::chrono_literals;
using dnc::Variant;
using testing::HasSubstr;
using testing::StartsWith;
using testing::StrEq;
using testing::ThrowsMessage;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

const std::vector<std::string> kMemoryAreas{"M", "B", "W", "D", "S"};

class DataValueTest : public DataSessionTest {};

TEST_F(DataValueTest, AccessModeNamesPasswordsAndTheFlagThatOpensChildListings) {
    auto& mill = connected("tnc640");
    const std::string ignoring = "mill: getValues: called without AccessMode (passwords) set, ignoring";
    EXPECT_TRUE(mill.data().getValues("\\PLC\\memory").empty());
    EXPECT_TRUE(mill.data().getValues("\\PLC\\memory").empty());
    EXPECT_EQ(times("getValues", ignoring), 2u) << "once per call, as information";
    EXPECT_TRUE(loggedAs(platform::EventInformation, "getValues", ignoring));

    for (const auto& [name, number] : accessModeMap()) {
        if (name == "sys") continue;
        EXPECT_NO_THROW(mill.data().setAccessMode(name, "sim")) << name << " is mode " << number;
    }
    EXPECT_TRUE(mill.data().getValues("\\PLC\\memory").empty()) << "only sys opens the listing";
    EXPECT_THAT([&] { mill.data().setAccessMode("superuser", "sim"); },
                ThrowsMessage<std::out_of_range>(StrEq("invalid unordered_map<K, T> key")));
    EXPECT_THAT([&] { mill.data().setAccessMode("sys", "guess"); },
                ThrowsMessage<std::runtime_error>(StartsWith(
                    "Call _dataAccess->SetAccessMode(am, bstrPassword) produced error (0x80040272): Incorrect password "
                    "was entered for the specified access level (isConnected:1, ")));
    EXPECT_TRUE(mill.data().getValues("\\PLC\\memory").empty());
    mill.data().setAccessMode("sys", "sim");
    EXPECT_EQ(mill.data().getValues("\\PLC\\memory"), kMemoryAreas);
    EXPECT_THAT([&] { mill.data().getValues("\\PLC\\nothing"); },
                ThrowsMessage<std::invalid_argument>(StrEq("Invalid argument: Data path \\PLC\\nothing does not exist")));

    mill.connection().disconnect();
    mill.connection().connect("tnc640.test", "tnc640");
    EXPECT_TRUE(mill.data().getValues("\\PLC\\memory").empty()) << "a new connection has no access modes yet";
}

TEST_F(DataValueTest, FourPasswordsInTheirOrderEmptyOnesSkipped) {
    auto& mill = connected("tnc640");
    mill.data().setAccessMode("", "", "", "");
    EXPECT_EQ(mill.data().getValues("\\PLC\\memory"), kMemoryAreas) << "the flag is set even with no password";

    mill.connection().disconnect();
    mill.connection().connect("tnc640.test", "tnc640");
    EXPECT_THAT([&] { mill.data().setAccessMode("sim", "bad", "bad", "bad"); },
                ThrowsMessage<std::runtime_error>(StartsWith(
                    "Call _dataAccess->SetAccessMode(DNC_ACCESS_MODE_TABLEDATAACCESS, bstrPassword) produced error "
                    "(0x80040272): ")));
    EXPECT_THAT([&] { mill.data().setAccessMode("", "", "bad", "bad"); },
                ThrowsMessage<std::runtime_error>(
                    StartsWith("Call _dataAccess->SetAccessMode(DNC_ACCESS_MODE_USR, bstrPassword) produced error")));
    EXPECT_THAT([&] { mill.data().setAccessMode("", "", "", "bad"); },
                ThrowsMessage<std::runtime_error>(
                    StartsWith("Call _dataAccess->SetAccessMode(DNC_ACCESS_MODE_SYS, bstrPassword) produced error")));
    sim().faults().failNext("SetAccessMode", 1, dnc::kFail);
    EXPECT_THAT([&] { mill.data().setAccessMode("sim", "", "", ""); },
                ThrowsMessage<std::runtime_error>(StartsWith(
                    "Call _dataAccess->SetAccessMode(DNC_ACCESS_MODE_PLCDATAACCESS, bstrPassword) produced error")));
    EXPECT_TRUE(mill.data().getValues("\\PLC\\memory").empty()) << "a failed step leaves the flag alone";
    mill.data().setAccessMode("sim", "sim", "sim", "sim");
    EXPECT_EQ(mill.data().getValues("\\PLC\\memory").size(), 5u);
}

TEST_F(DataValueTest, AccessModesRefusedOnTheOlderControlsAndWithoutTheInterface) {
    auto& old = connected("tnc426", "old");
    for (auto form : {0, 1}) {
        EXPECT_THAT([&] { form ? old.data().setAccessMode("sys", "sim") : old.data().setAccessMode("", "", "", "sim"); },
                    ThrowsMessage<std::runtime_error>(StrEq("Method setAccessMode not available for controller type tnc426")));
    }
    EXPECT_EQ(times("setAccessMode", "old: Method setAccessMode not available for controller type tnc426"), 2u);
    auto& itnc = connected("itnc530", "itnc");
    log.clear();
    EXPECT_THAT([&] { itnc.data().setAccessMode("sys", "sim"); },
                ThrowsMessage<std::runtime_error>(
                    StrEq("Call DataAccess::SetAccessMode is not implemented for iTNC controller itnc")));
    EXPECT_TRUE(texts().empty()) << "not logged";

    auto& idle = session("idle");
    EXPECT_THAT([&] { idle.data().setAccessMode("sys", "sim"); },
                ThrowsMessage<std::runtime_error>(StartsWith("Unexpected online call CHECK_INTERFACE(DataAccess) while "
                                                             "disconnected inDncShim::setAccessMode, ")));
    sim().faults().withholdInterface(dnc::DNC_INTERFACE_JHDATAACCESS);
    auto& bare = connected("tnc640", "bare");
    EXPECT_THAT([&] { bare.data().setAccessMode("nonsense", "sim"); },
                ThrowsMessage<std::runtime_error>(StartsWith(
                    "bare does not have IJHDataAccess interface; cannot call DncShim::setAccessMode, ")))
        << "the interface check comes before the name";
    EXPECT_THAT([&] { bare.data().getValue("\\PLC"); },
                ThrowsMessage<std::runtime_error>(
                    StartsWith("bare does not have IJHDataAccess interface; cannot call DncShim::getValue, ")));
}

TEST_F(DataValueTest, ValuesAndPlcDataAsTextOnBothFamilies) {
    for (const std::string type : {"tnc640", "itnc530", "tnc426"}) {
        auto& s = connected(type, type);
        const std::string host = type + ".test";
        change(host, "\\PLC\\memory\\M\\100", "1");
        EXPECT_EQ(s.data().getPlcData("M", "100"), "1") << type;
        EXPECT_EQ(s.data().getPlcData("M", "99"), "0") << type;
        EXPECT_EQ(s.data().getPlcData("W", "3"), "30") << type;
        EXPECT_EQ(s.data().getPlcData("B", "7"), "7") << type;
        EXPECT_EQ(s.data().getValue("\\PLC\\memory\\S\\0"), "ready") << type;
        EXPECT_EQ(s.data().getValue("\\CFG\\machine\\feedLimit"), "5000") << type;
        change(host, "\\CFG\\machine\\feedLimit", "3.25");
        EXPECT_EQ(s.data().getValue("\\CFG\\machine\\feedLimit"), "3.25") << type;
        ASSERT_EQ(tree(host).write("\\PLC\\memory\\S\\1", Variant()), dnc::kOk);
        EXPECT_EQ(s.data().getValue("\\PLC\\memory\\S\\1"), "") << type;
        EXPECT_EQ(s.data().getValue("\\PLC\\memory"), "") << type << ": an entry with children has no value";
        EXPECT_THAT([&] { s.data().getPlcData("M", "128"); },
                    ThrowsMessage<std::invalid_argument>(
                        StrEq("Invalid argument: Data path \\PLC\\memory\\M\\128 does not exist")));
        EXPECT_TRUE(s.data().dataPathExists("\\PLC\\memory\\D\\15"));
        EXPECT_FALSE(s.data().dataPathExists("\\PLC\\memory\\D\\16"));
    }
    session("off");
    EXPECT_THAT([&] { sessions.back()->data().getPlcData("M", "1"); },
                ThrowsMessage<std::runtime_error>(StartsWith(
                    "Unexpected online call CHECK_INTERFACE(DataAccess) while disconnected inDncShim::getValue, ")));
}

TEST_F(DataValueTest, PathTestFallsBackToTheFirstEntryCallAndNamesItsFailures) {
    auto& mill = connected("tnc640");
    auto& faults = sim().faults();
    faults.failNext("GetDataEntry2", 1, dnc::kNotImplemented);
    faults.failNext("GetDataEntry", 1, dnc::kInvalidArg);
    EXPECT_FALSE(mill.data().dataPathExists("\\PLC")) << "the first entry call answered, and its answer means no entry";
    faults.failNext("GetDataEntry2", 1, dnc::kFail);
    EXPECT_THAT([&] { mill.data().dataPathExists("\\PLC"); },
                ThrowsMessage<std::runtime_error>(StartsWith(
                    "Call _dataAccess->GetDataEntry2(\\PLC) produced error (0x80004005): An unspecified failure has "
                    "occurred (isConnected:1, ")));
    auto& old = connected("tnc426", "old");
    faults.failNext("GetDataEntry2", 1, dnc::kFail);
    EXPECT_TRUE(old.data().dataPathExists("\\PLC")) << "the tnc426 asks with the first entry call only";
    faults.failNext("GetDataEntry", 1, dnc::kNotImplemented);
    EXPECT_THAT([&] { old.data().dataPathExists("\\PLC"); },
                ThrowsMessage<std::runtime_error>(StartsWith(
                    "Call _dataAccess->GetDataEntry(\\PLC) produced error (0x80004001): The method is not implemented")));
}

TEST_F(DataValueTest, NewerControlsWriteTheValueAsGiven) {
    auto& mill = connected("tnc640");
    const std::string host = "tnc640.test";
    mill.data().setValue("\\PLC\\memory\\D\\1", "42");
    EXPECT_EQ(stored(host, "\\PLC\\memory\\D\\1"), Variant("42"));
    mill.data().setValue("\\PLC\\memory\\D\\1", "__null__");
    EXPECT_TRUE(stored(host, "\\PLC\\memory\\D\\1").isEmpty());
    mill.data().setValue("\\PLC\\memory\\D\\1", nolt::Number{2.5});
    EXPECT_EQ(stored(host, "\\PLC\\memory\\D\\1"), Variant(2.5));
    mill.data().setValue("\\PLC\\memory\\D\\1", nolt::Number{std::int64_t{7}});
    EXPECT_EQ(stored(host, "\\PLC\\memory\\D\\1"), Variant(std::int32_t{7}));

    sim().faults().failNext("SetPropertyValue", 1, dnc::kRecordLocked);
    EXPECT_THAT([&] { mill.data().setValue("\\PLC\\memory\\D\\1", "1"); },
                ThrowsMessage<std::runtime_error>(StrEq("Writing to \\PLC\\memory\\D\\1 failed - record is locked")));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "setValue",
                         "Problem setting \\PLC\\memory\\D\\1 because: Writing to \\PLC\\memory\\D\\1 failed - record "
                         "is locked"));
    EXPECT_THAT([&] { mill.data().setValue("\\CFG\\machine\\name", "x"); },
                ThrowsMessage<std::runtime_error>(StartsWith(
                    "Call dataEntry->SetPropertyValue(dataPath=\\CFG\\machine\\name) produced error (0x8004026d): "
                    "Attempt to alter protected data (isConnected:1, ")));
    // The write holds the SDK as every guarded call does: a caller that waits names it.
    SdkGuard::setSdkMutexTimeout(1);
    sim().faults().delay("SetPropertyValue", 10s, 1);
    auto writing = std::async(std::launch::async, [&] { mill.data().setValue("\\PLC\\memory\\D\\1", "5"); });
    ASSERT_TRUE(sim().faults().awaitDelayedCall("SetPropertyValue", 5s));
    EXPECT_THAT([&] { mill.data().getValue("\\PLC\\memory\\D\\1"); },
                ThrowsMessage<std::runtime_error>(HasSubstr(" other=dataEntry->SetPropertyValue (")));
    sim().faults().releaseDelayed();
    writing.get();
    EXPECT_EQ(stored(host, "\\PLC\\memory\\D\\1"), Variant("5"));

    EXPECT_THAT([&] { mill.data().setValue("\\nope", "1"); },
                ThrowsMessage<std::invalid_argument>(StrEq("Invalid argument: Data path \\nope does not exist")));
    EXPECT_TRUE(logged("setValue", "Problem setting \\nope because: Invalid argument: Data path \\nope does not exist"));
}

TEST_F(DataValueTest, OlderControlsWriteTextAsTheCurrentType) {
    auto& old = connected("itnc530");
    const std::string host = "itnc530.test";
    const struct {
        const char* path;
        const char* text;
        Variant value;
    } written[] = {
        {"\\PLC\\memory\\W\\1", "-12", Variant::fromSigned(dnc::VT_I2, -12)},
        {"\\PLC\\memory\\D\\1", " 12abc", Variant(std::int32_t{12})},
        {"\\PLC\\memory\\B\\1", "255", Variant::fromUnsigned(dnc::VT_UI1, 255)},
        {"\\CFG\\machine\\feedLimit", "2.5", Variant(2.5)},
        {"\\CFG\\machine\\spindleLimit", "1e3", Variant(1000.0f)},
        {"\\PLC\\memory\\S\\1", "hello", Variant("hello")},
        {"\\PLC\\memory\\M\\1", "1", Variant("1")},
    };
    for (const auto& w : written) {
        old.data().setValue(w.path, w.text);
        EXPECT_EQ(stored(host, w.path), w.value) << w.path;
    }
    const struct {
        const char* path;
        const char* text;
        const char* error;
    } refused[] = {
        {"\\PLC\\memory\\W\\1", "x", "invalid stoi argument"},
        {"\\PLC\\memory\\W\\1", "32768", "stoi argument out of range"},
        {"\\PLC\\memory\\D\\1", "2147483648", "stoi argument out of range"},
        {"\\CFG\\machine\\spindleLimit", "x", "invalid stof argument"},
        {"\\CFG\\machine\\spindleLimit", "1e39", "stof argument out of range"},
        {"\\CFG\\machine\\feedLimit", "", "invalid stod argument"},
        {"\\CFG\\machine\\feedLimit", "1e999", "stod argument out of range"},
        {"\\PLC\\memory\\B\\1", "x", "invalid stoul argument"},
        {"\\PLC\\memory\\B\\1", "256", "stoul argument out of range"},
        {"\\PLC\\memory\\B\\1", "-1", "stoul argument out of range"},
    };
    for (const auto& r : refused) {
        EXPECT_THAT([&] { old.data().setValue(r.path, r.text); }, ThrowsMessage<std::logic_error>(StrEq(r.error))) << r.text;
        EXPECT_TRUE(logged("setValue", std::string("Problem setting ") + r.path + " because: " + r.error));
    }
    EXPECT_EQ(stored(host, "\\PLC\\memory\\B\\1"), Variant::fromUnsigned(dnc::VT_UI1, 255)) << "nothing cut down";

    old.data().setValue("\\PLC\\memory\\D\\2", nolt::Number{std::int64_t{-5}});
    EXPECT_EQ(stored(host, "\\PLC\\memory\\D\\2"), Variant(std::int32_t{-5}));
    old.data().setValue("\\CFG\\machine\\feedLimit", nolt::Number{0.25});
    EXPECT_EQ(stored(host, "\\CFG\\machine\\feedLimit"), Variant(0.25));
    const auto invalid = ThrowsMessage<std::invalid_argument>(
        StartsWith("Call property->put_varValue(variant) produced error (0x80070057): One or more arguments are invalid"));
    EXPECT_THAT([&] { old.data().setValue("\\PLC\\memory\\D\\2", nolt::Number{1.5}); }, invalid);
    EXPECT_THAT([&] { old.data().setValue("\\PLC\\memory\\S\\1", nolt::Number{std::int64_t{1}}); }, invalid);
    EXPECT_EQ(stored(host, "\\PLC\\memory\\D\\2"), Variant(std::int32_t{-5}));

    // A protected entry is refused naming its path, not skipped as if written.
    for (const std::string family : {"itnc530", "tnc426"}) {
        auto& s = family == "itnc530" ? old : connected(family, family);
        EXPECT_THAT([&] { s.data().setValue("\\CFG\\machine\\name", "renamed"); },
                    ThrowsMessage<std::runtime_error>(StrEq("Writing to \\CFG\\machine\\name failed - entry is protected")));
        EXPECT_EQ(stored(family + ".test", "\\CFG\\machine\\name"), Variant("DNC simulator")) << family;
    }
}

}  // namespace
}  // namespace heidenhain
