#include "platform/process_exit.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>

namespace platform {
namespace {
std::mutex exitMutex;
std::shared_ptr<std::function<void(int)>> exitHandler;
}  // namespace

void exitProcess(int code) {
    std::shared_ptr<std::function<void(int)>> handler;
    {
        std::lock_guard<std::mutex> lock(exitMutex);
        handler = exitHandler;
    }
    if (handler) {
        (*handler)(code);
        return;
    }
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(code);
}

void setExitHandler(std::function<void(int)> handler) {
    std::lock_guard<std::mutex> lock(exitMutex);
    exitHandler = handler ? std::make_shared<std::function<void(int)>>(std::move(handler)) : nullptr;
}

}  // namespace platform
