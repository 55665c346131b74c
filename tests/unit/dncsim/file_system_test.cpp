// The simulated control's file system through the SDK interface: the demo
// drive, transfers to and from local files, listings with attribute filters,
// the result codes of directory and file operations, and injected faults.
#include <gtest/gtest.h>

#include "dnc/file_result.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/dncsim/sim_fixture.h"

namespace dncsim::test {
namespace {

using namespace dnc;

struct Listed {
    std::string name;
    bool directory;
    bool operator==(const Listed&) const = default;
};

class FileSystemTest : public SimulatorTest {
protected:
    std::shared_ptr<IJHFileSystem> fileSystemOf(const std::string& host) {
        machines.push_back(connectedMachine(host));
        std::shared_ptr<Object> tmp;
        std::shared_ptr<IJHFileSystem> fileSystem;
        EXPECT_EQ(machines.back()->GetInterface(DNC_INTERFACE_JHFILESYSTEM, &tmp), kOk);
        EXPECT_EQ(tmp->QueryInterface(&fileSystem), kOk);
        return fileSystem;
    }

    static std::shared_ptr<IJHFileAttributes> attributes(std::int32_t attribute = -1) {
        std::shared_ptr<IJHFileAttributes> set;
        EXPECT_EQ(machineFactory()->CreateFileAttributes(&set), kOk);
        if (attribute >= 0) set->SetAttribute(attribute, VARIANT_TRUE);
        return set;
    }

    // The listing, or the failing code as the only entry's name.
    static std::vector<Listed> list(IJHFileSystem& fileSystem, const std::string& path,
                                    std::shared_ptr<IJHFileAttributes> mustHave = attributes(),
                                    std::shared_ptr<IJHFileAttributes> mustNotHave = attributes()) {
        std::shared_ptr<IJHDirectoryEntryList> entries;
        if (auto hr = fileSystem.ReadDirectory(path, mustHave, mustNotHave, &entries); failed(hr))
            return {{std::to_string(hr), false}};
        std::int32_t count = 0;
        EXPECT_EQ(entries->get_Count(&count), kOk);
        std::vector<Listed> result;
        for (std::int32_t i = 0; i < count; ++i) {
            std::shared_ptr<IJHDirectoryEntry> entry;
            std::shared_ptr<IJHFileAttributes> attr;
            Listed listed{};
            VariantBool directory = VARIANT_FALSE;
            EXPECT_EQ(entries->get_Item(i, &entry), kOk);
            EXPECT_EQ(entry->get_name(&listed.name), kOk);
            EXPECT_EQ(entry->get_attributes(&attr), kOk);
            EXPECT_EQ(attr->HasAttribute(DNC_ATTRIBUTE_DIRECTORY, &directory), kOk);
            listed.directory = directory;
            result.push_back(listed);
        }
        return result;
    }

    std::string local(const std::string& name) const { return (dir.path() / name).string(); }

    testsupport::TempDir dir{"dncsim-files"};
    std::vector<std::shared_ptr<IJHMachine>> machines;
};

TEST_F(FileSystemTest, DriveHoldsTheDemoProgramsListedWithAttributes) {
    auto fileSystem = fileSystemOf("cnc");
    EXPECT_EQ(list(*fileSystem, "TNC:\\"), (std::vector<Listed>{{"nc_prog", true}}));
    EXPECT_EQ(list(*fileSystem, "TNC:\\NC_PROG\\"),
              (std::vector<Listed>{{".", true}, {"..", true}, {"demo.h", false}, {"drill.h", false}}))
        << "names compared without regard to case, a closing backslash allowed";
    EXPECT_EQ(list(*fileSystem, "TNC:\\nc_prog", attributes(DNC_ATTRIBUTE_DIRECTORY)),
              (std::vector<Listed>{{".", true}, {"..", true}}));
    EXPECT_EQ(list(*fileSystem, "TNC:\\nc_prog", attributes(), attributes(DNC_ATTRIBUTE_DIRECTORY)),
              (std::vector<Listed>{{"demo.h", false}, {"drill.h", false}}));
    EXPECT_EQ(list(*fileSystem, "TNC:\\nc_prog", nullptr, nullptr).size(), 4u) << "no filter at all";

    ASSERT_EQ(fileSystem->ReceiveFile("TNC:\\nc_prog\\drill.h", local("drill.h")), kOk);
    EXPECT_EQ(testsupport::readFile(local("drill.h")),
              "0 BEGIN PGM drill MM\n1 TOOL CALL 2 Z S2000\n2 L Z+50 R0 FMAX M3\n3 L X+25 Y+25 R0 FMAX\n"
              "4 CYCL DEF 200 DRILLING\n5 CYCL CALL\n6 L Z+50 R0 FMAX M5\n7 END PGM drill MM\n");
}

TEST_F(FileSystemTest, TransfersKeepEveryByteAndNeverReplace) {
    auto fileSystem = fileSystemOf("cnc");
    static constexpr char raw[] = "0 BEGIN PGM p MM\r\n\0\xff\x80 end\n";
    const std::string bytes(raw, sizeof raw - 1);
    testsupport::writeFile(local("out"), bytes);
    EXPECT_EQ(fileSystem->TransmitFile(local("out"), "TNC:\\nc_prog\\p.h"), kOk);
    EXPECT_EQ(fileSystem->TransmitFile(local("out"), "TNC:\\nc_prog\\P.H"), kRemoteFileExists);
    EXPECT_EQ(fileSystem->TransmitFile(local("out"), "TNC:\\missing\\p.h"), kRemoteFileNotFound);
    EXPECT_EQ(fileSystem->TransmitFile(local("absent"), "TNC:\\nc_prog\\q.h"), kLocalFileNotOpened);
    EXPECT_EQ(fileSystem->ReceiveFile("TNC:\\nc_prog\\p.h", local("in")), kOk);
    EXPECT_EQ(testsupport::readFile(local("in")), bytes);
    EXPECT_EQ(fileSystem->ReceiveFile("TNC:\\nc_prog\\q.h", local("in")), kRemoteFileNotFound);
    EXPECT_EQ(fileSystem->ReceiveFile("TNC:\\nc_prog\\p.h", local("no-such-dir/in")), kLocalFileNotOpened);

    testsupport::writeFile(local("empty"), "");
    EXPECT_EQ(fileSystem->TransmitFile(local("empty"), "TNC:\\empty.h"), kOk);
    EXPECT_EQ(fileSystem->ReceiveFile("TNC:\\empty.h", local("in")), kOk);
    EXPECT_EQ(testsupport::readFile(local("in")), "");

    auto other = fileSystemOf("other");
    EXPECT_EQ(other->ReceiveFile("TNC:\\nc_prog\\p.h", local("in")), kRemoteFileNotFound) << "a drive per control";
}

TEST_F(FileSystemTest, DirectoryAndFileOperationsAnswerTheControlsCodes) {
    auto fileSystem = fileSystemOf("cnc");
    EXPECT_EQ(fileSystem->MakeDirectory("TNC:\\a"), kOk);
    EXPECT_EQ(fileSystem->MakeDirectory("TNC:\\A"), kDirectoryExists);
    EXPECT_EQ(fileSystem->MakeDirectory("TNC:\\x\\y"), kDirectoryNotFound);
    EXPECT_EQ(fileSystem->CopyFile("TNC:\\nc_prog\\demo.h", "TNC:\\a\\demo.h"), kOk);
    EXPECT_EQ(fileSystem->CopyFile("TNC:\\nc_prog\\demo.h", "TNC:\\a\\demo.h"), kFileExists);
    EXPECT_EQ(fileSystem->CopyFile("TNC:\\nc_prog\\none.h", "TNC:\\a\\none.h"), kFileNotFound);
    EXPECT_EQ(fileSystem->CopyFile("TNC:\\nc_prog\\demo.h", "TNC:\\x\\demo.h"), kDirectoryNotFound);
    EXPECT_EQ(fileSystem->DeleteDirectory("TNC:\\a"), kDirectoryNotEmpty);
    EXPECT_EQ(fileSystem->DeleteFile("TNC:\\a"), kFileNotFound) << "a directory is no file";
    EXPECT_EQ(fileSystem->DeleteFile("TNC:\\a\\demo.h"), kOk);
    EXPECT_EQ(fileSystem->DeleteFile("TNC:\\a\\demo.h"), kFileNotFound);
    EXPECT_EQ(list(*fileSystem, "TNC:\\nc_prog").size(), 4u) << "the copy's source stays";

    testsupport::writeFile(local("dep"), "dependent");
    EXPECT_EQ(fileSystem->TransmitFile(local("dep"), "TNC:\\a\\demo.h.SEC.DEP"), kOk);
    EXPECT_EQ(fileSystem->DeleteDirectory("TNC:\\a"), kOk) << "dependent files go with their directory";
    EXPECT_EQ(fileSystem->DeleteDirectory("TNC:\\a"), kDirectoryNotFound);
    EXPECT_EQ(list(*fileSystem, "TNC:\\a"), (std::vector<Listed>{{std::to_string(kDirectoryNotFound), false}}));
    EXPECT_EQ(list(*fileSystem, "TNC:\\nc_prog\\demo.h"), (std::vector<Listed>{{std::to_string(kDirectoryNotFound), false}}));

    EXPECT_EQ(fileSystem->DeleteDirectory("TNC:\\"), kDriveNotAllowed);
    EXPECT_EQ(fileSystem->MakeDirectory("PLC:\\a"), kDriveNotAllowed);
    for (const char* invalid : {"nc_prog", "TNC:\\a\\\\b", "TNC:\\a*b", "TNC:\\..", "TNC:a", ":\\a"})
        EXPECT_EQ(fileSystem->MakeDirectory(invalid), kInvalidFileName) << invalid;
}

TEST_F(FileSystemTest, InjectedFaultsApplyToEveryOperation) {
    auto fileSystem = fileSystemOf("cnc");
    testsupport::writeFile(local("out"), "x");
    sim().faults().failNext("TransmitFile", 1, kFail);
    EXPECT_EQ(fileSystem->TransmitFile(local("out"), "TNC:\\x.h"), kFail);
    EXPECT_EQ(fileSystem->ReceiveFile("TNC:\\x.h", local("in")), kRemoteFileNotFound) << "a failed call stores nothing";

    sim().loseLink("cnc");
    std::shared_ptr<IJHDirectoryEntryList> entries;
    EXPECT_EQ(fileSystem->TransmitFile(local("out"), "TNC:\\x.h"), kConnectionLost);
    EXPECT_EQ(fileSystem->ReceiveFile("TNC:\\nc_prog\\demo.h", local("in")), kConnectionLost);
    EXPECT_EQ(fileSystem->ReadDirectory("TNC:\\", attributes(), attributes(), &entries), kConnectionLost);
    EXPECT_EQ(fileSystem->MakeDirectory("TNC:\\a"), kConnectionLost);
    EXPECT_EQ(fileSystem->DeleteDirectory("TNC:\\nc_prog"), kConnectionLost);
    EXPECT_EQ(fileSystem->DeleteFile("TNC:\\nc_prog\\demo.h"), kConnectionLost);
    EXPECT_EQ(fileSystem->CopyFile("TNC:\\nc_prog\\demo.h", "TNC:\\d.h"), kConnectionLost);
}

}  // namespace
}  // namespace dncsim::test
