#include "dnccom/apartment.h"

namespace dnccom {
namespace {

// Leaves the apartment at thread end, once for the one successful join.
struct ApartmentMembership {
    HRESULT joined = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ~ApartmentMembership() {
        if (SUCCEEDED(joined)) CoUninitialize();
    }
};

}  // namespace

HRESULT joinMultithreadedApartment() {
    thread_local ApartmentMembership membership;
    return membership.joined;
}

}  // namespace dnccom
