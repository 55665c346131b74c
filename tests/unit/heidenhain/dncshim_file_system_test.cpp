// The CNC file system of a session against the simulated control: transfers
// as Base64 with their temporary files, directories, the recursive delete,
// and the exact texts of every failure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <future>

#include "dnc/file_result.h"
#include "dncsim/simulator.h"
#include "heidenhain/cnc/cnc_files.h"
#include "heidenhain/text/base64.h"
#include "platform/temp_file.h"
#include "tests/unit/heidenhain/session_fixture.h"
#include "tests/unit/heidenhain/source_line.h"

namespace heidenhain {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

// What the control holds at the path, or "(none)".
std::string onControl(const std::string& path) {
    std::string content;
    return sim().controller("a.test")->files().readFile(path, &content) == dncsim::FileTree::Status::Ok ? content
                                                                                                     : "(none)";
}

// Every byte value and both line ends: a part program as the control may hold it.
std::string binaryProgram() {
    std::string bytes = "0 BEGIN PGM bin MM\r\n";
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes + "\n1 END PGM bin MM\n";
}

// Base64 as mail programs write it, in lines of 76 characters.
std::string wrapped(const std::string& text) {
    std::string lines;
    for (std::size_t at = 0; at < text.size(); at += 76) lines += text.substr(at, 76) + "\r\n";
    return lines;
}

class FileSystemTest : public SessionTest {
protected:
    DncShim& connected() {
        auto& mill = session();
        mill.connection().connect("a.test", "tnc640");
        log.clear();
        return mill;
    }
    // No transfer leaves a file behind, whichever way it ended.
    bool tmpIsEmpty() const { return std::filesystem::is_empty(workDir.path() / "tmp"); }
};

TEST(CncPaths, DriveAddedWhereMissingAndDirectoriesOfAFile) {
    EXPECT_EQ(addTncPrefix("PLC:\\x"), "PLC:\\x");
    EXPECT_EQ(addTncPrefix("TNC:\\x"), "TNC:\\x");
    EXPECT_EQ(addTncPrefix("nc_prog\\part.h"), "TNC:\\nc_prog\\part.h");
    EXPECT_EQ(addTncPrefix("\\part.h"), "TNC:\\\\part.h");
    EXPECT_EQ(directoriesLeadingTo("TNC:\\a\\b\\part.h"), (std::vector<std::string>{"TNC:\\a", "TNC:\\a\\b"}));
    EXPECT_EQ(directoriesLeadingTo("PLC:\\a\\part.h"), (std::vector<std::string>{"PLC:\\a"}));
    EXPECT_TRUE(directoriesLeadingTo("TNC:\\part.h").empty());
}

TEST_F(FileSystemTest, BinaryProgramTravelsBothWaysUnchanged) {
    auto& mill = connected();
    const std::string program = binaryProgram();
    mill.files().transmitFile(wrapped(base64Encode(program)), "nc_prog\\bin.h");
    EXPECT_EQ(onControl("TNC:\\nc_prog\\bin.h"), program);
    EXPECT_EQ(base64Decode(mill.files().receiveFile("TNC:\\nc_prog\\bin.h")), program);
    EXPECT_EQ(mill.files().receiveFile("nc_prog\\bin.h"), base64Encode(program));
    mill.files().transmitFile("", "TNC:\\empty.h");
    EXPECT_EQ(mill.files().receiveFile("TNC:\\empty.h"), "");
    EXPECT_TRUE(tmpIsEmpty());
    EXPECT_TRUE(texts().empty()) << "transfers that work write no log entry";
}

TEST_F(FileSystemTest, SendingMakesMissingDirectoriesAndReplacesAFile) {
    auto& mill = connected();
    mill.files().transmitFile(base64Encode("first"), "TNC:\\a\\b\\part.h");
    EXPECT_EQ(mill.files().readDirectory("TNC:\\a"), (json{{"path", "TNC:\\a"}, {"entries", {".", "..", "b"}}}));
    mill.files().transmitFile(base64Encode("second"), "TNC:\\a\\b\\part.h");
    EXPECT_EQ(onControl("TNC:\\a\\b\\part.h"), "second");
    mill.files().transmitFile(base64Encode("third"), "a\\c\\part.h");
    EXPECT_EQ(onControl("TNC:\\a\\c\\part.h"), "third") << "an existing directory on the way is fine";
    // The directories go on the destination's own drive, never on TNC: instead.
    sim().faults().failNext("TransmitFile", 1, dnc::kRemoteFileNotFound);
    EXPECT_EQ(failureOf([&] { mill.files().transmitFile(base64Encode("x"), "PLC:\\p\\part.h"); }),
              "Call MakeDirectory(PLC:\\p) produced error (0x800404bf): Access to given drive not allowed "
              "(isConnected:1, heidenhain/session_file_transfer.cpp:N)");
    EXPECT_EQ(mill.files().readDirectory("TNC:\\")["entries"], (json{"a", "nc_prog"}));
    EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(FileSystemTest, FailedSendingKeepsNoTemporaryFileAndSaysWhy) {
    auto& mill = connected();
    auto& faults = sim().faults();
    auto send = [&] { return failureOf([&] { mill.files().transmitFile(base64Encode("x"), "x.h"); }); };
    EXPECT_EQ(failureOf([&] { mill.files().transmitFile("Zm9v\nYm#Fy", "x.h"); }),
              "Base64 content has an invalid character 0x23 at offset 7");
    faults.failNext("TransmitFile", 1, dnc::kFail);
    EXPECT_EQ(send(),
              "Call TransmitFile(destination='TNC:\\x.h') produced error (0x80004005): An unspecified failure "
              "has occurred (isConnected:1, heidenhain/session_file_transfer.cpp:N)");
    faults.failNext("TransmitFile", 2, dnc::kRemoteFileNotFound);
    EXPECT_EQ(failureOf([&] { mill.files().transmitFile(base64Encode("x"), "TNC:\\q\\x.h"); }),
              "Call _fileSystem->TransmitFile(toBSTR(localTmpPath), toBSTR(dstPath)) produced error (0x800404ce): "
              "The remote file cannot be found (isConnected:1, heidenhain/session_file_transfer.cpp:N)")
        << "the second attempt fails as any guarded call";
    faults.failNext("TransmitFile", 1, dnc::kRemoteFileNotFound);
    faults.failNext("MakeDirectory", 1, dnc::kInvalidFileName);
    EXPECT_EQ(failureOf([&] { mill.files().transmitFile(base64Encode("x"), "TNC:\\d\\x.h"); }),
              "Call MakeDirectory(TNC:\\d) produced error (0x800404c7): An invalid filename is given "
              "(isConnected:1, heidenhain/session_file_transfer.cpp:N)");
    EXPECT_EQ(onControl("TNC:\\d\\x.h"), "(none)");
    EXPECT_EQ(onControl("TNC:\\x.h"), "(none)");
    EXPECT_TRUE(tmpIsEmpty());
    EXPECT_TRUE(texts().empty());
    std::filesystem::remove(workDir.path() / "tmp");
    // The names as the platform writes them: tmp/ here, tmp\ on Windows.
    const std::string transmitFailure = "Cannot open temporary file " +
                                        platform::TempFile::pattern("tmp", "transmit-", ".tmp") +
                                        " to prepare for transmitFile(dst=x.h)";
    const std::string receiveFailure = "Cannot open temporary file " +
                                       platform::TempFile::pattern("tmp", "receive-", ".tmp") +
                                       " in receiveFile(cncFile=nc_prog\\demo.h with actual path=TNC:\\nc_prog\\demo.h";
    EXPECT_EQ(send(), transmitFailure);
    EXPECT_EQ(failureOf([&] { mill.files().receiveFile("nc_prog\\demo.h"); }), receiveFailure);
    EXPECT_EQ(texts(), (std::vector<std::string>{entry("transmitFileBinary", "mill " + transmitFailure),
                                                 entry("receiveFileBinary", "mill " + receiveFailure)}));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "transmitFileBinary", "mill " + transmitFailure));
}

TEST_F(FileSystemTest, LostLinkWhileSendingSchedulesTheDisconnect) {
    auto& faults = sim().faults();
    int lost = 0;
    const auto expectLost = [&](const std::string& text, const std::function<void(DncShim&)>& prepare) {
        auto& mill = connected();
        mill.connection().onConnectLost([&](std::string) { ++lost; });
        prepare(mill);
        EXPECT_EQ(failureOf([&] { mill.files().transmitFile(base64Encode("x"), "TNC:\\d\\x.h"); }), text);
        EXPECT_FALSE(mill.connection().isConnected());
        EXPECT_TRUE(tmpIsEmpty());
        mill.connection().disconnect();
    };
    expectLost(
        "Call TransmitFile(destination=TNC:\\d\\x.h) produced error (0x800406b2): Requested action not "
        "possible when not connected (isConnected:0, heidenhain/session_file_transfer.cpp:N)",
        [&](DncShim&) { faults.failNext("TransmitFile", 1, dnc::kNotConnected); });
    expectLost(
        "Call MakeDirectory(TNC:\\d) produced error (0x80040266): Attempted DNC call while DncServer not on "
        "line (isConnected:0, heidenhain/session_file_transfer.cpp:N)",
        [&](DncShim&) { faults.failNext("MakeDirectory", 1, dnc::kNotOnLine); });
    expectLost(
        "Call TransmitFile(destination=TNC:\\d\\x.h) produced error (0x80040262): MillPlus communication "
        "failure (isConnected:0, heidenhain/session_file_transfer.cpp:N)",
        [&](DncShim&) { faults.failNext("TransmitFile", 1, dnc::kCommunicationFailure); });
    EXPECT_EQ(lost, 3);
    EXPECT_TRUE(logged("scheduleDisconnect", "mill Triggering machine disconnect"));

    // The link goes while the control receives the file.
    auto& mill = connected();
    faults.delay("TransmitFile", 10s, 1);
    auto sending = std::async(std::launch::async, [&] {
        return failureOf([&] { mill.files().transmitFile(base64Encode("x"), "TNC:\\x.h"); });
    });
    ASSERT_TRUE(faults.awaitDelayedCall("TransmitFile", 5s));
    sim().raiseMachineEvent("a.test", dnc::DNC_EVT_STATE_CONNECTION_LOST);
    ASSERT_TRUE(eventsHandled());
    faults.releaseDelayed();
    EXPECT_EQ(sending.get(), "Not any longer connected in TransmitFile");
    EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(FileSystemTest, DirectoriesAndFilesAreManagedWithTheGuardsTexts) {
    auto& mill = connected();
    EXPECT_EQ(mill.files().readDirectory("nc_prog"),
              (json{{"path", "TNC:\\nc_prog"}, {"entries", {".", "..", "demo.h", "drill.h"}}}));
    mill.files().makeDirectory("jobs");
    mill.files().copyFile("nc_prog\\demo.h", "TNC:\\jobs\\copy.h");
    EXPECT_EQ(onControl("TNC:\\jobs\\copy.h"), onControl("TNC:\\nc_prog\\demo.h"));
    mill.files().deleteFile("jobs\\copy.h");
    mill.files().deleteDirectory("TNC:\\jobs");
    EXPECT_EQ(mill.files().readDirectory("TNC:\\")["entries"], json{"nc_prog"});
    EXPECT_TRUE(texts().empty());

    const std::string site = " (isConnected:1, heidenhain/session_file_system.cpp:N)";
    EXPECT_EQ(failureOf([&] { mill.files().readDirectory("jobs"); }),
              "Call _fileSystem->ReadDirectory(toBSTR(cncFinalPath), emptyAttributes, emptyAttributes, "
              "&ppDirEntryList) produced error (0x800404c4): The specified directory does not exist" + site);
    EXPECT_EQ(failureOf([&] { mill.files().makeDirectory("nc_prog"); }),
              "Call _fileSystem->MakeDirectory(toBSTR(addTncPrefix(directoryPath))) produced error (0x800404c1): "
              "The specified directory already exists" + site);
    EXPECT_EQ(failureOf([&] { mill.files().deleteDirectory("nc_prog"); }),
              "Call _fileSystem->DeleteDirectory(toBSTR(addTncPrefix(directoryPath))) produced error (0x800404c0): "
              "The directory specified still contains entries" + site);
    EXPECT_EQ(failureOf([&] { mill.files().deleteFile("nc_prog\\none.h"); }),
              "Call _fileSystem->__DeleteFile(toBSTR(addTncPrefix(filePath))) produced error (0x800404c8): "
              "The file specified cannot be found" + site);
    EXPECT_EQ(failureOf([&] { mill.files().copyFile("nc_prog\\demo.h", "nc_prog\\drill.h"); }),
              "Call _fileSystem->__CopyFile(toBSTR(addTncPrefix(sourceFilePath)), toBSTR(addTncPrefix(destFilePath))) "
              "produced error (0x800404c5): The specified file already exists" + site);
    sim().faults().failNext("CreateFileAttributes", 1, dnc::kClassNotRegistered);
    EXPECT_EQ(failureOf([&] { mill.files().readDirectory("nc_prog"); }),
              "Call emptyAttributes.CoCreateInstance(CLSID_JHFileAttributes) produced error (0x80040154): "
              "Requested COM class is not registered" + site);
}

TEST_F(FileSystemTest, RecursiveDeleteCountsWhatItRemovedDepthFirst) {
    auto& mill = connected();
    for (const char* file : {"job\\a.h", "job\\b.h", "job\\sub\\c.h", "job\\a.h.SEC.DEP"})
        mill.files().transmitFile(base64Encode(file), file);
    EXPECT_EQ(mill.files().deleteDirectoryRecursively("job"),
              (json{{"path", "TNC:\\job"}, {"numDirectoriesDeleted", 2}, {"numFilesDeleted", 3}}));
    EXPECT_EQ(mill.files().readDirectory("TNC:\\")["entries"], json{"nc_prog"});

    // It stops at the first failure; what went before stays deleted.
    for (const char* file : {"job\\a.h", "job\\b.h", "job\\sub\\c.h"}) mill.files().transmitFile(base64Encode(file), file);
    sim().faults().failNext("DeleteFile", 1, dnc::kOk);
    sim().faults().failNext("DeleteFile", 1, dnc::code(0x800404C6));
    EXPECT_EQ(failureOf([&] { mill.files().deleteDirectoryRecursively("TNC:\\job"); }),
              "Call _fileSystem->__DeleteFile(TNC:\\job\\b.h) produced error (0x800404c6): The file specified is "
              "locked (isConnected:1, heidenhain/session_file_system.cpp:N)");
    EXPECT_EQ(mill.files().readDirectory("job")["entries"], (json{".", "..", "b.h", "sub"}));
}

TEST_F(FileSystemTest, EveryFunctionNeedsTheConnectionAndTheInterface) {
    const std::vector<std::pair<const char*, std::function<void(DncShim&)>>> transfers = {
        {"transmitFileBinary", [](DncShim& s) { s.files().transmitFile("", "x.h"); }},
        {"receiveFileBinary", [](DncShim& s) { s.files().receiveFile("x.h"); }},
    };
    const std::vector<std::pair<const char*, std::function<void(DncShim&)>>> functions = {
        {"readDirectoryStdVec", [](DncShim& s) { s.files().readDirectory("x"); }},
        {"deleteDirectory", [](DncShim& s) { s.files().deleteDirectory("x"); }},
        {"makeDirectory", [](DncShim& s) { s.files().makeDirectory("x"); }},
        {"deleteFile", [](DncShim& s) { s.files().deleteFile("x.h"); }},
        {"copyFile", [](DncShim& s) { s.files().copyFile("x.h", "y.h"); }},
        {"deleteDirectoryRecursivelyInternal", [](DncShim& s) { s.files().deleteDirectoryRecursively("x"); }},
    };
    auto& idle = session("idle");
    sim().faults().withholdInterface(dnc::DNC_INTERFACE_JHFILESYSTEM);
    auto& bare = connected();
    auto expectRefused = [&](const char* function, const std::function<void(DncShim&)>& call, const std::string& file) {
        EXPECT_EQ(failureOf([&] { call(idle); }),
                  std::string("Unexpected online call CHECK_INTERFACE(FileSystem) while disconnected inDncShim::") +
                      function + ", heidenhain/" + file + ":N)");
        const std::string missing = std::string("mill does not have IJHFileSystem interface; cannot call DncShim::") +
                                    function + ", heidenhain/" + file + ":N)";
        EXPECT_EQ(failureOf([&] { call(bare); }), missing);
        EXPECT_TRUE(log.containsTextPart(std::string("heidenhain::") + function + "\tmill: " +
                                         missing.substr(0, missing.size() - 3)))
            << function;
    };
    for (const auto& [function, call] : transfers) expectRefused(function, call, "session_file_transfer.cpp");
    for (const auto& [function, call] : functions) expectRefused(function, call, "session_file_system.cpp");
    EXPECT_TRUE(std::filesystem::is_empty(workDir.path() / "tmp"));
}

}  // namespace
}  // namespace heidenhain
