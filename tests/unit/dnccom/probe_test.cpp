// The probe that an engineer runs first on a shop-floor computer, against
// the registered component and against a computer without it.
#include <gmock/gmock.h>

#include <sstream>

#include "dnccom/component.h"
#include "dnccom/probe_report.h"
#include "heidenhain/sdk/sdk_probe.h"
#include "tests/unit/dnccom/component_fixture.h"

namespace dnccom {
namespace {

using testing::HasSubstr;
using testing::Not;
using ProbeTest = ComponentTest;

TEST_F(ProbeTest, ReportsWhatTheComponentOffersAndWhatIsMissing) {
    auto& mill = session();
    mill.connection().connect("p.test", "tnc640");  // leaves the connection configured
    mill.connection().disconnect();

    std::ostringstream report;
#if defined(NOLT_COMPONENT_LACKS_COPYFILE)
    // Everything but the one member it lacks, found whatever this version calls it.
    EXPECT_FALSE(reportComponent(report));
    EXPECT_THAT(report.str(), HasSubstr("    CopyFile: MISSING, lost: copyFile\n"));
    EXPECT_THAT(report.str(), HasSubstr("threading model Apartment"));
    EXPECT_THAT(report.str(), HasSubstr("    get_readOnly: by its shape as "));
    EXPECT_THAT(report.str(), HasSubstr("  events _IJHMachineEvents2: custom interface, called through the vtable\n"
                                        "    OnStateChanged: by position as "));
    EXPECT_THAT(report.str(), HasSubstr("  constant DNC_ATTRIBUTE_READONLY: as "));
    EXPECT_EQ(report.str().find("MISSING"), report.str().rfind("MISSING")) << report.str();
#else
    EXPECT_TRUE(reportComponent(report)) << report.str();
    EXPECT_THAT(report.str(), HasSubstr("    get_toolId: by position\n"));
    EXPECT_THAT(report.str(), HasSubstr("  events _IJHMachineEvents2: dispinterface\n"));
    EXPECT_THAT(report.str(), Not(HasSubstr("MISSING")));
#endif
    EXPECT_THAT(report.str(), HasSubstr("Type library HeidenhainDNCLib: version 1.0, "));

    std::ostringstream sdk;
    EXPECT_TRUE(heidenhain::probeSdk(sdk, "p.test")) << sdk.str();
    EXPECT_THAT(sdk.str(), HasSubstr("Read the SDK version: ok\n  SDK version 1.7.3.0\n"));
    EXPECT_THAT(sdk.str(), HasSubstr("Connect to \"p.test\": ok\nRead the machine state: ok\n  machine state "));
    std::ostringstream unknown;
    EXPECT_FALSE(heidenhain::probeSdk(unknown, "nowhere.invalid"));
    EXPECT_THAT(unknown.str(), HasSubstr("No connection named \"nowhere.invalid\" is configured in the SDK (configured: "));
    EXPECT_THAT(unknown.str(), HasSubstr("\"p.test\""));

    component().unregisterServer();
    Component::forget();
    std::ostringstream absent;
    EXPECT_FALSE(reportComponent(absent));
    EXPECT_THAT(absent.str(), HasSubstr("The type library HeidenhainDNCLib is not registered"));
    std::ostringstream noSdk;
    EXPECT_FALSE(heidenhain::probeSdk(noSdk, ""));
    EXPECT_THAT(noSdk.str(), HasSubstr("Create a machine object: failed with 0x80040154"));
    component().registerServer();
    Component::forget();
}

}  // namespace
}  // namespace dnccom
