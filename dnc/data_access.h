#pragma once
// The DataAccess tree of the newer controls (and a subset on the older ones):
// configuration, tables and PLC memory as data entries addressed by paths such
// as \TABLE\TOOL\T\5\NAME or \PLC\memory\M\100.
#include <cstdint>
#include <memory>
#include <string>

#include "dnc/events.h"
#include "dnc/object.h"
#include "dnc/variant.h"

namespace dnc {

enum DNC_ACCESS_MODE : std::int32_t {
    DNC_ACCESS_MODE_DEFAULT = 0,
    DNC_ACCESS_MODE_USR_PRIVATE = 1,
    DNC_ACCESS_MODE_OEM = 2,
    DNC_ACCESS_MODE_SYS = 3,
    DNC_ACCESS_MODE_INSPECT = 4,
    DNC_ACCESS_MODE_DIAGNOSTICS = 5,
    DNC_ACCESS_MODE_PLCDEBUG = 6,
    DNC_ACCESS_MODE_USR = 7,
    DNC_ACCESS_MODE_MONITOR = 8,
    DNC_ACCESS_MODE_DSP = 9,
    DNC_ACCESS_MODE_DNC = 10,
    DNC_ACCESS_MODE_SCOPE = 11,
    DNC_ACCESS_MODE_ALL = 12,
    DNC_ACCESS_MODE_IPODATAACCESS = 15,
    DNC_ACCESS_MODE_OEM_ENCRYPTED = 16,
    DNC_ACCESS_MODE_NONE = 17,
    DNC_ACCESS_MODE_TESTUTILITY = 18,
    DNC_ACCESS_MODE_SENDKEY = 19,
    DNC_ACCESS_MODE_AXESPOSITIONSTREAMING = 20,
    DNC_ACCESS_MODE_SPLCDATAACCESS = 21,
    DNC_ACCESS_MODE_HWSDATAACCESS = 22,
    DNC_ACCESS_MODE_TABLEDATAACCESS = 23,
    DNC_ACCESS_MODE_PLCDATAACCESS = 24,
    DNC_ACCESS_MODE_GEODATAACCESS = 25,
    DNC_ACCESS_MODE_CFGDATAACCESS = 26,
};

enum DNC_DATA_UNIT_SELECT : std::int32_t {
    DNC_DATA_UNIT_SELECT_NATIVE = 0,
    DNC_DATA_UNIT_SELECT_METRIC = 1,
    DNC_DATA_UNIT_SELECT_INCH = 2,
};

// Property kinds of an entry. Kinds without a name here are passed as numbers.
enum DNC_DATAENTRY_PROPKIND : std::int32_t {
    DNC_DATAENTRY_PROPKIND_DATA = 0,
    DNC_DATAENTRY_PROPKIND_INITIALVALUE = 5,
};

class IJHDataEntry;

class IJHDataEntryList : public virtual Object {
public:
    virtual HRESULT get_Count(std::int32_t* count) = 0;
    virtual HRESULT get_Item(std::int32_t index, std::shared_ptr<IJHDataEntry>* entry) = 0;
};

class IJHDataEntryProperty : public virtual Object {
public:
    virtual HRESULT get_varValue(Variant* value) = 0;
    virtual HRESULT put_varValue(const Variant& value) = 0;
    // VARIANT_TRUE when the value must not be written.
    virtual HRESULT get_readOnly(VariantBool* readOnly) = 0;
};

class IJHDataEntryPropertyList : public virtual Object {
public:
    virtual HRESULT get_property(std::int32_t kind, std::shared_ptr<IJHDataEntryProperty>* property) = 0;
};

class IJHDataEntry : public virtual Object {
public:
    virtual HRESULT get_bstrName(std::string* name) = 0;
    // The older controls' access: entry → property list → property → value.
    virtual HRESULT get_propertyList(std::shared_ptr<IJHDataEntryPropertyList>* propertyList) = 0;
    // The newer controls' access to a property value.
    virtual HRESULT GetPropertyValue(std::int32_t kind, Variant* value) = 0;
    // Writes the value to the control; waitForCompletion: VARIANT_TRUE (-1)
    // returns once the control has taken it. A VT_NULL key value deletes the row.
    virtual HRESULT SetPropertyValue(std::int32_t kind, const Variant& value, VariantBool waitForCompletion) = 0;
    // Values fetched with ReadPropertyValue / ReadTreeValues, changed with
    // put_propertyValue and written back with WriteTreeValues.
    virtual HRESULT ReadPropertyValue(std::int32_t kind) = 0;
    virtual HRESULT get_propertyValue(std::int32_t kind, Variant* value) = 0;
    virtual HRESULT put_propertyValue(std::int32_t kind, const Variant& value) = 0;
    virtual HRESULT ReadTreeValues(std::int32_t kind) = 0;
    virtual HRESULT WriteTreeValues(VariantBool recursive) = 0;
    // Children: GetChildList (newer controls), get_childList (older controls),
    // get_childList2 (the entries of a data event).
    virtual HRESULT GetChildList(std::shared_ptr<IJHDataEntryList>* children) = 0;
    virtual HRESULT get_childList(std::shared_ptr<IJHDataEntryList>* children) = 0;
    virtual HRESULT get_childList2(std::shared_ptr<IJHDataEntryList>* children) = 0;
    // kNoValidItem when the entry has no such child (as for a range of rows).
    virtual HRESULT get_child(const std::string& name, std::shared_ptr<IJHDataEntry>* child) = 0;
    virtual HRESULT add_child(const std::string& name, std::shared_ptr<IJHDataEntry>* child) = 0;
    // Value changes below this entry arrive as OnData2 with *handle.
    virtual HRESULT Subscribe2(std::int32_t* handle) = 0;
    virtual HRESULT Unsubscribe(std::int32_t handle) = 0;
};

class IJHDataAccess : public EventSource<IJHDataAccessEvents2> {
public:
    virtual HRESULT SetAccessMode(std::int32_t accessMode, const std::string& password) = 0;
    virtual HRESULT GetDataEntry(const std::string& dataPath, std::shared_ptr<IJHDataEntry>* entry) = 0;
    // unitSelect: DNC_DATA_UNIT_SELECT; readValues: VARIANT_TRUE fetches the
    // values with the entry.
    virtual HRESULT GetDataEntry2(const std::string& dataPath, std::int32_t unitSelect,
                                  VariantBool readValues, std::shared_ptr<IJHDataEntry>* entry) = 0;
};

}  // namespace dnc
