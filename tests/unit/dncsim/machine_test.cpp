// Connecting a simulated machine object, its state and its interfaces.
#include "sim_fixture.h"

namespace dncsim::test {
namespace {

using namespace dnc;

std::int32_t stateOf(const std::shared_ptr<IJHMachine>& machine, HRESULT expected = kOk) {
    std::int32_t state = -1;
    EXPECT_EQ(machine->GetState(&state), expected);
    return state;
}

using MachineTest = SimulatorTest;

TEST_F(MachineTest, ConnectsByConnectionNameToTheControllerOfItsHost) {
    addConnection("cnc-a");
    auto machine = newMachine();
    ASSERT_EQ(machine->Connect("cnc-a"), kOk);
    EXPECT_EQ(stateOf(machine), DNC_STATE_MACHINE_IS_AVAILABLE);
    auto controller = sim().controller("cnc-a");
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller->family(), Family::TableInterface);
    EXPECT_EQ(sim().controller("never-connected"), nullptr);
}

TEST_F(MachineTest, ControllerFamilyComesFromTheFirstConnection) {
    connectedMachine("tnc640-host", DNC_CNC_TYPE_TNC6XX_NCK);
    ASSERT_NE(sim().controller("tnc640-host"), nullptr);
    EXPECT_EQ(sim().controller("tnc640-host")->family(), Family::DataAccess);
    auto second = connectedMachine("tnc640-host");
    EXPECT_EQ(stateOf(second), DNC_STATE_MACHINE_IS_AVAILABLE);
}

TEST_F(MachineTest, UnreachableHostsAndUnknownNamesFail) {
    addConnection("mill.invalid");
    auto machine = newMachine();
    EXPECT_EQ(machine->Connect("mill.invalid"), code(0x80040266));
    EXPECT_EQ(machine->Connect("no-such-connection"), kBadParameter);
    EXPECT_EQ(stateOf(machine, kNotConnected), -1);
    EXPECT_EQ(sim().controller("mill.invalid"), nullptr);

    std::shared_ptr<IJHConnectionList> list;
    std::shared_ptr<IJHConnection> hostless;
    ASSERT_EQ(machine->ListConnections(&list), kOk);
    ASSERT_EQ(list->NewConnection(DNC_CNC_TYPE_ITNC, DNC_PROT_TCPIP, &hostless), kOk);
    ASSERT_EQ(hostless->put_name("hostless"), kOk);
    ASSERT_EQ(list->AddConnection(hostless), kOk);
    EXPECT_EQ(machine->Connect("hostless"), kNotOnLine);
}

TEST_F(MachineTest, OnlineCallsNeedAConnection) {
    auto machine = newMachine();
    std::shared_ptr<Object> tmp;
    EXPECT_EQ(stateOf(machine, kNotConnected), -1);
    EXPECT_EQ(machine->GetInterface(DNC_INTERFACE_JHAUTOMATIC, &tmp), kNotConnected);
    EXPECT_EQ(machine->Disconnect(), kNotConnected);

    std::string version, factoryVersion;
    EXPECT_EQ(machine->GetVersionComInterface(&version), kOk);
    EXPECT_EQ(machineFactory()->GetVersion(&factoryVersion), kOk);
    EXPECT_EQ(version, "1.7.3.0");
    EXPECT_EQ(version, factoryVersion);
}

TEST_F(MachineTest, DisconnectEndsTheMachineAndItsInterfaces) {
    auto machine = connectedMachine("cnc-b");
    EXPECT_EQ(machine->Connect("cnc-b"), code(0x800406B1)) << "already connected";
    std::shared_ptr<Object> tmp;
    std::shared_ptr<IJHAutomatic> automatic;
    ASSERT_EQ(machine->GetInterface(DNC_INTERFACE_JHAUTOMATIC, &tmp), kOk);
    ASSERT_EQ(tmp->QueryInterface(&automatic), kOk);

    ASSERT_EQ(machine->Disconnect(), kOk);
    EXPECT_EQ(stateOf(machine, kNotConnected), -1);
    std::int32_t mode = 0;
    EXPECT_EQ(automatic->GetDncMode(&mode), kNotConnected);
    EXPECT_EQ(machine->Disconnect(), kNotConnected);
    EXPECT_EQ(machine->Connect("cnc-b"), kOk) << "a machine object connects again";
}

TEST_F(MachineTest, StayBootingReportsDncIsAvailable) {
    sim().faults().setBooting("cnc-c", true);
    auto machine = connectedMachine("cnc-c");
    EXPECT_EQ(stateOf(machine), DNC_STATE_DNC_IS_AVAILABLE);
    sim().faults().setBooting("cnc-c", false);
    EXPECT_EQ(stateOf(machine), DNC_STATE_MACHINE_IS_AVAILABLE);
}

template <class Interface>
void expectTyped(const std::shared_ptr<IJHMachine>& machine, DNC_INTERFACE_OBJECT kind) {
    std::shared_ptr<Object> tmp;
    std::shared_ptr<Interface> typed;
    ASSERT_EQ(machine->GetInterface(kind, &tmp), kOk) << kind;
    EXPECT_EQ(tmp->QueryInterface(&typed), kOk) << kind;
    EXPECT_NE(typed, nullptr) << kind;
}

TEST_F(MachineTest, EveryInterfaceKindYieldsItsTypedInterface) {
    auto machine = connectedMachine("itnc-host");
    expectTyped<IJHAutomatic>(machine, DNC_INTERFACE_JHAUTOMATIC);
    expectTyped<IJHDataAccess>(machine, DNC_INTERFACE_JHDATAACCESS);
    expectTyped<IJHError>(machine, DNC_INTERFACE_JHERROR);
    expectTyped<IJHFileSystem>(machine, DNC_INTERFACE_JHFILESYSTEM);
    expectTyped<IJHProcessData>(machine, DNC_INTERFACE_JHPROCESSDATA);
    expectTyped<IJHItncTable>(machine, DNC_INTERFACE_TNCTABLE);

    std::shared_ptr<Object> tmp;
    std::shared_ptr<IJHAutomatic> wrong;
    ASSERT_EQ(machine->GetInterface(DNC_INTERFACE_JHPROCESSDATA, &tmp), kOk);
    EXPECT_EQ(tmp->QueryInterface(&wrong), code(0x80004002));
    EXPECT_EQ(wrong, nullptr);
}

TEST_F(MachineTest, ExecutionPointNamesTheSelectedProgram) {
    auto machine = connectedMachine("itnc-host");
    std::shared_ptr<Object> tmp;
    std::shared_ptr<IJHAutomatic> automatic;
    ASSERT_EQ(machine->GetInterface(DNC_INTERFACE_JHAUTOMATIC, &tmp), kOk);
    ASSERT_EQ(tmp->QueryInterface(&automatic), kOk);
    Variant program;
    std::shared_ptr<Object> positions;
    ASSERT_EQ(automatic->GetExecutionPoint(&program, &positions), kOk);
    EXPECT_EQ(program, Variant(""));
    EXPECT_NE(positions, nullptr);
    ASSERT_EQ(automatic->SelectProgram(0, "TNC:\\nc_prog\\demo.h", Variant()), kOk);
    ASSERT_EQ(automatic->GetExecutionPoint(&program, &positions), kOk);
    EXPECT_EQ(program, Variant("TNC:\\nc_prog\\demo.h"));
    EXPECT_EQ(program.vt(), VT_BSTR);
    EXPECT_EQ(automatic->GetExecutionPoint(nullptr, &positions), kPointer);
    sim().loseLink("itnc-host");
    EXPECT_EQ(automatic->GetExecutionPoint(&program, &positions), kConnectionLost);
}

TEST_F(MachineTest, TableInterfaceOnlyOnTheOlderControls) {
    auto machine = connectedMachine("tnc640", DNC_CNC_TYPE_TNC6XX_NCK);
    std::shared_ptr<Object> tmp;
    EXPECT_EQ(machine->GetInterface(DNC_INTERFACE_TNCTABLE, &tmp), kNoInterface);
    expectTyped<IJHDataAccess>(machine, DNC_INTERFACE_JHDATAACCESS);
}

TEST_F(MachineTest, WithheldInterfacesAnswerTheirCodePerHost) {
    sim().faults().withholdInterface(DNC_INTERFACE_JHDATAACCESS);
    sim().faults().withholdInterface(DNC_INTERFACE_JHERROR, kFail, "only-here");
    auto here = connectedMachine("only-here");
    auto elsewhere = connectedMachine("elsewhere");
    std::shared_ptr<Object> tmp;
    EXPECT_EQ(here->GetInterface(DNC_INTERFACE_JHDATAACCESS, &tmp), code(0x80004002));
    EXPECT_EQ(elsewhere->GetInterface(DNC_INTERFACE_JHDATAACCESS, &tmp), kNoInterface);
    EXPECT_EQ(here->GetInterface(DNC_INTERFACE_JHERROR, &tmp), kFail);
    EXPECT_EQ(elsewhere->GetInterface(DNC_INTERFACE_JHERROR, &tmp), kOk);

    sim().faults().offerInterface(DNC_INTERFACE_JHDATAACCESS);
    EXPECT_EQ(here->GetInterface(DNC_INTERFACE_JHDATAACCESS, &tmp), kOk);
}

}  // namespace
}  // namespace dncsim::test
