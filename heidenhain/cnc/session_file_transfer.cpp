// Sending files to the CNC and fetching them, through a temporary file of
// its own per transfer: the SDK moves files between a local path and a CNC path.
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "dnc/file_result.h"
#include "heidenhain/cnc/session_files.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/text/base64.h"
#include "platform/temp_file.h"

namespace heidenhain {
namespace {

constexpr const char* kTmpDirectory = "tmp";
constexpr const char* kTransmitCall = "_fileSystem->TransmitFile(toBSTR(localTmpPath), toBSTR(dstPath))";

// A guarded call of sending whose every code the caller reads. A session
// found disconnected on the way fails with the sending's own text; every
// other guard failure (a lock time-out) keeps the guard's.
template <class Op>
dnc::HRESULT sendingCall(SdkGuard& guard, std::string_view call, CallSite site, Op&& op) {
    try {
        return guard.call({std::string(call), site, Accepted::every()}, std::forward<Op>(op)).code;
    } catch (const std::runtime_error&) {
        if (!guard.isConnected()) throw std::runtime_error("Not any longer connected in TransmitFile");
        throw;
    }
}

}  // namespace

void SessionFiles::transmitFile(const std::string& content, const std::string& dstPath) {
    transmitFileBinary(base64Decode(content), dstPath);
}

std::string SessionFiles::receiveFile(const std::string& cncFile) { return base64Encode(receiveFileBinary(cncFile)); }

void SessionFiles::transmitFileBinary(std::string bytes, const std::string& dstPath) {
    const auto fileSystem = checkedFileSystem("transmitFileBinary", SDK_CALL_SITE);
    auto fail = [&](const std::string& text) {
        logInformation("transmitFileBinary", context_.name + " " + text);
        throw std::runtime_error(text);
    };
    const std::string purpose = " to prepare for transmitFile(dst=" + dstPath + ")";
    std::optional<platform::TempFile> local;
    try {
        local.emplace(kTmpDirectory, "transmit-", ".tmp");
    } catch (const std::system_error&) {
        fail("Cannot open temporary file " + platform::TempFile::pattern(kTmpDirectory, "transmit-", ".tmp") + purpose);
    }
    {
        std::ofstream out(local->path(), std::ios::binary | std::ios::trunc);
        if (!out) fail("Cannot open temporary file " + local->path() + purpose);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        // A short file would reach the control as a cut-off program.
        if (!out) fail("Cannot write temporary file " + local->path() + purpose);
        std::string().swap(bytes);
    }

    const std::string destination = addTncPrefix(dstPath);
    const auto transmit = [&] { return fileSystem->TransmitFile(local->path(), destination); };
    const dnc::HRESULT hr = sendingCall(context_.guard, kTransmitCall, SDK_CALL_SITE, transmit);
    if (dnc::succeeded(hr)) return;
    if (hr == dnc::kFileNotFound || hr == dnc::kRemoteFileNotFound) {
        makeMissingDirectories(*fileSystem, destination);
    } else if (hr == dnc::kFileExists || hr == dnc::kRemoteFileExists) {
        context_.guard.run({"_fileSystem->__DeleteFile(toBSTR(dstPath))", SDK_CALL_SITE},
                           [&] { return fileSystem->DeleteFile(destination); });
    } else if (dnc::isLostLink(hr)) {
        context_.scheduleDisconnect();
        throw std::runtime_error(
            context_.guard.errorMessage("TransmitFile(destination=" + destination + ")", hr, SDK_CALL_SITE));
    } else {
        throw std::runtime_error(
            context_.guard.errorMessage("TransmitFile(destination='" + destination + "')", hr, SDK_CALL_SITE));
    }
    context_.guard.run({kTransmitCall, SDK_CALL_SITE}, transmit);
}

void SessionFiles::makeMissingDirectories(dnc::IJHFileSystem& fileSystem, const std::string& destination) {
    for (const auto& directory : directoriesLeadingTo(destination)) {
        const dnc::HRESULT hr = sendingCall(context_.guard, "_fileSystem->MakeDirectory", SDK_CALL_SITE,
                                            [&] { return fileSystem.MakeDirectory(directory); });
        if (dnc::succeeded(hr) || hr == dnc::kDirectoryExists || hr == dnc::kFileExists) continue;
        if (dnc::isLostLink(hr)) context_.scheduleDisconnect();
        throw std::runtime_error(context_.guard.errorMessage("MakeDirectory(" + directory + ")", hr, SDK_CALL_SITE));
    }
}

std::string SessionFiles::receiveFileBinary(const std::string& cncFile) {
    const auto fileSystem = checkedFileSystem("receiveFileBinary", SDK_CALL_SITE);
    const std::string cncFinalPath = addTncPrefix(cncFile);
    auto fail = [&](const std::string& what, const std::string& path) {
        const std::string text =
            what + path + " in receiveFile(cncFile=" + cncFile + " with actual path=" + cncFinalPath;
        logInformation("receiveFileBinary", context_.name + " " + text);
        throw std::runtime_error(text);
    };
    std::optional<platform::TempFile> local;
    try {
        local.emplace(kTmpDirectory, "receive-", ".tmp");
    } catch (const std::system_error&) {
        fail("Cannot open temporary file ", platform::TempFile::pattern(kTmpDirectory, "receive-", ".tmp"));
    }
    context_.guard.run({"_fileSystem->ReceiveFile(toBSTR(cncFinalPath), toBSTR(destFileName))", SDK_CALL_SITE},
                       [&] { return fileSystem->ReceiveFile(cncFinalPath, local->path()); });
    std::ifstream in(local->path(), std::ios::binary | std::ios::ate);
    if (!in) fail("Cannot open temporary file ", local->path());
    // Read in one piece of the file's size: a character at a time, a program
    // of tens of MB cost as much as the whole transfer.
    const std::streamoff size = in.tellg();
    std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    in.seekg(0);
    if (size < 0 || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())) || in.peek() != EOF)
        fail("Cannot read temporary file ", local->path());
    return bytes;
}

}  // namespace heidenhain
