#pragma once
// The SDK's connection list: persistent configuration of named connections
// (controller type, protocol, host), shared by all machine objects.
#include <cstdint>
#include <memory>
#include <string>

#include "dnc/object.h"
#include "dnc/variant.h"

namespace dnc {

enum DNC_CNC_TYPE : std::int32_t {
    DNC_CNC_TYPE_ITNC = 1,
    DNC_CNC_TYPE_MILLPLUS = 2,
    DNC_CNC_TYPE_MILLPLUSIT = 3,
    DNC_CNC_TYPE_TURNPLUS = 4,
    DNC_CNC_TYPE_MILLPLUSIT_NCK = 5,
    DNC_CNC_TYPE_MANUALPLUS_NCK = 6,
    DNC_CNC_TYPE_ATEKM_NCK = 7,
    DNC_CNC_TYPE_TNC320_NCK = 8,
    DNC_CNC_TYPE_GRINDPLUS_NCK = 9,
    DNC_CNC_TYPE_TNC6XX_NCK = 10,
    DNC_CNC_TYPE_AR6000_NCK = 11,
    DNC_CNC_TYPE_CNCPILOT6XX_NCK = 12,
    DNC_CNC_TYPE_TNC128_NCK = 13,
    DNC_CNC_TYPE_GRINDPLUS640_NCK = 14,
};

enum DNC_PROTOCOL : std::int32_t {
    DNC_PROT_LSV2 = 1,
    DNC_PROT_TCPIP = 2,
    DNC_PROT_COM = 4,
    DNC_PROT_RPC = 5,
};

enum DNC_CONNECTION_PROPERTY : std::int32_t {
    DNC_CP_HOST = 0,  // host name or address, a VT_BSTR value
};

class IJHConnectionProperty : public virtual Object {
public:
    virtual HRESULT get_value(Variant* value) = 0;
    virtual HRESULT put_value(const Variant& value) = 0;
};

class IJHConnection : public virtual Object {
public:
    virtual HRESULT get_name(std::string* name) = 0;
    virtual HRESULT put_name(const std::string& name) = 0;
    virtual HRESULT get_cncType(std::int32_t* cncType) = 0;  // DNC_CNC_TYPE
    virtual HRESULT get_protocol(std::int32_t* protocol) = 0;  // DNC_PROTOCOL
    virtual HRESULT get_ConnectionProperty(DNC_CONNECTION_PROPERTY kind,
                                           std::shared_ptr<IJHConnectionProperty>* property) = 0;
};

class IJHConnectionList : public virtual Object {
public:
    virtual HRESULT get_Count(std::int32_t* count) = 0;
    virtual HRESULT get_Item(std::int32_t index, std::shared_ptr<IJHConnection>* connection) = 0;
    // A new, not yet listed connection; AddConnection puts it into the list.
    virtual HRESULT NewConnection(std::int32_t cncType, std::int32_t protocol,
                                  std::shared_ptr<IJHConnection>* connection) = 0;
    virtual HRESULT AddConnection(std::shared_ptr<IJHConnection> connection) = 0;
    virtual HRESULT RemoveConnection(std::int32_t index) = 0;
};

}  // namespace dnc
