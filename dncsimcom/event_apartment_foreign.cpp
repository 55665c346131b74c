#include "dncsimcom/event_apartment.h"

#include <objbase.h>

#include <thread>

namespace dncsimcom {

EventApartment& EventApartment::instance() {
    // Never destroyed: the process ends the thread, and a DLL's statics go after it.
    static auto* apartment = new EventApartment;
    return *apartment;
}

EventApartment::EventApartment() : work_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    // The thread runs the DLL's code until the process ends.
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&EventApartment::instance), &pinned);
    std::thread([this] { run(); }).detach();
}

void EventApartment::post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
        ++posted_;
    }
    SetEvent(work_);
}

bool EventApartment::drain(std::chrono::milliseconds bound) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (GetCurrentThreadId() == threadId_) return false;
    const auto target = posted_;
    return done_.wait_for(lock, bound, [&] { return completed_ >= target; });
}

void EventApartment::run() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        threadId_ = GetCurrentThreadId();
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return;
    for (;;) {
        while (runOne()) {
        }
        // Calls into the apartment arrive as window messages.
        MsgWaitForMultipleObjectsEx(1, &work_, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

bool EventApartment::runOne() {
    std::function<void()> task;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (tasks_.empty()) return false;
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    task();
    task = nullptr;  // what the task holds goes on this thread too
    std::lock_guard<std::mutex> lock(mutex_);
    ++completed_;
    done_.notify_all();
    return true;
}

}  // namespace dncsimcom
