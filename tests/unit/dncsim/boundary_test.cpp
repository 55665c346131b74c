// The SDK boundary's own pieces: Variant, QueryInterface, the factory slot.
#include <gtest/gtest.h>

#include "dnc/dnc.h"

namespace {

using namespace dnc;

TEST(Variant, TypedReadsAnswerOnlyTheirOwnFamily) {
    const Variant i4(5);
    EXPECT_EQ(i4.vt(), VT_I4);
    EXPECT_EQ(i4.signedValue(), 5);
    EXPECT_EQ(i4.unsignedValue(), 0u);
    EXPECT_EQ(i4.realValue(), 0.0);
    EXPECT_EQ(i4.text(), "");

    const Variant text("TNC:\\nc_prog\\part.h");
    EXPECT_EQ(text.vt(), VT_BSTR);
    EXPECT_EQ(text.text(), "TNC:\\nc_prog\\part.h");
    EXPECT_EQ(text.signedValue(), 0);

    EXPECT_EQ(Variant(3.25).vt(), VT_R8);
    EXPECT_EQ(Variant(2.5f).vt(), VT_R4);
    EXPECT_EQ(Variant(2.5f).realValue(), 2.5);
    EXPECT_EQ(Variant::fromUnsigned(VT_UI1, 200).unsignedValue(), 200u);
    EXPECT_EQ(Variant::fromReal(VT_DATE, 45000.5).realValue(), 45000.5);
}

TEST(Variant, MislabelledConstructionGivesEmpty) {
    EXPECT_TRUE(Variant::fromSigned(VT_UI4, 1).isEmpty());
    EXPECT_TRUE(Variant::fromUnsigned(VT_I4, 1).isEmpty());
    EXPECT_TRUE(Variant::fromReal(VT_BSTR, 1.0).isEmpty());
}

TEST(Variant, ComSpecialValues) {
    EXPECT_EQ(Variant::boolean(true).boolValue(), VARIANT_TRUE);
    EXPECT_EQ(Variant::boolean(true).boolValue(), -1);
    EXPECT_EQ(Variant::boolean(false).boolValue(), VARIANT_FALSE);
    EXPECT_EQ(Variant::null().vt(), VT_NULL);
    const auto missing = Variant::missing();
    EXPECT_EQ(missing.vt(), VT_ERROR);
    EXPECT_EQ(missing.signedValue(), code(0x80020004));

    const auto lines = Variant::array(VT_BSTR, {Variant("a"), Variant("b")});
    EXPECT_EQ(lines.vt(), VT_ARRAY | VT_BSTR);
    ASSERT_EQ(lines.elements().size(), 2u);
    EXPECT_EQ(lines.elements()[1].text(), "b");

    Variant cleared("x");
    cleared.clear();
    EXPECT_TRUE(cleared.isEmpty());
    EXPECT_EQ(cleared, Variant());
    EXPECT_NE(Variant(1), Variant(1.0));
}

class OnlyTimes : public IJHProcessData {
public:
    HRESULT GetNcUpTime(Variant*, Variant*) override { return kOk; }
    HRESULT GetMachineUpTime(Variant*, Variant*) override { return kOk; }
    HRESULT GetMachineRunningTime(Variant*, Variant*) override { return kOk; }
    HRESULT GetSpindleRunningTime(std::int32_t, Variant*, Variant*) override { return kOk; }
};

TEST(QueryInterface, TypedOnSuccessNullWithNoInterfaceOtherwise) {
    std::shared_ptr<Object> tmp = std::make_shared<OnlyTimes>();
    std::shared_ptr<IJHProcessData> processData;
    EXPECT_EQ(tmp->QueryInterface(&processData), kOk);
    EXPECT_EQ(processData.get(), dynamic_cast<IJHProcessData*>(tmp.get()));

    std::shared_ptr<IJHAutomatic> typed;
    EXPECT_EQ(tmp->QueryInterface(&typed), kNoInterface);
    EXPECT_EQ(typed, nullptr);
    EXPECT_EQ(tmp->QueryInterface<IJHAutomatic>(nullptr), kPointer);
}

TEST(MachineFactory, WithoutAnSdkEveryCreationIsClassNotRegistered) {
    setMachineFactory(nullptr);
    std::shared_ptr<IJHMachine> machine;
    EXPECT_EQ(machineFactory()->CreateMachine(&machine), code(0x80040154));
    EXPECT_EQ(machine, nullptr);
    std::string version;
    EXPECT_EQ(machineFactory()->GetVersion(&version), kClassNotRegistered);
}

}  // namespace
