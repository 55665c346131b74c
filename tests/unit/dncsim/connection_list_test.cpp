// The process-wide connection list of the simulated SDK.
#include "sim_fixture.h"

namespace dncsim::test {
namespace {

using namespace dnc;

class ConnectionListTest : public SimulatorTest {
protected:
    std::shared_ptr<IJHConnectionList> list(const std::shared_ptr<IJHMachine>& machine) {
        std::shared_ptr<IJHConnectionList> result;
        EXPECT_EQ(machine->ListConnections(&result), kOk);
        return result;
    }
    std::int32_t count(const std::shared_ptr<IJHConnectionList>& connections) {
        std::int32_t result = -1;
        EXPECT_EQ(connections->get_Count(&result), kOk);
        return result;
    }
    std::string nameAt(const std::shared_ptr<IJHConnectionList>& connections, std::int32_t index) {
        std::shared_ptr<IJHConnection> connection;
        std::string name;
        EXPECT_EQ(connections->get_Item(index, &connection), kOk);
        if (connection) {
            EXPECT_EQ(connection->get_name(&name), kOk);
        }
        return name;
    }
};

TEST_F(ConnectionListTest, NewConnectionIsListedOnlyAfterAddConnection) {
    auto connections = list(newMachine());
    std::shared_ptr<IJHConnection> connection;
    ASSERT_EQ(connections->NewConnection(DNC_CNC_TYPE_TNC6XX_NCK, DNC_PROT_RPC, &connection), kOk);
    ASSERT_EQ(connection->put_name("mill-7"), kOk);
    EXPECT_EQ(count(connections), 0);

    ASSERT_EQ(connections->AddConnection(connection), kOk);
    EXPECT_EQ(count(connections), 1);
    EXPECT_EQ(nameAt(connections, 0), "mill-7");
    std::int32_t cncType = 0, protocol = 0;
    EXPECT_EQ(connection->get_cncType(&cncType), kOk);
    EXPECT_EQ(connection->get_protocol(&protocol), kOk);
    EXPECT_EQ(cncType, DNC_CNC_TYPE_TNC6XX_NCK);
    EXPECT_EQ(protocol, DNC_PROT_RPC);
}

TEST_F(ConnectionListTest, HostPropertyKeepsItsText) {
    auto connections = list(newMachine());
    std::shared_ptr<IJHConnection> connection;
    std::shared_ptr<IJHConnectionProperty> property;
    ASSERT_EQ(connections->NewConnection(DNC_CNC_TYPE_ITNC, DNC_PROT_TCPIP, &connection), kOk);
    ASSERT_EQ(connection->get_ConnectionProperty(DNC_CP_HOST, &property), kOk);
    Variant value;
    ASSERT_EQ(property->get_value(&value), kOk);
    EXPECT_TRUE(value.isEmpty());

    ASSERT_EQ(property->put_value(Variant("10.0.0.7")), kOk);
    std::shared_ptr<IJHConnectionProperty> again;
    ASSERT_EQ(connection->get_ConnectionProperty(DNC_CP_HOST, &again), kOk);
    ASSERT_EQ(again->get_value(&value), kOk);
    EXPECT_EQ(value, Variant("10.0.0.7"));
}

TEST_F(ConnectionListTest, SharedByAllMachineObjectsAndRemovedByIndex) {
    addConnection("a");
    addConnection("b");
    addConnection("c");
    auto other = list(newMachine());
    ASSERT_EQ(count(other), 3);

    ASSERT_EQ(other->RemoveConnection(1), kOk);
    auto third = list(newMachine());
    ASSERT_EQ(count(third), 2);
    EXPECT_EQ(nameAt(third, 0), "a");
    EXPECT_EQ(nameAt(third, 1), "c");
}

TEST_F(ConnectionListTest, RejectsWhatTheSdkRejects) {
    auto connections = list(newMachine());
    std::shared_ptr<IJHConnection> connection;
    EXPECT_EQ(connections->NewConnection(0, DNC_PROT_TCPIP, &connection), kBadParameter);
    EXPECT_EQ(connections->NewConnection(DNC_CNC_TYPE_ITNC, 3, &connection), kBadParameter);
    EXPECT_EQ(connection, nullptr);

    ASSERT_EQ(connections->NewConnection(DNC_CNC_TYPE_ITNC, DNC_PROT_TCPIP, &connection), kOk);
    EXPECT_EQ(connections->AddConnection(connection), kBadParameter) << "a connection needs a name";
    addConnection("taken");
    ASSERT_EQ(connection->put_name("taken"), kOk);
    EXPECT_EQ(connections->AddConnection(connection), kBadParameter) << "names are unique";
    EXPECT_EQ(connections->AddConnection(nullptr), kPointer);

    std::shared_ptr<IJHConnection> item;
    EXPECT_EQ(connections->get_Item(1, &item), kInvalidArg);
    EXPECT_EQ(connections->get_Item(-1, &item), kInvalidArg);
    EXPECT_EQ(connections->RemoveConnection(1), kInvalidArg);
    std::shared_ptr<IJHConnectionProperty> property;
    EXPECT_EQ(connection->get_ConnectionProperty(static_cast<DNC_CONNECTION_PROPERTY>(99), &property),
              kBadParameter);
}

}  // namespace
}  // namespace dncsim::test
